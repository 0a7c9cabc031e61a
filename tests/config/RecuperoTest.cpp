// A damaged store gives back what it can; interrupted writes leave nothing
// behind for long.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "TempDir.h"
#include "config/F_Conf.h"
#include "config/RecuperoConfigurazione.h"

namespace fs = std::filesystem;

namespace {

const std::string GoodLines =
    "\"Conf\"=sz:\"OK\"\n"
    "\"PathDatiGen\"=sz:\"/dati/\"\n"
    "\"Anno\"=sz:\"2014\"\n";

class RecoveryTest : public ::testing::Test {
  protected:
    TScopedXdgHome home;
    fs::path File() const { return TRegistryStore::FileForKey(KeyBrivano); }
    void Put(const std::string& bytes) const {
        fs::create_directories(File().parent_path());
        std::ofstream(File(), std::ios::binary | std::ios::trunc) << bytes;
    }
    std::vector<fs::path> Named(const std::string& prefix) const {
        std::vector<fs::path> found;
        for (const auto& e : fs::directory_iterator(File().parent_path()))
            if (e.path().filename().string().starts_with(prefix)) found.push_back(e.path());
        return found;
    }
};

struct DamageCase {
    const char* what;
    std::string bytes;
    std::map<std::string, std::string> recovered;  // value name -> text
    std::vector<int> damagedLines;
};

TEST_F(RecoveryTest, DamagedStoreKeepsEveryLineThatParses) {
    const DamageCase cases[] = {
        {"garbage line",
         "\"Conf\"=sz:\"OK\"\nthis is not a value\n\"Anno\"=sz:\"2014\"\n",
         {{"Conf", "OK"}, {"Anno", "2014"}},
         {2}},
        {"truncated last line",
         GoodLines + "\"DBRubrica\"=sz:\"Rubr",
         {{"Conf", "OK"}, {"PathDatiGen", "/dati/"}, {"Anno", "2014"}},
         {4}},
        {"binary noise",
         std::string("\"Conf\"=sz:\"OK\"\n\x00\xff\x17\x9c\n", 20) +
             "\x80\x81\"Anno\"=sz:\"2014\"\n" + "\"PathDatiGen\"=sz:\"/dati/\"\n\x01\x02",
         {{"Conf", "OK"}, {"PathDatiGen", "/dati/"}},
         {2, 3, 5}},
        {"bad escape and unknown type",
         "\"Anno\"=sz:\"20\\q4\"\n\"Conf\"=sz:\"OK\"\n\"PathPrg\"=blob:00\n",
         {{"Conf", "OK"}},
         {1, 3}},
    };
    for (const DamageCase& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(File().parent_path());
        Put(c.bytes);

        const std::optional<TRegRecovery> r = TRegistryStore(KeyBrivano).Recover();
        ASSERT_TRUE(r);
        EXPECT_EQ(r->damagedLines, c.damagedLines);
        EXPECT_EQ(r->recovered.size(), c.recovered.size());
        EXPECT_EQ(ContenutoFile(r->keptAs), c.bytes) << "the damaged file is kept as it was";
        for (const auto& [name, text] : c.recovered) EXPECT_EQ(LeggiReg(KeyBrivano, name), text);
        for (const char* other : {"Conf", "PathDatiGen", "Anno", "DBRubrica", "PathPrg"})
            if (!c.recovered.contains(other)) {
                EXPECT_EQ(LeggiReg(KeyBrivano, other), "") << other;
            }
        EXPECT_FALSE(TRegistryStore(KeyBrivano).Recover()) << "the new store is sound";
    }
}

TEST_F(RecoveryTest, NothingRecoverableKeepsTheFileAsideAndLeavesNoKey) {
    const std::string noise = std::string("\xff\xfe\x00garbage\n", 11) + "\"Anno\"=sz:";
    Put(noise);
    try {
        TRegistryStore(KeyBrivano).Recover();
        FAIL() << "no error";
    } catch (const ERegistryException& e) {
        const std::string text = e.what();
        EXPECT_NE(text.find("danneggiata (righe 1, 2)"), std::string::npos) << text;
        EXPECT_NE(text.find("non contiene valori leggibili"), std::string::npos) << text;
    }
    EXPECT_FALSE(fs::exists(File()));
    const std::vector<fs::path> aside = Named("Brivano.reg.damaged-");
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(ContenutoFile(aside[0]), noise);
    EXPECT_EQ(LeggiReg(KeyBrivano, "Conf"), "") << "a first start follows";
}

TEST_F(RecoveryTest, EmptyOrMissingStoreIsNotDamaged) {
    EXPECT_FALSE(TRegistryStore(KeyBrivano).Recover());
    Put("");
    EXPECT_FALSE(TRegistryStore(KeyBrivano).Recover());
    EXPECT_EQ(LeggiReg(KeyBrivano, "Conf"), "");
}

TEST_F(RecoveryTest, TwoDamagesInOneSecondKeepBothFiles) {
    Put("\"Conf\"=sz:\"OK\"\nuno\n");
    TRegistryStore(KeyBrivano).Recover();
    Put("\"Conf\"=sz:\"OK\"\ndue\n");
    TRegistryStore(KeyBrivano).Recover();
    std::string both;
    for (const fs::path& p : Named("Brivano.reg.damaged-")) both += ContenutoFile(p);
    EXPECT_NE(both.find("uno"), std::string::npos);
    EXPECT_NE(both.find("due"), std::string::npos);
}

TEST_F(RecoveryTest, OnlyUnrecoveredValuesGetTheirDefaults) {
    Put(GoodLines + "\"AliasDB\"=sz:\"DB");
    const std::optional<TRegRecovery> r = TRegistryStore(KeyBrivano).Recover();
    ASSERT_TRUE(r);
    const std::string text = CompletaConfigurazione(KeyBrivano, *r,
                                                    {{"Conf", "OK"},
                                                     {"PathDatiGen", "/prg/"},
                                                     {"AliasDB", "DBrivano10"},
                                                     {"Anno", "2010"},
                                                     {"DBRubrica", "Rubrica.DB"}});
    EXPECT_EQ(LeggiReg(KeyBrivano, "Anno"), "2014");
    EXPECT_EQ(LeggiReg(KeyBrivano, "PathDatiGen"), "/dati/");
    EXPECT_EQ(LeggiReg(KeyBrivano, "AliasDB"), "DBrivano10");
    EXPECT_EQ(LeggiReg(KeyBrivano, "DBRubrica"), "Rubrica.DB");
    EXPECT_EQ(text, "La configurazione era danneggiata (riga 4) ed è stata messa da parte come " +
                        r->keptAs.string() +
                        "\r\rValori recuperati: Conf, PathDatiGen, Anno"
                        "\rValori tornati a quelli di base: AliasDB = \"DBrivano10\", "
                        "DBRubrica = \"Rubrica.DB\"");
}

TEST_F(RecoveryTest, NothingFallsBackWhenEveryValueWasRecovered) {
    Put(GoodLines + "???\n");
    const std::optional<TRegRecovery> r = TRegistryStore(KeyBrivano).Recover();
    ASSERT_TRUE(r);
    const std::string text = CompletaConfigurazione(KeyBrivano, *r, {{"Anno", "2010"}});
    EXPECT_EQ(LeggiReg(KeyBrivano, "Anno"), "2014");
    EXPECT_NE(text.find("\rNessun valore è tornato a quello di base"), std::string::npos) << text;
}

// A child writes with a file size limit and the default action of SIGXFSZ,
// which kills it in the middle of writing its temporary file.
TEST_F(RecoveryTest, WriteKilledHalfWayLeavesTempFileThatNextWriteRemoves) {
    ScriviReg(KeyBrivano, "Conf", "OK");
    ScriviReg(KeyBrivano, "Anno", "2014");
    const std::string before = ContenutoFile(File());

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_DFL);
        rlimit none{0, 0};
        setrlimit(RLIMIT_CORE, &none);
        rlimit small{64, 64};
        setrlimit(RLIMIT_FSIZE, &small);
        try {
            ScriviReg(KeyBrivano, "Note", std::string(4096, 'x'));
        } catch (...) {
        }
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << "status " << status;
    EXPECT_EQ(ContenutoFile(File()), before);
    ASSERT_EQ(Named("Brivano.reg.tmp-").size(), 1u) << "the kill left its temporary file";

    ScriviReg(KeyBrivano, "Anno", "2015");
    EXPECT_TRUE(Named("Brivano.reg.tmp-").empty());
    EXPECT_EQ(LeggiReg(KeyBrivano, "Anno"), "2015");
    EXPECT_EQ(LeggiReg(KeyBrivano, "Conf"), "OK");
}

TEST_F(RecoveryTest, NextWriteSparesOtherFilesAndWritesStillUnderWay) {
    ScriviReg(KeyBrivano, "Conf", "OK");
    const fs::path folder = File().parent_path();
    const fs::path stale = folder / "Brivano.reg.tmp-a1B2c3";
    const fs::path live = folder / "Brivano.reg.tmp-Z9y8X7";
    const fs::path others[] = {folder / "Brivano.reg.tmp-appunti", folder / "Altro.reg.tmp-a1B2c3",
                               folder / "Brivano.reg.tmp-a1B2c"};
    for (const fs::path& p : {stale, live}) std::ofstream(p) << "\"Conf\"=sz:\"O";
    for (const fs::path& p : others) std::ofstream(p) << "mine";
    // A writer still at work holds its temporary file locked.
    const int held = ::open(live.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    ScriviReg(KeyBrivano, "Anno", "2014");
    ::close(held);

    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(live));
    for (const fs::path& p : others) EXPECT_EQ(ContenutoFile(p), "mine") << p;
}

}  // namespace
