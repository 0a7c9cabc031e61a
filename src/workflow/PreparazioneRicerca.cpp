#include "workflow/PreparazioneRicerca.h"

#include <sys/resource.h>
#include <unistd.h>

#include <utility>

namespace brivano {

namespace {
constexpr int kPriorita = 10;  // nice value of the reading thread
}  // namespace

TPreparazioneRicerca::TPreparazioneRicerca(std::filesystem::path tabella)
    : lettore_([this, tabella = std::move(tabella)] {
          // The window's own work goes first when the processors are busy.
          setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kPriorita);
          try {
              testi_ = TTestiRicerca::Leggi(tabella, &fermo_);
          } catch (...) {
              testi_.reset();
          }
      }) {}

TPreparazioneRicerca::~TPreparazioneRicerca() {
    fermo_ = true;
    if (lettore_.joinable()) lettore_.join();
}

std::optional<TTestiRicerca> TPreparazioneRicerca::Prendi() {
    if (lettore_.joinable()) lettore_.join();
    return std::move(testi_);
}

}  // namespace brivano
