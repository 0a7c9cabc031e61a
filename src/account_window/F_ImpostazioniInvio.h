#pragma once
// "Impostazioni Invio": the sending account. A provider list fills host, port
// and security; "Prova connessione" runs the dialogue up to the login on a
// worker thread while the window shows each step; "Salva" keeps the account
// (the password in the desktop's keyring), "Annulla" drops the changes.

#include <QDialog>
#include <string>
#include <vector>

#include "workflow/ImpostazioniInvio.h"
#include "workflow/ProvaConnessione.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QThread;
class TMessageBoxes;

class TFImpostazioniInvio : public QDialog {
    Q_OBJECT
  public:
    TFImpostazioniInvio(brivano::TImpostazioniInvio& impostazioni, TMessageBoxes& boxes,
                        QWidget* parent = nullptr);
    ~TFImpostazioniInvio() override;

    // Loads the saved account and its password into the fields.
    void FormShow();
    // Fills host, port and security from the provider picked in the list.
    void ComboFornitoreChange();
    // Moves the port along with the security while it is the usual one.
    void ComboSicurezzaChange();
    // Starts the connection test; returns at once, ProvaConclusa tells its end.
    void ButtonProvaClick();
    void ButtonSalvaClick();
    void ButtonAnnullaClick();

    bool ProvaInCorso() const { return worker_ != nullptr; }
    void SetLimitiProva(const brivano::TLimitiProva& limiti) { limiti_ = limiti; }
    // The account as the fields show it.
    brivano::TAccountInvio AccountDeiCampi() const;

    QComboBox* ComboFornitore;
    QLabel* LabelNota;
    QLineEdit* DDHost;
    QSpinBox* DDPorta;
    QComboBox* ComboSicurezza;
    QLineEdit* DDMittente;
    QLineEdit* DDMittenteNome;
    QLineEdit* DDUtente;
    QLineEdit* DDPassword;
    QLabel* LabelPortachiavi;
    // Beside the password while it may cross the network in clear.
    QLabel* LabelInChiaro;
    QSpinBox* DDMessaggiPerConnessione;
    QSpinBox* DDConnessioni;
    // Sending pace (0: no limit) and retries of deferred (4xx) entries.
    QSpinBox* DDLimiteMinuto;
    QSpinBox* DDLimiteOra;
    QSpinBox* DDLimiteGiorno;
    QSpinBox* DDPausa;
    QSpinBox* DDTentativi;
    QSpinBox* DDAttesaTentativi;
    QPushButton* ButtonProva;
    QPlainTextEdit* MemoProva;
    QPushButton* ButtonSalva;
    QPushButton* ButtonAnnulla;

  signals:
    // From the worker; shown on the window's thread.
    void PassoProva(const QString& riga);
    void ProvaConclusa();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    void CreaControlli();
    QWidget* CreaCampiCadenza();
    void MostraAccount(const brivano::TAccountInvio& account);
    void MostraNota();
    void MostraAvvisoInChiaro();
    void AbilitaInput(bool abilita);
    void FineProva();

    brivano::TImpostazioniInvio& impostazioni_;
    TMessageBoxes& boxes_;
    brivano::TLimitiProva limiti_;
    QThread* worker_ = nullptr;
    std::vector<brivano::TPassoProva> passi_;
    brivano::TSicurezza sicurezzaMostrata_ = brivano::TSicurezza::Nessuna;
};
