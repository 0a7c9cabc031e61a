// The data module: year folders, table creation and protection, binding and
// the contact list.
#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "RecordingMessageBoxes.h"
#include "TempDir.h"
#include "archive/F_DB.h"
#include "archive/FolderConnection.h"
#include "config/F_Conf.h"

namespace {

class DataModuleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        year = CartellaAnno(root.str(), "2010");
        std::filesystem::create_directory(year);
        fdb.PuntaAlias("DBrivano10", year);
        fdb.Session1.AddPassword(MasterPassword);
    }
    void CreateBoth() {
        fdb.CreaTabella("DBrivano10", "Brivano.DB", DefinizioneDativo);
        fdb.CreaTabella("DBrivano10", "Rubrica.DB", DefinizioneRubrica);
        fdb.LegaQuery("DBrivano10");
        fdb.LegaTabella(fdb.T_Dativo, "DBrivano10", "Brivano.DB");
        fdb.LegaTabella(fdb.T_Rubrica, "DBrivano10", "Rubrica.DB");
    }
    void Add(const std::string& name) {
        fdb.T_Rubrica.Open();
        fdb.T_Rubrica.Append();
        fdb.T_Rubrica.SetFieldValue("Ragione_Sociale", name);
        fdb.T_Rubrica.Post();
    }

    TScopedXdgHome home;
    TTempDir root;
    TRecordingMessageBoxes boxes;
    TFDB fdb{boxes};
    std::string year;
};

TEST(CartellaAnnoTest, PlainJoining) {
    EXPECT_EQ(CartellaAnno("/dati/", "2010"), "/dati/2010/");
    EXPECT_EQ(CartellaAnno("/dati", "2010"), "/dati2010/");
}

TEST_F(DataModuleTest, CreaTabellaRunsTheStatementAndSaysSo) {
    fdb.CreaTabella("DBrivano10", "Rubrica.DB", DefinizioneRubrica);
    EXPECT_EQ(fdb.QGEN.SQL(),
              std::vector<std::string>{
                  "CREATE TABLE \"Rubrica.DB\" ( OrdNum AUTOINC, Tipo CHAR(60), Ragione_Sociale "
                  "CHAR(60), Citta CHAR(40), Cap CHAR(5), EMail CHAR(100), Sito CHAR(100), Note "
                  "BLOB(1,1) )"});
    EXPECT_EQ(fdb.QGEN.Alias(), "DBrivano10");
    EXPECT_FALSE(fdb.QGEN.Active());
    EXPECT_EQ(boxes.Messages(), std::vector<std::string>{"Archivio Rubrica.DB Creato"});
    EXPECT_TRUE(std::filesystem::exists(year + "Rubrica.DB"));
}

TEST_F(DataModuleTest, CreaTabellaFailureShowsNoMessage) {
    std::filesystem::create_directory(year + "Brivano.DB");  // a folder in the file's place
    EXPECT_THROW(fdb.CreaTabella("DBrivano10", "Brivano.DB", DefinizioneDativo), EArchiveError);
    EXPECT_TRUE(boxes.Messages().empty());
}

TEST_F(DataModuleTest, ProtectedTablesOpenThroughSession1Only) {
    CreateBoth();
    Add("Alfa");
    fdb.T_Rubrica.Close();
    fdb.ProteggiTabella("Brivano.DB", MasterPassword, year);
    fdb.ProteggiTabella("Rubrica.DB", MasterPassword, year);
    fdb.ProteggiTabella("Rubrica.DB", MasterPassword, year);  // again: harmless

    fdb.T_Rubrica.Open();
    EXPECT_EQ(fdb.T_Rubrica.FieldValue("Ragione_Sociale"), "Alfa");
    fdb.T_Dativo.Open();

    TArchiveSession stranger("stranger");
    stranger.AddStandardAlias("A", year, "PARADOX");
    TTableCursor t(stranger);
    t.SetAlias("A");
    t.SetFileName("Rubrica.DB");
    EXPECT_THROW(t.Open(), EArchiveError);
}

TEST_F(DataModuleTest, NonProtettaOnlyForATableFileWithoutPassword) {
    CreateBoth();
    const auto nonProtetta = [&](const char* file, const char* definizione) {
        return EsaminaTabella(year, file, definizione).NonProtetta;
    };
    EXPECT_TRUE(nonProtetta("Rubrica.DB", DefinizioneRubrica));
    fdb.ProteggiTabella("Rubrica.DB", MasterPassword, year);
    EXPECT_FALSE(nonProtetta("Rubrica.DB", DefinizioneRubrica));
    EXPECT_TRUE(nonProtetta("Brivano.DB", DefinizioneDativo));

    EXPECT_FALSE(nonProtetta("Assente.DB", DefinizioneRubrica));
    std::ofstream(year + "Rotta.DB") << "not a table";
    EXPECT_FALSE(nonProtetta("Rotta.DB", DefinizioneRubrica));
    std::filesystem::create_directory(year + "Cartella.DB");
    EXPECT_FALSE(nonProtetta("Cartella.DB", DefinizioneRubrica));
}

TEST_F(DataModuleTest, ProteggiTabellaFailureReleasesItsConnection) {
    EXPECT_THROW(fdb.ProteggiTabella("Rubrica.DB", MasterPassword, year), EArchiveError);
    EXPECT_THROW(fdb.ProteggiTabella("Rubrica.DB", MasterPassword, year + "assente/"),
                 EArchiveError);
    // Every name a failed protection drew is free again.
    for (int n = 0; n < 50; ++n) {
        TFolderConnection probe(FolderConnectionSession());
        probe.Name = "PDOXEncryptDB" + std::to_string(n);
        probe.Driver = "STANDARD";
        probe.PathLine = "path=" + year;
        EXPECT_NO_THROW(probe.Open()) << probe.Name;
    }
    CreateBoth();
    EXPECT_NO_THROW(fdb.ProteggiTabella("Rubrica.DB", MasterPassword, year));
}

TEST_F(DataModuleTest, CaricaRubricaListsContactsByCompanyName) {
    CreateBoth();
    fdb.CaricaRubrica();
    EXPECT_TRUE(fdb.QGEN.Active());
    EXPECT_EQ(fdb.QGEN.RowCount(), 0) << "an empty address table gives no rows";
    for (const char* n : {"Zeta", "alfa", "Beta"}) Add(n);
    fdb.CaricaRubrica();
    EXPECT_EQ(fdb.QGEN.SQL(),
              std::vector<std::string>{"SELECT * FROM Rubrica.DB ORDER BY Ragione_Sociale ASC"});
    std::vector<std::string> names;
    for (fdb.QGEN.First(); !fdb.QGEN.AtEnd(); fdb.QGEN.Next())
        names.push_back(*fdb.QGEN.FieldValue("Ragione_Sociale"));
    EXPECT_EQ(names, (std::vector<std::string>{"alfa", "Beta", "Zeta"}));
}

TEST_F(DataModuleTest, CaricaRubricaReadsTheConfiguredAddressFile) {
    ScriviReg(KeyBrivano, "DBRubrica", "Contatti.DB");
    fdb.CreaTabella("DBrivano10", "Contatti.DB", DefinizioneRubrica);
    fdb.LegaTabella(fdb.T_Rubrica, "DBrivano10", "Contatti.DB");
    fdb.LegaQuery("DBrivano10");
    Add("Unico");
    fdb.CaricaRubrica();
    ASSERT_EQ(fdb.QGEN.RowCount(), 1);
    EXPECT_EQ(fdb.QGEN.FieldValue("Ragione_Sociale"), "Unico");
}

TEST_F(DataModuleTest, CaricaRubricaWithoutTheFileRaisesAndLeavesQueryClosed) {
    fdb.LegaQuery("DBrivano10");
    EXPECT_THROW(fdb.CaricaRubrica(), EArchiveError);
    EXPECT_FALSE(fdb.QGEN.Active());
}

TEST_F(DataModuleTest, BindingOpensNothing) {
    CreateBoth();
    EXPECT_FALSE(fdb.T_Rubrica.Active());
    EXPECT_FALSE(fdb.T_Dativo.Active());
    EXPECT_EQ(fdb.T_Rubrica.TableName(), "Rubrica.DB");
    EXPECT_EQ(fdb.T_Dativo.Alias(), "DBrivano10");
}

}  // namespace
