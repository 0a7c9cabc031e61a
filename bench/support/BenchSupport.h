#pragma once
// Pieces the benchmarks share: a child process per measured run (so its peak
// memory is its own), the sqlite3 tool run the same way, a private temporary
// root, and an address book of many contacts.

#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <type_traits>

#include "archive/F_DB.h"

namespace brivano::bench {

class TSilentBoxes : public TMessageBoxes {
  public:
    void ShowInfo(const std::string&) override {}
    void ShowError(const std::string&) override { ++errors; }
    TConfirmAnswer Confirm(const std::string&, const std::string&) override {
        return TConfirmAnswer::No;
    }
    int errors = 0;
};

struct TChildUsage {
    double seconds = 0;     // wall time seen by the parent
    double cpuSeconds = 0;  // user + system: steadier than wall time on a busy machine
    long maxRssKb = 0;
    bool ok = false;
};

inline TChildUsage Usage(int status, const rusage& u, std::chrono::steady_clock::time_point start) {
    TChildUsage r;
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.cpuSeconds = static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
                   static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    r.maxRssKb = u.ru_maxrss;
    r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return r;
}

// Runs `work` in a child process; what it writes into `figures` (a plain
// struct) comes back through a pipe.
template <class Figures>
TChildUsage InChild(const std::function<bool(Figures&)>& work, Figures& figures) {
    static_assert(std::is_trivially_copyable_v<Figures>);
    int fds[2];
    if (pipe(fds) != 0) return {};
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        Figures mine{};
        const bool ok = work(mine);
        if (write(fds[1], &mine, sizeof mine) != static_cast<ssize_t>(sizeof mine)) _exit(2);
        _exit(ok ? 0 : 1);
    }
    close(fds[1]);
    const ssize_t got = read(fds[0], &figures, sizeof figures);
    close(fds[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    TChildUsage r = Usage(status, usage, start);
    r.ok = r.ok && got == static_cast<ssize_t>(sizeof figures);
    return r;
}

// Runs `work` in a child process and times it inside the child, so the fork
// and the child's start are left out; false from `work` marks the run failed.
inline TChildUsage TimedInChild(const std::function<bool()>& work) {
    struct TElapsed {
        double seconds = 0;
    } elapsed;
    TChildUsage r = InChild<TElapsed>(
        [&](TElapsed& e) {
            const auto start = std::chrono::steady_clock::now();
            const bool ok = work();
            e.seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            return ok;
        },
        elapsed);
    r.seconds = elapsed.seconds;
    return r;
}

// The sqlite3 command-line tool on a file, with a script as its input and
// its output thrown away.
inline TChildUsage Sqlite3Tool(const std::filesystem::path& file,
                               const std::filesystem::path& script) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        if (!freopen(script.c_str(), "r", stdin) || !freopen("/dev/null", "w", stdout)) _exit(3);
        execlp("sqlite3", "sqlite3", file.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    return Usage(status, usage, start);
}

// An address table of `rows` contacts in `folder`, filled in one transaction:
// posting them one by one would measure the disk's flushes, not the program.
inline void CreateAddressBook(const std::filesystem::path& folder, int rows) {
    std::filesystem::create_directories(folder);
    TSilentBoxes boxes;
    TFDB fdb(boxes);
    fdb.PuntaAlias("Bench", folder.string() + "/");
    fdb.CreaTabella("Bench", "Rubrica.DB", DefinizioneRubrica);
    sqlite3* db = nullptr;
    sqlite3_open((folder / "Rubrica.DB").c_str(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO records (Tipo, Ragione_Sociale, Citta, Cap, EMail, Sito, Note) "
                       "VALUES ('Fornitore', ?, 'Città di Castello', '06012', ?, "
                       "'www.esempio.it', 'Cliente dal 2004')",
                       -1, &st, nullptr);
    for (int i = 0; i < rows; ++i) {
        // Names in scrambled order, so sorting them is real work.
        const std::string company =
            "Ditta " + std::to_string((static_cast<long long>(i) * 48271) % rows) + " S.p.A.";
        const std::string mail = "ufficio" + std::to_string(i) + "@esempio.it";
        sqlite3_bind_text(st, 1, company.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, mail.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// A fresh folder below /tmp for one benchmark program, with the program's
// configuration pointed into it; removed with everything in it at the end.
class TBenchRoot {
  public:
    explicit TBenchRoot(const char* name) {
        std::string pattern = std::string("/tmp/") + name + "-XXXXXX";
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
        setenv("XDG_CONFIG_HOME", (path_ / "config").c_str(), 1);
    }
    ~TBenchRoot() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TBenchRoot(const TBenchRoot&) = delete;
    TBenchRoot& operator=(const TBenchRoot&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

}  // namespace brivano::bench
