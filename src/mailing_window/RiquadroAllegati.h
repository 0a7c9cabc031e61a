#pragma once
// The mailing window's attachments area: the files every message carries
// (added and taken away by button) and the per-recipient pattern with merge
// fields; a relative path is taken from the home folder.

#include <QWidget>

#include "workflow/Allegati.h"

class QLineEdit;
class QListWidget;
class QPushButton;

class TRiquadroAllegati : public QWidget {
  public:
    explicit TRiquadroAllegati(QWidget* parent);

    brivano::TSceltaAllegati Scelta() const;
    void Mostra(const brivano::TSceltaAllegati& scelta);

    QListWidget* Comuni;
    QLineEdit* Modello;
    QPushButton* ButtonAggiungi;
    QPushButton* ButtonTogli;

  private:
    void AggiungiClick();
    void TogliClick();
};
