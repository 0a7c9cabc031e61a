#include "workflow/IndirizziVisti.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "workflow/FormaIndirizzo.h"

namespace brivano {

namespace {

// Whether an address already is its own key: plain ASCII without capitals,
// blanks, angle brackets, quotes, commas or a trailing dot, which is how
// most addresses are written.
bool GiaNormalizzato(std::string_view indirizzo) {
    if (!indirizzo.empty() && indirizzo.back() == '.') return false;
    for (const char c : indirizzo)
        if (static_cast<unsigned char>(c) >= 0x80 || static_cast<unsigned char>(c) <= ' ' ||
            (c >= 'A' && c <= 'Z') || c == '<' || c == '>' || c == '"' || c == ',')
            return false;
    return true;
}

// 64 bits whatever the platform's size_t, mixed so that the low bits (the
// place) and the whole (the match) both spread.
std::uint64_t Mescola(std::uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 33;
    return h;
}

}  // namespace

std::string_view TIndirizziVisti::Chiave(const std::string& indirizzo, std::string& spazio) {
    if (GiaNormalizzato(indirizzo)) return indirizzo;
    spazio = ChiaveIndirizzo(indirizzo);
    return spazio;
}

std::uint64_t TIndirizziVisti::Hash(std::string_view chiave) {
    return Mescola(static_cast<std::uint64_t>(std::hash<std::string_view>{}(chiave)));
}

std::uint64_t TIndirizziVisti::HashValori(const TContatto& contatto) {
    std::uint64_t h = 0x9e3779b97f4a7c15ULL;
    for (const std::string& v : contatto.Valori) h = Mescola(h ^ Hash(v)) + v.size();
    return h;
}

TIndirizziVisti::TIndirizziVisti(std::size_t inMemoria, std::filesystem::path cartella)
    : inMemoria_(inMemoria), disco_(std::move(cartella)) {}

TIndirizziVisti::TVoce* TIndirizziVisti::DalDisco(std::uint64_t hash,
                                                  const std::function<bool(TVoce&)>& uguale) {
    TIndirizziSuDisco::TRegistrato r;
    const bool preso = disco_.Prendi(
        hash,
        [&uguale](const TIndirizziSuDisco::TRegistrato& su) {
            TVoce voce{su.Id, su.Riga, su.InAttesa != 0};
            return uguale(voce);
        },
        r);
    return preso ? Aggiungi(hash, TVoce{r.Id, r.Riga, r.InAttesa != 0}) : nullptr;
}

void TIndirizziVisti::Riduci() {
    if (elementi_.size() < inMemoria_) return;
    std::sort(elementi_.begin(), elementi_.end(),
              [](const TElemento& a, const TElemento& b) { return a.hash < b.hash; });
    disco_.Scrivi(elementi_.size(), [this](std::size_t i) {
        const TElemento& e = elementi_[i];
        TIndirizziSuDisco::TRegistrato r;
        r.Hash = e.hash;
        r.Id = e.voce.Id;
        r.Riga = e.voce.Riga;
        r.InAttesa = e.voce.InAttesa ? 1 : 0;
        return r;
    });
    elementi_.clear();
    std::fill(posti_.begin(), posti_.end(), 0);
}

TIndirizziVisti::TVoce* TIndirizziVisti::Aggiungi(std::uint64_t hash, const TVoce& voce) {
    Prevedi(1);
    elementi_.push_back({hash, voce});
    Metti(hash, static_cast<std::uint32_t>(elementi_.size()));
    return &elementi_.back().voce;
}

void TIndirizziVisti::Prevedi(std::size_t altri) {
    const std::size_t servono = (elementi_.size() + altri) * 2;
    if (posti_.size() >= servono) return;
    std::size_t quanti = 16;
    while (quanti < servono) quanti *= 2;
    posti_.assign(quanti, 0);
    for (std::size_t i = 0; i < elementi_.size(); ++i)
        Metti(elementi_[i].hash, static_cast<std::uint32_t>(i + 1));
}

void TIndirizziVisti::Metti(std::uint64_t hash, std::uint32_t indice) {
    const std::size_t maschera = posti_.size() - 1;
    std::size_t i = hash & maschera;
    while (posti_[i] != 0) i = (i + 1) & maschera;
    posti_[i] = indice;
}

}  // namespace brivano
