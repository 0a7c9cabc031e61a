#include "mailing_window/AvvioProgrammati.h"

#include <chrono>

#include "dialogs/MessageBoxes.h"
#include "workflow/ImpostazioniInvio.h"
#include "workflow/Programmati.h"
#include "workflow/RegistroInvii.h"
#include "workflow/RipresaInvio.h"

TAvvioProgrammati::TAvvioProgrammati(TMessageBoxes& boxes,
                                     brivano::TImpostazioniInvio& impostazioni, QObject* parent)
    : QObject(parent), boxes_(boxes), impostazioni_(impostazioni) {
    brivano::TVistaInvio& vista = *this;
    controllo_ = std::make_unique<brivano::TControlloInvio>(smtp_, message_, boxes_, vista);
    controllo_->SetImpostazioni(&impostazioni_);
    timer_.setInterval(60 * 1000);
    connect(&timer_, &QTimer::timeout, this, [this] { Controlla(); });
    timer_.start();
}

TAvvioProgrammati::~TAvvioProgrammati() {
    // The run stops within a second and the controller waits for it.
    controllo_->Interrompi();
}

void TAvvioProgrammati::InvioTerminato() {
    // From the run's thread: the end is taken in on the program's own.
    QMetaObject::invokeMethod(
        this,
        [this] {
            controllo_->Concludi();
            Controlla();
        },
        Qt::QueuedConnection);
}

void TAvvioProgrammati::Controlla() {
    if (controllo_->InCorso()) return;
    RunGuarded(boxes_, [&] {
        const auto registro = brivano::ApriRegistroInvii();
        if (!registro) return;
        brivano::TProgrammati programmati(registro->File());
        programmati.RecuperaAbbandonati();
        const auto adesso = std::chrono::system_clock::now();
        for (std::int64_t id : programmati.Dovuti(adesso)) {
            if (!programmati.Prendi(id, adesso)) continue;
            auto p = programmati.Leggi(id);
            if (!p) continue;
            const brivano::TAccountCaricato account = impostazioni_.Carica();
            if (p->Testi.Host.empty()) p->Testi.Host = account.Account.Host;
            if (p->Testi.Mittente.empty()) p->Testi.Mittente = account.Account.Mittente;
            p->Testi.Password = account.Password;
            controllo_->Avvia(p->Testi, p->Voci, p->Campi);
            if (controllo_->InCorso()) programmati.Avviato(id, controllo_->Spedizione());
            return;
        }
    });
}
