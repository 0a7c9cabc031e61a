#include "workflow/LavoroParallelo.h"

#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace brivano {

void DistribuisciVoci(std::size_t lavoratori, std::size_t quante,
                      const std::function<bool(std::size_t, std::size_t)>& lavora,
                      const std::function<bool()>& smetti) {
    if (lavoratori < 1) lavoratori = 1;
    if (lavoratori > quante) lavoratori = quante;
    std::atomic<std::size_t> prossima{0};
    std::atomic<bool> basta{false};
    std::mutex mutex;
    std::exception_ptr errore;
    auto lavoratore = [&](std::size_t n) {
        try {
            while (!basta.load()) {
                if (smetti && smetti()) return;
                const std::size_t k = prossima.fetch_add(1);
                if (k >= quante) return;
                if (!lavora(n, k)) return;
            }
        } catch (...) {
            std::lock_guard<std::mutex> lock(mutex);
            if (!errore) errore = std::current_exception();
            basta = true;
        }
    };
    std::vector<std::thread> altri;
    try {
        for (std::size_t n = 1; n < lavoratori; ++n) altri.emplace_back(lavoratore, n);
    } catch (const std::system_error&) {
        // No more threads to be had: those started and this one do the work.
    }
    if (lavoratori > 0) lavoratore(0);
    for (auto& t : altri) t.join();
    if (errore) std::rethrow_exception(errore);
}

}  // namespace brivano
