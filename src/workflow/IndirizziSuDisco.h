#pragma once
// The part of an import's met addresses that no longer fits its share of
// memory: runs sorted by hash in a temporary file of their own, and a filter
// of fixed size that answers "surely not there" for nearly every new
// address, so the file is read only for a real match (or a rare false one).
// Memory stays the same however many rows the file has.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

namespace brivano {

class TIndirizziSuDisco {
  public:
    struct TRegistrato {
        std::uint64_t Hash = 0;
        long long Id = 0;
        std::int32_t Riga = 0;
        // 0 or 1, sized so that an entry written to the file has no padding.
        std::uint16_t InAttesa = 0;
        std::uint16_t Tolto = 0;  // taken back into memory
    };
    static_assert(sizeof(TRegistrato) == 24);

    // The file goes into `cartella` and is gone when closed.
    explicit TIndirizziSuDisco(std::filesystem::path cartella);
    ~TIndirizziSuDisco();
    TIndirizziSuDisco(const TIndirizziSuDisco&) = delete;
    TIndirizziSuDisco& operator=(const TIndirizziSuDisco&) = delete;

    bool Vuoto() const { return corse_.empty(); }
    // False when no entry has this hash; true may be a false alarm.
    bool Forse(std::uint64_t hash) const;
    // Writes `quanti` entries, given by `voce` in order of hash, as one more
    // run.
    void Scrivi(std::size_t quanti, const std::function<TRegistrato(std::size_t)>& voce);
    // The first live entry with the hash that `uguale` accepts; it is taken
    // off the file and given in `trovato`.
    bool Prendi(std::uint64_t hash, const std::function<bool(const TRegistrato&)>& uguale,
                TRegistrato& trovato);

  private:
    struct TCorsa {
        std::uint64_t inizio = 0;  // in entries from the file's start
        std::uint64_t quanti = 0;
        std::vector<std::uint64_t> primi;  // the first hash of each block
    };
    void Leggi(std::uint64_t posto, std::size_t quanti);
    void Metti(std::uint64_t posto, const TRegistrato* voci, std::size_t quanti);

    std::filesystem::path cartella_;
    int fd_ = -1;
    std::uint64_t scritti_ = 0;
    std::vector<TCorsa> corse_;
    std::vector<std::uint64_t> filtro_;  // made at the first run
    std::vector<TRegistrato> blocco_;
};

}  // namespace brivano
