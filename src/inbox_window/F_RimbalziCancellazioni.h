#pragma once
// "Rimbalzi e cancellazioni": every message the checks of the sender's
// mailbox acted on, "Controlla posta", and "Annulla" for the picked row.

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;
class TMessageBoxes;
class TPostaAutomatica;

class TFRimbalziCancellazioni : public QDialog {
    Q_OBJECT
  public:
    TFRimbalziCancellazioni(TMessageBoxes& boxes, TPostaAutomatica& posta,
                            QWidget* parent = nullptr);
    ~TFRimbalziCancellazioni() override;

    void Aggiorna();
    // Starts the check; its end fills the label and the list again.
    void ButtonControllaClick();
    void ButtonAnnullaClick();

    QTableWidget* Griglia = nullptr;
    QLabel* LabelEsito = nullptr;
    QPushButton* ButtonControlla = nullptr;
    QPushButton* ButtonAnnulla = nullptr;
    QPushButton* ButtonChiudi = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void CreaControlli();
    void AbilitaPulsanti();

    TMessageBoxes& boxes_;
    TPostaAutomatica& posta_;
};
