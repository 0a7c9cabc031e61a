#pragma once
// The e-mail addresses an import has met, by normalised address, each with
// the row that holds it: those already in the table and those the import
// adds. A flat table, as a hundred thousand lookups in a row want.

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
        const TContatto* Contatto = nullptr;  // kept alive by the caller
        bool InAttesa = false;                // added by the import, not yet written: no id yet
    };

    // The normalised address; `spazio` holds it when it is not the address
    // itself (most addresses are already plain lower-case ASCII).
    static std::string_view Chiave(const std::string& indirizzo, std::string& spazio);

    // The entry of a key, or null.
    TVoce* Trova(std::string_view chiave);
    // Adds a key not there yet, given by Chiave with the same `spazio` (whose
    // text is then kept) or viewing a text that outlives this table. The
    // entry's address stays valid as long as the table.
    TVoce* Aggiungi(std::string_view chiave, std::string& spazio, const TVoce& voce);
    // Room for `altri` more keys without growing.
    void Prevedi(std::size_t altri);

  private:
    struct TElemento {
        std::string_view chiave;
        TVoce voce;
    };
    // A place holds the top half of its key's hash and one more than the
    // element's index, 0 when free: eight bytes, so the places of a hundred
    // thousand keys stay within the processor's cache.
    void Metti(std::size_t hash, std::uint32_t indice);

    std::vector<std::uint64_t> posti_;  // a power of two of them, at most half taken
    std::deque<TElemento> elementi_;
    std::deque<std::string> chiavi_;  // keys that are not an address of their own
};

}  // namespace brivano
