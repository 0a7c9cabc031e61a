#pragma once
// The contacts an import has met, by a 64-bit hash of their key (the
// normalised e-mail, or all values for a contact without one): those already
// in the table and those the import adds. Only the hash and the row are
// kept; a match is confirmed against the row itself by the caller. Beyond a
// fixed number of entries they move to a temporary file, so memory stays
// flat however long the file.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "workflow/Contatto.h"
#include "workflow/IndirizziSuDisco.h"

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

    // At most `inMemoria` entries are held in memory; the rest go to a file
    // in `cartella`.
    explicit TIndirizziVisti(
        std::size_t inMemoria = std::size_t{1} << 16,
        std::filesystem::path cartella = std::filesystem::temp_directory_path());

    // Entries with the hash; `uguale` tells the one meant. Null when none is.
    template <typename F>
    TVoce* Trova(std::uint64_t hash, F&& uguale) {
        if (!posti_.empty()) {
            const std::size_t maschera = posti_.size() - 1;
            for (std::size_t i = hash & maschera; posti_[i] != 0; i = (i + 1) & maschera) {
                TElemento& elemento = elementi_[posti_[i] - 1];
                if (elemento.hash == hash && uguale(elemento.voce)) return &elemento.voce;
            }
        }
        if (!disco_.Forse(hash)) return nullptr;
        return DalDisco(hash, uguale);
    }
    // The entry's address stays valid until the next Riduci.
    TVoce* Aggiungi(std::uint64_t hash, const TVoce& voce);
    // Moves the entries to the file when memory holds more than its share.
    // Called only while no entry's address is in use.
    void Riduci();
    // Room for `altri` more entries without growing.
    void Prevedi(std::size_t altri);

  private:
    struct TElemento {
        std::uint64_t hash = 0;
        TVoce voce;
    };
    void Metti(std::uint64_t hash, std::uint32_t indice);
    // A match on the file comes back into memory.
    TVoce* DalDisco(std::uint64_t hash, const std::function<bool(TVoce&)>& uguale);

    // A place holds one more than the element's index, 0 when free; a power
    // of two of them, at most half taken.
    std::vector<std::uint32_t> posti_;
    std::deque<TElemento> elementi_;
    std::size_t inMemoria_;
    TIndirizziSuDisco disco_;
};

}  // namespace brivano
