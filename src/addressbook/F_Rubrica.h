#pragma once
// The address book window: a read-only list of every contact over QGEN on the
// left, the detail panel and the commands over T_Rubrica on the right. Created
// once and reused: control states and a pending row survive the close box.

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "addressbook/UrlOpener.h"

class TRowCursor;
class TFDB;
class TMessageBoxes;
class QAction;
class QFrame;
class QLineEdit;
class QPlainTextEdit;
class QStatusBar;
class QTableView;
class QToolButton;
class QWidget;
namespace brivano {
class TGridModel;
class TGrigliaFiltrata;
class TStrumentiRubrica;
}  // namespace brivano

// The three control states of the window.
enum class TStatoRubrica { Consultazione, Modifica, Conferma };

class TFRubrica : public QDialog {
    Q_OBJECT
  public:
    TFRubrica(TFDB& fdb, TMessageBoxes& boxes, QWidget* parent = nullptr);
    ~TFRubrica() override;

    // Called by the main window when the program is closing: a pending new or
    // edited contact is saved (Yes) or dropped (No) on the user's word. When
    // it cannot be written the engine's error escapes and the row stays pending.
    void ChiediSalvataggio();
    // True while T_Rubrica holds a new or edited row not yet written.
    bool SchedaInSospeso() const;

    // Links go through `opener` from here on (it must outlive the window).
    void SetUrlOpener(TUrlOpener& opener) { opener_ = &opener; }

    // Handlers; each reports escaping errors on the general error display.
    void FormShow();
    void Nuovo1Click();
    void Modifica1Click();
    void Salva1Click();
    void Annulla1Click();
    void Cancella1Click();
    void Esci1Click();
    void DBGrid1DblClick();
    void SpeedButton1Click();
    void SpeedButton2Click();

    TStatoRubrica Stato() const { return stato_; }

    // Components, by their object names.
    QAction *Nuovo1, *Modifica1, *Salva1, *Cancella1, *Annulla1, *Esci1;
    QToolButton *TBNuovo, *TBModifica, *TBSalva, *TBCancella, *TBAnnulla, *TBEsci;
    QWidget* DBNavigator1;
    QToolButton *NavFirst, *NavPrior, *NavNext, *NavLast;
    QFrame *Panel1, *Panel2, *Panel3;
    QTableView* DBGrid1;
    QLineEdit *Ragione_Sociale, *Tipo, *CAP, *Citta, *EMail, *Sito;
    QPlainTextEdit* Note;
    QToolButton *SpeedButton1, *SpeedButton2;
    QStatusBar* StatusBar2;
    // Search box, import, export and the do-not-mail list.
    brivano::TStrumentiRubrica* Strumenti;

  protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct TCampo {
        QWidget* control;
        std::string field;
    };

    void CreaComponenti();
    void Scorri(void (TRowCursor::*passo)());  // the navigator's moves
    void ImpostaStato(TStatoRubrica stato);
    // Data-aware controls: screen -> row before writing, row -> screen on notices.
    void ScriviCampi();
    void AggiornaCampi();
    void AggiornaNavigatore();
    void AggiornaSelezioneGriglia();
    void SelezioneGrigliaCambiata(int row);
    static std::string Testo(const QWidget* control);
    // Hands the field's link to the desktop when the rule allows it, else says why not.
    void ApriCollegamento(const char* field, std::optional<std::string> (*link)(const std::string&),
                          std::string (*rifiuto)(const std::string&));

    TFDB& fdb_;
    TMessageBoxes& boxes_;
    TDesktopUrlOpener desktop_;
    TUrlOpener* opener_ = &desktop_;
    brivano::TGridModel* model_ = nullptr;
    brivano::TGrigliaFiltrata* filtrata_ = nullptr;
    std::vector<TCampo> campi_;
    TStatoRubrica stato_ = TStatoRubrica::Consultazione;
    int tableListener_ = 0, queryListener_ = 0;
    bool syncingGrid_ = false;
    bool silenzio_ = false;  // no detail refresh while a handler walks the table
    bool shownOnce_ = false;
};
