// One running copy per user, checked on the real program started offscreen
// with private XDG folders; every copy is ended by its PID.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "TempDir.h"
#include "app/CopiaUnica.h"

namespace fs = std::filesystem;

namespace {

// A copy of the program, from its own folder so its first start writes there.
class TCopia {
  public:
    TCopia(const fs::path& programma, const fs::path& base) {
        int pipeErr[2];
        if (pipe2(pipeErr, O_CLOEXEC) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(pipeErr[1], STDERR_FILENO);
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            setenv("HOME", base.c_str(), 1);
            setenv("XDG_RUNTIME_DIR", (base / "run").c_str(), 1);
            setenv("XDG_CONFIG_HOME", (base / "config").c_str(), 1);
            setenv("XDG_DATA_HOME", (base / "data").c_str(), 1);
            execl(programma.c_str(), programma.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(pipeErr[1]);
        err_ = pipeErr[0];
        fcntl(err_, F_SETFL, O_NONBLOCK);
    }
    ~TCopia() {
        Termina();
        if (err_ >= 0) close(err_);
    }
    TCopia(const TCopia&) = delete;
    TCopia& operator=(const TCopia&) = delete;

    pid_t Pid() const { return pid_; }

    void Termina() {
        if (pid_ <= 0) return;
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

    // What the copy wrote on its error output so far.
    const std::string& Errori() {
        char buf[512];
        ssize_t n;
        while (err_ >= 0 && (n = read(err_, buf, sizeof buf)) > 0)
            errori_.append(buf, static_cast<size_t>(n));
        return errori_;
    }

  private:
    pid_t pid_ = -1;
    int err_ = -1;
    std::string errori_;
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
    TCopia prima(programma, tmp.path());
    ASSERT_GT(prima.Pid(), 0);
    ASSERT_TRUE(Attendi([&] { return PidDelLock() == prima.Pid(); })) << prima.Errori();

    TCopia seconda(programma, tmp.path());
    ASSERT_TRUE(Attendi([&] {
        return seconda.Errori().find(brivano::GiaInEsecuzione) != std::string::npos;
    })) << seconda.Errori();
    EXPECT_EQ(PidDelLock(), prima.Pid()) << "the refused copy leaves the lock alone";
    seconda.Termina();

    prima.Termina();
    ASSERT_TRUE(fs::exists(tmp.path() / "run" / "brivano.lock")) << "a killed copy leaves its lock";
    TCopia terza(programma, tmp.path());
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
