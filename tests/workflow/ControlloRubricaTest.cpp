// The address book's controller on a real archive in a temporary year folder,
// with a recording window and scripted answers.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>

#include "FileSizeLimit.h"
#include "RecordingMessageBoxes.h"
#include "RubricaDiProva.h"
#include "TempDir.h"
#include "VistaRubricaFinta.h"
#include "archive/F_DB.h"
#include "archive/TableFile.h"
#include "workflow/ControlloRubrica.h"

namespace {

using brivano::TControlliRubrica;
using brivano::TControlloRubrica;
using brivano::TPassoNavigatore;
using brivano::TStatoRubrica;

constexpr const char* kAlias = "DBrivano10";

const std::string kDeleteText =
    "ATTENZIONE - RICHIESTA CANCELLAZIONE SCHEDA\r\r"
    "E' stato chiesto di Cancellare la scheda corrente.\r\r"
    "Confermi l'operazione?";
const std::string kSaveText =
    "ATTENZIONE - CONTATTO NON SALVATO\r\r"
    "Il contatto in corso di inserimento o modifica non è stato salvato.\r\r"
    "Salvarlo adesso?";

// nuovo, modifica, salva, annulla, cancella, esci, navigatore, elenco, dettaglio, contatti
const TControlliRubrica kBrowsing{1, 1, 0, 0, 1, 1, 1, 1, 0, 1};
const TControlliRubrica kEditing{0, 0, 1, 1, 0, 0, 0, 0, 1, 0};
const TControlliRubrica kConfirming{0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

using TRow = TRigaDiProva;

class ControlloRubricaTest : public ::testing::Test {
  protected:
    ControlloRubricaTest() {
        PreparaAnnoDiProva(fdb, kAlias, year);
        boxes.boxes.clear();
        fdb.QGEN.Subscribe([this](TCursorEvent e) {
            if (e == TCursorEvent::RowsChanged && fdb.QGEN.Active()) ++listRuns;
        });
    }

    // Rows written straight into the table before the controller sees them.
    void Add(const TRow& row) { ScriviRigaDiProva(fdb, row); }
    void AddNames(std::initializer_list<const char*> names) {
        for (const char* n : names) Add({{"Ragione_Sociale", n}});
    }

    std::string Value(const std::string& field) const {
        return fdb.T_Rubrica.FieldValue(field).value_or("<null>");
    }
    std::string ListValue(int rowNumber, const std::string& field) const {
        return fdb.QGEN.ValueAt(rowNumber, fdb.QGEN.FieldIndex(field)).value_or("<null>");
    }
    std::string Shown(const std::string& field) const { return view.scheda.at(field); }

    // The user types a text and leaves the field.
    void Enter(const std::string& field, const std::string& text) {
        view.Digita(field, text);
        c.CampoLasciato(field, text);
    }

    TScopedXdgHome home;
    TTempDir root;
    std::string year = CartellaAnno(root.str(), "2010");
    TRecordingMessageBoxes boxes;
    TFDB fdb{boxes};
    TVistaRubricaFinta view;
    int listRuns = 0;
    TControlloRubrica c{fdb, boxes, view};
};

TEST(ControlliPerStatoTest, EachStateEnablesItsControls) {
    EXPECT_EQ(brivano::ControlliPerStato(TStatoRubrica::Consultazione), kBrowsing);
    EXPECT_EQ(brivano::ControlliPerStato(TStatoRubrica::Modifica), kEditing);
    EXPECT_EQ(brivano::ControlliPerStato(TStatoRubrica::Conferma), kConfirming);
}

TEST_F(ControlloRubricaTest, StartsBrowsingWithAnEmptyPanel) {
    EXPECT_EQ(c.Stato(), TStatoRubrica::Consultazione);
    EXPECT_EQ(view.controlli, kBrowsing);
    ASSERT_EQ(view.scheda.size(), brivano::CampiScheda().size());
    for (const auto& [field, text] : view.scheda) EXPECT_EQ(text, "") << field;
    EXPECT_FALSE(view.indietro || view.avanti);
}

// Every command sets the whole state table before it touches T_Rubrica.
TEST_F(ControlloRubricaTest, EveryCommandSetsTheStateThenActsOnTheTable) {
    AddNames({"Anna"});
    c.Mostra();
    std::optional<TCursorState> modeWhenShown;
    view.suControlli = [&] { modeWhenShown = fdb.T_Rubrica.State(); };
    const struct {
        const char* command;
        std::function<void()> run;
        TStatoRubrica state;
        TCursorState modeBefore, modeAfter;
    } steps[] = {
        {"Nuovo", [&] { c.Nuovo(); }, TStatoRubrica::Modifica, TCursorState::Browsing,
         TCursorState::Inserting},
        {"Annulla", [&] { c.Annulla(); }, TStatoRubrica::Consultazione, TCursorState::Inserting,
         TCursorState::Browsing},
        {"Modifica", [&] { c.Modifica(); }, TStatoRubrica::Modifica, TCursorState::Browsing,
         TCursorState::Editing},
        {"Salva", [&] { c.Salva(); }, TStatoRubrica::Consultazione, TCursorState::Editing,
         TCursorState::Browsing},
        {"Nuovo again", [&] { c.Nuovo(); }, TStatoRubrica::Modifica, TCursorState::Browsing,
         TCursorState::Inserting},
        {"Salva again", [&] { c.Salva(); }, TStatoRubrica::Consultazione, TCursorState::Inserting,
         TCursorState::Browsing},
    };
    for (const auto& step : steps) {
        modeWhenShown.reset();
        step.run();
        EXPECT_EQ(c.Stato(), step.state) << step.command;
        EXPECT_EQ(view.controlli, brivano::ControlliPerStato(step.state)) << step.command;
        EXPECT_EQ(modeWhenShown, step.modeBefore) << step.command;
        EXPECT_EQ(fdb.T_Rubrica.State(), step.modeAfter) << step.command;
    }
    EXPECT_EQ(view.fuoco, 3);  // Nuovo, Modifica, Nuovo
    EXPECT_TRUE(boxes.Errors().empty());
}

// Every command from each of the three ways a contact can stand. The window
// sends only the enabled ones; the others must still lose nothing: they are
// refused by the engine or leave the row as it was. Delete and the save
// question at Esci are answered No.
TEST_F(ControlloRubricaTest, EachCommandInEachState) {
    enum class TDa { Consultazione, ModificaScheda, NuovaScheda };
    using C = TControlloRubrica;
    using S = TStatoRubrica;
    using M = TCursorState;
    const struct {
        TDa from;
        const char* command;
        void (C::*run)();
        S state;
        M mode;
        int rows, errors, boxes, closed;
    } cases[] = {
        {TDa::Consultazione, "Nuovo", &C::Nuovo, S::Modifica, M::Inserting, 1, 0, 0, 0},
        {TDa::Consultazione, "Modifica", &C::Modifica, S::Modifica, M::Editing, 1, 0, 0, 0},
        {TDa::Consultazione, "Salva", &C::Salva, S::Consultazione, M::Browsing, 1, 1, 0, 0},
        {TDa::Consultazione, "Annulla", &C::Annulla, S::Consultazione, M::Browsing, 1, 0, 0, 0},
        {TDa::Consultazione, "Cancella", &C::Cancella, S::Consultazione, M::Browsing, 1, 0, 1, 0},
        {TDa::Consultazione, "Esci", &C::Esci, S::Consultazione, M::Closed, 1, 0, 0, 1},
        {TDa::ModificaScheda, "Nuovo", &C::Nuovo, S::Modifica, M::Editing, 1, 1, 0, 0},
        {TDa::ModificaScheda, "Modifica", &C::Modifica, S::Modifica, M::Editing, 1, 0, 0, 0},
        {TDa::ModificaScheda, "Salva", &C::Salva, S::Consultazione, M::Browsing, 1, 0, 0, 0},
        {TDa::ModificaScheda, "Annulla", &C::Annulla, S::Consultazione, M::Browsing, 1, 0, 0, 0},
        {TDa::ModificaScheda, "Cancella", &C::Cancella, S::Consultazione, M::Editing, 1, 0, 1, 0},
        {TDa::ModificaScheda, "Esci", &C::Esci, S::Consultazione, M::Closed, 1, 0, 1, 1},
        {TDa::NuovaScheda, "Nuovo", &C::Nuovo, S::Modifica, M::Inserting, 1, 1, 0, 0},
        {TDa::NuovaScheda, "Modifica", &C::Modifica, S::Modifica, M::Inserting, 1, 0, 0, 0},
        {TDa::NuovaScheda, "Salva", &C::Salva, S::Consultazione, M::Browsing, 2, 0, 0, 0},
        {TDa::NuovaScheda, "Annulla", &C::Annulla, S::Consultazione, M::Browsing, 1, 0, 0, 0},
        {TDa::NuovaScheda, "Cancella", &C::Cancella, S::Consultazione, M::Inserting, 1, 0, 1, 0},
        {TDa::NuovaScheda, "Esci", &C::Esci, S::Consultazione, M::Closed, 1, 0, 1, 1},
    };
    AddNames({"Anna"});
    for (const auto& k : cases) {
        const std::string name =
            std::string(k.command) + " from case " + std::to_string(static_cast<int>(k.from));
        boxes.boxes.clear();
        view.chiusure = 0;
        fdb.T_Rubrica.Close();
        c.Mostra();
        if (k.from == TDa::ModificaScheda) c.Modifica();
        if (k.from == TDa::NuovaScheda) c.Nuovo();
        if (k.from != TDa::Consultazione) Enter("Tipo", "Cliente");
        (c.*k.run)();
        EXPECT_EQ(c.Stato(), k.state) << name;
        EXPECT_EQ(view.controlli, brivano::ControlliPerStato(k.state)) << name;
        EXPECT_EQ(fdb.T_Rubrica.State(), k.mode) << name;
        if (k.from != TDa::Consultazione && (k.mode == M::Editing || k.mode == M::Inserting)) {
            EXPECT_EQ(Value("Tipo"), "Cliente") << name;  // the typed row is still there
        }
        EXPECT_EQ(static_cast<int>(boxes.Errors().size()), k.errors) << name;
        EXPECT_EQ(static_cast<int>(boxes.boxes.size()) - k.errors, k.boxes) << name;
        EXPECT_EQ(view.chiusure, k.closed) << name;
        if (fdb.T_Rubrica.Active()) c.Annulla();
        fdb.T_Rubrica.Open();
        EXPECT_EQ(fdb.T_Rubrica.RowCount(), k.rows) << name;
        if (k.rows == 2) {  // back to one row for the next case
            fdb.T_Rubrica.Last();
            fdb.T_Rubrica.Delete();
        }
    }
}

TEST_F(ControlloRubricaTest, OnAnEmptyBook) {
    c.Mostra();
    c.CercaRigaElenco();
    EXPECT_EQ(fdb.T_Rubrica.RowNumber(), 0);  // the search moved nothing
    EXPECT_TRUE(boxes.Errors().empty());

    boxes.answers = {TConfirmAnswer::Yes};
    c.Cancella();
    EXPECT_EQ(boxes.Errors(),
              std::vector<std::string>{"Cannot perform this operation on an empty dataset."});
    EXPECT_EQ(view.controlli, kBrowsing);

    c.Modifica();  // starts a new contact
    EXPECT_EQ(fdb.T_Rubrica.State(), TCursorState::Inserting);
    EXPECT_EQ(view.fuoco, 1);
    c.Salva();
    ASSERT_EQ(fdb.T_Rubrica.RowCount(), 1);
    EXPECT_TRUE(fdb.T_Rubrica.FieldValue("OrdNum").has_value());
    for (const char* f : {"Tipo", "Ragione_Sociale", "Citta", "Cap", "EMail", "Sito", "Note"})
        EXPECT_EQ(fdb.T_Rubrica.FieldValue(f), std::nullopt) << f;
    EXPECT_EQ(fdb.QGEN.RowCount(), 1);
    EXPECT_EQ(boxes.Errors().size(), 1u);
}

TEST_F(ControlloRubricaTest, SaveWritesTheChangedTextsAndReRunsTheListWhileTheDetailStays) {
    AddNames({"Carlo", "Anna", "Bruno"});
    c.Mostra();
    EXPECT_EQ(Shown("Ragione_Sociale"), "Carlo");  // the table's first row
    EXPECT_EQ(view.rigaElenco, 1);
    c.Scorri(TPassoNavigatore::Ultimo);
    c.RigaElencoScelta(3);
    EXPECT_EQ(fdb.QGEN.RowNumber(), 3);
    const int runs = listRuns;
    c.Modifica();
    Enter("Ragione_Sociale", "Zeno");
    view.Digita("Citta", "Città di Castello");  // the focus is still in Citta
    c.Salva();

    EXPECT_EQ(listRuns, runs + 1);
    EXPECT_EQ(view.rigaElenco, 1);
    EXPECT_EQ(fdb.QGEN.RowNumber(), 1);
    EXPECT_EQ(ListValue(3, "Ragione_Sociale"), "Zeno");
    EXPECT_EQ(fdb.T_Rubrica.RowNumber(), 3);
    EXPECT_EQ(Value("Citta"), "Città di Castello");
    EXPECT_EQ(Shown("Ragione_Sociale"), "Zeno");
    EXPECT_TRUE(view.modificati.empty());
}

TEST_F(ControlloRubricaTest, CancelDropsTheRowWithoutReRunningTheList) {
    AddNames({"Anna"});
    c.Mostra();
    const int runs = listRuns;
    c.Nuovo();
    EXPECT_EQ(Shown("Ragione_Sociale"), "");
    Enter("Ragione_Sociale", "Bruno");
    Enter("Tipo", "Cliente");
    c.Annulla();
    EXPECT_EQ(listRuns, runs);
    EXPECT_EQ(fdb.T_Rubrica.RowCount(), 1);
    EXPECT_EQ(Shown("Ragione_Sociale"), "Anna");
    EXPECT_EQ(Shown("Tipo"), "");
}

TEST_F(ControlloRubricaTest, DeleteAsksThenRemovesTheDetailRowNotTheHighlightedOne) {
    AddNames({"Carlo", "Anna", "Bruno"});
    c.Mostra();
    c.RigaElencoScelta(1);  // Anna highlighted; the detail still shows Carlo
    std::vector<TControlliRubrica> duringConfirm;
    view.suControlli = [&] { duringConfirm.push_back(view.controlli); };
    const int runs = listRuns;
    boxes.answers = {TConfirmAnswer::No};  // then an empty script: Escape or the close box
    c.Cancella();
    c.Cancella();
    EXPECT_EQ(fdb.T_Rubrica.RowCount(), 3);
    EXPECT_EQ(listRuns, runs);
    EXPECT_EQ(duringConfirm, (std::vector{kConfirming, kBrowsing, kConfirming, kBrowsing}));

    boxes.answers = {TConfirmAnswer::Yes};
    c.Cancella();
    ASSERT_EQ(boxes.boxes.size(), 3u);
    for (const TRecordedBox& box : boxes.boxes)
        EXPECT_EQ(box, (TRecordedBox{TRecordedBox::Kind::Confirm, "Confirm", kDeleteText}));
    EXPECT_EQ(fdb.T_Rubrica.RowCount(), 2);
    EXPECT_EQ(Shown("Ragione_Sociale"), "Anna");  // the following row
    EXPECT_EQ(listRuns, runs + 1);
    EXPECT_EQ(ListValue(1, "Ragione_Sociale"), "Anna");
    EXPECT_EQ(ListValue(2, "Ragione_Sociale"), "Bruno");
    EXPECT_EQ(c.Stato(), TStatoRubrica::Consultazione);
    EXPECT_EQ(view.controlli, kBrowsing);
}

TEST_F(ControlloRubricaTest, SearchBringsTheDetailToTheListRowByOrdNum) {
    AddNames({"Carlo", "Anna", "Bruno"});
    c.Mostra();
    const int shownStates = view.volteControlli;
    c.RigaElencoScelta(2);
    c.CercaRigaElenco();
    EXPECT_EQ(fdb.T_Rubrica.RowNumber(), 3);
    EXPECT_EQ(Shown("Ragione_Sociale"), "Bruno");
    EXPECT_TRUE(view.indietro);
    EXPECT_EQ(fdb.T_Rubrica.State(), TCursorState::Browsing);
    EXPECT_EQ(view.volteControlli, shownStates);  // the states are left alone

    // The table no longer holds the list's row: the walk ends on the last row.
    fdb.T_Rubrica.Delete();
    c.CercaRigaElenco();
    EXPECT_EQ(fdb.T_Rubrica.RowNumber(), 2);
    EXPECT_EQ(Shown("Ragione_Sociale"), "Anna");

    // A closed list raises before anything moves.
    c.Scorri(TPassoNavigatore::Primo);
    fdb.QGEN.Close();
    EXPECT_EQ(view.rigaElenco, 0);
    c.CercaRigaElenco();
    EXPECT_EQ(boxes.Errors().size(), 1u);
    EXPECT_EQ(fdb.T_Rubrica.RowNumber(), 1);
    c.RigaElencoScelta(2);  // nothing to move on a closed list
    EXPECT_EQ(boxes.Errors().size(), 1u);
}

// The view moving its highlight to follow QGEN must not be taken for the
// user picking a row.
TEST_F(ControlloRubricaTest, FollowingTheListIsNotAChoice) {
    AddNames({"Carlo", "Anna", "Bruno"});
    view.suRigaElenco = [&] { c.RigaElencoScelta(3); };
    c.Mostra();
    EXPECT_EQ(fdb.QGEN.RowNumber(), 1);
    view.suRigaElenco = nullptr;
    c.RigaElencoScelta(3);
    EXPECT_EQ(fdb.QGEN.RowNumber(), 3);
    EXPECT_EQ(view.rigaElenco, 3);
}

TEST_F(ControlloRubricaTest, TheNavigatorMovesTheTableAndShowsWhereItCanGo) {
    AddNames({"Carlo", "Anna", "Bruno"});
    c.Mostra();
    const struct {
        TPassoNavigatore step;
        int row;
        bool back, forward;
        const char* shown;
    } steps[] = {
        {TPassoNavigatore::Successivo, 2, true, true, "Anna"},
        {TPassoNavigatore::Ultimo, 3, true, false, "Bruno"},
        {TPassoNavigatore::Precedente, 2, true, true, "Anna"},
        {TPassoNavigatore::Primo, 1, false, true, "Carlo"},
    };
    EXPECT_FALSE(view.indietro);
    EXPECT_TRUE(view.avanti);
    for (const auto& s : steps) {
        c.Scorri(s.step);
        EXPECT_EQ(fdb.T_Rubrica.RowNumber(), s.row) << s.shown;
        EXPECT_EQ(view.indietro, s.back) << s.shown;
        EXPECT_EQ(view.avanti, s.forward) << s.shown;
        EXPECT_EQ(Shown("Ragione_Sociale"), s.shown);
    }
    fdb.T_Rubrica.Close();
    c.Scorri(TPassoNavigatore::Successivo);
    EXPECT_EQ(boxes.Errors().size(), 1u);
    EXPECT_FALSE(view.indietro || view.avanti);
}

TEST_F(ControlloRubricaTest, LeavingAFieldMovesItsTextIntoTheRowOnlyWhileEditing) {
    AddNames({"Anna"});
    c.Mostra();
    c.CampoLasciato("Tipo", "Cliente");  // browsing: nothing to write into
    EXPECT_EQ(Value("Tipo"), "<null>");
    EXPECT_TRUE(boxes.Errors().empty());

    c.Modifica();
    view.Digita("Tipo", "Fornitore");
    EXPECT_EQ(Value("Tipo"), "<null>");  // on screen only
    c.CampoLasciato("Tipo", "Fornitore");
    EXPECT_EQ(Value("Tipo"), "Fornitore");

    c.CampoLasciato("CAP", "123456");  // longer than the column
    EXPECT_EQ(boxes.Errors().size(), 1u);
    EXPECT_EQ(Value("Cap"), "<null>");
}

TEST_F(ControlloRubricaTest, APendingContactSurvivesTheCloseBox) {
    AddNames({"Anna"});
    c.Mostra();
    c.Nuovo();
    Enter("Ragione_Sociale", "Bruno");
    // The close box runs no command; the window is shown again later.
    c.Mostra();
    EXPECT_EQ(c.Stato(), TStatoRubrica::Modifica);
    EXPECT_EQ(view.controlli, kEditing);
    EXPECT_EQ(fdb.T_Rubrica.State(), TCursorState::Inserting);
    EXPECT_EQ(Shown("Ragione_Sociale"), "Bruno");
    EXPECT_TRUE(c.SchedaInSospeso());
    c.Salva();
    EXPECT_EQ(fdb.T_Rubrica.RowCount(), 2);
    EXPECT_FALSE(c.SchedaInSospeso());
}

// A year change settles a pending row and closes the table while the window
// is away: the next showing is back to browsing.
TEST_F(ControlloRubricaTest, ATableClosedWhileAwayShowsBrowsingAgain) {
    AddNames({"Anna"});
    c.Mostra();
    c.Nuovo();
    fdb.T_Rubrica.Cancel();
    fdb.T_Rubrica.Close();
    c.Mostra();
    EXPECT_EQ(c.Stato(), TStatoRubrica::Consultazione);
    EXPECT_EQ(view.controlli, kBrowsing);
    EXPECT_EQ(Shown("Ragione_Sociale"), "Anna");
}

TEST_F(ControlloRubricaTest, QuittingAsksAboutAPendingContactAndFollowsTheAnswer) {
    AddNames({"Anna"});
    c.Mostra();
    c.ChiediSalvataggio();  // nothing pending: nothing asked
    EXPECT_TRUE(boxes.boxes.empty());
    for (TConfirmAnswer answer : {TConfirmAnswer::Yes, TConfirmAnswer::No}) {
        const int before = fdb.T_Rubrica.RowCount();
        c.Nuovo();
        view.Digita("Ragione_Sociale", "Pendente");  // still in the field
        boxes.answers = {answer};
        c.ChiediSalvataggio();
        EXPECT_FALSE(c.SchedaInSospeso());
        EXPECT_EQ(fdb.T_Rubrica.RowCount(), before + (answer == TConfirmAnswer::Yes));
        EXPECT_EQ(c.Stato(), TStatoRubrica::Consultazione);
        EXPECT_EQ(view.controlli, kBrowsing);
    }
    EXPECT_EQ(boxes.boxes, (std::vector<TRecordedBox>(2, TRecordedBox{TRecordedBox::Kind::Confirm,
                                                                      "Brivano", kSaveText})));
    fdb.T_Rubrica.Last();
    EXPECT_EQ(Value("Ragione_Sociale"), "Pendente");
}

TEST_F(ControlloRubricaTest, ARefusedSaveKeepsTheRowPendingAndTheWindowOpen) {
    c.Mostra();
    c.Nuovo();
    Enter("Ragione_Sociale", "Bruno");
    view.Digita("Note", std::string(1000000, 'x'));  // pasted
    {
        TScopedFileSizeLimit diskFull(
            static_cast<rlim_t>(std::filesystem::file_size(year + "Rubrica.DB") + 4096));
        c.Salva();
        EXPECT_EQ(boxes.Errors().size(), 1u);
        EXPECT_EQ(c.Stato(), TStatoRubrica::Consultazione);
        EXPECT_TRUE(c.SchedaInSospeso());

        c.Modifica();  // back to editing, the same new row
        EXPECT_EQ(c.Stato(), TStatoRubrica::Modifica);
        EXPECT_EQ(fdb.T_Rubrica.State(), TCursorState::Inserting);
        EXPECT_EQ(Shown("Ragione_Sociale"), "Bruno");
        c.Salva();
        boxes.answers = {TConfirmAnswer::Yes};
        c.Esci();  // asks, fails again, stays
        EXPECT_EQ(boxes.Errors().size(), 3u);
        EXPECT_EQ(view.chiusure, 0);
        EXPECT_TRUE(fdb.T_Rubrica.Active());
        boxes.answers = {TConfirmAnswer::Yes};
        EXPECT_THROW(c.ChiediSalvataggio(), EArchiveError);  // the quitting program stays open
        EXPECT_TRUE(c.SchedaInSospeso());
    }
    boxes.answers = {TConfirmAnswer::Yes};
    c.Esci();
    EXPECT_EQ(view.chiusure, 1);
    EXPECT_FALSE(fdb.T_Rubrica.Active());
    fdb.T_Rubrica.Open();
    EXPECT_EQ(Value("Ragione_Sociale"), "Bruno");
    EXPECT_EQ(Value("Note").size(), 1000000u);
}

TEST_F(ControlloRubricaTest, ShowingReportsAMissingFileAndEsciClosesTheTable) {
    fdb.LegaTabella(fdb.T_Rubrica, kAlias, "Manca.DB");
    c.Mostra();
    EXPECT_EQ(boxes.Errors().size(), 1u);
    EXPECT_FALSE(fdb.QGEN.Active());  // the list was not run

    c.Esci();
    EXPECT_EQ(view.chiusure, 1);
    fdb.LegaTabella(fdb.T_Rubrica, kAlias, "Rubrica.DB");
    AddNames({"Anna", "Bruno"});
    c.Mostra();
    c.Scorri(TPassoNavigatore::Ultimo);
    c.Esci();
    EXPECT_EQ(view.chiusure, 2);
    EXPECT_FALSE(fdb.T_Rubrica.Active());
    EXPECT_EQ(Shown("Ragione_Sociale"), "");
    c.Mostra();
    EXPECT_EQ(Shown("Ragione_Sociale"), "Anna");
    EXPECT_EQ(boxes.Errors().size(), 1u);
}

TEST_F(ControlloRubricaTest, ReloadingShowsRowsWrittenElsewhere) {
    AddNames({"Anna"});
    c.Mostra();
    c.Scorri(TPassoNavigatore::Ultimo);
    {
        auto file = fdb.Session1.OpenTableFile(kAlias, "Rubrica.DB");
        std::vector<TFieldValue> row(file->Columns().size());
        row[static_cast<size_t>(fdb.T_Rubrica.FieldIndex("Ragione_Sociale"))] = "Aldo";
        file->Insert(row);
    }
    c.Ricarica();
    EXPECT_EQ(fdb.T_Rubrica.RowCount(), 2);
    EXPECT_EQ(fdb.QGEN.RowCount(), 2);
    EXPECT_EQ(ListValue(1, "Ragione_Sociale"), "Aldo");
    EXPECT_EQ(Shown("Ragione_Sociale"), "Anna");
}

// The link buttons read the row's value, not the text on screen.
TEST_F(ControlloRubricaTest, LinkButtonsHandTheRowValuesToTheDesktopUnderTheLinkRules) {
    Add({{"Sito", "www.example.it"}, {"EMail", "anna rossi@example.it"}});
    Add({{"Sito", "file:///etc/passwd"}, {"EMail", "a@b.it\tx"}});
    Add({{"Ragione_Sociale", "Senza"}});
    c.Mostra();
    c.Modifica();
    c.ApriSito();
    c.ScriviMessaggio();
    view.Digita("Sito", "file:///etc/passwd");
    c.ApriSito();  // still on screen only: the row's value opens
    EXPECT_EQ(view.aperti,
              (std::vector<std::string>{"http://www.example.it", "mailto:anna rossi@example.it",
                                        "http://www.example.it"}));
    c.Annulla();

    c.Scorri(TPassoNavigatore::Successivo);
    c.ApriSito();
    c.ScriviMessaggio();
    c.Scorri(TPassoNavigatore::Successivo);
    c.ApriSito();  // empty fields do nothing
    c.ScriviMessaggio();
    EXPECT_EQ(view.aperti.size(), 3u);
    EXPECT_EQ(boxes.Messages(),
              (std::vector<std::string>{
                  "Il sito \"file:///etc/passwd\" non è un indirizzo web (http o https) e non "
                  "viene aperto.",
                  "L'indirizzo e-mail contiene caratteri di controllo: il messaggio non viene "
                  "aperto."}));
    EXPECT_TRUE(boxes.Errors().empty());
}

}  // namespace
