#pragma once
// "Rimbalzi e cancellazioni": every message the checks of the sender's
// mailbox acted on, "Controlla posta", and "Annulla" for the picked row.

#include <QDialog>
#include <memory>

class QLabel;
class QPushButton;
class QTableWidget;
class TMessageBoxes;

namespace brivano {
class TRimbalziCancellazioni;
}

class TFRimbalziCancellazioni : public QDialog {
    Q_OBJECT
  public:
    TFRimbalziCancellazioni(TMessageBoxes& boxes,
                            std::unique_ptr<brivano::TRimbalziCancellazioni> controllo,
                            QWidget* parent = nullptr);
    ~TFRimbalziCancellazioni() override;

    void Aggiorna();
    void ButtonControllaClick();
    void ButtonAnnullaClick();

    QTableWidget* Griglia;
    QLabel* LabelEsito;
    QPushButton* ButtonControlla;
    QPushButton* ButtonAnnulla;
    QPushButton* ButtonChiudi;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    TMessageBoxes& boxes_;
    std::unique_ptr<brivano::TRimbalziCancellazioni> controllo_;
};
