#pragma once
// The main window: menus and tool bar that open the other windows, the
// product picture, the working year and a clock. When first shown it runs the
// start-up sequence.

#include <QMainWindow>
#include <functional>
#include <string>

class QAction;
class QDialog;
class QFrame;
class QLabel;
class QMenu;
class QStatusBar;
class QTimer;
class QToolBar;
class QToolButton;
class TConfigurazioneLetta;
class TFDB;
class TMessageBoxes;

class TFMain : public QMainWindow {
    Q_OBJECT
  public:
    // The data module and the windows the commands open, created after the
    // main window; a missing one makes its command do nothing.
    struct TFinestre {
        TFDB* FDB = nullptr;
        QDialog* FInvioMail = nullptr;
        QDialog* FF_About = nullptr;
        QDialog* FCambioAnno = nullptr;
        QDialog* FCreaArchivio = nullptr;
        QDialog* FRubrica = nullptr;
        // Asks to save a pending contact before the program ends.
        std::function<void()> ChiediSalvataggio;
        QDialog* FImpostazioniInvio = nullptr;
        QDialog* FStoricoInvii = nullptr;
        QDialog* FRimbalziCancellazioni = nullptr;
        // The welcome, offered once after a first start.
        std::function<void()> Benvenuto;
        // Plans the mailbox checks from the configuration the start-up
        // sequence read (nothing when it could not read it).
        std::function<void(const TConfigurazioneLetta*)> PianificaPosta;
    };

    // `cartellaProgramma` is the executable's folder with a trailing "/".
    TFMain(TMessageBoxes& boxes, std::string cartellaProgramma, bool cartellaScrivibile,
           QWidget* parent = nullptr);

    void ImpostaFinestre(TFinestre finestre);

    // The start-up sequence, then the welcome after a first start; errors go
    // to the error display.
    void FormShow();
    void MostraAnno(const std::string& anno);

    void Rubrica1Click();
    void InvioMailClick();
    void Esci1Click();
    void CambioAnno1Click();
    void CreaNuovoArchivio1Click();
    void ImpostazioniInvio1Click();
    void StoricoInvii1Click();
    void RimbalziCancellazioni1Click();
    void About1Click();
    void Timer1Timer();

    // Components, by their object names.
    QMenu *Documenti1, *Strumenti1, *Aiuto1;
    QAction *Rubrica1, *InvioMail, *N1, *Esci1, *CambioAnno1, *CreaNuovoArchivio1, *About1;
    QAction* ImpostazioniInvio1;
    QAction* StoricoInvii1;
    QFrame* CoolBar1;
    QToolBar* ToolBar1;
    QToolButton *ToolButton1, *ToolButton3;
    QLabel* Image1;
    QLabel* Label2;
    QLabel* StaticText1;
    QStatusBar* StatusBar1;
    QLabel* Panels[3];
    QTimer* Timer1;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void CreaMenu();
    void CreaBarraStrumenti(QWidget* client);
    void CreaBarraStato();
    void Mostra(QDialog* window);
    // The mailing window opens beside this one, whose menus stay usable
    // while it is open; one already open comes forward.
    void MostraAccanto(QDialog* window);
    // A contact left pending in the address book is saved or dropped, as the
    // user says, before the program ends or the working year moves; false
    // when it could not be saved.
    bool SistemaSchedaInSospeso();

    TMessageBoxes& boxes_;
    std::string cartellaProgramma_;
    bool scrivibile_;
    TFinestre finestre_;
    bool shown_ = false;
};
