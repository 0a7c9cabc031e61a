#pragma once
// The mailing window: the contact grid, the recipient list and the boxes of
// the message. The send run is its controller's (TControlloInvio), which
// talks to the server on threads of its own while the window keeps
// repainting with its inputs disabled; the window forwards the clicks and
// shows, on its own thread, what the controller tells it.

#include <QDialog>
#include <QPointer>
#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mailing/IdMessage.h"
#include "smtp/IdSMTP.h"
#include "workflow/ImpostazioniInvio.h"
#include "workflow/TipiInvio.h"
#include "workflow/VistaInvio.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTableView;
class QWidget;
class TFDB;
class TMessageBoxes;
class TFAnteprima;
class TFPiePagina;
class QTimer;
class TRiquadroAllegati;

namespace brivano {
class TBozzaSalvata;
struct TBozzaMessaggio;
class TControlloInvio;
class TGridModel;
class TGrigliaFiltrata;
class TSceltaDestinatari;
}  // namespace brivano

class TFInvioMail : public QDialog, private brivano::TVistaInvio {
    Q_OBJECT
  public:
    TFInvioMail(TFDB& fdb, TMessageBoxes& boxes, QWidget* parent = nullptr);
    ~TFInvioMail() override;

    // Loads the contact list; the recipient list keeps the draft.
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
    // From "Storico Invii": the window opens on the journal's run, filled
    // with what is left to send (or its failed entries), and the run starts
    // once the user confirms the count.
    void Riprendi(std::int64_t spedizione, bool soloFalliti);
    // One message to the sender's own address with the first entry's fields;
    // a box says so once the server has taken it.
    void ButtonProvaClick();
    // Shows the message as the first (or a chosen) entry will get it; nothing
    // when the list is empty or the texts cannot be used (told in a box).
    TFAnteprima* ButtonAnteprimaClick();
    TFPiePagina* ButtonPiePaginaClick();
    // Opens the account's settings over this window, which keeps what was
    // picked and typed, then shows a saved account's host and sender.
    void ButtonAccountClick();
    // How "Account..." opens the settings; the button shows once it is set.
    void SetApriAccount(std::function<void()> apri);
    // Puts a merge field ("{{Citta}}") where the user was writing: the
    // subject or a text line (the first line when none had the focus).
    void InserisciCampo(const QString& segnaposto);
    // Scrolls the grid to the column where the first row matches the search
    // (a city typed in the search box brings the city column into view).
    void MostraColonnaTrovata(const QString& testo);
    // Reloads the contact list when its file changed since it was loaded
    // (contacts added meanwhile by the command-line tool or the address book).
    void RicaricaSeCambiata();
    // The window becomes active again (never during a run): a saved account
    // fills the boxes, the contact list is reloaded when changed, and the
    // shared list's current row is put back on the grid's.
    void TornaAttiva();
    // Writes the draft (recipients, subject, lines, attachments) now rather than after the
    // short wait that gathers a burst of typing into one write.
    void SalvaBozza();
    // "Invia più tardi…": the run as typed, kept in the journal for the time
    // ScegliOra gives (none: cancelled), to start then.
    void ButtonPiuTardiClick();
    std::function<std::optional<std::chrono::system_clock::time_point>()> ScegliOra;

    bool InvioInCorso() const;
    // The journal's run being sent now; 0 when none.
    std::int64_t SpedizioneInCorso() const;
    // The server port and the waits of a run (25 and the usual limits unless
    // a test or a measurement changes them).
    void SetPortaInvio(int porta);
    void SetLimitiTempo(const brivano::TLimitiTempo& limiti);
    // The sending account: host, sender and password boxes are filled from it
    // when the window is first shown (and again after it is saved); port,
    // security, user name and display name of a run come from it. Without
    // one, or with none saved, a run goes to port 25 without TLS.
    void SetImpostazioni(brivano::TImpostazioniInvio* impostazioni);

    TIdMessage IdMessage1;
    TIdSMTP IdSMTP1;

    QTableView* DBGrid1;
    QListWidget* ListBox1;
    TRiquadroAllegati* Allegati;
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
    QPushButton* ButtonAccount = nullptr;  // "Account...": the settings without closing
    QPushButton* ButtonCampi;              // "Inserisci campo": a menu of the merge fields
    QPushButton* ButtonPiuTardi;           // "Invia più tardi…", hidden during a run
    QProgressBar* ProgressBar1;
    QLabel* Operazione;
    QWidget* StatusBar1;
    // The status bar's second panel: "n di N" and the estimated end of a run.
    QLabel* PannelloAvanzamento;
    // The search box, the picking buttons and the recipient count.
    brivano::TSceltaDestinatari* Scelta;

  signals:
    // Sent from the run's thread; the window shows them on its own thread.
    void StatoInvio(const QString& testo);
    void AvanzamentoInvio(int fatti);
    void TestoAvanzamento(const QString& testo);
    // The run is over and its boxes were shown.
    void InvioConcluso();

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void changeEvent(QEvent* event) override;

  private:
    void CreaControlli();
    // Places the controls in layouts that grow with the window; sets the tab order.
    void Disponi(const std::array<QLabel*, 6>& etichette);
    void AbilitaInput(bool abilita);
    void PosizioneBarra(int fatti);
    // What the user typed: host, sender, password, subject and lines.
    brivano::TDatiInvio Testi() const;
    brivano::TBozzaMessaggio Bozza() const;
    void MostraBozza(const brivano::TBozzaMessaggio& bozza);

    // The controller's view, on the window's thread (the run's notices are
    // queued to it).
    void MostraOperazione(const std::string& testo) override;
    void MostraAvanzamento(int posizione, const std::string& testo) override;
    void InvioTerminato() override;
    void MostraInizio(int massimo, const std::string& avanzamento) override;
    void MostraFine() override;
    void MostraInterruzione() override;
    void MostraReinvia(bool visibile) override;
    void SegnaStati(const std::vector<brivano::TStatoVoce>& stati) override;
    void MostraAccount(const std::string& host, const std::string& mittente,
                       const std::string& password) override;
    void MostraTesti(const brivano::TDatiInvio& dati) override;
    void MostraVoci(const std::vector<brivano::TVoceElenco>& voci) override;
    void Concluso() override;
    void Chiudi() override;

    TFDB& fdb_;
    TMessageBoxes& boxes_;
    brivano::TGridModel* griglia_;
    brivano::TGrigliaFiltrata* filtrata_;
    std::unique_ptr<brivano::TControlloInvio> controllo_;
    // A run asked for by Riprendi, readied when the window is shown.
    struct TRipresaChiesta {
        std::int64_t Spedizione;
        bool SoloFalliti;
    };
    std::optional<TRipresaChiesta> ripresaChiesta_;
    std::function<void()> apriAccount_;
    // The subject or text line the user last wrote in.
    QPointer<QLineEdit> casellaInUso_;
    QMetaObject::Connection seguiFuoco_;
    // When the contact file (or its journal) was last written, as loaded.
    std::optional<std::filesystem::file_time_type> rubricaCaricata_;
    // The draft in its file, written a moment after the last change.
    std::unique_ptr<brivano::TBozzaSalvata> bozza_;
    QTimer* attesaBozza_;
};
