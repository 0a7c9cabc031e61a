#pragma once
// "Impostazioni Invio": the sending account. A provider list fills host, port
// and security; "Prova connessione" runs the dialogue up to the login on a
// worker thread while the window shows each step; "Salva" keeps the account
// (the password in the desktop's keyring), "Annulla" drops the changes. An
// account that signs in at its provider gets "Accedi…" (the browser opens
// through a hook, the window waits with "Annulla", then shows who signed
// in) and "Esci".

#include <QDialog>
#include <atomic>
#include <functional>
#include <memory>
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
class TCampiPostaInArrivo;
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

    // Signs in at the provider of the method chosen: returns at once,
    // AccessoConcluso tells the end.
    void ButtonAccediClick();
    void ButtonAnnullaAccessoClick();
    void ButtonEsciClick();

    bool ProvaInCorso() const { return worker_ != nullptr; }
    bool AccessoInCorso() const { return accessoWorker_ != nullptr; }
    // What opens an address in the browser (tests bring their own).
    void SetApriBrowser(std::function<bool(const std::string&)> apri) {
        apriBrowser_ = std::move(apri);
    }
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
    QComboBox* ComboMetodo;
    QLineEdit* DDTenant;
    QLineEdit* DDIdApplicazione;
    QPushButton* ButtonAccedi;
    QPushButton* ButtonAnnullaAccesso;
    QPushButton* ButtonEsci;
    // "Accesso eseguito come …", the wait, or the address to copy.
    QLabel* LabelAccesso;
    QLabel* LabelPortachiavi;
    // Beside the password while it may cross the network in clear.
    QLabel* LabelInChiaro;
    QSpinBox* DDMessaggiPerConnessione;
    QSpinBox* DDConnessioni;
    QSpinBox* DDDimensioneMassima;
    // Sending pace (0: no limit) and retries of deferred (4xx) entries.
    QSpinBox* DDLimiteMinuto;
    QSpinBox* DDLimiteOra;
    QSpinBox* DDLimiteGiorno;
    QSpinBox* DDPausa;
    QSpinBox* DDTentativi;
    QSpinBox* DDAttesaTentativi;
    // The incoming side (IMAP): "Prova connessione" tries it too.
    TCampiPostaInArrivo* CampiArrivo;
    QPushButton* ButtonProva;
    QPlainTextEdit* MemoProva;
    QPushButton* ButtonSalva;
    QPushButton* ButtonAnnulla;

  signals:
    // From the worker; shown on the window's thread.
    void PassoProva(const QString& riga);
    void ProvaConclusa();
    void AccessoConcluso();

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
    void FineAccesso();
    void MostraMetodo();
    brivano::TMetodoAccesso Metodo() const;
    TIdBearerSource FonteToken(const brivano::TAccountInvio& account);

    brivano::TImpostazioniInvio& impostazioni_;
    TMessageBoxes& boxes_;
    brivano::TLimitiProva limiti_;
    QThread* worker_ = nullptr;
    std::vector<brivano::TPassoProva> passi_;
    brivano::TSicurezza sicurezzaMostrata_ = brivano::TSicurezza::Nessuna;
    std::function<bool(const std::string&)> apriBrowser_;
    QThread* accessoWorker_ = nullptr;
    std::atomic<bool> annullaAccesso_{false};
    std::string erroreAccesso_;
    // What the window showed when opened: Escape asks before dropping changes.
    brivano::TAccountInvio accountMostrato_;
    std::string passwordMostrata_;
};
