#include "workflow/Allegati.h"

#include <magic.h>
#include <openssl/evp.h>

#include <fstream>
#include <map>
#include <sstream>

#include "text/Testo.h"

namespace brivano {

namespace fs = std::filesystem;

namespace {

// Headers, the text part and each part's own lines, generously.
constexpr std::uintmax_t SpazioParte = 600;

// The base64 size of n bytes in 76-character lines with CR LF.
std::uintmax_t DimensioneBase64(std::uintmax_t n) {
    const std::uintmax_t righe = (n + 56) / 57;
    return (n + 2) / 3 * 4 + righe * 2;
}

std::optional<std::string> LeggiFile(const fs::path& percorso) {
    std::ifstream in(percorso, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return std::move(bytes).str();
}

std::string NomeLeggibile(const fs::path& percorso) {
    return percorso.filename().string();
}

// A checked file, or its reason.
struct TEsameFile {
    TFileAllegato File;
    std::string Motivo;
};

TEsameFile EsaminaFile(const fs::path& percorso) {
    TEsameFile esame;
    esame.File.Percorso = percorso;
    esame.File.Nome = NomeLeggibile(percorso);
    std::error_code ec;
    if (!fs::exists(percorso, ec)) {
        esame.Motivo = "il file " + percorso.string() + " non esiste";
        return esame;
    }
    if (!fs::is_regular_file(percorso, ec)) {
        esame.Motivo = percorso.string() + " non è un file";
        return esame;
    }
    const auto bytes = LeggiFile(percorso);
    if (!bytes) {
        esame.Motivo = "il file " + percorso.string() + " non si può leggere";
        return esame;
    }
    esame.File.Dimensione = bytes->size();
    esame.File.Sha256 = ImprontaSha256(*bytes);
    return esame;
}

std::string TestoMB(std::uintmax_t bytes) {
    const std::uintmax_t decimi = (bytes * 10 + MegaByte / 2) / MegaByte;
    return std::to_string(decimi / 10) + "," + std::to_string(decimi % 10) + " MB";
}

}  // namespace

fs::path PercorsoDaModello(const std::string& modello, const TCampiContatto& campi,
                           const fs::path& cartella, std::string& motivo) {
    motivo.clear();
    // Each value alone, so a value can never name another folder.
    for (const std::string& nome : CampiUsati({modello})) {
        const auto it = campi.find(nome);
        const std::string valore = it == campi.end() ? std::string() : it->second;
        const std::string pieno = RiempiCampi("{{" + nome + "}}", campi);
        if (pieno.find('/') != std::string::npos || pieno == ".." || pieno == ".") {
            motivo = "il campo " + nome + " («" + valore + "») indicherebbe un'altra cartella";
            return {};
        }
    }
    const std::string riempito = RiempiCampi(modello, campi);
    fs::path percorso(riempito);
    if (percorso.is_relative()) percorso = cartella / percorso;
    if (!percorso.has_filename()) {
        motivo = "il modello «" + modello + "» non dà un nome di file per questo destinatario";
        return {};
    }
    return percorso;
}

std::string ImprontaSha256(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int lunghezza = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &lunghezza, EVP_sha256(), nullptr);
    std::string hex;
    for (unsigned int i = 0; i < lunghezza; ++i) AppendHexByteLower(hex, digest[i]);
    return hex;
}

std::string TipoMediaDi(std::string_view bytes) {
    static std::mutex mutex;
    static magic_t cookie = [] {
        magic_t c = magic_open(MAGIC_MIME_TYPE);
        if (c && magic_load(c, nullptr) != 0) {
            magic_close(c);
            c = nullptr;
        }
        return c;
    }();
    std::string tipo;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (cookie) {
            const char* trovato = magic_buffer(cookie, bytes.data(), bytes.size());
            if (trovato) tipo = trovato;
        }
    }
    // Only "type/subtype" of token characters goes into a header.
    const auto barra = tipo.find('/');
    const bool valido =
        barra != std::string::npos && barra > 0 && barra + 1 < tipo.size() &&
        tipo.find_first_not_of(
            "abcdefghijklmnopqrstuvwxyz"
            "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!#$&-^_.+/") == std::string::npos &&
        tipo.find('/', barra + 1) == std::string::npos;
    return valido ? tipo : "application/octet-stream";
}

std::vector<TAllegatiVoce> ControllaAllegati(const TSceltaAllegati& scelta,
                                             const std::vector<TCampiContatto>& campi,
                                             std::size_t voci, std::uintmax_t dimensioneTesto,
                                             std::uintmax_t massimo) {
    const fs::path cartella =
        scelta.Cartella.empty() ? fs::current_path() : fs::path(scelta.Cartella);
    if (!scelta.Modello.empty()) CampiUsati({scelta.Modello});
    std::map<fs::path, TEsameFile> visti;
    const auto esamina = [&](const fs::path& percorso) -> const TEsameFile& {
        auto it = visti.find(percorso);
        if (it == visti.end()) it = visti.emplace(percorso, EsaminaFile(percorso)).first;
        return it->second;
    };
    const TCampiContatto nessuno;
    std::vector<TAllegatiVoce> esito(voci);
    for (std::size_t i = 0; i < voci; ++i) {
        TAllegatiVoce& voce = esito[i];
        std::vector<fs::path> percorsi;
        for (const auto& comune : scelta.Comuni) {
            fs::path p(comune);
            percorsi.push_back(p.is_relative() ? cartella / p : p);
        }
        if (!scelta.Modello.empty()) {
            const fs::path p = PercorsoDaModello(
                scelta.Modello, i < campi.size() ? campi[i] : nessuno, cartella, voce.Motivo);
            if (!voce.Motivo.empty()) continue;
            percorsi.push_back(p);
        }
        std::uintmax_t dimensione = dimensioneTesto + SpazioParte;
        for (const auto& p : percorsi) {
            const TEsameFile& esame = esamina(p);
            if (!esame.Motivo.empty()) {
                voce.Motivo = esame.Motivo;
                break;
            }
            voce.File.push_back(esame.File);
            dimensione += SpazioParte + DimensioneBase64(esame.File.Dimensione);
        }
        if (!voce.Motivo.empty()) {
            voce.File.clear();
            continue;
        }
        voce.DimensioneMessaggio = dimensione;
        if (dimensione > massimo)
            voce.Motivo = "il messaggio con gli allegati misurerebbe " + TestoMB(dimensione) +
                          ", oltre il limite dell'account di " + TestoMB(massimo);
        else
            voce.Grande = dimensione > SogliaAvvisoAllegati;
    }
    return esito;
}

std::string FileCambiati(const std::vector<TFileAllegato>& prima,
                         const std::vector<TFileAllegato>& ora) {
    std::string testo;
    const auto aggiungi = [&](const std::string& frase) {
        testo += (testo.empty() ? "" : "; ") + frase;
    };
    for (const auto& p : prima) {
        bool trovato = false;
        for (const auto& o : ora) {
            if (o.Percorso != p.Percorso) continue;
            trovato = true;
            if (o.Sha256 != p.Sha256) aggiungi(p.Nome + " è cambiato");
        }
        if (!trovato) aggiungi(p.Nome + " non è più tra gli allegati");
    }
    for (const auto& o : ora) {
        bool trovato = false;
        for (const auto& p : prima) trovato = trovato || p.Percorso == o.Percorso;
        if (!trovato) aggiungi(o.Nome + " non c'era nel primo invio");
    }
    return testo;
}

std::vector<TAllegato> TCaricaAllegati::Carica(const std::vector<TFileAllegato>& file) {
    std::vector<TAllegato> allegati;
    allegati.reserve(file.size());
    for (std::size_t i = 0; i < file.size(); ++i) {
        const TFileAllegato& f = file[i];
        if (i < comuni_) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (letti_.size() <= i) letti_.resize(comuni_);
            if (!letti_[i].Contenuto) {
                letti_[i].Nome = f.Nome;
                auto bytes = LeggiFile(f.Percorso);
                if (bytes && ImprontaSha256(*bytes) == f.Sha256) {
                    letti_[i].TipoMedia = TipoMediaDi(*bytes);
                    letti_[i].Contenuto = std::make_shared<const std::string>(std::move(*bytes));
                }
            }
            allegati.push_back(letti_[i]);
            continue;
        }
        TAllegato a{f.Nome, {}, nullptr};
        auto bytes = LeggiFile(f.Percorso);
        if (bytes && ImprontaSha256(*bytes) == f.Sha256) {
            a.TipoMedia = TipoMediaDi(*bytes);
            a.Contenuto = std::make_shared<const std::string>(std::move(*bytes));
        }
        allegati.push_back(std::move(a));
    }
    return allegati;
}

}  // namespace brivano
