// The address book window on a real archive in a temporary year folder,
// offscreen, with scripted answers and a recorder in place of the desktop.
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

#include "FileSizeLimit.h"
#include "RecordingMessageBoxes.h"
#include "TempDir.h"
#include "addressbook/F_Rubrica.h"
#include "archive/F_DB.h"
#include "ui/Colors.h"

namespace {

constexpr const char* kAlias = "DBrivano10";
const QColor kSkyBlue = ColourFromBgr(15780518);

const std::string kDeleteText =
    "ATTENZIONE - RICHIESTA CANCELLAZIONE SCHEDA\r\r"
    "E' stato chiesto di Cancellare la scheda corrente.\r\r"
    "Confermi l'operazione?";

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

using TRow = std::vector<std::pair<std::string, std::string>>;

class FRubricaTest : public ::testing::Test {
  protected:
    FRubricaTest() {
        std::filesystem::create_directory(year);
        fdb.PuntaAlias(kAlias, year);
        fdb.CreaTabella(kAlias, "Rubrica.DB", DefinizioneRubrica);
        fdb.LegaQuery(kAlias);
        fdb.LegaTabella(fdb.T_Rubrica, kAlias, "Rubrica.DB");
        boxes.boxes.clear();
        w.SetUrlOpener(opener);
        fdb.QGEN.Subscribe([this](TCursorEvent e) {
            if (e == TCursorEvent::RowsChanged && fdb.QGEN.Active()) ++listRuns;
        });
    }

    // Rows written straight into the table before the window sees them.
    void Add(const TRow& row) {
        TTable& t = fdb.T_Rubrica;
        t.Open();
        t.Append();
        for (const auto& [field, value] : row) t.SetFieldValue(field, value);
        t.Post();
        t.Close();
    }
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

    // While the disk is "full" no file may grow by more than a few pages, so
    // writing a long note fails.
    void SetDiskFull(bool full) {
        if (full)
            diskFull_.emplace(
                static_cast<rlim_t>(std::filesystem::file_size(year + "Rubrica.DB") + 4096));
        else
            diskFull_.reset();
    }

    TScopedXdgHome home;
    TTempDir root;
    std::string year = CartellaAnno(root.str(), "2010");
    TBoxes boxes;
    TFDB fdb{boxes};
    TRecordingOpener opener;
    int listRuns = 0;
    TFRubrica w{fdb, boxes};
    std::optional<TScopedFileSizeLimit> diskFull_;
};

TEST_F(FRubricaTest, EveryCommandSetsTheWholeStateTable) {
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
    };
    for (const auto& step : steps) {
        step.run();
        EXPECT_EQ(Enabled(), step.after) << step.command;
        EXPECT_EQ(fdb.T_Rubrica.State(), step.mode) << step.command;
    }
    EXPECT_EQ(duringConfirm, kConfirming);
    EXPECT_TRUE(boxes.Errors().empty());
}

TEST_F(FRubricaTest, OnAnEmptyBook) {
    Show();
    QTest::mouseDClick(w.DBGrid1->viewport(), Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_EQ(fdb.T_Rubrica.RowNumber(), 0);  // the double-click moved nothing

    boxes.answers = {TConfirmAnswer::Yes};
    w.TBCancella->click();
    EXPECT_EQ(boxes.Errors(),
              std::vector<std::string>{"Cannot perform this operation on an empty dataset."});
    EXPECT_EQ(Enabled(), kBrowsing);

    w.Modifica1->trigger();  // starts a new contact
    EXPECT_EQ(fdb.T_Rubrica.State(), TCursorState::Inserting);
    EXPECT_EQ(QApplication::focusWidget(), w.Ragione_Sociale);
    w.TBSalva->click();
    ASSERT_EQ(fdb.T_Rubrica.RecordCount(), 1);
    EXPECT_TRUE(fdb.T_Rubrica.FieldValue("OrdNum").has_value());
    for (const char* f : {"Tipo", "Ragione_Sociale", "Citta", "Cap", "EMail", "Sito", "Note"})
        EXPECT_EQ(fdb.T_Rubrica.FieldValue(f), std::nullopt) << f;
    EXPECT_EQ(fdb.QGEN.RecordCount(), 1);
    EXPECT_EQ(boxes.Errors().size(), 1u);
}

TEST_F(FRubricaTest, SaveWritesTheScreenAndReRunsTheListWhileTheDetailStaysOnTheRow) {
    AddNames({"Carlo", "Anna", "Bruno"});
    Show();
    EXPECT_EQ(w.Ragione_Sociale->text(), "Carlo");  // the table's first row
    w.NavLast->click();
    ClickGridRow(2);
    const int runs = listRuns;
    w.TBModifica->click();
    Type(w.Ragione_Sociale, "Zeno");
    Type(w.Citta, QString::fromUtf8("Città di Castello"));
    w.TBSalva->click();  // the focus is still in Citta

    EXPECT_EQ(listRuns, runs + 1);
    EXPECT_EQ(w.DBGrid1->currentIndex().row(), 0);
    EXPECT_EQ(fdb.QGEN.RowNumber(), 1);
    EXPECT_EQ(ListValue(3, "Ragione_Sociale"), "Zeno");
    EXPECT_EQ(fdb.T_Rubrica.RowNumber(), 3);
    EXPECT_EQ(Value("Citta"), "Città di Castello");
    EXPECT_EQ(w.Ragione_Sociale->text(), "Zeno");
}

TEST_F(FRubricaTest, CancelDropsTheRowWithoutReRunningTheList) {
    AddNames({"Anna"});
    Show();
    const int runs = listRuns;
    w.TBNuovo->click();
    Type(w.Ragione_Sociale, "Bruno");
    Type(w.Tipo, "Cliente");
    w.TBAnnulla->click();
    EXPECT_EQ(listRuns, runs);
    EXPECT_EQ(fdb.T_Rubrica.RecordCount(), 1);
    EXPECT_EQ(w.Ragione_Sociale->text(), "Anna");
    EXPECT_EQ(w.Tipo->text(), "");
}

TEST_F(FRubricaTest, DeleteRemovesTheDetailRowNotTheHighlightedOneAndOnlyOnYes) {
    AddNames({"Carlo", "Anna", "Bruno"});
    Show();
    ClickGridRow(0);  // Anna highlighted; the detail still shows Carlo
    const int runs = listRuns;
    boxes.answers = {TConfirmAnswer::No};  // then an empty script: Escape or the close box
    w.Cancella1->trigger();
    w.TBCancella->click();
    EXPECT_EQ(fdb.T_Rubrica.RecordCount(), 3);
    EXPECT_EQ(listRuns, runs);

    boxes.answers = {TConfirmAnswer::Yes};
    w.TBCancella->click();
    ASSERT_EQ(boxes.boxes.size(), 3u);
    EXPECT_EQ(boxes.boxes[2], (TRecordedBox{TRecordedBox::Kind::Confirm, "Confirm", kDeleteText}));
    EXPECT_EQ(fdb.T_Rubrica.RecordCount(), 2);
    EXPECT_EQ(w.Ragione_Sociale->text(), "Anna");  // the following row
    EXPECT_EQ(listRuns, runs + 1);
    EXPECT_EQ(ListValue(1, "Ragione_Sociale"), "Anna");
    EXPECT_EQ(ListValue(2, "Ragione_Sociale"), "Bruno");
    EXPECT_EQ(Enabled(), kBrowsing);
}

TEST_F(FRubricaTest, DoubleClickBringsTheDetailToTheListRowByOrdNum) {
    AddNames({"Carlo", "Anna", "Bruno"});
    Show();
    QTest::mouseDClick(w.DBGrid1->viewport(), Qt::LeftButton, {}, GridRow(1));
    EXPECT_EQ(fdb.T_Rubrica.RowNumber(), 3);
    EXPECT_EQ(w.Ragione_Sociale->text(), "Bruno");
    EXPECT_EQ(Enabled(), kBrowsing);

    // The table no longer holds the list's row: the walk ends on the last row.
    fdb.T_Rubrica.Delete();
    QTest::mouseDClick(w.DBGrid1->viewport(), Qt::LeftButton, {}, GridRow(1));
    EXPECT_EQ(fdb.T_Rubrica.RowNumber(), 2);

    // A closed list raises before anything moves.
    w.NavFirst->click();
    fdb.QGEN.Close();
    w.DBGrid1DblClick();
    EXPECT_EQ(boxes.Errors().size(), 1u);
    EXPECT_EQ(fdb.T_Rubrica.RowNumber(), 1);
}

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
    EXPECT_EQ(fdb.T_Rubrica.RecordCount(), 2);
}

TEST_F(FRubricaTest, QuittingAsksAboutAPendingContactAndFollowsTheAnswer) {
    AddNames({"Anna"});
    Show();
    for (TConfirmAnswer answer : {TConfirmAnswer::Yes, TConfirmAnswer::No}) {
        const int before = fdb.T_Rubrica.RecordCount();
        w.TBNuovo->click();
        Type(w.Ragione_Sociale, "Pendente");
        w.close();
        boxes.answers = {answer};
        w.ChiediSalvataggio();
        EXPECT_FALSE(w.SchedaInSospeso());
        EXPECT_EQ(fdb.T_Rubrica.RecordCount(), before + (answer == TConfirmAnswer::Yes));
        EXPECT_EQ(Enabled(), kBrowsing);
        Show();
    }
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].kind, TRecordedBox::Kind::Confirm);
}

TEST_F(FRubricaTest, QuittingWithNothingPendingAsksNothing) {
    AddNames({"Anna"});
    Show();
    w.close();
    w.ChiediSalvataggio();
    EXPECT_TRUE(boxes.boxes.empty());
}

// A year change settles a pending row and closes the table while the window
// is away: the next showing is back to browsing.
TEST_F(FRubricaTest, ATableClosedWhileAwayShowsBrowsingAgain) {
    AddNames({"Anna"});
    Show();
    w.TBNuovo->click();
    w.close();
    fdb.T_Rubrica.Cancel();
    fdb.T_Rubrica.Close();
    Show();
    EXPECT_EQ(Enabled(), kBrowsing);
}

TEST_F(FRubricaTest, AFailedSaveKeepsTheRowPendingAndTheWindowOpen) {
    Show();
    w.TBNuovo->click();
    Type(w.Ragione_Sociale, "Bruno");
    w.Note->setPlainText(QString(QString(99, QChar(u'x')) + "\n").repeated(10000));  // pasted
    w.Note->document()->setModified(true);
    SetDiskFull(true);
    w.TBSalva->click();
    EXPECT_EQ(boxes.Errors().size(), 1u);
    EXPECT_EQ(Enabled(), kBrowsing);
    EXPECT_TRUE(w.SchedaInSospeso());

    w.TBModifica->click();  // back to editing, the same new row
    EXPECT_EQ(fdb.T_Rubrica.State(), TCursorState::Inserting);
    EXPECT_EQ(w.Ragione_Sociale->text(), "Bruno");
    w.TBSalva->click();
    boxes.answers = {TConfirmAnswer::Yes};
    w.TBEsci->click();  // asks, fails again, stays
    EXPECT_EQ(boxes.Errors().size(), 3u);
    EXPECT_TRUE(w.isVisible());
    boxes.answers = {TConfirmAnswer::Yes};
    EXPECT_THROW(w.ChiediSalvataggio(), EArchiveError);  // the quitting program stays open
    EXPECT_TRUE(w.SchedaInSospeso());

    SetDiskFull(false);
    boxes.answers = {TConfirmAnswer::Yes};
    w.TBEsci->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(fdb.T_Rubrica.Active());
    fdb.T_Rubrica.Open();
    EXPECT_EQ(Value("Ragione_Sociale"), "Bruno");
}

TEST_F(FRubricaTest, ShowingReportsAMissingFileAndEsciClosesTheTable) {
    fdb.LegaTabella(fdb.T_Rubrica, kAlias, "Manca.DB");
    Show();
    EXPECT_EQ(boxes.Errors().size(), 1u);
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(fdb.QGEN.Active());  // the list was not run

    w.TBEsci->click();
    fdb.LegaTabella(fdb.T_Rubrica, kAlias, "Rubrica.DB");
    AddNames({"Anna", "Bruno"});
    Show();
    w.NavLast->click();
    w.TBEsci->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(fdb.T_Rubrica.Active());
    Show();
    EXPECT_EQ(w.Ragione_Sociale->text(), "Anna");
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

TEST_F(FRubricaTest, LinkButtonsHandTheRowValuesToTheDesktopUnderTheLinkRules) {
    Add({{"Sito", "www.example.it"}, {"EMail", "anna rossi@example.it"}});
    Show();
    EXPECT_FALSE(w.SpeedButton1->isEnabled());  // browsing: the detail panel is off
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

    w.Sito->setFocus(Qt::TabFocusReason);
    w.Sito->clear();
    w.Sito->setModified(true);
    w.Tipo->setFocus(Qt::TabFocusReason);
    w.SpeedButton1->click();  // an empty site does nothing
    EXPECT_EQ(opener.opened.size(), 3u);
    EXPECT_EQ(boxes.Messages().size(), 1u);
}

}  // namespace
