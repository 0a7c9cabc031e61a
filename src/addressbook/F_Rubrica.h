#pragma once
// The address book window: a read-only list of every contact over QGEN on the
// left, the detail panel and the commands over T_Rubrica on the right. It
// forwards its events to the address book's controller and shows what that
// says. Created once and reused: control states and a pending row survive the
// close box.

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

#include "addressbook/UrlOpener.h"
#include "workflow/VistaRubrica.h"

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
class TControlloRubrica;
class TGridModel;
class TGrigliaFiltrata;
class TStrumentiRubrica;
}  // namespace brivano

class TFRubrica : public QDialog, public brivano::TVistaRubrica {
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

    // Handlers, forwarded to the controller; each reports escaping errors on
    // the general error display.
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

    brivano::TStatoRubrica Stato() const;

    // What the controller shows.
    void MostraControlli(const brivano::TControlliRubrica& controlli) override;
    void MostraScheda(const brivano::TTestiCampi& testi) override;
    void MostraNavigatore(bool indietro, bool avanti) override;
    void MostraRigaElenco(int riga) override;
    brivano::TTestiCampi CampiModificati() const override;
    void FuocoPrimoCampo() override;
    void Chiudi() override;
    void ApriCollegamento(const std::string& url) override;

    // Components, by their object names.
    QAction *Nuovo1{}, *Modifica1{}, *Salva1{}, *Cancella1{}, *Annulla1{}, *Esci1{};
    QToolButton *TBNuovo{}, *TBModifica{}, *TBSalva{}, *TBCancella{}, *TBAnnulla{}, *TBEsci{};
    QWidget* DBNavigator1{};
    QToolButton *NavFirst{}, *NavPrior{}, *NavNext{}, *NavLast{};
    QFrame *Panel1{}, *Panel2{}, *Panel3{};
    QTableView* DBGrid1{};
    QLineEdit *Ragione_Sociale{}, *Tipo{}, *CAP{}, *Citta{}, *EMail{}, *Sito{};
    QPlainTextEdit* Note{};
    QToolButton *SpeedButton1{}, *SpeedButton2{};
    QStatusBar* StatusBar2{};
    // Search box, import, export and the do-not-mail list.
    brivano::TStrumentiRubrica* Strumenti{};

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

    TFDB& fdb_;
    TMessageBoxes& boxes_;
    TDesktopUrlOpener desktop_;
    TUrlOpener* opener_ = &desktop_;
    brivano::TGridModel* model_ = nullptr;
    brivano::TGrigliaFiltrata* filtrata_ = nullptr;
    std::vector<TCampo> campi_;
    std::unique_ptr<brivano::TControlloRubrica> controllo_;
    bool shownOnce_ = false;
};
