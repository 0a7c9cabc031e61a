#include "workflow/IndirizziSuDisco.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>

namespace brivano {

namespace {

// Entries read or written at a time; each run keeps the first hash of each.
constexpr std::size_t kBlocco = 128;
// The filter: 2 MB of 64-byte blocks, four bits set in one block per hash,
// so a look-up touches one cache line. At 400,000 addresses a false alarm
// comes about once in ten thousand.
constexpr std::size_t kParoleFiltro = std::size_t{1} << 18;
constexpr std::size_t kParoleBlocco = 8;

template <typename F>
void PerBit(std::uint64_t hash, F&& f) {
    // The hash is already mixed: the block from its top bits, the four bits
    // from its low ones.
    const std::size_t blocco = (hash >> 49) * kParoleBlocco;
    for (int i = 0; i < 4; ++i) {
        const auto bit = static_cast<unsigned>((hash >> (9 * i)) & 511U);
        f(blocco + bit / 64, std::uint64_t{1} << (bit % 64));
    }
}

[[noreturn]] void Errore(const char* cosa) {
    throw std::runtime_error(std::string("Errore ") + cosa +
                             " il file temporaneo dell'importazione: " + std::strerror(errno));
}

}  // namespace

TIndirizziSuDisco::TIndirizziSuDisco(std::filesystem::path cartella)
    : cartella_(std::move(cartella)) {}

TIndirizziSuDisco::~TIndirizziSuDisco() {
    if (fd_ >= 0) ::close(fd_);
}

bool TIndirizziSuDisco::Forse(std::uint64_t hash) const {
    if (filtro_.empty()) return false;
    bool tutti = true;
    PerBit(hash, [&](std::size_t parola, std::uint64_t bit) {
        if ((filtro_[parola] & bit) == 0) tutti = false;
    });
    return tutti;
}

void TIndirizziSuDisco::Metti(std::uint64_t posto, const TRegistrato* voci, std::size_t quanti) {
    const auto* byte = reinterpret_cast<const char*>(voci);
    std::size_t resto = quanti * sizeof(TRegistrato);
    auto offset = static_cast<off_t>(posto * sizeof(TRegistrato));
    while (resto > 0) {
        const ssize_t n = ::pwrite(fd_, byte, resto, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) Errore("nello scrivere");
        byte += n;
        offset += n;
        resto -= static_cast<std::size_t>(n);
    }
}

void TIndirizziSuDisco::Leggi(std::uint64_t posto, std::size_t quanti) {
    blocco_.resize(quanti);
    auto* byte = reinterpret_cast<char*>(blocco_.data());
    std::size_t resto = quanti * sizeof(TRegistrato);
    auto offset = static_cast<off_t>(posto * sizeof(TRegistrato));
    while (resto > 0) {
        const ssize_t n = ::pread(fd_, byte, resto, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) Errore("nel leggere");
        byte += n;
        offset += n;
        resto -= static_cast<std::size_t>(n);
    }
}

void TIndirizziSuDisco::Scrivi(std::size_t quanti,
                               const std::function<TRegistrato(std::size_t)>& voce) {
    if (quanti == 0) return;
    if (fd_ < 0) {
        fd_ = ::open(cartella_.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (fd_ < 0) Errore(("nel creare in " + cartella_.string()).c_str());
        filtro_.assign(kParoleFiltro, 0);
    }
    TCorsa corsa;
    corsa.inizio = scritti_;
    corsa.quanti = quanti;
    corsa.primi.reserve((quanti + kBlocco - 1) / kBlocco);
    blocco_.clear();
    for (std::size_t i = 0; i < quanti; ++i) {
        const TRegistrato r = voce(i);
        if (blocco_.empty()) corsa.primi.push_back(r.Hash);
        PerBit(r.Hash, [&](std::size_t parola, std::uint64_t bit) { filtro_[parola] |= bit; });
        blocco_.push_back(r);
        if (blocco_.size() == kBlocco || i + 1 == quanti) {
            Metti(scritti_, blocco_.data(), blocco_.size());
            scritti_ += blocco_.size();
            blocco_.clear();
        }
    }
    corse_.push_back(std::move(corsa));
}

bool TIndirizziSuDisco::Prendi(std::uint64_t hash,
                               const std::function<bool(const TRegistrato&)>& uguale,
                               TRegistrato& trovato) {
    if (!Forse(hash)) return false;
    for (const TCorsa& corsa : corse_) {
        // Entries with the hash start in the last block whose first hash is
        // below it, or in the first block that starts with it.
        const auto dopo = std::lower_bound(corsa.primi.begin(), corsa.primi.end(), hash);
        std::size_t b = static_cast<std::size_t>(dopo - corsa.primi.begin());
        if (b > 0) --b;
        for (; b < corsa.primi.size() && corsa.primi[b] <= hash; ++b) {
            const std::uint64_t posto = corsa.inizio + b * kBlocco;
            Leggi(posto, static_cast<std::size_t>(
                             std::min<std::uint64_t>(kBlocco, corsa.quanti - b * kBlocco)));
            bool oltre = false;
            for (std::size_t k = 0; k < blocco_.size(); ++k) {
                const TRegistrato& r = blocco_[k];
                if (r.Hash > hash) {
                    oltre = true;
                    break;
                }
                if (r.Hash != hash || r.Tolto || !uguale(r)) continue;
                trovato = r;
                blocco_[k].Tolto = 1;
                Metti(posto + k, &blocco_[k], 1);
                return true;
            }
            if (oltre) break;
        }
    }
    return false;
}

}  // namespace brivano
