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

class TAvvioProgrammati : public QObject, private brivano::TVistaInvio {
  public:
    TAvvioProgrammati(TMessageBoxes& boxes, brivano::TImpostazioniInvio& impostazioni,
                      QObject* parent = nullptr);
    ~TAvvioProgrammati() override;

    // Starts the oldest due run, unless one of ours is under way.
    void Controlla();

  private:
    void MostraOperazione(const std::string&) override {}
    void MostraAvanzamento(int, const std::string&) override {}
    void InvioTerminato() override;
    void MostraInizio(int, const std::string&) override {}
    void MostraFine() override {}
    void MostraInterruzione() override {}
    void MostraReinvia(bool) override {}
    void SegnaStati(const std::vector<brivano::TStatoVoce>&) override {}
    void MostraAccount(const std::string&, const std::string&, const std::string&) override {}
    void MostraTesti(const brivano::TDatiInvio&) override {}
    void MostraVoci(const std::vector<brivano::TVoceElenco>&) override {}
    void Concluso() override {}
    void Chiudi() override {}

    TMessageBoxes& boxes_;
    brivano::TImpostazioniInvio& impostazioni_;
    TIdSMTP smtp_;
    TIdMessage message_;
    QTimer timer_;
    std::unique_ptr<brivano::TControlloInvio> controllo_;
};
