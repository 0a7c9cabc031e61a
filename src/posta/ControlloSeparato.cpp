#include "posta/ControlloSeparato.h"

#include <exception>

namespace brivano {

TControlloSeparato::~TControlloSeparato() {
    const std::lock_guard<std::mutex> blocco(filo_);
    if (thread_.joinable()) thread_.join();
}

bool TControlloSeparato::Avvia(TLavoro lavoro, TFine fine) {
    const std::lock_guard<std::mutex> blocco(filo_);
    bool libero = false;
    if (!inCorso_.compare_exchange_strong(libero, true)) return false;
    // The previous thread has finished its work; only its end is left.
    if (thread_.joinable()) thread_.join();
    thread_ = std::thread([this, lavoro = std::move(lavoro), fine = std::move(fine)] {
        bool riuscito = false;
        std::string testo;
        try {
            testo = lavoro();
            riuscito = true;
        } catch (const std::exception& e) {
            testo = e.what();
        } catch (...) {
            testo = "Errore sconosciuto durante il controllo della posta.";
        }
        // Free before telling: whoever is told may start the next check.
        inCorso_.store(false);
        if (fine) fine(riuscito, testo);
    });
    return true;
}

}  // namespace brivano
