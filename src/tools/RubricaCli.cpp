#include "tools/RubricaCli.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>
#include <stdexcept>

#include "archive/TableFile.h"
#include "keyring/PortachiaviSegreti.h"
#include "posta/ClassificaPosta.h"
#include "posta/EffettiPosta.h"
#include "posta/PostaMittente.h"
#include "text/Testo.h"
#include "tools/ArchivioRigaComando.h"
#include "workflow/ComandiContatti.h"
#include "workflow/ContattiArchivio.h"
#include "workflow/Duplicati.h"
#include "workflow/DuplicatiAnni.h"
#include "workflow/Esportazione.h"
#include "workflow/FormaIndirizzo.h"
#include "workflow/ImpostazioniInvio.h"
#include "workflow/NonInviare.h"
#include "workflow/RegistroContatti.h"
#include "workflow/RegistroInvii.h"
#include "workflow/ScambioRegistro.h"
#include "workflow/Segmenti.h"

namespace brivano {

namespace {

constexpr const char* kAiuto =
    "Uso: brivano-rubrica COMANDO [ARGOMENTI]\n"
    "Contatti della rubrica di Brivano ed elenco non inviare dalla riga di comando.\n"
    "\n"
    "Comandi:\n"
    "  importa FILE [--anno ANNO] [--aggiorna]\n"
    "      importa i contatti da un file CSV (separatore ; , o TAB; UTF-8 o\n"
    "      Windows-1252) o vCard (.vcf), tutti o nessuno; un contatto con un'e-mail\n"
    "      già presente resta com'era, con --aggiorna viene aggiornato; solo un\n"
    "      file normale di al massimo 256 MB; le colonne del registro (base\n"
    "      giuridica, fonte, P.IVA, codice fiscale, PEC, codice SDI, referente,\n"
    "      telefono, tag…) vanno nel registro dei contatti\n"
    "  esporta FILE.csv|FILE.vcf [--anno ANNO]\n"
    "      scrive tutti i contatti in CSV (UTF-8 con BOM, separatore ;) o vCard 4.0\n"
    "  elenco [--anno ANNO]\n"
    "      scrive i contatti in CSV sullo standard output, nell'ordine della rubrica\n"
    "  non-inviare aggiungi INDIRIZZO... | non-inviare aggiungi -\n"
    "      aggiunge indirizzi all'elenco non inviare (con - uno per riga dallo\n"
    "      standard input)\n"
    "  non-inviare elenco\n"
    "      scrive gli indirizzi dell'elenco non inviare, uno per riga\n"
    "  non-inviare togli INDIRIZZO...\n"
    "      toglie indirizzi dall'elenco non inviare\n"
    "  registro esporta FILE.csv|FILE.vcf\n"
    "      scrive il registro dei contatti (indirizzo, base giuridica, fonte, date\n"
    "      di raccolta e di opposizione, informativa, etichette, dati aziendali,\n"
    "      ultimo invio e numero di invii dal registro delle spedizioni)\n"
    "  registro importa FILE.csv|FILE.vcf\n"
    "      legge base giuridica, fonte, date, etichette, P.IVA, codice fiscale,\n"
    "      PEC, codice SDI, referente e telefono per indirizzo, tutte le righe o\n"
    "      nessuna\n"
    "  registro imposta INDIRIZZO [--base BASE] [--fonte TESTO] [--data DATA]\n"
    "                   [--informativa VERSIONE] [--etichette A,B]\n"
    "      scrive i dati di un indirizzo; BASE è consenso, cliente, contratto o\n"
    "      nessuna; DATA è AAAA-MM-GG o GG/MM/AAAA\n"
    "  registro etichette\n"
    "      scrive le etichette usate, ognuna con quanti contatti la portano\n"
    "  registro segmento NOME [--testo T] [--etichetta E] [--tipo T] [--citta C]\n"
    "                    [--base BASE] [--mesi N]\n"
    "      salva un segmento (un filtro con un nome; --mesi N: mai scritto da N\n"
    "      mesi); senza opzioni scrive gli indirizzi dei contatti dell'anno\n"
    "      (--anno ANNO) che ne fanno parte\n"
    "  registro segmenti\n"
    "      scrive i segmenti salvati, ognuno con il suo filtro\n"
    "  registro duplicati [--anno ANNO | --tutti-gli-anni]\n"
    "      scrive i gruppi di contatti dell'anno con la stessa e-mail, la stessa\n"
    "      P.IVA o la stessa ragione sociale (senza maiuscole, accenti,\n"
    "      punteggiatura e forma giuridica); con --tutti-gli-anni li cerca in\n"
    "      tutti gli anni e scrive gli anni di ogni contatto (solo da vedere: ogni\n"
    "      anno resta il suo archivio)\n"
    "  registro conservazione\n"
    "      scrive i contatti con base promozionale senza invii da 24 mesi, da\n"
    "      rivedere (il programma non cancella nulla)\n"
    "  posta esamina FILE.eml...\n"
    "      dice di ogni messaggio se è un rimbalzo (definitivo o temporaneo), una\n"
    "      richiesta \"Cancellami\", una risposta automatica o altro, con una riga\n"
    "      per indirizzo; non tocca né la casella né gli elenchi\n"
    "  posta controlla [--password-stdin]\n"
    "      legge i messaggi nuovi della casella del mittente (IMAP): i rimbalzi\n"
    "      segnano il registro e, se definitivi, mettono l'indirizzo nell'elenco\n"
    "      non inviare; le richieste \"Cancellami\" pure; gli elaborati vanno in\n"
    "      Brivano/Elaborati (o restano con una parola chiave). La password è\n"
    "      quella dell'account nel portachiavi, o la prima riga dello standard input\n"
    "  posta elenco\n"
    "      scrive le operazioni fatte dai controlli (numero, data, tipo,\n"
    "      indirizzo, invio, codice, cosa è stato fatto)\n"
    "  posta annulla NUMERO...\n"
    "      annulla operazioni dei controlli (l'indirizzo esce dall'elenco, la\n"
    "      voce torna \"inviato\")\n"
    "\n"
    "  -h, --help      mostra questo aiuto ed esce\n"
    "  -v, --version   mostra la versione ed esce\n"
    "\n"
    "Legge la configurazione del programma (stessa cartella dei dati, anno di\n"
    "lavoro e archivi); senza --anno vale l'anno di lavoro. Se la configurazione,\n"
    "la cartella dell'anno o gli archivi mancano, li prepara come il primo avvio\n"
    "del programma e lo dice sullo standard error.\n"
    "\n"
    "Stato d'uscita: 0 fatto; 1 errore, nulla cambiato; 2 argomenti errati;\n"
    "3 importazione fatta, ma alcune righe sono state lasciate fuori.\n";

enum class TComando { Importa, Esporta, Elenco, NonInviare, Registro, Posta };

// The options that set a field of the contact register, with their value.
constexpr const char* OpzioniRegistro[] = {"--base",      "--fonte", "--data",      "--informativa",
                                           "--etichette", "--testo", "--etichetta", "--tipo",
                                           "--citta",     "--mesi"};
// Which of them each action takes.
constexpr const char* OpzioniImposta = "--base --fonte --data --informativa --etichette";
constexpr const char* OpzioniSegmento = "--testo --etichetta --tipo --citta --base --mesi";

struct TRichiesta {
    TComando comando = TComando::Elenco;
    std::vector<std::string> argomenti;  // after the command (and the action for non-inviare)
    std::string azione;                  // non-inviare only
    std::optional<std::string> anno;
    bool aggiorna = false;
    bool tuttiGliAnni = false;                         // registro duplicati
    bool passwordDaIngresso = false;                   // posta controlla --password-stdin
    std::map<std::string, std::string> campiRegistro;  // registro imposta, by option
};

TComando ComandoDaNome(const std::string& nome) {
    if (nome == "importa") return TComando::Importa;
    if (nome == "esporta") return TComando::Esporta;
    if (nome == "elenco") return TComando::Elenco;
    if (nome == "non-inviare") return TComando::NonInviare;
    if (nome == "registro") return TComando::Registro;
    if (nome == "posta") return TComando::Posta;
    throw EUso("comando sconosciuto: " + nome);
}

bool EstensioneEsportazione(const std::filesystem::path& file) {
    std::string estensione = file.extension().string();
    std::transform(estensione.begin(), estensione.end(), estensione.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    return estensione == ".csv" || estensione == ".vcf" || estensione == ".vcard";
}

// Reads and checks the whole command line before anything is touched, so bad
// arguments never start a first start.
TRichiesta LeggiRichiesta(const std::vector<std::string>& args) {
    TRichiesta r;
    r.comando = ComandoDaNome(args[0]);
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--anno") {
            if (i + 1 >= args.size() || args[i + 1].empty()) throw EUso("--anno vuole un anno");
            r.anno = args[++i];
        } else if (args[i] == "--aggiorna") {
            r.aggiorna = true;
        } else if (args[i] == "--tutti-gli-anni") {
            r.tuttiGliAnni = true;
        } else if (args[i] == "--password-stdin") {
            r.passwordDaIngresso = true;
        } else if (std::find_if(std::begin(OpzioniRegistro), std::end(OpzioniRegistro),
                                [&](const char* o) { return args[i] == o; }) !=
                   std::end(OpzioniRegistro)) {
            if (i + 1 >= args.size()) throw EUso(args[i] + " vuole un valore");
            r.campiRegistro[args[i]] = args[i + 1];
            ++i;
        } else if (args[i].size() > 1 && args[i].rfind("--", 0) == 0) {
            throw EUso("opzione sconosciuta: " + args[i]);
        } else {
            r.argomenti.push_back(args[i]);
        }
    }
    if (r.aggiorna && r.comando != TComando::Importa)
        throw EUso("--aggiorna vale solo per importa");
    if (r.tuttiGliAnni && (r.comando != TComando::Registro || r.argomenti.empty() ||
                           r.argomenti[0] != "duplicati" || r.anno))
        throw EUso("--tutti-gli-anni vale solo per registro duplicati, senza --anno");
    if (!r.campiRegistro.empty()) {
        const std::string azione =
            r.comando == TComando::Registro && !r.argomenti.empty() ? r.argomenti[0] : "";
        const std::string ammesse = azione == "imposta"    ? OpzioniImposta
                                    : azione == "segmento" ? OpzioniSegmento
                                                           : "";
        for (const auto& [opzione, valore] : r.campiRegistro)
            if ((" " + ammesse + " ").find(" " + opzione + " ") == std::string::npos)
                throw EUso(opzione + " vale solo per registro imposta (" + OpzioniImposta +
                           ") o registro segmento (" + OpzioniSegmento + ")");
    }
    if (r.passwordDaIngresso &&
        (r.comando != TComando::Posta || r.argomenti.empty() || r.argomenti[0] != "controlla"))
        throw EUso("--password-stdin vale solo per posta controlla");
    switch (r.comando) {
        case TComando::Importa:
            if (r.argomenti.size() != 1) throw EUso("importa vuole un file");
            break;
        case TComando::Esporta:
            if (r.argomenti.size() != 1 || !EstensioneEsportazione(r.argomenti[0]))
                throw EUso("esporta vuole un file .csv o .vcf");
            break;
        case TComando::Elenco:
            if (!r.argomenti.empty()) throw EUso("elenco non vuole altri argomenti");
            break;
        case TComando::NonInviare:
            if (r.anno) throw EUso("l'elenco non inviare vale per tutti gli anni: niente --anno");
            if (r.argomenti.empty()) throw EUso("non-inviare vuole aggiungi, elenco o togli");
            r.azione = r.argomenti.front();
            r.argomenti.erase(r.argomenti.begin());
            if (r.azione == "elenco") {
                if (!r.argomenti.empty())
                    throw EUso("non-inviare elenco non vuole altri argomenti");
            } else if (r.azione == "aggiungi" || r.azione == "togli") {
                if (r.argomenti.empty())
                    throw EUso("non-inviare " + r.azione + " vuole almeno un indirizzo");
            } else {
                throw EUso("azione sconosciuta: non-inviare " + r.azione);
            }
            break;
        case TComando::Registro:
            if (r.argomenti.empty())
                throw EUso(
                    "registro vuole esporta, importa, imposta, etichette, segmenti, segmento o "
                    "conservazione");
            r.azione = r.argomenti.front();
            r.argomenti.erase(r.argomenti.begin());
            if (r.anno && r.azione != "segmento" && r.azione != "duplicati")
                throw EUso("il registro vale per tutti gli anni: niente --anno");
            if (r.azione == "esporta") {
                if (r.argomenti.size() != 1 || !EstensioneEsportazione(r.argomenti[0]))
                    throw EUso("registro esporta vuole un file .csv o .vcf");
            } else if (r.azione == "importa" || r.azione == "imposta") {
                if (r.argomenti.size() != 1)
                    throw EUso("registro " + r.azione +
                               (r.azione == "importa" ? " vuole un file" : " vuole un indirizzo"));
                if (r.azione == "imposta" && r.campiRegistro.empty())
                    throw EUso("registro imposta vuole almeno un campo (--base, --fonte, …)");
            } else if (r.azione == "etichette" || r.azione == "segmenti" ||
                       r.azione == "conservazione" || r.azione == "duplicati") {
                if (!r.argomenti.empty())
                    throw EUso("registro " + r.azione + " non vuole altri argomenti");
            } else if (r.azione == "segmento") {
                if (r.argomenti.size() != 1) throw EUso("registro segmento vuole un nome");
                if (r.anno && !r.campiRegistro.empty())
                    throw EUso("--anno vale solo per mostrare un segmento, non per salvarlo");
            } else {
                throw EUso("azione sconosciuta: registro " + r.azione);
            }
            break;
        case TComando::Posta:
            if (r.anno) throw EUso("la posta vale per tutti gli anni: niente --anno");
            if (r.argomenti.empty()) throw EUso("posta vuole esamina, controlla, elenco o annulla");
            r.azione = r.argomenti.front();
            r.argomenti.erase(r.argomenti.begin());
            if (r.azione == "esamina") {
                if (r.argomenti.empty()) throw EUso("posta esamina vuole almeno un file");
            } else if (r.azione == "controlla" || r.azione == "elenco") {
                if (!r.argomenti.empty())
                    throw EUso("posta " + r.azione + " non vuole altri argomenti");
            } else if (r.azione == "annulla") {
                if (r.argomenti.empty()) throw EUso("posta annulla vuole almeno un numero");
                for (const std::string& numero : r.argomenti)
                    if (numero.empty() ||
                        numero.find_first_not_of("0123456789") != std::string::npos)
                        throw EUso("posta annulla vuole numeri: " + numero);
            } else {
                throw EUso("azione sconosciuta: posta " + r.azione);
            }
            break;
    }
    return r;
}

int Importa(const TRichiesta& r, TArchivioRigaComando& archivio, std::ostream& out) {
    auto rubrica = archivio.Rubrica(r.anno);
    const TEsitoImportazione esito = ImportaFile(
        *rubrica, r.argomenti[0], r.aggiorna ? TDuplicati::Aggiorna : TDuplicati::Salta);
    out << ConRitorniACapo(TestoEsitoImportazione(esito)) << '\n';
    // Business columns and tags of the same file go to the contact register.
    const auto registro = ImportaRegistroDaFile(r.argomenti[0]);
    if (registro) out << TestoEsitoRegistro(*registro) << '\n';
    return esito.RigheScartate == 0 && (!registro || registro->Errori.empty())
               ? 0
               : UscitaRigheScartate;
}

int Esporta(const TRichiesta& r, TArchivioRigaComando& archivio, std::ostream& out) {
    const std::filesystem::path file = r.argomenti[0];
    out << TestoEsportati(EsportaContatti(*archivio.Rubrica(r.anno), file), file) << '\n';
    return 0;
}

int Elenco(const TRichiesta& r, TArchivioRigaComando& archivio, std::ostream& out) {
    // No byte order mark: the text goes to other commands, not to a spreadsheet.
    out << TestoCsv(LeggiContatti(*archivio.Rubrica(r.anno)), ';', false);
    return 0;
}

int NonInviare(const TRichiesta& r, std::istream& in, std::ostream& out, std::ostream& err) {
    TNonInviare elenco(PercorsoNonInviareConfigurato());
    if (r.azione == "elenco") {
        out << elenco.Testo();
        return 0;
    }
    if (r.azione == "aggiungi") {
        std::string righe;
        if (r.argomenti.size() == 1 && r.argomenti[0] == "-")
            righe.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        else
            for (const std::string& indirizzo : r.argomenti) righe += indirizzo + "\n";
        const TEsitoAggiunta esito = elenco.AggiungiTesto(righe);
        out << "Aggiunti " << esito.Aggiunti << ", già presenti " << esito.GiaPresenti << '\n';
        return 0;
    }
    int assenti = 0;
    for (const std::string& indirizzo : r.argomenti) {
        if (elenco.Togli(indirizzo)) {
            out << "Tolto: " << indirizzo << '\n';
        } else {
            err << "brivano-rubrica: non è nell'elenco: " << indirizzo << '\n';
            ++assenti;
        }
    }
    return assenti == 0 ? 0 : UscitaErrore;
}

// What the journal of the data root says per address; nothing where no run was
// ever made (no journal is created for it).
TInviiPerIndirizzo InviiDelGiornale(const std::filesystem::path& radice) {
    const std::filesystem::path giornale = TRegistroInvii::Percorso(radice);
    return std::filesystem::exists(giornale) ? InviiPerIndirizzo(TRegistroInvii(giornale))
                                             : TInviiPerIndirizzo{};
}

// Saves a segment from the options given, or lists the addresses of the
// working year's contacts it holds.
int Segmento(const TRichiesta& r, TArchivioRigaComando& archivio,
             const std::filesystem::path& radice, std::ostream& out) {
    TSegmenti segmenti(PercorsoRegistroContatti(radice));
    const std::string& nome = r.argomenti[0];
    if (r.campiRegistro.empty()) {
        const std::vector<TContatto> contatti = LeggiContatti(*archivio.Rubrica(r.anno));
        for (const std::size_t i : ContattiDelSegmentoSalvato(nome, contatti))
            if (!contatti[i][TCampo::EMail].empty()) out << contatti[i][TCampo::EMail] << '\n';
        return 0;
    }
    TSegmento segmento = segmenti.Leggi(nome).value_or(TSegmento{});
    segmento.Nome = nome;
    for (const auto& [opzione, valore] : r.campiRegistro) {
        if (opzione == "--testo") segmento.Testo = valore;
        if (opzione == "--etichetta") segmento.Etichetta = valore;
        if (opzione == "--tipo") segmento.Tipo = valore;
        if (opzione == "--citta") segmento.Citta = valore;
        if (opzione == "--base") {
            segmento.Base = Trim(valore).empty() ? std::nullopt : BaseDaTesto(valore);
            if (!Trim(valore).empty() && !segmento.Base)
                throw ERegistroContatti("Base giuridica sconosciuta: " + valore +
                                        " (consenso, cliente, contratto o nessuna)");
        }
        if (opzione == "--mesi") {
            if (valore.empty() || valore.size() > 4 ||
                valore.find_first_not_of("0123456789") != std::string::npos)
                throw ERegistroContatti("--mesi vuole un numero di mesi: " + valore);
            segmento.MesiSenzaInvio = std::stoi(valore);
        }
    }
    segmenti.Salva(segmento);
    out << "Segmento " << segmento.Nome << ": " << segmento.Descrizione() << '\n';
    return 0;
}

int Registro(const TRichiesta& r, TArchivioRigaComando& archivio, std::ostream& out) {
    const std::filesystem::path radice = PercorsoNonInviareConfigurato().parent_path();
    TRegistroContatti registro(PercorsoRegistroContatti(radice));
    if (r.azione == "segmento") return Segmento(r, archivio, radice, out);
    if (r.azione == "duplicati" && r.tuttiGliAnni) {
        for (const TGruppoDoppiAnni& g :
             DuplicatiDiTuttiGliAnni(archivio.DataModule(), &registro)) {
            out << TestoMotivoDoppio(g.Motivo) << " (" << g.Chiave << "):";
            const char* separa = " ";
            for (const TContattoAnni& c : g.Contatti) {
                out << separa << c.Contatto[TCampo::Ragione_Sociale] << " <"
                    << c.Contatto[TCampo::EMail] << "> [";
                const char* virgola = "";
                for (const std::string& anno : c.Anni) {
                    out << virgola << anno;
                    virgola = ", ";
                }
                out << ']';
                separa = " | ";
            }
            out << '\n';
        }
        return 0;
    }
    if (r.azione == "duplicati") {
        const std::vector<TContatto> contatti = LeggiContatti(*archivio.Rubrica(r.anno));
        for (const TGruppoDoppi& g : TrovaDuplicati(contatti, &registro)) {
            out << TestoMotivoDoppio(g.Motivo) << " (" << g.Chiave << "):";
            for (const std::size_t i : g.Contatti)
                out << (i == g.Contatti.front() ? " " : " | ")
                    << contatti[i][TCampo::Ragione_Sociale] << " <" << contatti[i][TCampo::EMail]
                    << '>';
            out << '\n';
        }
        return 0;
    }
    if (r.azione == "segmenti") {
        for (const TSegmento& s : TSegmenti(PercorsoRegistroContatti(radice)).Elenco())
            out << s.Nome << '\t' << s.Descrizione() << '\n';
        return 0;
    }
    if (r.azione == "conservazione") {
        const TInviiPerIndirizzo invii = InviiDelGiornale(radice);
        for (const TVoceRegistro& v : DaRivedere(registro, invii, OggiRegistro())) {
            const auto i = invii.find(ChiaveIndirizzo(v.Indirizzo));
            out << v.Indirizzo << '\t' << NomeBase(v.Base) << '\t'
                << (i == invii.end() ? "mai scritto, raccolto " + v.DataRaccolta
                                     : "ultimo invio " + i->second.Ultimo)
                << '\n';
        }
        return 0;
    }
    if (r.azione == "esporta") {
        const std::filesystem::path file = r.argomenti[0];
        const TNonInviare nonInviare(PercorsoNonInviare(radice.string() + "/"));
        const std::vector<TVoceRegistro> voci = VociDaEsportare(registro, nonInviare);
        const TInviiPerIndirizzo invii = InviiDelGiornale(radice);
        const bool vcard = AsciiLowerCase(file.extension().string()) != ".csv";
        ScriviFile(file, vcard ? TestoVCardRegistro(voci) : TestoCsvRegistro(voci, invii));
        out << "Esportate " << voci.size() << " voci del registro in " << file.string() << '\n';
        return 0;
    }
    if (r.azione == "importa") {
        const TEsitoImportazioneRegistro esito =
            ImportaRegistro(registro, LeggiFile(r.argomenti[0]));
        if (!esito.Errori.empty()) {
            out << "Nessuna voce scritta: il file ha errori.\n";
            for (const std::string& e : esito.Errori) out << e << '\n';
            return UscitaErrore;
        }
        out << "Scritte " << esito.Scritte << " voci del registro\n";
        return 0;
    }
    if (r.azione == "imposta") {
        const std::string& indirizzo = r.argomenti[0];
        TVoceRegistro voce = registro.Leggi(indirizzo).value_or(TVoceRegistro{indirizzo});
        const auto campo = [&](const char* opzione, TCampoRegistro c) {
            const auto i = r.campiRegistro.find(opzione);
            if (i != r.campiRegistro.end() && !MettiCampo(voce, c, i->second))
                throw ERegistroContatti("Base giuridica sconosciuta: " + i->second +
                                        " (consenso, cliente, contratto o nessuna)");
        };
        campo("--base", TCampoRegistro::Base);
        campo("--fonte", TCampoRegistro::Fonte);
        campo("--data", TCampoRegistro::DataRaccolta);
        campo("--informativa", TCampoRegistro::Informativa);
        campo("--etichette", TCampoRegistro::Etichette);
        registro.Scrivi(voce);
        const TVoceRegistro scritta = *registro.Leggi(indirizzo);
        out << scritta.Indirizzo << ": " << NomeBase(scritta.Base)
            << (scritta.DataRaccolta.empty() ? "" : ", " + scritta.DataRaccolta)
            << (scritta.Fonte.empty() ? "" : ", " + scritta.Fonte) << '\n';
        return 0;
    }
    for (const auto& [etichetta, quanti] : registro.Etichette())
        out << etichetta << '\t' << quanti << '\n';
    return 0;
}

// Reads each file and says what it is; touches no mailbox, list or journal.
int EsaminaPosta(const TRichiesta& r, std::ostream& out) {
    for (const std::string& file : r.argomenti) {
        const TPostaClassificata esito = ClassificaPosta(LeggiFile(file));
        out << file << ": " << NomeTipoPosta(esito.Tipo) << '\n';
        for (const std::string& riga : RigheEsame(esito)) out << riga << '\n';
    }
    return 0;
}

std::filesystem::path RadiceDati() {
    return PercorsoNonInviareConfigurato().parent_path();
}

int Posta(const TRichiesta& r, std::istream& in, std::ostream& out, std::ostream& err) {
    const std::filesystem::path radice = RadiceDati();
    if (r.azione == "controlla") {
        const auto posta = LeggiAccountPosta();
        if (!posta)
            throw EPosta(
                "Manca il server della posta in arrivo (IMAP): impostalo nella finestra "
                "dell'account.");
        // The password from standard input never touches the keyring.
        TAccountInvio invio = LeggiAccount().value_or(TAccountInvio{});
        std::string password;
        if (r.passwordDaIngresso) {
            if (!std::getline(in, password))
                throw EPosta("Manca la password sullo standard input.");
        } else {
            TPortachiaviSegreti portachiavi;
            const TAccountCaricato caricato = TImpostazioniInvio(portachiavi).Carica();
            password = caricato.Password;
            if (password.empty() && !caricato.AvvisoPortachiavi.empty())
                err << "brivano-rubrica: " << caricato.AvvisoPortachiavi << '\n';
        }
        if (!password.empty() && password.back() == '\r') password.pop_back();
        if (password.empty())
            throw EPosta(
                "Manca la password dell'account: salvala nella finestra dell'account "
                "o passala con --password-stdin.");
        const TEsitoControllo esito =
            ControllaPostaMittente(radice, *posta, AccessoPer(*posta, invio, password));
        out << TestoEsitoControllo(esito) << '\n';
        return 0;
    }
    TArchivioPosta archivio(TArchivioPosta::Percorso(radice));
    if (r.azione == "elenco") {
        for (const TRegistrazionePosta& v : archivio.Registrazioni())
            out << v.Id << '\t' << v.Quando << '\t' << v.Tipo << '\t' << v.Indirizzo << '\t'
                << (v.Spedizione > 0 ? std::to_string(v.Spedizione) : "") << '\t' << v.Codice
                << '\t' << (v.Annullata ? "annullata: " : "") << v.Fatto << '\n';
        return 0;
    }
    TRegistroInvii registro(TRegistroInvii::Percorso(radice));
    TNonInviare elenco(PercorsoNonInviare(radice.string() + "/"));
    TEffettiPosta effetti(registro, elenco, archivio);
    int errori = 0;
    for (const std::string& numero : r.argomenti) {
        try {
            effetti.Annulla(std::stoll(numero));
            out << "Annullata: " << numero << '\n';
        } catch (const EPosta& e) {
            err << "brivano-rubrica: " << e.what() << '\n';
            ++errori;
        }
    }
    return errori == 0 ? 0 : UscitaErrore;
}

}  // namespace

int EseguiRubrica(const std::vector<std::string>& args, const std::string& cartellaProgramma,
                  std::istream& in, std::ostream& out, std::ostream& err) {
    return AvviaRigaComando("brivano-rubrica", kAiuto, args, out, err, [&] {
        const TRichiesta richiesta = LeggiRichiesta(args);
        // The mailbox commands need no year: they never start a first start.
        if (richiesta.comando == TComando::Posta && richiesta.azione == "esamina")
            return EsaminaPosta(richiesta, out);
        if (richiesta.comando == TComando::Posta) return Posta(richiesta, in, out, err);
        TArchivioRigaComando archivio(cartellaProgramma, err);
        switch (richiesta.comando) {
            case TComando::Importa:
                return Importa(richiesta, archivio, out);
            case TComando::Esporta:
                return Esporta(richiesta, archivio, out);
            case TComando::Elenco:
                return Elenco(richiesta, archivio, out);
            case TComando::NonInviare:
                return NonInviare(richiesta, in, out, err);
            case TComando::Registro:
                return Registro(richiesta, archivio, out);
            case TComando::Posta:
                break;
        }
        return UscitaErrore;
    });
}

}  // namespace brivano
