#pragma once
// The do-not-mail window: lists and searches the addresses that never receive
// a message, each with why and when it was listed, removes them, adds pasted ones (one per line, as
// copied from "Cancellami" replies) and exports the list.

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class TCasellaFiltro;
class TMessageBoxes;

class TFNonInviare : public QDialog {
    Q_OBJECT
  public:
    explicit TFNonInviare(TMessageBoxes& boxes, QWidget* parent = nullptr);

    // Reloads the list from the file (filtered by the search box).
    void Aggiorna();
    void AggiungiIncollati();
    void RimuoviSelezionati();
    // Writes one address per line to the file.
    void EsportaIn(const QString& file);

    TCasellaFiltro* Filtro;
    // One row per address: the address, the reason, when it was added (UTC).
    QTableWidget* Elenco;
    QPlainTextEdit* Incolla;
    QPushButton *ButtonAggiungi, *ButtonRimuovi, *ButtonEsporta, *ButtonChiudi;
    QLabel* Numero;

  protected:
    void showEvent(QShowEvent* event) override;
    // Addresses typed but not added (an opt-out request) are never lost by
    // closing: the user adds them or goes back.
    void done(int result) override;

  private:
    TMessageBoxes& boxes_;
};
