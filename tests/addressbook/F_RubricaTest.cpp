// The address book window's wiring on a real archive in a temporary year
// folder, offscreen: its controls reach the controller and it shows what the
// controller says. The commands' logic is tested with the controller itself.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <functional>
#include <optional>

#include "RecordingMessageBoxes.h"
#include "RubricaDiProva.h"
#include "TempDir.h"
#include "addressbook/F_Rubrica.h"
#include "archive/F_DB.h"
#include "ui/Colors.h"

namespace {

constexpr const char* kAlias = "DBrivano10";
const QColor kSkyBlue = ColourFromBgr(15780518);

// Enabled state of the controls of the state table, in its order.
const std::vector<bool> kBrowsing{1, 1, 1, 1, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 0};
const std::vector<bool> kEditing{0, 0, 0, 0, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 1};
const std::vector<bool> kConfirming(15, false);

class TBoxes : public TRecordingMessageBoxes {
  public:
    TConfirmAnswer Confirm(const std::string& caption, const std::string& text) override {
        if (onConfirm) onConfirm();
        return TRecordingMessageBoxes::Confirm(caption, text);
    }
    std::function<void()> onConfirm;
};

class TRecordingOpener : public TUrlOpener {
  public:
    void Open(const std::string& url) override { opened.push_back(url); }
    std::vector<std::string> opened;
};

using TRow = TRigaDiProva;

class FRubricaTest : public ::testing::Test {
  protected:
    FRubricaTest() {
        PreparaAnnoDiProva(fdb, kAlias, year);
        boxes.boxes.clear();
        w.SetUrlOpener(opener);
        fdb.QGEN.Subscribe([this](TCursorEvent e) {
            if (e == TCursorEvent::RowsChanged && fdb.QGEN.Active()) ++listRuns;
        });
    }

    // Rows written straight into the table before the window sees them.
    void Add(const TRow& row) { ScriviRigaDiProva(fdb, row); }
    void AddNames(std::initializer_list<const char*> names) {
        for (const char* n : names) Add({{"Ragione_Sociale", n}});
    }

    void Show() {
        w.show();
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    }

    std::vector<bool> Enabled() const {
        return {w.Nuovo1->isEnabled(),       w.TBNuovo->isEnabled(),   w.Modifica1->isEnabled(),
                w.TBModifica->isEnabled(),   w.Salva1->isEnabled(),    w.TBSalva->isEnabled(),
                w.Annulla1->isEnabled(),     w.TBAnnulla->isEnabled(), w.Cancella1->isEnabled(),
                w.TBCancella->isEnabled(),   w.Esci1->isEnabled(),     w.TBEsci->isEnabled(),
                w.DBNavigator1->isEnabled(), w.Panel2->isEnabled(),    w.Panel3->isEnabled()};
    }

    std::string Value(const std::string& field) const {
        return fdb.T_Rubrica.FieldValue(field).value_or("<null>");
    }
    std::string ListValue(int rowNumber, const std::string& field) const {
        return fdb.QGEN.ValueAt(rowNumber, fdb.QGEN.FieldIndex(field)).value_or("<null>");
    }

    void Type(QWidget* control, const QString& text) {
        control->setFocus(Qt::TabFocusReason);
        if (auto* edit = qobject_cast<QLineEdit*>(control)) edit->selectAll();
        TypeHere(control, text);
    }
    // Keystrokes carrying any character, accented ones included.
    static void TypeHere(QWidget* control, const QString& text) {
        for (QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QString(c));
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QString(c));
            QApplication::sendEvent(control, &press);
            QApplication::sendEvent(control, &release);
        }
    }

    QPoint GridRow(int row) const {
        return w.DBGrid1->visualRect(w.DBGrid1->model()->index(row, 0)).center();
    }
    void ClickGridRow(int row) {
        QTest::mouseClick(w.DBGrid1->viewport(), Qt::LeftButton, {}, GridRow(row));
    }

    TScopedXdgHome home;
    TTempDir root;
    std::string year = CartellaAnno(root.str(), "2010");
    TBoxes boxes;
    TFDB fdb{boxes};
    TRecordingOpener opener;
    int listRuns = 0;
    TFRubrica w{fdb, boxes};
};

TEST_F(FRubricaTest, EveryMenuItemAndButtonReachesItsCommandAndTheControlsFollow) {
    AddNames({"Anna"});
    EXPECT_EQ(Enabled(), kBrowsing);
    Show();
    std::vector<bool> duringConfirm;
    boxes.onConfirm = [&] { duringConfirm = Enabled(); };
    const struct {
        const char* command;
        std::function<void()> run;
        const std::vector<bool>& after;
        TCursorState mode;
    } steps[] = {
        {"Nuovo (menu)", [&] { w.Nuovo1->trigger(); }, kEditing, TCursorState::Inserting},
        {"Annulla (button)", [&] { w.TBAnnulla->click(); }, kBrowsing, TCursorState::Browsing},
        {"Modifica (button)", [&] { w.TBModifica->click(); }, kEditing, TCursorState::Editing},
        {"Salva (menu)", [&] { w.Salva1->trigger(); }, kBrowsing, TCursorState::Browsing},
        {"Nuovo (button)", [&] { w.TBNuovo->click(); }, kEditing, TCursorState::Inserting},
        {"Salva (button)", [&] { w.TBSalva->click(); }, kBrowsing, TCursorState::Browsing},
        {"Modifica (menu)", [&] { w.Modifica1->trigger(); }, kEditing, TCursorState::Editing},
        {"Annulla (menu)", [&] { w.Annulla1->trigger(); }, kBrowsing, TCursorState::Browsing},
        {"Cancella (menu)", [&] { w.Cancella1->trigger(); }, kBrowsing, TCursorState::Browsing},
        {"Cancella (button)", [&] { w.TBCancella->click(); }, kBrowsing, TCursorState::Browsing},
    };
    for (const auto& step : steps) {
        if (QWidget* focus = QApplication::focusWidget()) focus->clearFocus();
        step.run();
        EXPECT_EQ(Enabled(), step.after) << step.command;
        EXPECT_EQ(fdb.T_Rubrica.State(), step.mode) << step.command;
        if (step.mode != TCursorState::Browsing) {
            EXPECT_EQ(QApplication::focusWidget(), w.Ragione_Sociale) << step.command;
        }
    }
    EXPECT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(duringConfirm, kConfirming);
    EXPECT_TRUE(boxes.Errors().empty());
}

TEST_F(FRubricaTest, TheNavigatorMovesTheDetailAndShowsWhereItCanGo) {
    AddNames({"Anna", "Bruno"});
    Show();
    EXPECT_FALSE(w.NavFirst->isEnabled() || w.NavPrior->isEnabled());
    w.NavLast->click();
    EXPECT_EQ(w.Ragione_Sociale->text(), "Bruno");
    EXPECT_TRUE(w.NavFirst->isEnabled() && w.NavPrior->isEnabled());
    EXPECT_FALSE(w.NavNext->isEnabled() || w.NavLast->isEnabled());
    w.NavPrior->click();
    EXPECT_EQ(w.Ragione_Sociale->text(), "Anna");
    w.NavNext->click();
    EXPECT_EQ(w.Ragione_Sociale->text(), "Bruno");
    w.NavFirst->click();
    EXPECT_EQ(w.Ragione_Sociale->text(), "Anna");
}

// Typed texts reach the row on saving even while the focus is still in the
// edit, and the grid follows the list as it is re-run.
TEST_F(FRubricaTest, SaveTakesTheScreenTextsAndTheGridFollowsTheList) {
    AddNames({"Carlo", "Anna", "Bruno"});
    Show();
    EXPECT_EQ(w.Ragione_Sociale->text(), "Carlo");  // the table's first row
    EXPECT_EQ(w.DBGrid1->currentIndex().row(), 0);
    w.NavLast->click();
    ClickGridRow(2);
    EXPECT_EQ(fdb.QGEN.RowNumber(), 3);
    const int runs = listRuns;
    w.TBModifica->click();
    Type(w.Ragione_Sociale, "Zeno");
    Type(w.Citta, QString::fromUtf8("Città di Castello"));
    Type(w.Note, "riga");
    w.TBSalva->click();  // the focus is still in Note

    EXPECT_EQ(listRuns, runs + 1);
    EXPECT_EQ(w.DBGrid1->currentIndex().row(), 0);
    EXPECT_EQ(fdb.QGEN.RowNumber(), 1);
    EXPECT_EQ(ListValue(3, "Ragione_Sociale"), "Zeno");
    EXPECT_EQ(Value("Citta"), "Città di Castello");
    EXPECT_EQ(Value("Note"), "riga");
    EXPECT_EQ(w.Ragione_Sociale->text(), "Zeno");
}

TEST_F(FRubricaTest, DoubleClickingAGridRowBringsTheDetailToIt) {
    AddNames({"Carlo", "Anna", "Bruno"});
    Show();
    QTest::mouseDClick(w.DBGrid1->viewport(), Qt::LeftButton, {}, GridRow(1));
    EXPECT_EQ(fdb.T_Rubrica.RowNumber(), 3);
    EXPECT_EQ(w.Ragione_Sociale->text(), "Bruno");
    EXPECT_EQ(Enabled(), kBrowsing);
}

TEST_F(FRubricaTest, OnAnEmptyBookTheGridShowsNoRowAndADoubleClickMovesNothing) {
    Show();
    EXPECT_FALSE(w.DBGrid1->currentIndex().isValid());
    QTest::mouseDClick(w.DBGrid1->viewport(), Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_EQ(fdb.T_Rubrica.RowNumber(), 0);
    EXPECT_TRUE(boxes.boxes.empty());
}

// The text typed into a pending contact is still on screen after the close
// box and is what "Salva" stores.
TEST_F(FRubricaTest, APendingContactSurvivesTheCloseBox) {
    AddNames({"Anna"});
    Show();
    w.TBNuovo->click();
    Type(w.Ragione_Sociale, "Bruno");
    w.close();
    EXPECT_EQ(fdb.T_Rubrica.State(), TCursorState::Inserting);
    Show();
    EXPECT_EQ(Enabled(), kEditing);
    EXPECT_EQ(w.Ragione_Sociale->text(), "Bruno");
    w.TBSalva->click();
    EXPECT_EQ(fdb.T_Rubrica.RowCount(), 2);
    fdb.T_Rubrica.Last();
    EXPECT_EQ(Value("Ragione_Sociale"), "Bruno");
}

TEST_F(FRubricaTest, QuittingSavesTheTextStillOnScreen) {
    Show();
    w.TBNuovo->click();
    Type(w.Ragione_Sociale, "Pendente");
    w.close();
    boxes.answers = {TConfirmAnswer::Yes};
    w.ChiediSalvataggio();
    EXPECT_FALSE(w.SchedaInSospeso());
    EXPECT_EQ(Value("Ragione_Sociale"), "Pendente");
    EXPECT_EQ(Enabled(), kBrowsing);
}

TEST_F(FRubricaTest, ShowingReportsAMissingFileAndEsciClosesTheWindow) {
    fdb.LegaTabella(fdb.T_Rubrica, kAlias, "Manca.DB");
    Show();
    EXPECT_EQ(boxes.Errors().size(), 1u);
    EXPECT_TRUE(w.isVisible());

    w.TBEsci->click();
    EXPECT_FALSE(w.isVisible());
    fdb.LegaTabella(fdb.T_Rubrica, kAlias, "Rubrica.DB");
    AddNames({"Anna", "Bruno"});
    Show();
    w.NavLast->click();
    w.Esci1->trigger();
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(fdb.T_Rubrica.Active());
    Show();
    EXPECT_EQ(w.Ragione_Sociale->text(), "Anna");
}

// Escape must not close a window that has no cancel button.
TEST_F(FRubricaTest, EscapeDoesNotCloseTheWindow) {
    Show();
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_TRUE(w.isVisible());
}

TEST_F(FRubricaTest, EditsRefuseInputBeyondTheirColumnsAndTheMemoTakesAnyLength) {
    Show();
    w.TBNuovo->click();
    const struct {
        QLineEdit* edit;
        const char* field;
        int longest;
    } edits[] = {{w.Ragione_Sociale, "Ragione_Sociale", 60},
                 {w.Tipo, "Tipo", 60},
                 {w.CAP, "Cap", 5},
                 {w.Citta, "Citta", 40},
                 {w.EMail, "EMail", 100},
                 {w.Sito, "Sito", 100}};
    for (const auto& e : edits) Type(e.edit, QString(e.longest + 7, QChar(u'à')));
    Type(w.Note, QString(700, QChar(u'n')));
    w.TBSalva->click();
    EXPECT_TRUE(boxes.Errors().empty());
    for (const auto& e : edits)
        EXPECT_EQ(QString::fromStdString(Value(e.field)).size(), e.longest) << e.field;
    EXPECT_EQ(Value("Note").size(), 700u);
}

TEST_F(FRubricaTest, EnteringAFieldHighlightsItAndLeavingMovesItsTextIntoTheRow) {
    Show();
    const QColor plain = QApplication::palette().color(QPalette::Base);
    w.TBNuovo->click();
    EXPECT_EQ(w.Ragione_Sociale->palette().color(QPalette::Base), kSkyBlue);
    TypeHere(w.Ragione_Sociale, "Anna");
    EXPECT_EQ(fdb.T_Rubrica.FieldValue("Ragione_Sociale"), std::nullopt);  // on screen only
    w.Note->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(w.Ragione_Sociale->palette().color(QPalette::Base), plain);
    EXPECT_EQ(w.Note->palette().color(QPalette::Base), kSkyBlue);
    EXPECT_EQ(Value("Ragione_Sociale"), "Anna");
    TypeHere(w.Note, "riga");
    w.Tipo->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(w.Note->palette().color(QPalette::Base), plain);
    EXPECT_EQ(Value("Note"), "riga");
}

TEST_F(FRubricaTest, LinkButtonsWorkOnlyWhileEditingAndGoThroughTheOpener) {
    Add({{"Sito", "www.example.it"}, {"EMail", "anna rossi@example.it"}});
    Show();
    EXPECT_FALSE(w.SpeedButton1->isEnabled());  // browsing: the detail panel is off
    EXPECT_FALSE(w.SpeedButton2->isEnabled());
    w.TBModifica->click();
    w.SpeedButton1->click();
    w.SpeedButton2->click();
    Type(w.Sito, "file:///etc/passwd");
    w.SpeedButton1->click();  // still on screen only: the row's value opens
    w.Tipo->setFocus(Qt::TabFocusReason);
    w.SpeedButton1->click();  // refused
    EXPECT_EQ(opener.opened,
              (std::vector<std::string>{"http://www.example.it", "mailto:anna rossi@example.it",
                                        "http://www.example.it"}));
    EXPECT_EQ(boxes.Messages().size(), 1u);
}

}  // namespace
