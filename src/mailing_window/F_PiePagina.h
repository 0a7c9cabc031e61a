#pragma once
// The footer editor: the lines every message ends with, "Ripristina" brings
// back the usual nine, "Modello" the notice for promotional runs.

#include <QDialog>

class QPlainTextEdit;
class QPushButton;
class TMessageBoxes;

class TFPiePagina : public QDialog {
    Q_OBJECT
  public:
    explicit TFPiePagina(TMessageBoxes& boxes, QWidget* parent = nullptr);

    QPlainTextEdit* Righe;
    QPushButton* Ripristina;
    QPushButton* Modello;

    // Stores the lines and closes; a store error is shown and the window stays.
    void Salva();

  private:
    TMessageBoxes& boxes_;
};
