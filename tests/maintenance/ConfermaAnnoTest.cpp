// The confirm command of the year windows, driven without a screen.
#include "maintenance/ConfermaAnno.h"

#include <fstream>

#include "ArchivioDiProva.h"

namespace {

using brivano::ConfermaAnno;
using brivano::TComandoAnno;
namespace fs = std::filesystem;

class ConfermaAnnoTest : public ArchivioDiProva,
                         public ::testing::WithParamInterface<TComandoAnno> {
  protected:
    bool Conferma(const std::string& anno, TComandoAnno comando) {
        return ConfermaAnno(fdb, boxes, anno, comando,
                            [this](const std::string& text) { shown.push_back(text); });
    }
    bool Conferma(const std::string& anno) { return Conferma(anno, GetParam()); }

    void ExpectSwitchedTo(const std::string& anno) {
        EXPECT_EQ(Anno(), anno);
        EXPECT_EQ(shown, std::vector<std::string>{anno});
        EXPECT_EQ(AliasPath(), Cartella(anno));
        EXPECT_FALSE(fdb.QGEN.Active());
        EXPECT_EQ(fdb.QGEN.DatabaseName(), Alias);
        EXPECT_EQ(fdb.T_Dativo.DatabaseName(), Alias);
        EXPECT_EQ(fdb.T_Dativo.TableName(), "Brivano.DB");
        EXPECT_EQ(fdb.T_Rubrica.TableName(), "Rubrica.DB");
    }
    void ExpectBothTablesProtected(const std::string& anno) {
        EXPECT_TRUE(Protetta(Cartella(anno) + "Brivano.DB"));
        EXPECT_TRUE(Protetta(Cartella(anno) + "Rubrica.DB"));
    }
};

INSTANTIATE_TEST_SUITE_P(Comandi, ConfermaAnnoTest,
                         ::testing::Values(TComandoAnno::CambioAnno, TComandoAnno::CreaArchivio),
                         [](const auto& param) {
                             return param.param == TComandoAnno::CambioAnno ? "CambioAnno"
                                                                            : "CreaArchivio";
                         });

TEST_P(ConfermaAnnoTest, SameYearAgainCreatesNothing) {
    AggiungiContatto("Alfa");
    fdb.T_Rubrica.Close();
    EXPECT_TRUE(Conferma("2010"));
    EXPECT_TRUE(boxes.boxes.empty());
    ExpectSwitchedTo("2010");
    EXPECT_EQ(Righe(Cartella("2010") + "Rubrica.DB"), 1u);
}

TEST_P(ConfermaAnnoTest, EmptyYearFolderGetsBothTablesProtected) {
    fs::create_directory(Cartella("2011"));
    EXPECT_TRUE(Conferma("2011"));
    EXPECT_EQ(boxes.Messages(), MessaggiTabelleCreate);
    ExpectSwitchedTo("2011");
    ExpectBothTablesProtected("2011");
}

TEST_P(ConfermaAnnoTest, OnlyTheMissingTableIsCreated) {
    fs::create_directory(Cartella("2011"));
    fs::copy_file(Cartella("2010") + "Rubrica.DB", Cartella("2011") + "Rubrica.DB");
    AggiungiContatto("Alfa");  // into 2010 only
    fdb.T_Rubrica.Close();
    EXPECT_TRUE(Conferma("2011"));
    EXPECT_EQ(boxes.Messages(),
              (std::vector<std::string>{"Archivio Dati - Assente - Premere OK per Crearlo",
                                        "Archivio Brivano.DB Creato"}));
    ExpectSwitchedTo("2011");
    EXPECT_TRUE(Protetta(Cartella("2011") + "Brivano.DB"));
}

TEST_P(ConfermaAnnoTest, NewYearHasItsOwnEmptyAddressBook) {
    fs::create_directory(Cartella("2011"));
    AggiungiContatto("Alfa");
    fdb.T_Rubrica.Close();

    ASSERT_TRUE(Conferma("2011"));
    fdb.T_Rubrica.Open();  // through the alias, not bound again
    EXPECT_TRUE(fdb.T_Rubrica.IsEmpty());
    fdb.CaricaRubrica();
    EXPECT_EQ(fdb.QGEN.RecordCount(), 0);
    AggiungiContatto("Beta");
    fdb.T_Rubrica.Close();
    EXPECT_EQ(Righe(Cartella("2010") + "Rubrica.DB"), 1u);
    EXPECT_EQ(Righe(Cartella("2011") + "Rubrica.DB"), 1u);

    // and back: the old year's row is where it was
    ASSERT_TRUE(Conferma("2010", TComandoAnno::CambioAnno));
    fdb.T_Rubrica.Open();
    EXPECT_EQ(fdb.T_Rubrica.FieldValue("Ragione_Sociale"), "Alfa");
}

TEST_P(ConfermaAnnoTest, AddressBookLeftOpenFollowsTheNewYear) {
    fs::create_directory(Cartella("2011"));
    AggiungiContatto("Alfa");  // the table stays open, as after the close box
    ASSERT_TRUE(Conferma("2011"));
    EXPECT_FALSE(fdb.T_Rubrica.Active());
    fdb.T_Rubrica.Open();
    EXPECT_TRUE(fdb.T_Rubrica.IsEmpty());
}

TEST_P(ConfermaAnnoTest, PendingContactIsSavedOrDroppedAsTheUserSays) {
    struct Case {
        TConfirmAnswer answer;
        const char* anno;
        size_t oldRows;
    };
    for (const Case& c :
         {Case{TConfirmAnswer::No, "2011", 0}, Case{TConfirmAnswer::Yes, "2012", 1}}) {
        SCOPED_TRACE(c.anno);
        ScriviReg(KeyBrivano, "Anno", "2010");
        fdb.PuntaAlias(Alias, Cartella("2010"));
        fs::create_directory(Cartella(c.anno));
        fdb.T_Rubrica.Open();
        fdb.T_Rubrica.Append();
        fdb.T_Rubrica.SetFieldValue("Ragione_Sociale", "In sospeso");
        boxes.boxes.clear();
        boxes.answers = {c.answer};

        ASSERT_TRUE(Conferma(c.anno));
        ASSERT_FALSE(boxes.boxes.empty());
        EXPECT_EQ(boxes.boxes[0].kind, TRecordedBox::Kind::Confirm);
        EXPECT_EQ(Righe(Cartella("2010") + "Rubrica.DB"), c.oldRows);
        EXPECT_EQ(Righe(Cartella(c.anno) + "Rubrica.DB"), 0u);
        EXPECT_FALSE(fdb.T_Rubrica.Active());
    }
}

TEST_P(ConfermaAnnoTest, RefusedYearTextsChangeNothing) {
    const std::vector<std::string> refused = {"",
                                              ".",
                                              "..",
                                              "/",
                                              "20/11",
                                              "../2010",
                                              std::string("20\0"
                                                          "11",
                                                          5)};
    for (const std::string& anno : refused) {
        SCOPED_TRACE("year text of " + std::to_string(anno.size()) + " chars: " + anno);
        boxes.boxes.clear();
        EXPECT_FALSE(Conferma(anno));
        EXPECT_EQ(boxes.Messages(), std::vector<std::string>{"ANNO DI LAVORO NON VALIDO"});
        ExpectUnchanged();
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(root.path()), fs::directory_iterator()), 1);
}

TEST_F(ArchivioDiProva, CambioAnnoRefusesAMissingYearFolder) {
    EXPECT_FALSE(ConfermaAnno(fdb, boxes, "2011", TComandoAnno::CambioAnno,
                              [this](const std::string& t) { shown.push_back(t); }));
    EXPECT_EQ(boxes.Messages(), std::vector<std::string>{"ANNO DI LAVORO NON VALIDO"});
    ExpectUnchanged();
    EXPECT_FALSE(fs::exists(Cartella("2011")));
}

TEST_F(ArchivioDiProva, CreaArchivioStartsAMissingYear) {
    bool protectedBeforeDisplay = false;
    EXPECT_TRUE(
        ConfermaAnno(fdb, boxes, "2011", TComandoAnno::CreaArchivio, [&](const std::string& t) {
            shown.push_back(t);
            protectedBeforeDisplay = Protetta(Cartella("2011") + "Brivano.DB") &&
                                     Protetta(Cartella("2011") + "Rubrica.DB");
        }));
    EXPECT_EQ(boxes.Messages(), MessaggiTabelleCreate);
    EXPECT_EQ(shown, std::vector<std::string>{"2011"});
    EXPECT_TRUE(protectedBeforeDisplay);
    EXPECT_EQ(AliasPath(), Cartella("2011"));
    EXPECT_EQ(Anno(), "2011");
}

TEST_F(ArchivioDiProva, CreaArchivioStopsWhenTheFolderCannotBeMade) {
    // A data root whose path runs through a plain file: no one, root included,
    // can make a folder there.
    const fs::path file = root.path() / "file";
    { std::ofstream(file) << "x"; }
    const std::vector<std::string> roots = {file.string() + "/",
                                            (root.path() / "assente").string() + "/"};
    for (const std::string& dataRoot : roots) {
        SCOPED_TRACE(dataRoot);
        ScriviReg(KeyBrivano, "PathDatiGen", dataRoot);
        boxes.boxes.clear();
        EXPECT_FALSE(ConfermaAnno(fdb, boxes, "2011", TComandoAnno::CreaArchivio,
                                  [this](const std::string& t) { shown.push_back(t); }));
        EXPECT_EQ(boxes.Messages(),
                  std::vector<std::string>{
                      "       ERRORE NELLA CREZIONE\r\rDEL PERCORSO DEI DATI DI LAVORO"});
        ExpectUnchanged();
        EXPECT_FALSE(fs::exists(dataRoot + "2011"));
    }
    // the running archive is still usable
    fdb.T_Rubrica.Open();
    EXPECT_TRUE(fdb.T_Rubrica.IsEmpty());
}

TEST_F(ArchivioDiProva, EngineFailureStopsBeforeTheYearIsStored) {
    fs::create_directories(Cartella("2011") + "Brivano.DB");  // a folder in the file's place
    EXPECT_THROW(ConfermaAnno(fdb, boxes, "2011", TComandoAnno::CreaArchivio,
                              [this](const std::string& t) { shown.push_back(t); }),
                 EDBEngineError);
    EXPECT_EQ(Anno(), "2010");
    EXPECT_TRUE(shown.empty());
}

}  // namespace
