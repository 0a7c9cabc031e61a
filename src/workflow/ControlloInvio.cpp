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
#include "workflow/ControlliInvio.h"
#include "workflow/Destinatari.h"
#include "workflow/ImpostazioniInvio.h"
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
        const TSpedizioneRegistrata spedizione = registro->Spedizione(*aperta);
        if (boxes_.Ask(DomandaRipresa(spedizione)) != TConfirmAnswer::Yes) return;
        const bool ancheIncerti =
            spedizione.Incerte > 0 &&
            boxes_.Ask(DomandaIncerti(spedizione.Incerte)) == TConfirmAnswer::Yes;
        opzioni_.Spedizione = *aperta;
        opzioni_.Posizioni = registro->Riprendi(*aperta, ancheIncerti);
        const auto tutte = registro->Voci(*aperta);
        opzioni_.MessageId = IdAlle(tutte, opzioni_.Posizioni);
        const auto voci = VociAlle(tutte, opzioni_.Posizioni);
        vista_.MostraTesti(DatiDaSpedizione(spedizione));
        vociRipresa_ = Testi(voci);
        vista_.MostraVoci(voci);
    });
}

bool TControlloInvio::PreparaReinvio() {
    if (InCorso() || opzioni_.Spedizione == 0) return false;
    RunGuarded(boxes_, [this] {
        TRegistroInvii* registro = Registro();
        if (!registro) return;
        const auto tutte = registro->Voci(opzioni_.Spedizione);
        opzioni_.Posizioni = registro->ReinviaFalliti(opzioni_.Spedizione);
        opzioni_.MessageId = IdAlle(tutte, opzioni_.Posizioni);
        const auto voci = VociAlle(tutte, opzioni_.Posizioni);
        vociRipresa_ = Testi(voci);
        vista_.MostraVoci(voci);
    });
    vista_.MostraReinvia(false);
    return true;
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
    dati.Porta = porta_;
    if (const auto account = Account()) {
        dati.Porta = account->Porta;
        dati.UseTLS = UseTLSPer(account->Sicurezza);
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
    AvviaVoci(testi, {testi.Mittente}, campi, true);
}

void TControlloInvio::AvviaVoci(const TDatiInvio& testi, std::vector<std::string> voci,
                                const std::vector<TCampiContatto>& campiContatti, bool prova) {
    if (InCorso()) return;
    const std::vector<TCampiContatto> campi =
        CampiConRegistro(voci, campiContatti, fonti_.NonInviare);
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
    // Every check comes before the first connection.
    unione_ = UnionePerInvio(boxes_, dati.Oggetto, dati.Righe, piePagina, campi);
    if (!unione_ || !ControlliPrimaDellInvio(boxes_, message_, *unione_, voci)) {
        vista_.Concluso();
        return;
    }
    esclusi_.clear();
    try {
        // Read here, on the caller's thread: the run only looks the answers up.
        const std::filesystem::path percorso = fonti_.NonInviare();
        if (!percorso.empty()) {
            const TNonInviare nonInviare(percorso);
            for (const std::string& voce : voci) esclusi_.push_back(VoceEsclusa(nonInviare, voce));
        }
    } catch (const std::exception& e) {
        boxes_.ShowError(std::string(e.what()) +
                         "\rInvio annullato: l'elenco non inviare non si legge");
        vista_.Concluso();
        return;
    }
    esclusi_.resize(voci.size(), false);
    if (voci.empty()) {
        vista_.Concluso();
        return;
    }
    // A promotional run reaches only the addresses whose basis allows it.
    std::optional<TBasiInvio> basi;
    if (!prova) {
        basi = BasiPrimaDellInvio(boxes_, dati.Oggetto, voci, piePagina, fonti_.NonInviare);
        if (!basi) {
            vista_.Concluso();
            return;
        }
        for (const TBaseVoce& b : basi->Voci)
            if (b.Esclusa) esclusi_[b.Posizione] = true;
    }
    try {
        TRegistroInvii* registro = Registro();
        opzioni_.Registro = registro;
        // The list still holds the entries of a resume (or a resend): the
        // journal's run goes on; anything else is a new run.
        if (!registro || opzioni_.Spedizione == 0 || voci != vociRipresa_) {
            opzioni_.Posizioni.clear();
            opzioni_.MessageId.clear();
            opzioni_.Spedizione =
                registro ? registro->NuovaSpedizione(
                               {AccountInvio(dati), dati.Mittente, dati.Oggetto, dati.Righe}, voci,
                               campi)
                         : 0;
        }
        if (basi && !RegistraBasiInvio(boxes_, opzioni_.Spedizione, *basi, fonti_.NonInviare)) {
            vista_.Concluso();
            return;
        }
        ImpostaCadenza(opzioni_, Account(), registro, AccountInvio(dati), &ferma_);
    } catch (const std::exception& e) {
        // Without its journal a run could send duplicates later: none starts.
        boxes_.ShowError(e.what());
        vista_.Concluso();
        return;
    }
    if (attendi_) opzioni_.Attendi = attendi_;
    opzioni_.IdPerVoce = true;
    vociRipresa_.clear();
    voci_ = std::move(voci);
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
    avvisi.Escluso = [this](std::size_t indice, const std::string&) { return esclusi_[indice]; };
    avvisi.Inizio = [this](std::size_t, const std::string& voce) {
        Avvisa([&] { vista_.MostraOperazione("Sto Spedendo " + voce); });
    };
    avvisi.Componi = [this](std::size_t i, TIdMessage& message) { unione_->Applica(i, message); };
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

void TControlloInvio::Concludi() {
    if (!lavoro_.joinable()) return;
    lavoro_.join();
    vista_.MostraFine();
    ultimo_ = std::move(esito_);
    esito_ = {};
    const TEsitoInvio& esito = ultimo_;
    std::size_t restano = 0;
    if (esito.Interrotto && opzioni_.Registro && opzioni_.Spedizione != 0)
        RunGuarded(boxes_,
                   [&] { restano = opzioni_.Registro->Spedizione(opzioni_.Spedizione).DaFare; });
    if (!esito.MotivoInterruzione.empty()) boxes_.ShowError(esito.MotivoInterruzione);
    if (!esito.Esclusi.empty()) boxes_.ShowInfo(TestoEsclusi(esito.Esclusi.size()));
    if (!esito.Falliti.empty()) {
        std::vector<std::size_t> posizioni;
        for (const auto& f : esito.Falliti) posizioni.push_back(f.Indice);
        vista_.SegnaFalliti(posizioni);
        if (opzioni_.Registro) vista_.MostraReinvia(true);
    }
    const std::string riepilogo = RiepilogoInvio(esito, restano);
    if (!riepilogo.empty()) boxes_.ShowInfo(riepilogo);
    // A successful run says nothing; a test send that said nothing would
    // leave the user guessing whether it went.
    if (prova_ && esito.Inviati > 0)
        boxes_.ShowInfo("Messaggio di prova inviato a " + voci_.front() + ".");
    prova_ = false;
    opzioni_.Posizioni.clear();
    opzioni_.MessageId.clear();
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
    const std::vector<TCampiContatto> campi =
        CampiConRegistro(voci, campiContatti, fonti_.NonInviare);
    if (voci.empty()) {
        boxes_.ShowInfo("Aggiungere almeno un indirizzo per vedere l'anteprima.");
        return {};
    }
    // A copy of client and message: the preview changes nothing of the next run.
    auto base = std::make_shared<TIdMessage>(message_);
    std::optional<TUnioneInvio> unione;
    try {
        const TDatiInvio dati = DatiInvio(testi);
        TIdSMTP prova;
        PreparaInvio(prova, *base, dati, limiti_);
        unione = UnionePerInvio(boxes_, dati.Oggetto, dati.Righe,
                                fonti_.PiePagina ? fonti_.PiePagina() : LeggiPiePagina(), campi);
    } catch (const std::exception& e) {
        boxes_.ShowError(e.what());
        return {};
    }
    if (!unione) return {};
    return [base, unione = *unione, voci](std::size_t i) {
        TIdMessage message = *base;
        unione.Applica(i, message);
        try {
            message.Recipients().SetListText(voci[i]);
            TFormeMessaggio forme;
            forme.SulFilo = BytesSulFilo(message);
            forme.Leggibile = TestoLeggibile(message);
            return forme;
        } catch (const std::exception& e) {
            const std::string motivo = std::string("Questo messaggio non partirebbe: ") + e.what();
            return TFormeMessaggio{motivo, motivo};
        }
    };
}

}  // namespace brivano
