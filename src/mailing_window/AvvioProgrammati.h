#pragma once
// While the program is open, the scheduled runs that fall due start here,
// each with a controller of its own (the mailing window's boxes stay as the
// user left them); a run is claimed in the journal first, so the timer's
// brivano-invio never sends it too. Checked every minute and on demand.

#include <QObject>
#include <QTimer>
#include <memory>

#include "mailing/IdMessage.h"
#include "smtp/IdSMTP.h"
#include "workflow/ControlloInvio.h"
#include "workflow/VistaInvio.h"

class TMessageBoxes;

namespace brivano {
class TImpostazioniInvio;
}

class TAvvioProgrammati : public QObject, private brivano::TVistaInvioMuta {
  public:
    TAvvioProgrammati(TMessageBoxes& boxes, brivano::TImpostazioniInvio& impostazioni,
                      QObject* parent = nullptr);
    ~TAvvioProgrammati() override;

    // Starts the oldest due run, unless one of ours is under way.
    void Controlla();

  private:
    void InvioTerminato() override;

    TMessageBoxes& boxes_;
    brivano::TImpostazioniInvio& impostazioni_;
    TIdSMTP smtp_;
    TIdMessage message_;
    QTimer timer_;
    std::unique_ptr<brivano::TControlloInvio> controllo_;
};
