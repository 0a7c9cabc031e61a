#include "tools/VistaTerminale.h"

#include <algorithm>
#include <ostream>

namespace brivano {

namespace {

std::string Righe(std::string testo) {
    std::replace(testo.begin(), testo.end(), '\r', '\n');
    return testo;
}

constexpr int LarghezzaBarra = 30;

}  // namespace

void TVistaTerminale::MostraOperazione(const std::string& testo) {
    if (terminale_) return;  // the bar's line says enough
    err_ << testo << '\n' << std::flush;
}

void TVistaTerminale::MostraAvanzamento(int posizione, const std::string& testo) {
    Barra(posizione, testo);
}

void TVistaTerminale::Barra(int posizione, const std::string& testo) {
    if (!terminale_) {
        err_ << testo << '\n' << std::flush;
        return;
    }
    const int piene =
        std::clamp(posizione * LarghezzaBarra / std::max(massimo_, 1), 0, LarghezzaBarra);
    err_ << "\r[" << std::string(static_cast<std::size_t>(piene), '#')
         << std::string(static_cast<std::size_t>(LarghezzaBarra - piene), '.') << "] " << testo
         << "\x1b[K" << std::flush;
}

void TVistaTerminale::InvioTerminato() {
    std::lock_guard<std::mutex> lock(mutex_);
    terminato_ = true;
    fine_.notify_all();
}

void TVistaTerminale::AttendiTermine() {
    std::unique_lock<std::mutex> lock(mutex_);
    fine_.wait(lock, [this] { return terminato_; });
    terminato_ = false;
}

void TVistaTerminale::MostraInizio(int massimo, const std::string& avanzamento) {
    massimo_ = massimo;
    Barra(0, avanzamento);
}

void TVistaTerminale::MostraFine() {
    if (terminale_) err_ << '\n' << std::flush;
}

void TVistaTerminale::MostraInterruzione() {
    err_ << "Interruzione in corso...\n" << std::flush;
}

void TRisposteTerminale::ShowInfo(const std::string& text) {
    err_ << "brivano-invio: " << Righe(text) << '\n';
}

void TRisposteTerminale::ShowError(const std::string& text) {
    err_ << "brivano-invio: " << Righe(ErrorDisplayText(text)) << '\n';
}

TConfirmAnswer TRisposteTerminale::Confirm(const std::string&, const std::string& text) {
    // Never a message twice without someone saying so.
    const bool incerti = text.find("a rischio di un doppione") != std::string::npos;
    const bool giaServiti = text.find("già ricevuto questo messaggio") != std::string::npos;
    const bool si = !giaServiti && (!incerti || ancheIncerti);
    err_ << "brivano-invio: " << Righe(text) << (si ? "\n  (sì, senza chiedere)\n" : "\n  (no)\n");
    return si ? TConfirmAnswer::Yes : TConfirmAnswer::No;
}

}  // namespace brivano
