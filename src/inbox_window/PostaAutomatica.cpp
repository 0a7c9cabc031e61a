#include "inbox_window/PostaAutomatica.h"

#include <QTimer>

#include "dialogs/MessageBoxes.h"
#include "posta/ControlloSeparato.h"
#include "posta/RimbalziCancellazioni.h"

TPostaAutomatica::TPostaAutomatica(TMessageBoxes& boxes,
                                   std::unique_ptr<brivano::TRimbalziCancellazioni> controllo,
                                   QObject* parent)
    : QObject(parent),
      boxes_(boxes),
      controllo_(std::move(controllo)),
      timer_(new QTimer(this)),
      separato_(std::make_unique<brivano::TControlloSeparato>()) {
    connect(timer_, &QTimer::timeout, this, [this] { ControllaDaSola(); });
}

TPostaAutomatica::~TPostaAutomatica() {
    separato_.reset();
}

bool TPostaAutomatica::InCorso() const {
    return inCorso_;
}

bool TPostaAutomatica::Controlla() {
    return Avvia(false);
}

void TPostaAutomatica::ControllaDaSola() {
    Avvia(true);
}

void TPostaAutomatica::Pianifica(const TConfigurazioneLetta* conf) {
    timer_->stop();
    brivano::TControlloAutomatico automatico;
    try {
        automatico =
            conf ? brivano::LeggiControlloAutomatico(*conf) : brivano::LeggiControlloAutomatico();
    } catch (const std::exception& e) {
        boxes_.ShowError(e.what());
        return;
    }
    if (automatico.AllAvvio)
        QTimer::singleShot(AttesaAvvioSecondi * 1000, this, [this] { ControllaDaSola(); });
    if (automatico.OgniMinuti > 0) timer_->start(automatico.OgniMinuti * 60 * 1000);
}

bool TPostaAutomatica::Avvia(bool automatico) {
    if (inCorso_) return false;
    brivano::TControlloPronto pronto;
    try {
        pronto = controllo_->Prepara();
    } catch (const std::exception& e) {
        Fine(automatico, false, e.what());
        return true;
    }
    const bool avviato = separato_->Avvia(
        [pronto = std::move(pronto)] { return brivano::TRimbalziCancellazioni::Esegui(pronto); },
        [this, automatico](bool riuscito, const std::string& testo) {
            QMetaObject::invokeMethod(
                this, [this, automatico, riuscito, testo] { Fine(automatico, riuscito, testo); },
                Qt::QueuedConnection);
        });
    if (!avviato) return false;
    inCorso_ = true;
    emit Iniziato();
    return true;
}

void TPostaAutomatica::Fine(bool automatico, bool riuscito, const std::string& testo) {
    inCorso_ = false;
    if (riuscito) {
        ultimoErrore_.clear();
    } else if (!automatico) {
        boxes_.ShowError(testo);
    } else if (testo != ultimoErrore_) {
        // The timer would otherwise repeat the same box every few minutes.
        ultimoErrore_ = testo;
        boxes_.ShowError("Controllo automatico della posta: " + testo);
    }
    emit Concluso(riuscito, QString::fromStdString(testo));
}
