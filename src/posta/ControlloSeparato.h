#pragma once
// One check of the sender's mailbox at a time, on a thread of its own, so the
// windows stay responsive while the server answers. Whoever starts it while a
// check is under way is told so and nothing else happens.

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace brivano {

class TControlloSeparato {
  public:
    // The work runs on the separate thread; it returns the text for the user
    // or raises an exception whose text is the failure.
    using TLavoro = std::function<std::string()>;
    // Called on the separate thread when the work has ended; it hands the
    // end to another thread and must not itself start a check.
    using TFine = std::function<void(bool riuscito, const std::string& testo)>;

    TControlloSeparato() = default;
    // Waits for the check under way.
    ~TControlloSeparato();
    TControlloSeparato(const TControlloSeparato&) = delete;
    TControlloSeparato& operator=(const TControlloSeparato&) = delete;

    // False, with nothing started, while another check is under way.
    bool Avvia(TLavoro lavoro, TFine fine);
    bool InCorso() const { return inCorso_.load(); }

  private:
    std::atomic<bool> inCorso_{false};
    std::mutex filo_;
    std::thread thread_;
};

}  // namespace brivano
