#pragma once
// Reads a contact table's search texts on a thread of their own, so that the
// first keystroke in a search box over a large list finds them ready. The
// list's window starts one whenever its rows are (re)loaded.

#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>

#include "workflow/TestiRicerca.h"

namespace brivano {

class TPreparazioneRicerca {
  public:
    // `registro`: the register's texts, when their reading was started
    // before (while the list was read).
    explicit TPreparazioneRicerca(std::filesystem::path tabella,
                                  std::unique_ptr<TLetturaTestiRegistro> registro = nullptr);
    // Stops the reading within a row and waits for the thread.
    ~TPreparazioneRicerca();
    TPreparazioneRicerca(const TPreparazioneRicerca&) = delete;
    TPreparazioneRicerca& operator=(const TPreparazioneRicerca&) = delete;

    // Waits for the texts; nullopt when they could not be read (the caller
    // reads them itself and meets the error there).
    std::optional<TTestiRicerca> Prendi();

  private:
    std::atomic<bool> fermo_{false};
    std::optional<TTestiRicerca> testi_;  // written by the thread, read after join
    std::thread lettore_;
};

}  // namespace brivano
