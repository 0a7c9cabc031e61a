#include "workflow/SequenzaAvvio.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "archive/F_DB.h"
#include "config/F_Conf.h"
#include "config/RecuperoConfigurazione.h"
#include "dialogs/MessageBoxes.h"

namespace brivano {

namespace {

namespace fs = std::filesystem;

constexpr const char* ConfigurazioneAssente = "CONFIGURAZIONE ASSENTE";
constexpr const char* ConfigurazioneCaricata = "E STATA CARICATA LA CONFIGURAZIONE DI BASE";
constexpr const char* ErrorePrg =
    " ERRORE NEI PERCORSO DEL PROGRAMMA \r\r     CHIUDERE E RIAVVIARE";
constexpr const char* ErroreDati =
    "    ERRORE NEI PERCORSO DEI DATI \r\r CHIUDERE E RIAVVIARE IL PROGRAMMA";
constexpr const char* ErroreCreazione =
    "       ERRORE NELLA CREZIONE\r\rDEL PERCORSO DEI DATI DI LAVORO";
constexpr const char* ErroreLavoro = "  ERRORE NEI PERCORSO DEI DATI DI LAVORO";
constexpr const char* DatiAssente = "Archivio Dati- Assente - Premere OK per Crearlo";
constexpr const char* RubricaAssente = "Archivio Rubrica- Assente - Premere OK per Crearlo";

bool IsFolder(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_directory(path, ec);
}

bool IsFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// $XDG_DATA_HOME when it is an absolute path, else ~/.local/share.
std::string CartellaDatiUtente() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.local/share";
    return {};
}

}  // namespace

TCartelleIniziali CartelleIniziali(const std::string& cartellaProgramma, bool datiNellaCartella) {
    if (datiNellaCartella) return {cartellaProgramma, cartellaProgramma, cartellaProgramma};
    const std::string base = CartellaDatiUtente();
    // Without a home there is no data folder: the empty root is then reported
    // as a data folder error.
    if (base.empty()) return {cartellaProgramma, "", ""};
    const std::string dati = base + "/Brivano/";
    std::error_code ec;
    fs::create_directories(dati, ec);
    return {cartellaProgramma, dati, dati};
}

bool DatiNellaCartellaDelProgramma(const std::string& cartella) {
    std::error_code ec;
    std::string reale = fs::weakly_canonical(cartella, ec).string();
    if (ec || reale.empty()) return false;
    if (reale.back() != '/') reale += '/';
    for (const char* sistema : {"/usr/", "/opt/", "/bin/", "/sbin/", "/snap/"})
        if (reale.starts_with(sistema)) return false;
    // Root can write anywhere: ownership, not access, tells whose copy it is.
    struct stat st {};
    return ::stat(reale.c_str(), &st) == 0 && st.st_uid == ::geteuid() &&
           access(reale.c_str(), W_OK | X_OK) == 0;
}

TSequenzaAvvio::TSequenzaAvvio(TFDB& fdb, TMessageBoxes& boxes, std::string cartellaProgramma,
                               bool datiNellaCartella,
                               std::function<void(const std::string&)> mostraAnno)
    : fdb_(fdb),
      boxes_(boxes),
      cartellaProgramma_(std::move(cartellaProgramma)),
      datiNellaCartella_(datiNellaCartella),
      mostraAnno_(std::move(mostraAnno)) {}

std::vector<TValoreDiBase> TSequenzaAvvio::ValoriDiBase() const {
    const TCartelleIniziali cartelle = CartelleIniziali(cartellaProgramma_, datiNellaCartella_);
    return {{"Conf", "OK"},
            {"PathPrg", cartelle.PathPrg},
            {"PathTemp", cartelle.PathTemp},
            {"PathDatiGen", cartelle.PathDatiGen},
            {"AliasDB", "DBrivano10"},
            {"Anno", "2010"},
            {"DBBrivano", "Brivano.DB"},
            {"DBRubrica", "Rubrica.DB"}};
}

void TSequenzaAvvio::PrimoAvvio() {
    boxes_.ShowInfo(ConfigurazioneAssente);
    // A write that fails escapes: announcing a configuration that was never
    // stored would only lead to the folder messages of every later start.
    for (const TValoreDiBase& v : ValoriDiBase()) ScriviReg(KeyBrivano, v.nome, v.valore);
    primoAvvio_ = true;
    boxes_.ShowInfo(ConfigurazioneCaricata);
}

bool TSequenzaAvvio::CartellaAnnoPronta(const std::string& cartella) {
    if (!IsFolder(cartella)) {
        std::error_code ec;
        // One level only: the data root exists, a missing parent stays missing.
        if (!fs::create_directory(cartella, ec) && ec) {
            boxes_.ShowInfo(ErroreCreazione);
            return false;
        }
    }
    if (!IsFolder(cartella)) {
        boxes_.ShowInfo(ErroreLavoro);
        return false;
    }
    return true;
}

bool TSequenzaAvvio::CreaSeAssente(const std::string& alias, const std::string& cartella,
                                   const std::string& file, const char* messaggio,
                                   const char* definizione) {
    if (IsFile(cartella + file)) return false;
    boxes_.ShowInfo(messaggio);
    fdb_.CreaTabella(alias, file, definizione);
    return true;
}

std::optional<std::vector<std::string>> TSequenzaAvvio::TabelleDelProgramma(
    const TConfigurazioneLetta& conf, const std::string& cartella) {
    const std::pair<std::string, const char*> tabelle[] = {
        {conf.Leggi("DBBrivano"), DefinizioneDativo},
        {conf.Leggi("DBRubrica"), DefinizioneRubrica}};
    std::vector<std::string> nonProtette;
    for (const auto& [file, definizione] : tabelle) {
        const TEsameTabella esame = EsaminaTabella(cartella, file, definizione);
        if (esame.NonProtetta) nonProtette.push_back(file);
        if (const std::optional<std::string>& motivo = esame.Estranea) {
            boxes_.ShowError("L'archivio " + cartella + file + " " + *motivo +
                             ": forse è di un'altra versione del programma.\r\rIl file è stato "
                             "lasciato com'è e non viene usato: spostarlo o sostituirlo, poi "
                             "riavviare il programma.");
            return std::nullopt;
        }
    }
    return nonProtette;
}

void TSequenzaAvvio::Esegui() {
    // A write killed as the last act of the previous session left its
    // temporary file; no later write may come to take it away.
    TRegistryStore(KeyBrivano).RemoveLeftoverTempFiles();
    // A damaged configuration: go on with what it still holds. When nothing
    // of it can be read the error ends the sequence and the next start is a
    // first start.
    // Read once: nothing below writes the configuration.
    std::vector<TRegEntry> letti;
    std::unique_ptr<TConfigurazioneLetta>& conf = conf_;
    if (const std::optional<TRegRecovery> recupero = TRegistryStore(KeyBrivano).Recover(&letti)) {
        boxes_.ShowInfo(CompletaConfigurazione(KeyBrivano, *recupero, ValoriDiBase()));
        conf = std::make_unique<TConfigurazioneLetta>(KeyBrivano);
    } else {
        conf = std::make_unique<TConfigurazioneLetta>(std::move(letti));
    }
    if (conf->Leggi("Conf") != "OK") {
        PrimoAvvio();
        conf = std::make_unique<TConfigurazioneLetta>(KeyBrivano);
    }
    const auto Leggi = [&conf](const char* nome) { return conf->Leggi(nome); };

    const std::string pathPrg = Leggi("PathPrg");
    if (!IsFolder(pathPrg)) {
        boxes_.ShowInfo(ErrorePrg);
        return;
    }
    if (!IsFolder(Leggi("PathDatiGen"))) {
        boxes_.ShowInfo(ErroreDati);
        return;
    }
    const std::string cartella = CartellaAnno(Leggi("PathDatiGen"), Leggi("Anno"));
    if (!CartellaAnnoPronta(cartella)) return;
    // Before anything is written: a table file of another version, or not a
    // table at all, stays as it is. Nothing below takes a password away, so
    // which files lack one is known from the same look.
    const std::optional<std::vector<std::string>> nonProtette =
        TabelleDelProgramma(*conf, cartella);
    if (!nonProtette) return;

    TArchiveSession& session = fdb_.Session1;
    session.Close();
    session.SetNetFileDir(Leggi("PathTemp"));
    session.SetPrivateDir(pathPrg);
    const std::string alias = Leggi("AliasDB");
    fdb_.PuntaAlias(alias, cartella);
    session.AddPassword(MasterPassword);

    bool creata =
        CreaSeAssente(alias, cartella, Leggi("DBBrivano"), DatiAssente, DefinizioneDativo);
    creata =
        CreaSeAssente(alias, cartella, Leggi("DBRubrica"), RubricaAssente, DefinizioneRubrica) ||
        creata;

    fdb_.LegaQuery(Leggi("AliasDB"));
    fdb_.LegaTabella(fdb_.T_Dativo, Leggi("AliasDB"), Leggi("DBBrivano"));
    fdb_.LegaTabella(fdb_.T_Rubrica, Leggi("AliasDB"), Leggi("DBRubrica"));

    mostraAnno_(Leggi("Anno"));

    // A table left without its password (a run cut short between creating
    // and protecting it) is protected now.
    for (const std::string& file : {Leggi("DBBrivano"), Leggi("DBRubrica")})
        if (creata ||
            std::find(nonProtette->begin(), nonProtette->end(), file) != nonProtette->end())
            fdb_.ProteggiTabella(file, MasterPassword, cartella);
}

}  // namespace brivano
