#include "workflow/ControlloInvio.h"

#include <algorithm>

#include "dialogs/MessageBoxes.h"
#include "mailing/IdMessage.h"
#include "smtp/IdSMTP.h"
#include "workflow/AccessoOAuth.h"
#include "workflow/AccountInvio.h"
#include "workflow/Cadenza.h"
#include "workflow/CadenzaInvio.h"
#include "workflow/CampiRegistro.h"
#include "workflow/CertificatoFidato.h"
#include "workflow/ControlliInvio.h"
#include "workflow/Destinatari.h"
#include "workflow/ImpostazioniInvio.h"
#include "workflow/ImprontaMessaggio.h"
#include "workflow/InvioPromozionale.h"
#include "workflow/MessaggioSulFilo.h"
#include "workflow/NonInviare.h"
#include "workflow/OpzioniMessaggio.h"
#include "workflow/RegistroInvii.h"
#include "workflow/RipresaInvio.h"
#include "workflow/SpedizioneMail.h"

namespace brivano {

TFontiInvio::TFontiInvio()
    : Registro(ApriRegistroInvii),
      NonInviare(PercorsoNonInviareConfigurato),
      PiePagina(LeggiPiePagina),
      ListUnsubscribe(LeggiListUnsubscribe) {}

TControlloInvio::TControlloInvio(TIdSMTP& smtp, TIdMessage& message, TMessageBoxes& boxes,
                                 TVistaInvio& vista, TFontiInvio fonti)
    : smtp_(smtp), message_(message), boxes_(boxes), vista_(vista), fonti_(std::move(fonti)) {}

TControlloInvio::~TControlloInvio() {
    {
        std::lock_guard<std::mutex> lock(vistaMutex_);
        vistaAperta_ = false;
    }
    if (lavoro_.joinable()) lavoro_.join();
}

template <class F>
void TControlloInvio::Avvisa(F&& avviso) {
    std::lock_guard<std::mutex> lock(vistaMutex_);
    if (vistaAperta_) avviso();
}

std::optional<TAccountInvio> TControlloInvio::Account() const {
    if (fonti_.Account) return fonti_.Account();
    if (impostazioni_) return LeggiAccount();
    return std::nullopt;
}

TRegistroInvii* TControlloInvio::Registro() {
    if (!registroCercato_) {
        registroCercato_ = true;
        if (fonti_.Registro) registro_ = fonti_.Registro();
    }
    return registro_.get();
}

void TControlloInvio::CompilaDaAccount() {
    RunGuarded(boxes_, [this] {
        if (!impostazioni_ || impostazioni_->Salvataggi() == salvataggiVisti_) return;
        salvataggiVisti_ = impostazioni_->Salvataggi();
        const TAccountCaricato caricato = impostazioni_->Carica();
        if (!caricato.Salvato) return;
        vista_.MostraAccount(caricato.Account.Host, caricato.Account.Mittente, caricato.Password);
    });
}

namespace {

// The entries at the journal's positions, with their fields.
std::vector<TVoceElenco> VociAlle(const std::vector<TVoceRegistrata>& voci,
                                  const std::vector<std::size_t>& posizioni) {
    std::vector<TVoceElenco> elenco;
    for (std::size_t p : posizioni) elenco.push_back({voci.at(p).Voce, voci.at(p).Campi});
    return elenco;
}

// The Message-IDs the entries at the positions had (empty: none yet).
std::vector<std::string> IdAlle(const std::vector<TVoceRegistrata>& voci,
                                const std::vector<std::size_t>& posizioni) {
    std::vector<std::string> ids;
    for (std::size_t p : posizioni) ids.push_back(voci.at(p).MessageId);
    return ids;
}

// Before the count question: who stays out and why; empty when nobody.
std::string TestoFuori(const std::vector<TMotivoEsclusione>& motivi) {
    const auto quanti = [&motivi](TMotivoEsclusione motivo) {
        return static_cast<std::size_t>(std::count(motivi.begin(), motivi.end(), motivo));
    };
    std::string testo;
    if (const std::size_t n = quanti(TMotivoEsclusione::NonInviare)) testo = TestoEsclusi(n);
    if (const std::size_t n = quanti(TMotivoEsclusione::Doppione)) {
        if (!testo.empty()) testo += "\r";
        testo += n == 1 ? "1 indirizzo ripetuto nell'elenco riceve il messaggio una volta sola."
                        : std::to_string(n) +
                              " indirizzi ripetuti nell'elenco ricevono il messaggio una volta "
                              "sola.";
    }
    if (const std::size_t n = quanti(TMotivoEsclusione::GiaServito)) {
        if (!testo.empty()) testo += "\r";
        testo += TestoNumeroDestinatari(n) + " già serviti con questo messaggio restano esclusi.";
    }
    return testo;
}

std::vector<std::string> Testi(const std::vector<TVoceElenco>& voci) {
    std::vector<std::string> testi;
    for (const auto& v : voci) testi.push_back(v.Voce);
    return testi;
}

}  // namespace

void TControlloInvio::OffriRipresa() {
    if (InCorso()) return;
    RunGuarded(boxes_, [this] {
        TRegistroInvii* registro = Registro();
        if (!registro) return;
        const auto aperta = registro->SpedizioneIncompiuta();
        if (!aperta) return;
        // Another process (a scheduled run, a second window) works it now.
        if (const auto titolare = registro->Titolare(*aperta); titolare && !titolare->Nostra)
            return;
        const TSpedizioneRegistrata spedizione = registro->Spedizione(*aperta);
        if (boxes_.Ask(DomandaRipresa(spedizione)) == TConfirmAnswer::Yes)
            PreparaRipresa(*aperta, false);
        else if (boxes_.Ask(DomandaChiusura(spedizione)) == TConfirmAnswer::Yes)
            registro->Chiudi(*aperta);
    });
}

bool TControlloInvio::PreparaRipresa(std::int64_t spedizione, bool soloFalliti) {
    if (InCorso()) return false;
    bool pronta = false;
    RunGuarded(boxes_, [&] {
        TRegistroInvii* registro = Registro();
        if (!registro) return;
        const TSpedizioneRegistrata dati = registro->Spedizione(spedizione);
        std::vector<std::size_t> posizioni;
        if (soloFalliti) {
            posizioni = registro->ReinviaFalliti(spedizione);
        } else {
            const bool ancheIncerti =
                dati.Incerte > 0 && boxes_.Ask(DomandaIncerti(dati.Incerte)) == TConfirmAnswer::Yes;
            posizioni = registro->Riprendi(spedizione, ancheIncerti);
        }
        // Taken again when the run starts: a window left open holds nothing.
        registro->Rilascia(spedizione);
        if (posizioni.empty()) {
            boxes_.ShowInfo(soloFalliti ? "Nessun indirizzo fallito da reinviare."
                                        : "Nessun indirizzo resta da inviare.");
            return;
        }
        const auto tutte = registro->Voci(spedizione);
        opzioni_.Spedizione = spedizione;
        opzioni_.Posizioni = posizioni;
        opzioni_.MessageId = IdAlle(tutte, posizioni);
        const auto voci = VociAlle(tutte, posizioni);
        TDatiInvio testi = DatiDaSpedizione(dati);
        AggiungiAllegatiRegistrati(testi, *registro, spedizione);
        vista_.MostraTesti(testi);
        vociRipresa_ = Testi(voci);
        vista_.MostraVoci(voci);
        pronta = true;
    });
    return pronta;
}

bool TControlloInvio::PreparaReinvio() {
    if (InCorso() || opzioni_.Spedizione == 0) return false;
    vista_.MostraReinvia(false);
    return PreparaRipresa(opzioni_.Spedizione, true);
}

void TControlloInvio::Interrompi() {
    if (!InCorso()) return;
    ferma_ = true;
    vista_.MostraInterruzione();
}

bool TControlloInvio::PuoChiudere() {
    if (!InCorso()) return true;
    if (!ferma_ && boxes_.Ask("È in corso un invio. Interromperlo e chiudere la finestra?") ==
                       TConfirmAnswer::Yes) {
        chiudiAFine_ = true;
        Interrompi();
    }
    return false;
}

TDatiInvio TControlloInvio::DatiInvio(const TDatiInvio& testi) const {
    TDatiInvio dati;
    dati.Host = testi.Host;
    dati.Mittente = testi.Mittente;
    dati.Password = testi.Password;
    dati.Oggetto = testi.Oggetto;
    dati.Righe = testi.Righe;
    dati.Allegati = testi.Allegati;
    dati.Porta = porta_;
    if (const auto account = Account()) {
        dati.Porta = account->Porta;
        dati.UseTLS = UseTLSPer(account->Sicurezza);
        dati.CertificatoFidato = LeggiCertificatoFidato();
        dati.Utente = account->Utente;
        dati.MittenteNome = account->MittenteNome;
        dati.PerConnessione = account->MessaggiPerConnessione;
        dati.Connessioni = account->Connessioni;
        dati.PreferisciPlain = true;
        if (account->Metodo != TMetodoAccesso::Password) {
            if (!impostazioni_) throw EAccessoDaRifare("Accesso non disponibile: Accedi di nuovo.");
            dati.Token = [accesso = impostazioni_->Accesso(*account)](const std::string& r) {
                return accesso->Token(r);
            };
        }
        dati.DimensioneMassima =
            static_cast<std::uintmax_t>(account->DimensioneMassimaMB) * MegaByte;
    }
    dati.ListUnsubscribe = fonti_.ListUnsubscribe ? fonti_.ListUnsubscribe() : true;
    return dati;
}

void TControlloInvio::Avvia(const TDatiInvio& testi, std::vector<std::string> voci,
                            const std::vector<TCampiContatto>& campi) {
    AvviaVoci(testi, std::move(voci), campi, false);
}

void TControlloInvio::AvviaProva(const TDatiInvio& testi, std::vector<TCampiContatto> campi) {
    campi.resize(1);
    // The test message must not pass for a real one in the sender's mailbox.
    TDatiInvio prova = testi;
    prova.Oggetto = PrefissoProva + prova.Oggetto;
    AvviaVoci(prova, {testi.Mittente}, campi, true);
}

std::optional<std::vector<TMotivoEsclusione>> TControlloInvio::Esclusioni(
    const std::vector<std::string>& voci, bool ripresa, bool prova,
    const std::optional<TBasiInvio>& basi, TImprontaSpedizione& impronta) {
    std::vector<TMotivoEsclusione> motivi;
    try {
        // Read here, on the caller's thread, once for the whole run.
        const std::filesystem::path percorso = fonti_.NonInviare();
        std::optional<TNonInviare> nonInviare;
        if (!percorso.empty()) nonInviare.emplace(percorso);
        motivi = brivano::Esclusioni(voci, nonInviare ? &*nonInviare : nullptr);
    } catch (const std::exception& e) {
        boxes_.ShowError(std::string(e.what()) +
                         "\rInvio annullato: l'elenco non inviare non si legge");
        return std::nullopt;
    }
    if (basi)
        for (const TBaseVoce& b : basi->Voci)
            if (b.Esclusa && motivi.at(b.Posizione) == TMotivoEsclusione::Nessuno)
                motivi[b.Posizione] = TMotivoEsclusione::SenzaBase;
    // A resumed run was compared when it began; the journal still refuses,
    // entry by entry, an address served meanwhile.
    if (ripresa || prova) return motivi;
    for (std::size_t i = 0; i < voci.size(); ++i)
        // Attachments, once a message carries them, belong in it too.
        impronta.PerVoce.push_back(ImprontaMessaggio(unione_->Oggetto(i), unione_->Corpo(i)));
    std::vector<TGiaServito> serviti;
    try {
        TRegistroInvii* registro = Registro();
        if (!registro) return motivi;
        std::vector<std::string> daCercare = impronta.PerVoce;
        for (std::size_t i = 0; i < voci.size(); ++i)
            if (motivi[i] != TMotivoEsclusione::Nessuno) daCercare[i].clear();
        serviti = registro->GiaServiti(voci, daCercare);
    } catch (const std::exception& e) {
        // Without its journal a run could send duplicates: none starts.
        boxes_.ShowError(e.what());
        return std::nullopt;
    }
    if (serviti.empty()) return motivi;
    std::string ultima;
    for (const TGiaServito& g : serviti) ultima = std::max(ultima, g.Quando);
    if (boxes_.Ask(DomandaGiaServiti(serviti.size(), ultima)) == TConfirmAnswer::Yes)
        impronta.Reinvio = true;
    else
        for (const TGiaServito& g : serviti) motivi[g.Indice] = TMotivoEsclusione::GiaServito;
    return motivi;
}

void TControlloInvio::AvviaVoci(const TDatiInvio& testi, std::vector<std::string> voci,
                                const std::vector<TCampiContatto>& campiContatti, bool prova) {
    if (InCorso()) return;
    std::vector<TCampiContatto> campi = CampiConRegistro(voci, campiContatti, fonti_.NonInviare);
    TDatiInvio dati;
    std::vector<std::string> piePagina;
    try {
        dati = DatiInvio(testi);
        // A token with under five minutes left is renewed now; a refused
        // renewal stops here, before the first message.
        if (dati.Token) dati.Token(std::string());
        piePagina = fonti_.PiePagina ? fonti_.PiePagina() : LeggiPiePagina();
        PreparaInvio(smtp_, message_, dati, limiti_);
        ImpostaConnessioni(opzioni_, dati, limiti_);
    } catch (const EInvioTestoNonValido& e) {
        boxes_.ShowInfo(std::string(e.what()) + ": invio annullato.");
        vista_.Concluso();
        return;
    } catch (const std::exception& e) {
        // The saved account or a setting could not be read: nothing is sent.
        boxes_.ShowError(e.what());
        vista_.Concluso();
        return;
    }
    // Every check comes before the first connection; entries whose files
    // fail are left out of the lists (and of a resume's positions).
    const bool continua = opzioni_.Spedizione != 0 && voci == vociRipresa_;
    std::optional<TAllegatiCorsa> allegati;
    RunGuarded(boxes_, [&] {
        allegati = TAllegatiCorsa::Prepara(boxes_, dati, voci, campi, Registro(),
                                           continua ? opzioni_.Spedizione : 0, opzioni_.Posizioni);
    });
    if (!allegati) {
        vista_.Concluso();
        return;
    }
    allegati_ = std::move(*allegati);
    TieniSolo(voci, allegati_.Tenute());
    TieniSolo(campi, allegati_.Tenute());
    if (continua) {
        TieniSolo(vociRipresa_, allegati_.Tenute());
        if (!opzioni_.Posizioni.empty()) TieniSolo(opzioni_.Posizioni, allegati_.Tenute());
        TieniSolo(opzioni_.MessageId, allegati_.Tenute());
    }
    unione_ = UnionePerInvio(boxes_, dati.Oggetto, dati.Righe, piePagina, campi);
    if (!unione_ || !ControlliPrimaDellInvio(boxes_, message_, *unione_, voci) || voci.empty()) {
        vista_.Concluso();
        return;
    }
    // The list still holds the entries of a resume (or a resend): the
    // journal's run goes on; anything else is a new run.
    const bool ripresa = !prova && opzioni_.Spedizione != 0 && voci == vociRipresa_;
    // A promotional run reaches only the addresses whose basis allows it.
    std::optional<TBasiInvio> basi;
    if (!prova) {
        basi = BasiPrimaDellInvio(boxes_, dati.Oggetto, voci, piePagina, fonti_.NonInviare);
        if (!basi) {
            vista_.Concluso();
            return;
        }
    }
    TImprontaSpedizione impronta;
    const auto motivi = Esclusioni(voci, ripresa, prova, basi, impronta);
    if (!motivi) {
        vista_.Concluso();
        return;
    }
    std::vector<std::size_t> righe;
    for (std::size_t i = 0; i < voci.size(); ++i)
        if ((*motivi)[i] == TMotivoEsclusione::Nessuno) righe.push_back(i);
    const std::string fuori = TestoFuori(*motivi);
    if (righe.empty()) {
        boxes_.ShowInfo(fuori + "\rNessun destinatario da servire: invio annullato.");
        vista_.Concluso();
        return;
    }
    // A test message goes at the user's click; every run asks first.
    if (!prova && boxes_.Ask((fuori.empty() ? "" : fuori + "\r") + DomandaInvio(righe.size())) !=
                      TConfirmAnswer::Yes) {
        vista_.Concluso();
        return;
    }
    try {
        TRegistroInvii* registro = Registro();
        opzioni_.Registro = registro;
        if (registro && ripresa) {
            registro->Prendi(opzioni_.Spedizione);
            for (std::size_t i = 0; i < voci.size(); ++i)
                if ((*motivi)[i] != TMotivoEsclusione::Nessuno)
                    registro->Escludi(opzioni_.Spedizione, opzioni_.Posizioni.at(i), (*motivi)[i]);
        } else {
            opzioni_.Posizioni.clear();
            opzioni_.MessageId.clear();
            opzioni_.Spedizione = 0;
            if (registro) {
                opzioni_.Spedizione = registro->NuovaSpedizione(
                    {AccountInvio(dati), dati.Mittente, dati.Oggetto, dati.Righe}, voci, campi,
                    *motivi, impronta);
                for (std::size_t i = 0; i < voci.size(); ++i) opzioni_.Posizioni.push_back(i);
            }
        }
        // The proof goes by journal position: a resumed list holds only some of them.
        if (basi)
            for (TBaseVoce& b : basi->Voci)
                if (b.Posizione < opzioni_.Posizioni.size())
                    b.Posizione = opzioni_.Posizioni[b.Posizione];
        if (basi && !RegistraBasiInvio(boxes_, opzioni_.Spedizione, *basi, fonti_.NonInviare)) {
            vista_.Concluso();
            return;
        }
        allegati_.Registra(registro, opzioni_.Spedizione, opzioni_.Posizioni);
        ImpostaCadenza(opzioni_, Account(), registro, AccountInvio(dati), &ferma_);
    } catch (const std::exception& e) {
        // Without its journal a run could send duplicates later: none starts.
        boxes_.ShowError(e.what());
        vista_.Concluso();
        return;
    }
    // The run sends the rows kept, each at its journal position with the
    // Message-ID it had.
    elenco_.clear();
    for (std::size_t i = 0; i < voci.size(); ++i)
        elenco_.push_back({voci[i], i < campi.size() ? campi[i] : TCampiContatto{}});
    posizioniRighe_ = opzioni_.Posizioni;
    motivi_ = *motivi;
    righe_ = righe;
    voci_.clear();
    std::vector<std::size_t> posizioni;
    std::vector<std::string> ids;
    for (std::size_t r : righe_) {
        voci_.push_back(voci[r]);
        if (!posizioniRighe_.empty()) posizioni.push_back(posizioniRighe_[r]);
        ids.push_back(r < opzioni_.MessageId.size() ? opzioni_.MessageId[r] : std::string());
    }
    opzioni_.Posizioni = std::move(posizioni);
    opzioni_.MessageId = std::move(ids);
    if (attendi_) opzioni_.Attendi = attendi_;
    opzioni_.IdPerVoce = true;
    vociRipresa_.clear();
    prova_ = prova;
    ferma_ = false;
    opzioni_.Interrompi = &ferma_;
    opzioni_.Cadenza->AvvisoAttesa = [this](const std::string& testo) {
        Avvisa([&] { vista_.MostraOperazione(testo); });
    };
    // One recipient: a range of 0 ... 0 would draw a busy bar, not a full one.
    vista_.MostraInizio(std::max(static_cast<int>(voci_.size()) - 1, 1),
                        opzioni_.Cadenza->TestoAvanzamento(0, voci_.size()));
    lavoro_ = std::thread([this] { Esegui(); });
}

void TControlloInvio::Esegui() {
    TAvvisiInvio avvisi;
    avvisi.Inizio = [this](std::size_t, const std::string& voce) {
        Avvisa([&] { vista_.MostraOperazione("Sto Spedendo " + voce); });
    };
    avvisi.Componi = [this](std::size_t i, TIdMessage& message) {
        unione_->Applica(righe_[i], message);
        allegati_.Applica(righe_[i], message);
    };
    avvisi.Fatto = [this](std::size_t fatti) {
        const std::string testo = opzioni_.Cadenza->TestoAvanzamento(fatti, voci_.size());
        Avvisa([&] {
            vista_.MostraAvanzamento(voci_.size() == 1 ? 1 : static_cast<int>(fatti), testo);
        });
    };
    try {
        esito_ = EseguiInvio(smtp_, message_, voci_, avvisi, opzioni_);
    } catch (const std::exception& e) {
        // The journal failed: the run stops where it was.
        esito_ = {};
        esito_.Interrotto = true;
        esito_.Falliti.push_back({0, "", e.what()});
    }
    Avvisa([&] { vista_.InvioTerminato(); });
}

std::vector<TStatoVoce> TControlloInvio::StatiRighe() const {
    std::vector<TStatoVoce> stati(elenco_.size(), TStatoVoce::DaInviare);
    if (opzioni_.Registro && opzioni_.Spedizione != 0) {
        const auto voci = opzioni_.Registro->Voci(opzioni_.Spedizione);
        for (std::size_t r = 0; r < stati.size() && r < posizioniRighe_.size(); ++r) {
            const TStatoVoce stato = voci.at(posizioniRighe_[r]).Stato;
            // Left "in corso" by a run that is over: the server may have it.
            stati[r] = stato == TStatoVoce::InCorso ? TStatoVoce::Incerto : stato;
        }
        return stati;
    }
    for (std::size_t r = 0; r < stati.size(); ++r)
        if (motivi_[r] != TMotivoEsclusione::Nessuno) stati[r] = TStatoVoce::Escluso;
    const TEsitoInvio& esito = ultimo_;
    if (!esito.Interrotto)
        for (std::size_t r : righe_) stati[r] = TStatoVoce::Inviato;
    const auto segna = [&](std::size_t i, TStatoVoce stato) {
        if (i < righe_.size()) stati[righe_[i]] = stato;
    };
    for (const auto& f : esito.Falliti) segna(f.Indice, TStatoVoce::Fallito);
    for (const auto& f : esito.Rinviati) segna(f.Indice, TStatoVoce::Rinviato);
    for (const auto& f : esito.Incerti) segna(f.Indice, TStatoVoce::Incerto);
    for (std::size_t i : esito.Esclusi) segna(i, TStatoVoce::Escluso);
    for (const auto& s : esito.Saltati) segna(s.Indice, TStatoVoce::Escluso);
    return stati;
}

void TControlloInvio::ElencoDopo(const TEsitoInvio& esito, const std::vector<TStatoVoce>& stati) {
    TRegistroInvii* registro = opzioni_.Registro;
    if (esito.Interrotto) {
        if (!registro || opzioni_.Spedizione == 0) return;
        // What is left becomes the list, and the next click goes on with it.
        const auto tutte = registro->Voci(opzioni_.Spedizione);
        std::vector<std::size_t> posizioni;
        for (const auto& v : tutte)
            if (DaSpedire(v.Stato)) posizioni.push_back(v.Posizione);
        if (posizioni.empty()) return;
        opzioni_.Posizioni = posizioni;
        opzioni_.MessageId = IdAlle(tutte, posizioni);
        const auto voci = VociAlle(tutte, posizioni);
        vociRipresa_ = Testi(voci);
        vista_.MostraVoci(voci);
        return;
    }
    std::vector<TVoceElenco> falliti;
    for (std::size_t r = 0; r < stati.size(); ++r)
        if (stati[r] == TStatoVoce::Fallito) falliti.push_back(elenco_[r]);
    const std::string altrimenti =
        falliti.empty() ? " (No: resta com'è, con lo stato di ciascuno)"
                        : " (No: restano solo i " + std::to_string(falliti.size()) + " falliti)";
    if (boxes_.Ask("Svuotare l'elenco dei destinatari?" + altrimenti) == TConfirmAnswer::Yes) {
        vista_.MostraVoci({});
    } else if (!falliti.empty()) {
        vista_.MostraVoci(falliti);
        vista_.SegnaStati(std::vector<TStatoVoce>(falliti.size(), TStatoVoce::Fallito));
    }
}

void TControlloInvio::Concludi() {
    if (!lavoro_.joinable()) return;
    lavoro_.join();
    vista_.MostraFine();
    ultimo_ = std::move(esito_);
    esito_ = {};
    const TEsitoInvio& esito = ultimo_;
    std::size_t restano = 0;
    std::vector<TStatoVoce> stati;
    RunGuarded(boxes_, [&] {
        if (opzioni_.Registro && opzioni_.Spedizione != 0) {
            // Another process may take the rest up now.
            opzioni_.Registro->Rilascia(opzioni_.Spedizione);
            if (esito.Interrotto)
                restano = opzioni_.Registro->Spedizione(opzioni_.Spedizione).DaFare;
        }
        stati = StatiRighe();
    });
    stati.resize(elenco_.size(), TStatoVoce::DaInviare);
    if (!esito.MotivoInterruzione.empty()) boxes_.ShowError(esito.MotivoInterruzione);
    const std::string riepilogo = RiepilogoInvio(esito, restano);
    if (prova_) {
        // The test message's one entry is no row of the list.
        if (!riepilogo.empty()) boxes_.ShowInfo(riepilogo);
        // A test send that said nothing would leave the user guessing.
        if (esito.Inviati > 0)
            boxes_.ShowInfo("Messaggio di prova inviato a " + voci_.front() + ".");
    } else {
        vista_.SegnaStati(stati);
        if (!esito.Falliti.empty() && opzioni_.Registro) vista_.MostraReinvia(true);
        const auto quanti = [&stati](TStatoVoce stato) {
            return static_cast<std::size_t>(std::count(stati.begin(), stati.end(), stato));
        };
        boxes_.ShowInfo(
            TestoConteggi(esito.Inviati, quanti(TStatoVoce::Escluso), quanti(TStatoVoce::Fallito)) +
            (riepilogo.empty() ? "" : "\r" + riepilogo));
    }
    opzioni_.Posizioni.clear();
    opzioni_.MessageId.clear();
    if (!prova_) RunGuarded(boxes_, [&] { ElencoDopo(esito, stati); });
    prova_ = false;
    vista_.Concluso();
    if (chiudiAFine_) {
        chiudiAFine_ = false;
        vista_.Chiudi();
    }
}

std::function<TFormeMessaggio(std::size_t)> TControlloInvio::Anteprima(
    const TDatiInvio& testi, const std::vector<std::string>& voci,
    const std::vector<TCampiContatto>& campiContatti) {
    if (InCorso()) return {};
    std::vector<TCampiContatto> campi = CampiConRegistro(voci, campiContatti, fonti_.NonInviare);
    if (voci.empty()) {
        boxes_.ShowInfo("Aggiungere almeno un indirizzo per vedere l'anteprima.");
        return {};
    }
    // A copy of client and message: the preview changes nothing of the next run.
    auto base = std::make_shared<TIdMessage>(message_);
    std::optional<TUnioneInvio> unione;
    TDatiInvio dati;
    try {
        dati = DatiInvio(testi);
        TIdSMTP prova;
        PreparaInvio(prova, *base, dati, limiti_);
        unione = UnionePerInvio(boxes_, dati.Oggetto, dati.Righe,
                                fonti_.PiePagina ? fonti_.PiePagina() : LeggiPiePagina(), campi);
    } catch (const std::exception& e) {
        boxes_.ShowError(e.what());
        return {};
    }
    if (!unione) return {};
    return [base, unione = *unione, voci, campi, scelta = dati.Allegati,
            massimo = dati.DimensioneMassima](std::size_t i) {
        TIdMessage message = *base;
        unione.Applica(i, message);
        try {
            message.Recipients().SetListText(voci[i]);
            const std::string allegati = AllegatiAnteprima(
                scelta, i < campi.size() ? campi[i] : TCampiContatto{}, massimo, message);
            TFormeMessaggio forme;
            forme.SulFilo = BytesSulFilo(message);
            forme.Leggibile = TestoLeggibile(message) + allegati;
            return forme;
        } catch (const std::exception& e) {
            const std::string motivo = std::string("Questo messaggio non partirebbe: ") + e.what();
            return TFormeMessaggio{motivo, motivo};
        }
    };
}

}  // namespace brivano
