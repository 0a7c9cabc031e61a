#pragma once
// The contacts an import has met, by a 64-bit hash of their key (the
// normalised e-mail, or all values for a contact without one): those already
// in the table and those the import adds. Only the hash and the row are
// kept, so a hundred thousand rows cost a few megabytes; a match is
// confirmed against the row itself by the caller.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "workflow/Contatto.h"

namespace brivano {

class TIndirizziVisti {
  public:
    struct TVoce {
        long long Id = 0;
        int Riga = 0;           // the file's row that added it; 0 for a row of the table
        bool InAttesa = false;  // added by the import, not yet written: no id yet
    };

    // The address's key (ChiaveIndirizzo); `spazio` holds it when it is not
    // the address itself (most addresses are already plain lower-case ASCII).
    static std::string_view Chiave(const std::string& indirizzo, std::string& spazio);
    static std::uint64_t Hash(std::string_view chiave);
    // The key of a contact without address: all its values.
    static std::uint64_t HashValori(const TContatto& contatto);

    // Entries with the hash, in the order added; `uguale` tells the one
    // meant. Null when none is.
    template <typename F>
    TVoce* Trova(std::uint64_t hash, F&& uguale) {
        if (posti_.empty()) return nullptr;
        const std::size_t maschera = posti_.size() - 1;
        for (std::size_t i = hash & maschera; posti_[i] != 0; i = (i + 1) & maschera) {
            TElemento& elemento = elementi_[posti_[i] - 1];
            if (elemento.hash == hash && uguale(elemento.voce)) return &elemento.voce;
        }
        return nullptr;
    }
    // The entry's address stays valid as long as the table.
    TVoce* Aggiungi(std::uint64_t hash, const TVoce& voce);
    // Room for `altri` more entries without growing.
    void Prevedi(std::size_t altri);

  private:
    struct TElemento {
        std::uint64_t hash = 0;
        TVoce voce;
    };
    void Metti(std::uint64_t hash, std::uint32_t indice);

    // A place holds one more than the element's index, 0 when free; a power
    // of two of them, at most half taken.
    std::vector<std::uint32_t> posti_;
    std::deque<TElemento> elementi_;
};

}  // namespace brivano
