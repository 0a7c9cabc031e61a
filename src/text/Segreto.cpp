#include "text/Segreto.h"

#include <sys/prctl.h>

#include <cstring>

#include <mutex>

namespace brivano {

namespace {

// How many secrets are held, and whether dumps were allowed before the first.
struct TSegretiTenuti {
    std::mutex mutex;
    int quanti = 0;
    int esportabilePrima = 1;
};

TSegretiTenuti& Tenuti() {
    static TSegretiTenuti tenuti;
    return tenuti;
}

void Prendi() {
    TSegretiTenuti& t = Tenuti();
    const std::lock_guard<std::mutex> lock(t.mutex);
    if (t.quanti++ == 0) {
        t.esportabilePrima = ::prctl(PR_GET_DUMPABLE);
        ::prctl(PR_SET_DUMPABLE, 0);
    }
}

void Lascia() {
    TSegretiTenuti& t = Tenuti();
    const std::lock_guard<std::mutex> lock(t.mutex);
    if (--t.quanti == 0 && t.esportabilePrima > 0) ::prctl(PR_SET_DUMPABLE, t.esportabilePrima);
}

}  // namespace

void CancellaMemoria(void* dati, std::size_t byte) {
    // Not optimised away although the memory is not read again.
    explicit_bzero(dati, byte);
}

void CancellaTesto(std::string& testo) {
    // The capacity, not the size: a shorter value may sit over a longer one.
    explicit_bzero(testo.data(), testo.capacity());
    testo.clear();
}

TSegreto::TSegreto(std::string_view testo) : testo_(testo) {
    if (!testo_.empty()) {
        Prendi();
        tenuto_ = true;
    }
}

TSegreto::TSegreto(std::string&& testo) : testo_(std::move(testo)) {
    // A short text is copied, not taken: what it leaves behind is wiped too.
    CancellaTesto(testo);  // NOLINT(bugprone-use-after-move)
    if (!testo_.empty()) {
        Prendi();
        tenuto_ = true;
    }
}

TSegreto::TSegreto(TSegreto&& altro) noexcept
    : testo_(std::move(altro.testo_)), tenuto_(altro.tenuto_) {
    CancellaTesto(altro.testo_);
    altro.tenuto_ = false;
}

TSegreto& TSegreto::operator=(const TSegreto& altro) {
    if (this != &altro) *this = TSegreto(altro);
    return *this;
}

TSegreto& TSegreto::operator=(TSegreto&& altro) noexcept {
    if (this == &altro) return *this;
    Cancella();
    testo_ = std::move(altro.testo_);
    tenuto_ = altro.tenuto_;
    CancellaTesto(altro.testo_);
    altro.tenuto_ = false;
    return *this;
}

TSegreto::~TSegreto() {
    Cancella();
}

void TSegreto::Cancella() {
    CancellaTesto(testo_);
    if (tenuto_) Lascia();
    tenuto_ = false;
}

bool ProcessoEsportabile() {
    return ::prctl(PR_GET_DUMPABLE) == 1;
}

}  // namespace brivano
