#include "tools/InvioCli.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <stdexcept>

#include "keyring/PortachiaviSegreti.h"
#include "mailing/IdMessage.h"
#include "smtp/IdSMTP.h"
#include "tools/ArchivioRigaComando.h"
#include "tools/VistaTerminale.h"
#include "workflow/AllegatiRegistro.h"
#include "workflow/ContattiArchivio.h"
#include "workflow/ControlloInvio.h"
#include "workflow/ImpostazioniInvio.h"
#include "workflow/Programmati.h"
#include "workflow/RegistroInvii.h"
#include "workflow/RipresaInvio.h"
#include "workflow/Segmenti.h"

namespace brivano {

namespace {

constexpr const char* kAiuto =
    "Uso: brivano-invio COMANDO [ARGOMENTI]\n"
    "Invii di Brivano senza finestre, con lo stesso registro, account e portachiavi.\n"
    "\n"
    "Comandi:\n"
    "  elenco\n"
    "      gli invii del registro (numero, data, stato, inviati su voci, oggetto)\n"
    "      e quelli programmati\n"
    "  mostra N\n"
    "      le voci dell'invio N con stato, risposta del server e allegati\n"
    "  riprendi N [--anche-incerti]\n"
    "      continua l'invio N con le voci ancora da inviare (e quelle incerte)\n"
    "  reinvia-falliti N\n"
    "      manda di nuovo l'invio N alle voci fallite\n"
    "  invia --oggetto TESTO --testo FILE (--a FILE | --segmento NOME)\n"
    "        [--allegato FILE]...\n"
    "        [--allegato-per-destinatario MODELLO] [--alle \"AAAA-MM-GG HH:MM\"]\n"
    "      un invio nuovo: il testo sono le righe del FILE (al massimo 8), i\n"
    "      destinatari una riga ciascuno del file --a, \"indirizzo\" oppure\n"
    "      \"indirizzo<TAB>Campo=valore<TAB>...\" per i campi unione, oppure i\n"
    "      contatti dell'anno di lavoro nel segmento salvato NOME; --allegato\n"
    "      va a ogni messaggio, il MODELLO (es. fatture/{{Ragione_Sociale}}.pdf)\n"
    "      dà il file di ciascuno; con --alle l'invio è programmato per quell'ora\n"
    "  esegui-programmati\n"
    "      avvia gli invii programmati giunti all'ora (e riprende quelli\n"
    "      interrotti); un invio è preso da un solo processo alla volta\n"
    "\n"
    "  -h, --help      mostra questo aiuto ed esce\n"
    "  -v, --version   mostra la versione ed esce\n"
    "\n"
    "L'avanzamento va sullo standard error (una barra se è un terminale). Le\n"
    "domande che la finestra farebbe sono scritte e hanno risposta sì: partono\n"
    "le voci che possono partire, lo stato d'uscita dice se ne è rimasta fuori\n"
    "qualcuna.\n"
    "\n"
    "Stato d'uscita: 0 ogni voce è partita (o nulla era da fare); 1 errore prima\n"
    "di ogni invio; 2 argomenti errati; 3 invio concluso con voci non partite.\n";

struct TRichiesta {
    std::string comando;
    std::int64_t numero = 0;
    bool ancheIncerti = false;
    std::string oggetto;
    std::optional<std::string> testo, a, segmento, alle;
    std::vector<std::string> allegati;
    std::string modello;
};

std::int64_t Numero(const std::string& testo) {
    std::size_t fine = 0;
    long long n = 0;
    try {
        n = std::stoll(testo, &fine);
    } catch (const std::exception&) {
        fine = 0;
    }
    if (fine != testo.size() || n <= 0) throw EUso("numero di invio non valido: " + testo);
    return n;
}

TRichiesta LeggiRichiesta(const std::vector<std::string>& args) {
    TRichiesta r;
    r.comando = args[0];
    std::vector<std::string> liberi;
    const auto valore = [&](std::size_t& i) -> const std::string& {
        if (i + 1 >= args.size()) throw EUso(args[i] + " vuole un valore");
        return args[++i];
    };
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--oggetto")
            r.oggetto = valore(i);
        else if (a == "--testo")
            r.testo = valore(i);
        else if (a == "--a")
            r.a = valore(i);
        else if (a == "--segmento")
            r.segmento = valore(i);
        else if (a == "--alle")
            r.alle = valore(i);
        else if (a == "--allegato")
            r.allegati.push_back(valore(i));
        else if (a == "--allegato-per-destinatario")
            r.modello = valore(i);
        else if (a == "--anche-incerti")
            r.ancheIncerti = true;
        else if (a.rfind("--", 0) == 0)
            throw EUso("opzione sconosciuta: " + a);
        else
            liberi.push_back(a);
    }
    const bool conNumero =
        r.comando == "mostra" || r.comando == "riprendi" || r.comando == "reinvia-falliti";
    if (conNumero) {
        if (liberi.size() != 1) throw EUso(r.comando + " vuole il numero di un invio");
        r.numero = Numero(liberi[0]);
    } else if (r.comando == "elenco" || r.comando == "esegui-programmati" || r.comando == "invia") {
        if (!liberi.empty()) throw EUso("argomento in più: " + liberi[0]);
    } else {
        throw EUso("comando sconosciuto: " + r.comando);
    }
    const bool opzioniInvia = !r.oggetto.empty() || r.testo || r.a || r.segmento || r.alle ||
                              !r.allegati.empty() || !r.modello.empty();
    if (r.comando != "invia" && opzioniInvia) throw EUso("queste opzioni valgono solo per invia");
    if (r.ancheIncerti && r.comando != "riprendi")
        throw EUso("--anche-incerti vale solo per riprendi");
    if (r.comando == "invia" && (!r.testo || r.a.has_value() == r.segmento.has_value()))
        throw EUso("invia vuole --testo FILE e uno tra --a FILE e --segmento NOME");
    return r;
}

std::vector<std::string> RigheDelFile(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("Impossibile leggere " + file);
    std::vector<std::string> righe;
    for (std::string riga; std::getline(in, riga) && righe.size() <= 100000;) {
        if (!riga.empty() && riga.back() == '\r') riga.pop_back();
        righe.push_back(riga);
    }
    return righe;
}

// The run's journal, or an error saying the program has not been set up.
std::unique_ptr<TRegistroInvii> Registro() {
    auto registro = ApriRegistroInvii();
    if (!registro)
        throw std::runtime_error(
            "La cartella dei dati non è configurata: avviare prima Brivano una volta.");
    return registro;
}

std::string Riempi(std::string testo, std::size_t larghezza) {
    if (testo.size() < larghezza) testo.resize(larghezza, ' ');
    return testo;
}

int Elenco(std::ostream& out) {
    const auto registro = Registro();
    for (const auto& s : registro->Spedizioni()) {
        const std::string stato =
            s.Finita() ? "concluso" : (s.Incerte > 0 ? "incerto" : "da riprendere");
        out << Riempi(std::to_string(s.Id), 6) << s.Creata << "  " << Riempi(stato, 14) << s.Inviate
            << "/" << s.Voci << "  " << s.Dati.Oggetto << '\n';
    }
    for (const auto& p : TProgrammati(registro->File()).Elenco()) {
        if (p.Stato == TStatoProgrammato::Avviato) continue;
        out << Riempi("P" + std::to_string(p.Id), 6) << TestoIstante(p.Alle) << "     "
            << Riempi(p.Stato == TStatoProgrammato::InAttesa ? "programmato" : "annullato", 14)
            << "-  " << p.Testi.Oggetto << '\n';
    }
    return 0;
}

int Mostra(std::int64_t numero, std::ostream& out) {
    const auto registro = Registro();
    const TSpedizioneRegistrata s = registro->Spedizione(numero);
    out << "Invio " << s.Id << " del " << s.Creata << " UTC\nOggetto: " << s.Dati.Oggetto
        << "\nMittente: " << s.Dati.Mittente << "\nAccount: " << s.Dati.Account << '\n';
    const TAllegatiRegistrati allegati(registro->File());
    for (const auto& v : registro->Voci(numero)) {
        out << Riempi(std::to_string(v.Posizione + 1), 5) << Riempi(v.Voce, 32) << ' '
            << Riempi(NomeStato(v.Stato), 11);
        if (v.Codice != 0) out << ' ' << v.Codice;
        if (!v.Risposta.empty()) out << ' ' << v.Risposta;
        out << '\n';
        for (const auto& f : allegati.File(numero, v.Posizione))
            out << "       " << f.Nome << " (" << f.Dimensione << " byte, SHA-256 " << f.Sha256
                << ")\n";
    }
    return 0;
}

// One controller with the saved account and its password.
class TCorsa {
  public:
    TCorsa(std::ostream& err, bool terminale)
        : boxes_(err), vista_(err, terminale), impostazioni_(portachiavi_) {
        caricato_ = impostazioni_.Carica();
        if (!caricato_.Salvato)
            throw std::runtime_error(
                "Nessun account di spedizione salvato: impostarlo in Brivano (Impostazioni "
                "Invio).");
        if (!caricato_.AvvisoPortachiavi.empty()) boxes_.ShowInfo(caricato_.AvvisoPortachiavi);
        controllo_ = std::make_unique<TControlloInvio>(smtp_, message_, boxes_, vista_);
        controllo_->SetImpostazioni(&impostazioni_);
    }

    TControlloInvio& Controllo() { return *controllo_; }
    // Whether entries left uncertain ("in corso") are sent again on resume.
    void AncheIncerti(bool si) { boxes_.ancheIncerti = si; }
    TVistaTerminale& Vista() { return vista_; }

    // Sends the entries (with the account's host, sender and password where
    // the texts have none) and waits for the end: the exit status.
    int Invia(TDatiInvio testi, const std::vector<std::string>& voci,
              const std::vector<TCampiContatto>& campi,
              const std::function<void(std::int64_t)>& avviato = {}) {
        if (testi.Host.empty()) testi.Host = caricato_.Account.Host;
        if (testi.Mittente.empty()) testi.Mittente = caricato_.Account.Mittente;
        testi.Password = caricato_.Password;
        controllo_->Avvia(testi, voci, campi);
        if (!controllo_->InCorso()) return UscitaErrore;
        if (avviato) avviato(controllo_->Spedizione());
        vista_.AttendiTermine();
        controllo_->Concludi();
        const TEsitoInvio& esito = controllo_->UltimoEsito();
        bool tutte = esito.Inviati == voci.size() && esito.Falliti.empty() &&
                     esito.Rinviati.empty() && esito.Incerti.empty() && !esito.Interrotto &&
                     esito.Esclusi.empty();
        // A resume sends only part of its run: what an earlier part left
        // uncertain or failed has not gone either.
        if (tutte && controllo_->Spedizione() != 0) {
            const auto s = Registro()->Spedizione(controllo_->Spedizione());
            tutte = s.Inviate == s.Voci;
        }
        return tutte ? 0 : UscitaInvioIncompleto;
    }

    // A run the journal readied (resume or resend): what the view was shown.
    int InviaPronta() {
        if (!vista_.testi) return UscitaErrore;
        std::vector<std::string> voci;
        std::vector<TCampiContatto> campi;
        for (const auto& v : vista_.voci) {
            voci.push_back(v.Voce);
            campi.push_back(v.Campi);
        }
        return Invia(*vista_.testi, voci, campi);
    }

  private:
    TRisposteTerminale boxes_;
    TVistaTerminale vista_;
    TPortachiaviSegreti portachiavi_;
    TImpostazioniInvio impostazioni_;
    TAccountCaricato caricato_;
    TIdSMTP smtp_;
    TIdMessage message_;
    std::unique_ptr<TControlloInvio> controllo_;
};

TDatiInvio TestiDaRichiesta(const TRichiesta& r) {
    TDatiInvio testi;
    testi.Oggetto = r.oggetto;
    const auto righe = RigheDelFile(*r.testo);
    if (righe.size() > testi.Righe.size())
        throw std::runtime_error("Il testo ha " + std::to_string(righe.size()) +
                                 " righe: il messaggio ne porta al massimo " +
                                 std::to_string(testi.Righe.size()) + ".");
    for (std::size_t n = 0; n < righe.size(); ++n) testi.Righe[n] = righe[n];
    for (const auto& f : r.allegati)
        testi.Allegati.Comuni.push_back(std::filesystem::absolute(f).string());
    testi.Allegati.Modello = r.modello;
    testi.Allegati.Cartella = std::filesystem::current_path().string();
    return testi;
}

void VociDaFile(const std::string& file, std::vector<std::string>& voci,
                std::vector<TCampiContatto>& campi) {
    for (const std::string& riga : RigheDelFile(file)) {
        if (riga.find_first_not_of(" \t") == std::string::npos) continue;
        std::size_t tab = riga.find('\t');
        voci.push_back(riga.substr(0, tab));
        TCampiContatto campiVoce;
        while (tab != std::string::npos) {
            const std::size_t inizio = tab + 1;
            tab = riga.find('\t', inizio);
            const std::string coppia = riga.substr(inizio, tab - inizio);
            const std::size_t uguale = coppia.find('=');
            const auto nome = uguale == std::string::npos ? std::nullopt
                                                          : CampoCanonico(coppia.substr(0, uguale));
            if (!nome)
                throw std::runtime_error("Campo non valido nella riga di " + voci.back() + ": «" +
                                         coppia + "» (si scrive Campo=valore con un campo tra " +
                                         "Ragione_Sociale, Tipo, Citta, Cap, EMail, Sito).");
            campiVoce[*nome] = coppia.substr(uguale + 1);
        }
        campi.push_back(std::move(campiVoce));
    }
    if (voci.empty()) throw std::runtime_error("Nessun destinatario in " + file + ".");
}

// The working year's contacts of the saved segment `nome` that have an
// address, with their fields; the archive found as brivano-rubrica finds it.
void VociDaSegmento(const std::string& nome, std::ostream& err, std::vector<std::string>& voci,
                    std::vector<TCampiContatto>& campi) {
    std::error_code ec;
    const std::filesystem::path eseguibile = std::filesystem::read_symlink("/proc/self/exe", ec);
    TArchivioRigaComando archivio(ec ? std::string("./") : eseguibile.parent_path().string() + "/",
                                  err);
    const std::vector<TContatto> contatti = LeggiContatti(*archivio.Rubrica(std::nullopt));
    for (const std::size_t i : ContattiDelSegmentoSalvato(nome, contatti)) {
        if (contatti[i][TCampo::EMail].empty()) continue;
        voci.push_back(contatti[i][TCampo::EMail]);
        TCampiContatto campiVoce;
        for (const TCampo campo : TuttiCampi)
            if (campo != TCampo::Note) campiVoce[NomeColonna(campo)] = contatti[i][campo];
        campi.push_back(std::move(campiVoce));
    }
    if (voci.empty())
        throw std::runtime_error("Il segmento " + nome +
                                 " non ha contatti con un indirizzo e-mail nell'anno di lavoro.");
}

int Invia(const TRichiesta& r, std::ostream& err, bool terminale) {
    TDatiInvio testi = TestiDaRichiesta(r);
    std::vector<std::string> voci;
    std::vector<TCampiContatto> campi;
    if (r.segmento)
        VociDaSegmento(*r.segmento, err, voci, campi);
    else
        VociDaFile(*r.a, voci, campi);
    if (r.alle) {
        const auto alle = IstanteDaTesto(*r.alle);
        if (!alle) throw EUso("--alle vuole data e ora locali come \"2026-12-24 09:30\"");
        TRisposteTerminale boxes(err);
        return ProgrammaInvio(boxes, Registro()->File(), testi, voci, campi, *alle,
                              std::chrono::system_clock::now())
                   ? 0
                   : UscitaErrore;
    }
    TCorsa corsa(err, terminale);
    return corsa.Invia(testi, voci, campi);
}

int Riprendi(const TRichiesta& r, std::ostream& err, bool terminale) {
    TCorsa corsa(err, terminale);
    corsa.AncheIncerti(r.ancheIncerti);
    const bool pronta = corsa.Controllo().PreparaRipresa(r.numero, r.comando != "riprendi");
    if (!pronta) {
        err << "brivano-invio: l'invio " << r.numero << " non ha voci "
            << (r.comando == "riprendi" ? "da inviare" : "fallite") << ".\n";
        return 0;
    }
    return corsa.InviaPronta();
}

int EseguiProgrammati(std::ostream& err, bool terminale) {
    const auto registro = Registro();
    TProgrammati programmati(registro->File());
    programmati.RecuperaAbbandonati();
    int uscita = 0;
    const auto peggiore = [&](int u) {
        if (u != 0 && uscita != UscitaErrore) uscita = u;
    };
    std::unique_ptr<TCorsa> corsa;
    for (std::int64_t id : programmati.Dovuti(std::chrono::system_clock::now())) {
        if (!programmati.Prendi(id, std::chrono::system_clock::now())) continue;
        const auto p = programmati.Leggi(id);
        if (!p) continue;
        err << "brivano-invio: invio programmato P" << id << " (" << TestoIstante(p->Alle)
            << "): " << p->Testi.Oggetto << '\n';
        if (!corsa) corsa = std::make_unique<TCorsa>(err, terminale);
        peggiore(corsa->Invia(p->Testi, p->Voci, p->Campi, [&](std::int64_t spedizione) {
            programmati.Avviato(id, spedizione);
        }));
    }
    // Runs a process started and left unfinished (it died, or its lease ran
    // out): the journal hands each to one process only.
    for (const auto& p : programmati.Elenco()) {
        if (p.Stato != TStatoProgrammato::Avviato || p.Spedizione == 0) continue;
        const TSpedizioneRegistrata s = registro->Spedizione(p.Spedizione);
        if (s.Finita() || s.DaFare == 0) continue;
        // A holder whose lease runs is at work on it (the journal would refuse).
        const auto titolare = registro->Titolare(p.Spedizione);
        const auto adessoMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  std::chrono::system_clock::now().time_since_epoch())
                                  .count();
        if (titolare && !titolare->Nostra && titolare->ScadenzaMs > adessoMs) continue;
        if (!corsa) corsa = std::make_unique<TCorsa>(err, terminale);
        if (corsa->Controllo().PreparaRipresa(p.Spedizione, false)) peggiore(corsa->InviaPronta());
    }
    return uscita;
}

}  // namespace

int EseguiInvioCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   bool terminale) {
    return AvviaRigaComando("brivano-invio", kAiuto, args, out, err, [&] {
        const TRichiesta r = LeggiRichiesta(args);
        if (r.comando == "elenco") return Elenco(out);
        if (r.comando == "mostra") return Mostra(r.numero, out);
        if (r.comando == "invia") return Invia(r, err, terminale);
        if (r.comando == "esegui-programmati") return EseguiProgrammati(err, terminale);
        return Riprendi(r, err, terminale);
    });
}

}  // namespace brivano
