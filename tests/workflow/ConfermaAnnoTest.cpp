// The confirm command of the year windows, driven without a screen.
#include "workflow/ConfermaAnno.h"

#include <fstream>

#include "ArchivioDiProva.h"

namespace {

using brivano::TComandoAnno;
namespace fs = std::filesystem;

const std::vector<std::string> TabelleCreate = {
    "Archivio Dati - Assente - Premere OK per Crearlo", "Archivio Brivano.DB Creato",
    "Archivio Rubrica- Assente - Premere OK per Crearlo", "Archivio Rubrica.DB Creato"};

class ConfermaAnnoTest : public ArchivioDiProva,
                         public ::testing::WithParamInterface<TComandoAnno> {
  protected:
    bool Conferma(const std::string& anno, TComandoAnno comando) {
        return brivano::ConfermaAnno(fdb, boxes, anno, comando,
                                     [this](const std::string& text) { shown.push_back(text); });
    }
    bool Conferma(const std::string& anno) { return Conferma(anno, GetParam()); }

    void ExpectSwitchedTo(const std::string& anno) {
        EXPECT_EQ(Anno(), anno);
        EXPECT_EQ(shown, std::vector<std::string>{anno});
        EXPECT_EQ(AliasPath(), Cartella(anno));
        EXPECT_FALSE(fdb.QGEN.Active());
        EXPECT_EQ(fdb.QGEN.Alias(), Alias);
        EXPECT_EQ(fdb.T_Dativo.Alias() + fdb.T_Dativo.TableName(), "DBrivano10Brivano.DB");
    }
    void ExpectNewTablesProtected(const std::string& anno) {
        for (const char* file : {"Brivano.DB", "Rubrica.DB"})
            EXPECT_TRUE(TTableFile::Open(Cartella(anno) + file)->IsProtected()) << file;
    }
};

INSTANTIATE_TEST_SUITE_P(Comandi, ConfermaAnnoTest,
                         ::testing::Values(TComandoAnno::CambioAnno, TComandoAnno::CreaArchivio),
                         [](const auto& p) {
                             return p.param == TComandoAnno::CambioAnno ? "CambioAnno"
                                                                        : "CreaArchivio";
                         });

TEST_P(ConfermaAnnoTest, SameYearAgainCreatesNothing) {
    EXPECT_TRUE(Conferma("2010"));
    EXPECT_TRUE(boxes.boxes.empty());
    ExpectSwitchedTo("2010");
    EXPECT_FALSE(TTableFile::Open(Cartella("2010") + "Rubrica.DB")->IsProtected());
}

TEST_P(ConfermaAnnoTest, YearFolderWithoutTablesGetsBothProtected) {
    fs::create_directory(Cartella("2011"));
    EXPECT_TRUE(Conferma("2011"));
    EXPECT_EQ(boxes.Messages(), TabelleCreate);
    ExpectSwitchedTo("2011");
    ExpectNewTablesProtected("2011");
}

TEST_P(ConfermaAnnoTest, MissingYearFolder) {
    if (GetParam() == TComandoAnno::CambioAnno) {
        // The refusal stays; the offer to create the year follows it.
        EXPECT_FALSE(Conferma("2011"));
        EXPECT_EQ(boxes.Messages(), std::vector<std::string>{"ANNO DI LAVORO NON VALIDO"});
        ASSERT_EQ(boxes.boxes.size(), 2u);
        EXPECT_EQ(boxes.boxes[1].text, brivano::DomandaCreazione("2011"));
        ExpectUnchanged();
        EXPECT_FALSE(fs::exists(Cartella("2011")));

        boxes.boxes.clear();
        boxes.answers = {TConfirmAnswer::Yes};
    }
    bool protectedBeforeDisplay = false;
    EXPECT_TRUE(brivano::ConfermaAnno(fdb, boxes, "2011", GetParam(), [&](const std::string& t) {
        shown.push_back(t);
        protectedBeforeDisplay = TTableFile::Open(Cartella("2011") + "Brivano.DB")->IsProtected();
    }));
    std::vector<std::string> messaggi = TabelleCreate;
    if (GetParam() == TComandoAnno::CambioAnno)
        messaggi.insert(messaggi.begin(), "ANNO DI LAVORO NON VALIDO");
    EXPECT_EQ(boxes.Messages(), messaggi);
    ExpectSwitchedTo("2011");
    ExpectNewTablesProtected("2011");
    EXPECT_TRUE(protectedBeforeDisplay);
}

TEST_P(ConfermaAnnoTest, NewYearHasItsOwnEmptyAddressBook) {
    fs::create_directory(Cartella("2011"));
    Nuovo("Alfa");
    fdb.T_Rubrica.Post();
    fdb.T_Rubrica.Close();

    ASSERT_TRUE(Conferma("2011"));
    fdb.T_Rubrica.Open();  // through the alias, without being bound again
    EXPECT_TRUE(fdb.T_Rubrica.HasNoRows());
    fdb.CaricaRubrica();
    EXPECT_EQ(fdb.QGEN.RowCount(), 0);
    fdb.T_Rubrica.Close();
    EXPECT_EQ(Righe(Cartella("2010") + "Rubrica.DB"), 1u);

    ASSERT_TRUE(Conferma("2010", TComandoAnno::CambioAnno));
    fdb.T_Rubrica.Open();
    EXPECT_EQ(fdb.T_Rubrica.FieldValue("Ragione_Sociale"), "Alfa");
}

TEST_P(ConfermaAnnoTest, RefusedYearTextsChangeNothing) {
    for (const std::string& anno : {std::string(), std::string("."), std::string(".."),
                                    std::string("/"), std::string("../2010"),
                                    std::string("20\0"
                                                "11",
                                                5)}) {
        SCOPED_TRACE(anno);
        boxes.boxes.clear();
        EXPECT_FALSE(Conferma(anno));
        EXPECT_EQ(boxes.Messages(), std::vector<std::string>{"ANNO DI LAVORO NON VALIDO"});
        ExpectUnchanged();
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(root.path()), fs::directory_iterator()), 1);
}

// The address book closed by its close box leaves its table open, maybe with a
// contact pending: it must not keep showing, or saving into, the old year.
TEST_F(ArchivioDiProva, AddressTableLeftOpenIsClosedFirst) {
    struct Case {
        bool pending;
        TConfirmAnswer answer;  // to "save the pending contact?"
        bool saved;
    };
    for (const Case& c :
         {Case{false, TConfirmAnswer::No, true}, Case{true, TConfirmAnswer::No, false},
          Case{true, TConfirmAnswer::Yes, true}}) {
        SCOPED_TRACE(testing::Message() << c.pending << c.saved);
        fdb.PuntaAlias(Alias, Cartella("2010"));
        const size_t before = Righe(Cartella("2010") + "Rubrica.DB");
        Nuovo("Riga");
        if (!c.pending) fdb.T_Rubrica.Post();
        boxes.boxes.clear();
        boxes.answers = {c.answer};
        ASSERT_TRUE(brivano::ConfermaAnno(fdb, boxes, "2011", TComandoAnno::CreaArchivio,
                                          [](const std::string&) {}));
        EXPECT_EQ(boxes.boxes.at(0).kind == TRecordedBox::Kind::Confirm, c.pending);
        // The pending-contact question is the program's own: Italian buttons, not the fixed
        // "Confirm".
        if (c.pending) {
            EXPECT_EQ(boxes.boxes.at(0).caption, "Brivano");
        }
        EXPECT_FALSE(fdb.T_Rubrica.Active());
        EXPECT_EQ(Righe(Cartella("2010") + "Rubrica.DB"), before + (c.saved ? 1 : 0));
        EXPECT_EQ(Righe(Cartella("2011") + "Rubrica.DB"), 0u);
    }
}

TEST_F(ArchivioDiProva, CreaArchivioStopsWhenTheFolderCannotBeMade) {
    // A data root below a plain file, or missing: no one, root included, can make it.
    { std::ofstream(root.path() / "file") << "x"; }
    for (const std::string& dataRoot : {root.str() + "file/", root.str() + "assente/"}) {
        SCOPED_TRACE(dataRoot);
        ScriviReg(KeyBrivano, "PathDatiGen", dataRoot);
        boxes.boxes.clear();
        EXPECT_FALSE(brivano::ConfermaAnno(fdb, boxes, "2011", TComandoAnno::CreaArchivio,
                                           [this](const std::string& t) { shown.push_back(t); }));
        EXPECT_EQ(boxes.Messages(),
                  std::vector<std::string>{
                      "       ERRORE NELLA CREZIONE\r\rDEL PERCORSO DEI DATI DI LAVORO"});
        ExpectUnchanged();
    }
    fdb.T_Rubrica.Open();  // the running archive is still usable
}

}  // namespace
