#pragma once
// The history window's scheduled runs: when, state, entries and subject,
// with "Annulla" and "Invia ora", and the switch of the user timer that
// starts them with the program closed.

#include <QGroupBox>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

#include "workflow/TimerProgrammati.h"

class QCheckBox;
class QPushButton;
class QTableWidget;
class TMessageBoxes;

class TRiquadroProgrammati : public QGroupBox {
  public:
    using TPercorsoRegistro = std::function<std::optional<std::filesystem::path>()>;
    TRiquadroProgrammati(TMessageBoxes& boxes, TPercorsoRegistro registro, QWidget* parent);

    // Reads the journal's scheduled runs again.
    void Aggiorna();
    void ButtonAnnullaClick();
    void ButtonInviaOraClick();
    void CheckTimerClick(bool acceso);

    // Called after "Invia ora" made a run due: the open program starts it.
    std::function<void()> AvviaDovuti;
    // systemctl; tests bring their own.
    brivano::TComandoSistema Comando = brivano::EseguiComandoSistema;

    QTableWidget* Griglia;
    QPushButton* ButtonAnnulla;
    QPushButton* ButtonInviaOra;
    QCheckBox* CheckTimer;

  private:
    TMessageBoxes& boxes_;
    TPercorsoRegistro percorso_;
};
