#include "workflow/BozzaMessaggio.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <system_error>

#include "config/F_Conf.h"
#include "dialogs/MessageBoxes.h"
#include "workflow/Esportazione.h"

namespace brivano {

namespace {

// Raised while reading: the file is not a draft this program wrote.
class EBozzaDanneggiata : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

constexpr int VersioneBozza = 1;

nlohmann::json InJson(const TBozzaMessaggio& bozza) {
    nlohmann::json voci = nlohmann::json::array();
    for (const TVoceElenco& v : bozza.Voci) voci.push_back({{"voce", v.Voce}, {"campi", v.Campi}});
    return {{"versione", VersioneBozza},
            {"oggetto", bozza.Oggetto},
            {"righe", bozza.Righe},
            {"voci", std::move(voci)},
            {"allegati",
             {{"comuni", bozza.Allegati.Comuni},
              {"modello", bozza.Allegati.Modello},
              {"cartella", bozza.Allegati.Cartella}}}};
}

const nlohmann::json& Campo(const nlohmann::json& oggetto, const char* nome,
                            nlohmann::json::value_t tipo) {
    const auto trovato = oggetto.find(nome);
    if (trovato == oggetto.end() || trovato->type() != tipo)
        throw EBozzaDanneggiata(std::string("manca o non vale il campo \"") + nome + "\"");
    return *trovato;
}

std::string Testo(const nlohmann::json& valore) {
    if (!valore.is_string()) throw EBozzaDanneggiata("un testo atteso non è un testo");
    return valore.get<std::string>();
}

TBozzaMessaggio DaJson(const std::string& contenuto) {
    const nlohmann::json radice = nlohmann::json::parse(contenuto, nullptr, false);
    if (radice.is_discarded() || !radice.is_object())
        throw EBozzaDanneggiata("il contenuto non è leggibile");
    const auto versione = radice.find("versione");
    if (versione == radice.end() || !versione->is_number_integer() || *versione != VersioneBozza)
        throw EBozzaDanneggiata("versione sconosciuta");
    TBozzaMessaggio bozza;
    bozza.Oggetto = Testo(Campo(radice, "oggetto", nlohmann::json::value_t::string));
    const nlohmann::json& righe = Campo(radice, "righe", nlohmann::json::value_t::array);
    if (righe.size() != bozza.Righe.size()) throw EBozzaDanneggiata("le righe non sono otto");
    for (std::size_t n = 0; n < bozza.Righe.size(); ++n) bozza.Righe[n] = Testo(righe[n]);
    for (const nlohmann::json& v : Campo(radice, "voci", nlohmann::json::value_t::array)) {
        if (!v.is_object()) throw EBozzaDanneggiata("un destinatario non è leggibile");
        TVoceElenco voce;
        voce.Voce = Testo(Campo(v, "voce", nlohmann::json::value_t::string));
        for (const auto& [nome, valore] :
             Campo(v, "campi", nlohmann::json::value_t::object).items())
            voce.Campi.emplace(nome, Testo(valore));
        bozza.Voci.push_back(std::move(voce));
    }
    // Drafts written before attachments were kept have none.
    if (radice.contains("allegati")) {
        const nlohmann::json& allegati = Campo(radice, "allegati", nlohmann::json::value_t::object);
        for (const nlohmann::json& file : Campo(allegati, "comuni", nlohmann::json::value_t::array))
            bozza.Allegati.Comuni.push_back(Testo(file));
        bozza.Allegati.Modello = Testo(Campo(allegati, "modello", nlohmann::json::value_t::string));
        bozza.Allegati.Cartella =
            Testo(Campo(allegati, "cartella", nlohmann::json::value_t::string));
    }
    return bozza;
}

// "AAAAMMGG-hhmmss", local time: the name of a damaged file put aside.
std::string Adesso() {
    const std::time_t ora = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm locale{};
    localtime_r(&ora, &locale);
    char testo[32] = {};
    if (std::strftime(testo, sizeof testo, "%Y%m%d-%H%M%S", &locale) == 0) return "0";
    return testo;
}

// Renames the damaged file beside itself under a name no other takes; empty
// when it cannot be moved.
std::filesystem::path Accantona(const std::filesystem::path& percorso) {
    const std::string base = percorso.string() + ".danneggiata-" + Adesso();
    for (int n = 0; n < 100; ++n) {
        const std::filesystem::path altro =
            n == 0 ? std::filesystem::path(base)
                   : std::filesystem::path(base + "-" + std::to_string(n));
        std::error_code errore;
        if (std::filesystem::exists(altro, errore)) continue;
        std::filesystem::rename(percorso, altro, errore);
        return errore ? std::filesystem::path() : altro;
    }
    return {};
}

}  // namespace

bool TBozzaMessaggio::Vuota() const {
    if (!Voci.empty() || !Oggetto.empty() || !Allegati.Vuota()) return false;
    for (const std::string& riga : Righe)
        if (!riga.empty()) return false;
    return true;
}

std::filesystem::path PercorsoBozza(const std::filesystem::path& radiceDati) {
    return radiceDati / FileBozza;
}

std::filesystem::path PercorsoBozzaConfigurato() {
    const std::string radice = LeggiReg(KeyBrivano, "PathDatiGen");
    if (radice.empty())
        throw std::runtime_error("La configurazione non indica la cartella dei dati (PathDatiGen)");
    return PercorsoBozza(radice);
}

void SalvaBozza(const std::filesystem::path& percorso, const TBozzaMessaggio& bozza) {
    if (bozza.Vuota()) {
        std::error_code errore;
        std::filesystem::remove(percorso, errore);
        if (errore)
            throw std::runtime_error("Impossibile togliere " + percorso.string() + ": " +
                                     errore.message());
        return;
    }
    // A text that is not UTF-8 is kept with a replacement mark rather than lost whole.
    ScriviFile(percorso,
               InJson(bozza).dump(1, '\t', false, nlohmann::json::error_handler_t::replace) + "\n");
}

TBozzaLetta CaricaBozza(const std::filesystem::path& percorso) {
    TBozzaLetta letta;
    std::ifstream file(percorso, std::ios::binary);
    if (!file) {
        std::error_code errore;
        if (std::filesystem::exists(percorso, errore) || errore)
            letta.Errore = "La bozza del messaggio (" + percorso.string() +
                           ") non si apre: " + std::strerror(errno) + ".";
        return letta;
    }
    std::ostringstream contenuto;
    contenuto << file.rdbuf();
    if (file.bad()) {
        letta.Errore = "La bozza del messaggio (" + percorso.string() + ") non si legge.";
        return letta;
    }
    file.close();
    try {
        letta.Bozza = DaJson(contenuto.str());
    } catch (const EBozzaDanneggiata& e) {
        letta.Bozza = {};
        letta.Accantonato = Accantona(percorso);
        letta.Errore = "La bozza del messaggio salvata è danneggiata (" + std::string(e.what()) +
                       ") e non viene ripresa: la finestra riparte vuota.";
        letta.Errore +=
            letta.Accantonato.empty()
                ? "\rIl file " + percorso.string() +
                      " non si sposta: resta com'è e la bozza non viene salvata."
                : "\rIl file è stato messo da parte come " + letta.Accantonato.string() + ".";
    }
    return letta;
}

TBozzaSalvata::TBozzaSalvata(TMessageBoxes& boxes, std::function<std::filesystem::path()> percorso)
    : boxes_(boxes), percorso_(std::move(percorso)) {}

std::optional<TBozzaMessaggio> TBozzaSalvata::Riprendi() {
    if (letta_) return std::nullopt;
    letta_ = true;
    try {
        TBozzaLetta letta = CaricaBozza(percorso_());
        if (!letta.Errore.empty()) {
            boxes_.ShowError(letta.Errore);
            // A file that stayed where it was is not written over.
            bloccata_ = letta.Accantonato.empty();
            return std::nullopt;
        }
        salvata_ = letta.Bozza;
        if (letta.Bozza.Vuota()) return std::nullopt;
        return std::move(letta.Bozza);
    } catch (const std::exception& e) {
        boxes_.ShowError(std::string(e.what()) + "\rLa bozza del messaggio non viene ripresa.");
        bloccata_ = true;
        return std::nullopt;
    }
}

void TBozzaSalvata::Salva(const TBozzaMessaggio& bozza) {
    // Never before the saved one was read: it would be written over.
    if (!letta_ || bloccata_ || (salvata_ && *salvata_ == bozza)) return;
    try {
        SalvaBozza(percorso_(), bozza);
        salvata_ = bozza;
        erroreDetto_ = false;
    } catch (const std::exception& e) {
        if (erroreDetto_) return;
        erroreDetto_ = true;
        boxes_.ShowError(std::string(e.what()) +
                         "\rLa bozza del messaggio non è salvata: chiudendo il programma i "
                         "destinatari scelti e il testo andrebbero persi.");
    }
}

}  // namespace brivano
