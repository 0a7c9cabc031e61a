// The start-up sequence against a real data module, configuration and folders.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "RecordingMessageBoxes.h"
#include "TempDir.h"
#include "archive/F_DB.h"
#include "archive/TableFile.h"
#include "config/F_Conf.h"
#include "workflow/SequenzaAvvio.h"

namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

const Texts PrimoAvvio{"CONFIGURAZIONE ASSENTE", "E STATA CARICATA LA CONFIGURAZIONE DI BASE"};
const Texts TabelleCreate{
    "Archivio Dati- Assente - Premere OK per Crearlo", "Archivio Brivano.DB Creato",
    "Archivio Rubrica- Assente - Premere OK per Crearlo", "Archivio Rubrica.DB Creato"};

Texts Join(Texts a, const Texts& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::string Reg(const char* name) {
    return LeggiReg(KeyBrivano, name);
}
void SetReg(const char* name, const std::string& value) {
    ScriviReg(KeyBrivano, name, value);
}

// The configuration a first start writes, in its order.
std::vector<std::pair<const char*, std::string>> Predefiniti(const std::string& prg) {
    return {{"Conf", "OK"},
            {"PathPrg", prg},
            {"PathTemp", prg},
            {"PathDatiGen", prg},
            {"AliasDB", "DBrivano10"},
            {"Anno", "2010"},
            {"DBBrivano", "Brivano.DB"},
            {"DBRubrica", "Rubrica.DB"}};
}

bool Protetta(const fs::path& file) {
    std::shared_ptr<TTableFile> t = TTableFile::Open(file);
    return t->IsProtected() && t->Accepts(MasterPassword) && !t->Accepts("");
}

class SequenzaAvvioTest : public ::testing::Test {
  protected:
    void Esegui(bool scrivibile = true) {
        boxes.boxes.clear();
        brivano::TSequenzaAvvio(fdb, boxes, prg.str(), scrivibile, [this](const std::string& a) {
            anno = a;
        }).Esegui();
    }
    void ExpectBothProtected(const std::string& cartella) {
        EXPECT_TRUE(Protetta(cartella + "Brivano.DB"));
        EXPECT_TRUE(Protetta(cartella + "Rubrica.DB"));
    }

    TScopedXdgHome home;
    TTempDir prg;
    TRecordingMessageBoxes boxes;
    TFDB fdb{boxes};
    std::string anno = "2009";
};

TEST_F(SequenzaAvvioTest, FirstStartWritesDefaultsCreatesAndProtectsBothTables) {
    Esegui();
    EXPECT_EQ(boxes.Messages(), Join(PrimoAvvio, TabelleCreate));
    EXPECT_TRUE(boxes.Errors().empty());
    for (const auto& [name, value] : Predefiniti(prg.str())) EXPECT_EQ(Reg(name), value) << name;
    ExpectBothProtected(prg.str() + "2010/");
    EXPECT_EQ(anno, "2010");

    // Session, alias and binding as the windows need them.
    EXPECT_EQ(fdb.Session1.NetFileDir(), prg.str());
    EXPECT_EQ(fdb.Session1.PrivateDir(), prg.str());
    EXPECT_EQ(fdb.Session1.AliasParams("DBrivano10").at("PATH"), prg.str() + "2010/");
    EXPECT_EQ(fdb.T_Rubrica.TableName(), "Rubrica.DB");
    EXPECT_EQ(fdb.T_Dativo.TableName(), "Brivano.DB");
    EXPECT_EQ(fdb.QGEN.Alias(), "DBrivano10");
    EXPECT_FALSE(fdb.T_Rubrica.Active());
    fdb.CaricaRubrica();  // the protected table opens through the session
    EXPECT_EQ(fdb.QGEN.RowCount(), 0);
}

// The mailbox checks are planned from what the sequence read: at a first
// start that must be the configuration it has just written.
TEST_F(SequenzaAvvioTest, HandsOnTheConfigurationAsWrittenAtFirstAndLaterStarts) {
    for (int avvio = 0; avvio < 2; ++avvio) {
        SCOPED_TRACE(avvio);
        brivano::TSequenzaAvvio sequenza(fdb, boxes, prg.str(), true, [](const std::string&) {});
        sequenza.Esegui();
        ASSERT_NE(sequenza.Configurazione(), nullptr);
        for (const auto& [name, value] : Predefiniti(prg.str()))
            EXPECT_EQ(sequenza.Configurazione()->Leggi(name), value) << name;
    }
}

TEST_F(SequenzaAvvioTest, LaterStartShowsNothing) {
    Esegui();
    anno = "2009";
    Esegui();
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(anno, "2010");
}

TEST_F(SequenzaAvvioTest, FolderProblemsShowOnlyTheirMessageAndLeaveTheYear) {
    struct Case {
        const char* name;
        const char* value;
        std::string path;
        std::string message;
    };
    const Case cases[] = {
        {"missing program folder", "PathPrg", prg.str() + "via/",
         " ERRORE NEI PERCORSO DEL PROGRAMMA \r\r     CHIUDERE E RIAVVIARE"},
        {"empty program folder", "PathPrg", "",
         " ERRORE NEI PERCORSO DEL PROGRAMMA \r\r     CHIUDERE E RIAVVIARE"},
        {"missing data root", "PathDatiGen", prg.str() + "via/",
         "    ERRORE NEI PERCORSO DEI DATI \r\r CHIUDERE E RIAVVIARE IL PROGRAMMA"},
    };
    for (const Case& c : cases) {
        Esegui();
        SetReg(c.value, c.path);
        anno = "2009";
        Esegui();
        EXPECT_EQ(boxes.Messages(), Texts{c.message}) << c.name;
        EXPECT_TRUE(boxes.Errors().empty()) << c.name;
        EXPECT_EQ(anno, "2009") << c.name;
        SetReg(c.value, prg.str());
    }
}

TEST_F(SequenzaAvvioTest, MissingYearFolderIsCreatedSilently) {
    Esegui();
    SetReg("Anno", "2011");
    Esegui();
    EXPECT_EQ(boxes.Messages(), TabelleCreate);
    ExpectBothProtected(prg.str() + "2011/");
    EXPECT_EQ(anno, "2011");
}

TEST_F(SequenzaAvvioTest, YearFolderThatCannotBeMadeIsReported) {
    Esegui();
    SetReg("Anno", "2011/sotto");  // two levels: only one is made
    Esegui();
    EXPECT_EQ(boxes.Messages(),
              Texts{"       ERRORE NELLA CREZIONE\r\rDEL PERCORSO DEI DATI DI LAVORO"});
    EXPECT_FALSE(fs::exists(prg.path() / "2011"));
}

TEST_F(SequenzaAvvioTest, OnlyAddressTableMissingProtectsBoth) {
    // A configuration and a data table left unprotected by some earlier mishap.
    const std::string cartella = prg.str() + "2010/";
    for (const auto& [name, value] : Predefiniti(prg.str())) SetReg(name, value);
    fs::create_directory(cartella);
    TRecordingMessageBoxes altre;
    TFDB altro(altre);
    altro.PuntaAlias("Prima", cartella);
    altro.CreaTabella("Prima", "Brivano.DB", DefinizioneDativo);
    ASSERT_FALSE(TTableFile::Open(cartella + "Brivano.DB")->IsProtected());

    Esegui();
    EXPECT_EQ(boxes.Messages(), (Texts{"Archivio Rubrica- Assente - Premere OK per Crearlo",
                                       "Archivio Rubrica.DB Creato"}));
    ExpectBothProtected(cartella);
}

TEST_F(SequenzaAvvioTest, TableLeftUnprotectedIsProtectedSilentlyAtTheNextStart) {
    // A run killed between creating the tables and protecting them.
    const std::string cartella = prg.str() + "2010/";
    for (const auto& [name, value] : Predefiniti(prg.str())) SetReg(name, value);
    fs::create_directory(cartella);
    TRecordingMessageBoxes altre;
    TFDB altro(altre);
    altro.PuntaAlias("Prima", cartella);
    altro.CreaTabella("Prima", "Brivano.DB", DefinizioneDativo);
    altro.CreaTabella("Prima", "Rubrica.DB", DefinizioneRubrica);
    altro.ProteggiTabella("Brivano.DB", MasterPassword, cartella);
    ASSERT_FALSE(TTableFile::Open(cartella + "Rubrica.DB")->IsProtected());

    Esegui();
    EXPECT_TRUE(boxes.boxes.empty());
    ExpectBothProtected(cartella);
}

std::string Contenuto(const fs::path& file) {
    if (fs::is_directory(file)) return "<cartella>";
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(SequenzaAvvioTest, ForeignTableFileIsLeftByteForByteAndNamed) {
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> make;
        const char* reason;
    };
    const Case cases[] = {
        {"other columns",
         [](const fs::path& f) {
             TTableFile::Create(f, {{"OrdNum", TColumnKind::AutoInc, 0},
                                    {"Ragione", TColumnKind::Char, 60},
                                    {"EMail", TColumnKind::Char, 100}});
         },
         "ha le colonne OrdNum AUTOINC, Ragione CHAR(60), EMail CHAR(100) invece di OrdNum "
         "AUTOINC, Tipo CHAR(60), Ragione_Sociale CHAR(60)"},
        {"not a table file", [](const fs::path& f) { std::ofstream(f) << "rubrica di altri\n"; },
         "non è un archivio di questo programma"},
        {"a folder", [](const fs::path& f) { fs::create_directory(f); }, "non è un file"},
    };
    for (const Case& c : cases) {
        TTempDir dati;
        const std::string cartella = dati.str() + "2010/";
        for (const auto& [name, value] : Predefiniti(prg.str())) SetReg(name, value);
        SetReg("PathDatiGen", dati.str());
        fs::create_directory(cartella);
        c.make(cartella + "Rubrica.DB");
        const std::string prima = Contenuto(cartella + "Rubrica.DB");
        anno = "2009";

        Esegui();
        EXPECT_EQ(Contenuto(cartella + "Rubrica.DB"), prima) << c.name;
        EXPECT_EQ(std::distance(fs::directory_iterator(cartella), fs::directory_iterator()), 1)
            << c.name << ": nothing else is written in the folder";
        EXPECT_TRUE(boxes.Messages().empty()) << c.name;
        ASSERT_EQ(boxes.Errors().size(), 1u) << c.name;
        const std::string detto = boxes.Errors()[0];
        EXPECT_NE(detto.find("L'archivio " + cartella + "Rubrica.DB " + c.reason),
                  std::string::npos)
            << detto;
        EXPECT_NE(detto.find("è stato lasciato com'è"), std::string::npos) << detto;
        EXPECT_EQ(anno, "2009") << c.name;
    }
}

TEST_F(SequenzaAvvioTest, StartRemovesTheConfigurationTempFileNoWriterHolds) {
    Esegui();
    const std::string store = TRegistryStore::FileForKey(KeyBrivano).string();
    const std::string rimasto = store + ".tmp-AbC123", inUso = store + ".tmp-XyZ789";
    std::ofstream(rimasto) << "scrittura interrotta";
    std::ofstream(inUso) << "scrittura in corso";
    const int fd = ::open(inUso.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);

    Esegui();
    EXPECT_FALSE(fs::exists(rimasto));
    EXPECT_TRUE(fs::exists(inUso)) << "a writer still holds it";
    ::close(fd);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(SequenzaAvvioTest, DamagedConfigurationGoesOnWithWhatItStillHolds) {
    Esegui();
    SetReg("Anno", "2014");
    const fs::path file = TRegistryStore::FileForKey(KeyBrivano);
    std::string text;
    {
        std::ifstream in(file);
        for (std::string line; std::getline(in, line);)
            if (line.find("\"AliasDB\"") == std::string::npos) text += line + "\n";
    }
    std::ofstream(file, std::ios::trunc) << text << "\"AliasDB\"=sz:\"DBriv";  // cut short

    Esegui();
    ASSERT_EQ(boxes.Messages().size(), 5u) << "the recovery, then the 2014 tables";
    const std::string detto = boxes.Messages()[0];
    EXPECT_NE(detto.find("La configurazione era danneggiata (riga "), std::string::npos) << detto;
    EXPECT_NE(detto.find("Valori recuperati: Conf, PathPrg, PathTemp, PathDatiGen, Anno, "
                         "DBBrivano, DBRubrica"),
              std::string::npos)
        << detto;
    EXPECT_NE(detto.find("Valori tornati a quelli di base: AliasDB = \"DBrivano10\""),
              std::string::npos)
        << detto;
    EXPECT_EQ(Reg("Anno"), "2014");
    EXPECT_EQ(anno, "2014");
    EXPECT_EQ(Reg("AliasDB"), "DBrivano10");
    EXPECT_TRUE(boxes.Errors().empty());
}

TEST_F(SequenzaAvvioTest, ConfigurationWithNothingReadableEndsTheStartAndTheNextIsAFirstStart) {
    const fs::path file = TRegistryStore::FileForKey(KeyBrivano);
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "\x01\x02 rumore\n";
    try {
        Esegui();
        FAIL() << "no error";
    } catch (const ERegistryException& e) {
        EXPECT_NE(std::string(e.what()).find("non contiene valori leggibili"), std::string::npos);
    }
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(anno, "2009");
    Esegui();
    EXPECT_EQ(boxes.Messages(), Join(PrimoAvvio, TabelleCreate));
}

TEST_F(SequenzaAvvioTest, ConfNotExactlyOkRewritesEveryDefault) {
    Esegui();
    SetReg("Conf", "ok");
    SetReg("Anno", "2015");
    SetReg("AliasDB", "Altro");
    Esegui();
    EXPECT_EQ(boxes.Messages(), PrimoAvvio);  // the 2010 tables are there already
    EXPECT_EQ(Reg("Conf"), "OK");
    EXPECT_EQ(Reg("Anno"), "2010");
    EXPECT_EQ(Reg("AliasDB"), "DBrivano10");
    EXPECT_EQ(anno, "2010");
}

TEST_F(SequenzaAvvioTest, DataRootWithoutSlashIsJoinedPlainly) {
    Esegui();
    fs::create_directory(prg.path() / "dati");
    SetReg("PathDatiGen", prg.str() + "dati");
    Esegui();
    EXPECT_EQ(boxes.Messages(), TabelleCreate);
    EXPECT_TRUE(fs::is_regular_file(prg.path() / "dati2010" / "Rubrica.DB"));
    EXPECT_FALSE(fs::exists(prg.path() / "dati" / "2010"));
}

TEST_F(SequenzaAvvioTest, EngineErrorEndsTheSequenceWhereItHappens) {
    Esegui();
    const fs::path cartella = prg.path() / "2010";
    fs::remove(cartella / "Brivano.DB");
    // A link to nowhere: no table is there, yet the name cannot be taken.
    fs::create_symlink(prg.path() / "altrove", cartella / "Brivano.DB");
    anno = "2009";
    EXPECT_THROW(Esegui(), EArchiveError);
    EXPECT_EQ(boxes.Messages(), Texts{"Archivio Dati- Assente - Premere OK per Crearlo"});
    EXPECT_EQ(anno, "2009");
}

TEST_F(SequenzaAvvioTest, UnwritableProgramFolderKeepsDataInTheUserDataFolder) {
    Esegui(false);
    const std::string dati = (home.path() / "data" / "Brivano").string() + "/";
    EXPECT_EQ(boxes.Messages(), Join(PrimoAvvio, TabelleCreate));
    EXPECT_EQ(Reg("PathPrg"), prg.str());
    EXPECT_EQ(Reg("PathDatiGen"), dati);
    EXPECT_EQ(Reg("PathTemp"), dati);
    ExpectBothProtected(dati + "2010/");
    EXPECT_FALSE(fs::exists(prg.path() / "2010"));
}

TEST_F(SequenzaAvvioTest, ConfigurationThatCannotBeWrittenIsNotAnnounced) {
    // The configuration folder's place is taken by a file: nothing can be stored.
    const fs::path blocked = home.path() / "blocked";
    std::ofstream(blocked) << "x";
    setenv("XDG_CONFIG_HOME", blocked.c_str(), 1);
    EXPECT_THROW(Esegui(), std::runtime_error);
    EXPECT_EQ(boxes.Messages(), Texts{"CONFIGURAZIONE ASSENTE"});
}

TEST(CartelleIniziali, OnlyACopyInAFolderOfItsOwnUserKeepsDataThere) {
    TTempDir propria, altrui;
    // Root can write anywhere, so a folder of another user is made by giving
    // one away; any other user finds /tmp writable and root's.
    std::string diAltri = "/tmp/";
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(altrui.path().c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chmod(altrui.path().c_str(), 0777), 0);
        diAltri = altrui.str();
    }
    struct Case {
        std::string cartella;
        bool attesa;
    };
    const Case cases[] = {
        {propria.str(), true},
        {propria.path().string(), true},
        {diAltri, false},
        {"/usr/bin/", false},
        {"/usr/local/bin/", false},
        {"/opt/", false},
        {propria.str() + "assente/", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(brivano::DatiNellaCartellaDelProgramma(c.cartella), c.attesa) << c.cartella;
}

TEST(CartelleIniziali, ProgramFolderWhenWritable) {
    TScopedXdgHome home;
    const brivano::TCartelleIniziali c = brivano::CartelleIniziali("/opt/brivano/", true);
    EXPECT_EQ(c.PathPrg, "/opt/brivano/");
    EXPECT_EQ(c.PathTemp, "/opt/brivano/");
    EXPECT_EQ(c.PathDatiGen, "/opt/brivano/");
    EXPECT_FALSE(fs::exists(home.path() / "data" / "Brivano"));
}

TEST(CartelleIniziali, RelativeXdgDataHomeFallsBackToHome) {
    TScopedXdgHome home;
    TTempDir fakeHome;
    const std::string oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", fakeHome.path().c_str(), 1);
    setenv("XDG_DATA_HOME", "relative/data", 1);
    const brivano::TCartelleIniziali c = brivano::CartelleIniziali("/opt/brivano/", false);
    setenv("HOME", oldHome.c_str(), 1);
    EXPECT_EQ(c.PathDatiGen, fakeHome.str() + ".local/share/Brivano/");
    EXPECT_TRUE(fs::is_directory(c.PathDatiGen));
}

}  // namespace
