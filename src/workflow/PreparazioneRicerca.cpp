#include "workflow/PreparazioneRicerca.h"

#include <utility>

namespace brivano {

// The thread keeps the process's priority: a lower one left the first
// keystroke waiting for seconds on a busy machine.
TPreparazioneRicerca::TPreparazioneRicerca(std::filesystem::path tabella,
                                           std::unique_ptr<TLetturaTestiRegistro> registro)
    : lettore_([this, tabella = std::move(tabella), registro = std::move(registro)]() mutable {
          try {
              testi_ = TTestiRicerca::Leggi(tabella, &fermo_, std::move(registro));
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
