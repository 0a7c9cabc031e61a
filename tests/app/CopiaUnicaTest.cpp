// One running copy per user, checked on the real program started offscreen
// with private XDG folders; every copy is ended by its PID.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>
#include <utility>

#include "ProcessoDiProva.h"
#include "TempDir.h"
#include "app/CopiaUnica.h"

namespace fs = std::filesystem;

namespace {

// A copy of the program, from its own folder so its first start writes there;
// what it writes on its error output goes to `errori`.
class TCopia : public TProcessoDiProva {
  public:
    TCopia(const fs::path& programma, const fs::path& base, fs::path errori)
        : TProcessoDiProva({{programma.string()},
                            errori,
                            false,
                            false,
                            {"QT_QPA_PLATFORM=offscreen", "HOME=" + base.string(),
                             "XDG_RUNTIME_DIR=" + (base / "run").string(),
                             "XDG_CONFIG_HOME=" + (base / "config").string(),
                             "XDG_DATA_HOME=" + (base / "data").string()}}),
          errori_(std::move(errori)) {}

    std::string Errori() const { return ContenutoFile(errori_); }

  private:
    fs::path errori_;
};

// Waits, at most about 60 s, until `done` holds.
template <class Done>
bool Attendi(Done done) {
    for (int i = 0; i < 1200 && !done(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return done();
}

class CopiaUnicaTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* dir : {"run", "config", "data", "prg"})
            fs::create_directories(tmp.path() / dir);
        fs::permissions(tmp.path() / "run", fs::perms::owner_all, fs::perm_options::replace);
        programma = tmp.path() / "prg" / "brivano";
        fs::copy_file(BRIVANO_PROGRAMMA, programma);
    }

    // The PID the lock file names, or 0.
    pid_t PidDelLock() const {
        std::ifstream in(tmp.path() / "run" / "brivano.lock");
        long pid = 0;
        in >> pid;
        return static_cast<pid_t>(pid);
    }

    TTempDir tmp;
    fs::path programma;
};

TEST_F(CopiaUnicaTest, SecondCopyRefusedWhileFirstRunsAllowedOnceFirstIsKilled) {
    TCopia prima(programma, tmp.path(), tmp.path() / "prima.txt");
    ASSERT_GT(prima.Pid(), 0);
    ASSERT_TRUE(Attendi([&] { return PidDelLock() == prima.Pid(); })) << prima.Errori();

    TCopia seconda(programma, tmp.path(), tmp.path() / "seconda.txt");
    ASSERT_TRUE(Attendi([&] {
        return seconda.Errori().find(brivano::GiaInEsecuzione) != std::string::npos;
    })) << seconda.Errori();
    EXPECT_EQ(PidDelLock(), prima.Pid()) << "the refused copy leaves the lock alone";
    seconda.Uccidi();

    prima.Uccidi();
    ASSERT_TRUE(fs::exists(tmp.path() / "run" / "brivano.lock")) << "a killed copy leaves its lock";
    TCopia terza(programma, tmp.path(), tmp.path() / "terza.txt");
    ASSERT_TRUE(Attendi([&] { return PidDelLock() == terza.Pid(); })) << terza.Errori();
    EXPECT_EQ(terza.Errori().find(brivano::GiaInEsecuzione), std::string::npos);
}

TEST(CopiaUnica, RefusedOnlyWhileAnotherHoldsTheLockAndUnguardedWithoutAFolder) {
    TTempDir tmp;
    {
        brivano::TCopiaUnica prima(QString::fromStdString(tmp.str()));
        ASSERT_TRUE(prima.Prendi());
        brivano::TCopiaUnica seconda(QString::fromStdString(tmp.str()));
        EXPECT_FALSE(seconda.Prendi());
    }
    brivano::TCopiaUnica dopo(QString::fromStdString(tmp.str()));
    EXPECT_TRUE(dopo.Prendi()) << "the lock goes with the copy that held it";

    // A plain file where the runtime folder should be: no lock can be made.
    std::ofstream(tmp.path() / "file") << "x";
    brivano::TCopiaUnica senzaCartella(QString::fromStdString((tmp.path() / "file").string()));
    EXPECT_TRUE(senzaCartella.Prendi());
}

}  // namespace
