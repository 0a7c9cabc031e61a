#include "workflow/IndirizziVisti.h"

#include <functional>
#include <utility>

#include "text/Testo.h"
#include "workflow/Piegatura.h"

namespace brivano {

namespace {

// Whether an address already reads as NormalizzaIndirizzo makes it: plain
// ASCII without capitals and with nothing to trim.
bool GiaNormalizzato(std::string_view indirizzo) {
    if (Trim(indirizzo).size() != indirizzo.size()) return false;
    for (const char c : indirizzo)
        if (static_cast<unsigned char>(c) >= 0x80 || (c >= 'A' && c <= 'Z')) return false;
    return true;
}

std::size_t Hash(std::string_view chiave) {
    return std::hash<std::string_view>{}(chiave);
}

// What a place keeps of a hash: bits the place's position does not use.
std::uint64_t Segno(std::size_t hash) {
    return static_cast<std::uint64_t>(hash) >> 32;
}

}  // namespace

std::string_view TIndirizziVisti::Chiave(const std::string& indirizzo, std::string& spazio) {
    if (GiaNormalizzato(indirizzo)) return indirizzo;
    spazio = NormalizzaIndirizzo(indirizzo);
    return spazio;
}

TIndirizziVisti::TVoce* TIndirizziVisti::Trova(std::string_view chiave) {
    if (posti_.empty()) return nullptr;
    const std::size_t hash = Hash(chiave);
    const std::uint64_t segno = Segno(hash);
    const std::size_t maschera = posti_.size() - 1;
    for (std::size_t i = hash & maschera; posti_[i] != 0; i = (i + 1) & maschera) {
        if ((posti_[i] >> 32) != segno) continue;
        TElemento& elemento = elementi_[(posti_[i] & 0xFFFFFFFFU) - 1];
        if (elemento.chiave == chiave) return &elemento.voce;
    }
    return nullptr;
}

TIndirizziVisti::TVoce* TIndirizziVisti::Aggiungi(std::string_view chiave, std::string& spazio,
                                                  const TVoce& voce) {
    Prevedi(1);
    if (!spazio.empty() && chiave.data() == spazio.data()) {
        chiavi_.push_back(std::move(spazio));
        chiave = chiavi_.back();
    }
    elementi_.push_back({chiave, voce});
    Metti(Hash(chiave), static_cast<std::uint32_t>(elementi_.size()));
    return &elementi_.back().voce;
}

void TIndirizziVisti::Prevedi(std::size_t altri) {
    const std::size_t servono = (elementi_.size() + altri) * 2;
    if (posti_.size() >= servono) return;
    std::size_t quanti = 16;
    while (quanti < servono) quanti *= 2;
    posti_.assign(quanti, 0);
    for (std::size_t i = 0; i < elementi_.size(); ++i)
        Metti(Hash(elementi_[i].chiave), static_cast<std::uint32_t>(i + 1));
}

void TIndirizziVisti::Metti(std::size_t hash, std::uint32_t indice) {
    const std::size_t maschera = posti_.size() - 1;
    std::size_t i = hash & maschera;
    while (posti_[i] != 0) i = (i + 1) & maschera;
    posti_[i] = (Segno(hash) << 32) | indice;
}

}  // namespace brivano
