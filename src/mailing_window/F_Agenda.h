#pragma once
// The mailing window: the contact grid, the recipient list, the boxes of the
// message and the send run, which talks to the server on a worker thread while
// the window keeps repainting and its inputs are disabled.

#include <QDialog>
#include <array>
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mailing/IdMessage.h"
#include "smtp/IdSMTP.h"
#include "workflow/CampiUnione.h"
#include "workflow/ImpostazioniInvio.h"
#include "workflow/RegistroInvii.h"
#include "workflow/SpedizioneMail.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTableView;
class QThread;
class QWidget;
class TFDB;
class TMessageBoxes;
class TFAnteprima;
class TFPiePagina;

namespace brivano {
class TGridModel;
class TGrigliaFiltrata;
class TSceltaDestinatari;
}  // namespace brivano

class TFInvioMail : public QDialog {
    Q_OBJECT
  public:
    TFInvioMail(TFDB& fdb, TMessageBoxes& boxes, QWidget* parent = nullptr);
    ~TFInvioMail() override;

    // Loads the contact list, then empties the recipient list.
    void FormShow();
    // Appends the e-mail address of the query's current row.
    void DBGrid1DblClick();
    // Starts the send run; returns at once, InvioConcluso tells its end.
    void ButtonInvioClick();
    // Asks the run to stop: it ends within a second, the rest stays to send.
    void ButtonInterrompiClick();
    // Sends again, to the failed entries of the last run only.
    void ButtonReinviaClick();
    // When the journal holds an unfinished run, offers to resume it: the
    // boxes and the list are filled from it, the send button goes on with it.
    void OffriRipresa();
    // One message to the sender's own address with the first entry's fields;
    // a box says so once the server has taken it.
    void ButtonProvaClick();
    // Shows the message as the first (or a chosen) entry will get it; nothing
    // when the list is empty or the texts cannot be used (told in a box).
    TFAnteprima* ButtonAnteprimaClick();
    TFPiePagina* ButtonPiePaginaClick();

    bool InvioInCorso() const { return worker_ != nullptr; }
    // The journal's run being sent now; 0 when none.
    std::int64_t SpedizioneInCorso() const { return InvioInCorso() ? opzioni_.Spedizione : 0; }
    // The server port and the waits of a run (25 and the usual limits unless
    // a test or a measurement changes them).
    void SetPortaInvio(int porta) { porta_ = porta; }
    void SetLimitiTempo(const brivano::TLimitiTempo& limiti) { limiti_ = limiti; }
    // The sending account: host, sender and password boxes are filled from it
    // when the window is first shown (and again after it is saved); port,
    // security, user name and display name of a run come from it. Without
    // one, or with none saved, a run goes to port 25 without TLS.
    void SetImpostazioni(brivano::TImpostazioniInvio* impostazioni) {
        impostazioni_ = impostazioni;
    }

    TIdMessage IdMessage1;
    TIdSMTP IdSMTP1;

    QTableView* DBGrid1;
    QListWidget* ListBox1;
    QLineEdit* DDHost;
    QLineEdit* DDIndirizzoSped;
    QLineEdit* DDIndirizzoPSW;
    QLineEdit* DDOgetto;
    std::array<QLineEdit*, 8> DDTestoRiga;
    QPushButton* ButtonInvio;
    QPushButton* ButtonInterrompi;  // "Interrompi", shown during a run
    QPushButton* ButtonReinvia;     // "Reinvia ai falliti", after a run with failures
    QPushButton* ButtonAnteprima;
    QPushButton* ButtonProva;
    QPushButton* ButtonPiePagina;
    QProgressBar* ProgressBar1;
    QLabel* Operazione;
    QWidget* StatusBar1;
    // The status bar's second panel: "n di N" and the estimated end of a run.
    QLabel* PannelloAvanzamento;
    // The search box, the picking buttons and the recipient count.
    brivano::TSceltaDestinatari* Scelta;

  signals:
    // Sent from the worker; the window shows them on its own thread.
    void StatoInvio(const QString& testo);
    void AvanzamentoInvio(int fatti);
    void TestoAvanzamento(const QString& testo);
    // The run is over and its boxes were shown.
    void InvioConcluso();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    void CreaControlli();
    void AbilitaInput(bool abilita);
    void MostraAvanzamento(int fatti);
    void FineInvio();
    void CompilaDaAccount();
    // The journal, opened at first need; null without a data root.
    brivano::TRegistroInvii* Registro();
    // The boxes' texts with the saved account's settings; raises when the
    // account cannot be read.
    brivano::TDatiInvio DatiInvio() const;
    // prova: the test send to the sender, whose success is told.
    void AvviaInvio(std::vector<std::string> voci,
                    const std::vector<brivano::TCampiContatto>& campi, bool prova);

    TFDB& fdb_;
    TMessageBoxes& boxes_;
    brivano::TGridModel* griglia_;
    brivano::TGrigliaFiltrata* filtrata_;
    std::vector<bool> esclusi_;  // per entry of the run: on the do-not-mail list
    int porta_ = 25;
    brivano::TLimitiTempo limiti_;
    int destinatari_ = 0;
    QThread* worker_ = nullptr;
    std::vector<std::string> voci_;
    bool prova_ = false;  // the run under way is the test send
    brivano::TEsitoInvio esito_;
    std::unique_ptr<brivano::TRegistroInvii> registro_;
    bool registroCercato_ = false;
    // Journal run and positions of the run under way (or of a resume ready
    // to go), and the stop flag its waits watch.
    brivano::TOpzioniInvio opzioni_;
    std::vector<std::string> vociRipresa_;
    std::atomic<bool> ferma_{false};
    bool chiudiAFine_ = false;
    brivano::TImpostazioniInvio* impostazioni_ = nullptr;
    int salvataggiVisti_ = -1;
    std::optional<brivano::TUnioneInvio> unione_;
};
