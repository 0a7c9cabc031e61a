// The contact list of a 100,000-row address table opened and walked, and
// 10,000 rows posted one by one, each beside the same work done by the sqlite3
// command-line tool on an equal file. Every run happens in a child process so
// its peak memory (maxrss) is its own.
//
//   build/release/bench/archive/archive_bench
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "archive/F_DB.h"

namespace fs = std::filesystem;

namespace {

constexpr int kContacts = 100000;
constexpr int kPosts = 10000;

class TSilentBoxes : public TMessageBoxes {
  public:
    void ShowMessage(const std::string&) override {}
    void ShowError(const std::string&) override {}
    TConfirmAnswer Confirm(const std::string&, const std::string&) override {
        return TConfirmAnswer::No;
    }
};

struct TChildResult {
    double seconds = 0;
    double cpuSeconds = 0;  // user + system: steadier than wall time on a busy machine
    long maxRssKb = 0;
    bool ok = false;
};

double CpuSeconds(const rusage& u) {
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Runs `work` in a child process; the child reports its own time, the parent
// reads the child's peak memory.
TChildResult InChild(const std::function<void()>& work) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        auto start = std::chrono::steady_clock::now();
        work();
        double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (write(fds[1], &s, sizeof s) != sizeof s) _exit(2);
        _exit(0);
    }
    close(fds[1]);
    TChildResult r;
    ssize_t got = read(fds[0], &r.seconds, sizeof r.seconds);
    close(fds[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    r.maxRssKb = usage.ru_maxrss;
    r.cpuSeconds = CpuSeconds(usage);
    r.ok = got == sizeof r.seconds && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return r;
}

// Runs the sqlite3 tool on a file with a script on its standard input.
TChildResult Sqlite3Tool(const fs::path& file, const fs::path& script) {
    auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        if (!freopen(script.c_str(), "r", stdin) || !freopen("/dev/null", "w", stdout)) _exit(3);
        execlp("sqlite3", "sqlite3", file.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    TChildResult r;
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.maxRssKb = usage.ru_maxrss;
    r.cpuSeconds = CpuSeconds(usage);
    r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return r;
}

struct TFixture {
    fs::path root;
    TFixture() {
        char tmpl[] = "/tmp/brivano-bench-XXXXXX";
        root = mkdtemp(tmpl);
        setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        fs::create_directories(root / "full");
        fs::create_directories(root / "empty");
        TSilentBoxes boxes;
        TFDB fdb(boxes);
        fdb.PuntaAlias("B", (root / "full").string() + "/");
        fdb.CreaTabella("B", "Rubrica.DB", DefinizioneRubrica);
        fdb.PuntaAlias("B", (root / "empty").string() + "/");
        fdb.CreaTabella("B", "Rubrica.DB", DefinizioneRubrica);
        // Filling 100,000 rows through Post would take minutes of fsyncs; one
        // transaction fills the same table file.
        sqlite3* db = nullptr;
        sqlite3_open((root / "full" / "Rubrica.DB").c_str(), &db);
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db,
                           "INSERT INTO records (Tipo, Ragione_Sociale, Citta, Cap, EMail, Sito, "
                           "Note) VALUES ('Cliente', ?, 'Città di Castello', '06012', ?, "
                           "'www.example.it', 'Nota breve')",
                           -1, &st, nullptr);
        for (int i = 0; i < kContacts; ++i) {
            std::string name = "Azienda " + std::to_string((i * 7919) % kContacts) + " Srl";
            std::string mail = "info" + std::to_string(i) + "@example.it";
            sqlite3_bind_text(st, 1, name.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 2, mail.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_step(st);
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);

        std::ofstream(root / "list.sql")
            << "SELECT * FROM records ORDER BY Ragione_Sociale COLLATE NOCASE ASC;\n";
        std::ofstream posts(root / "posts.sql");
        for (int i = 0; i < kPosts; ++i)
            posts << "INSERT INTO records (Tipo, Ragione_Sociale, Citta, Cap, EMail) VALUES "
                     "('Cliente', 'Nuova "
                  << i << "', 'Roma', '00100', 'nuova" << i << "@example.it');\n";
    }
    ~TFixture() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

TFixture& Fixture() {
    static TFixture f;
    return f;
}

void Report(benchmark::State& state, const TChildResult& r, double rows) {
    if (!r.ok) state.SkipWithError("child failed");
    state.SetIterationTime(r.seconds);
    state.counters["rows/s"] = benchmark::Counter(rows / r.seconds);
    state.counters["cpu_s"] = r.cpuSeconds;
    state.counters["peak_MB"] = static_cast<double>(r.maxRssKb) / 1024.0;
}

void ContactList_Brivano(benchmark::State& state) {
    const fs::path folder = Fixture().root / "full";
    for (auto _ : state) {
        TChildResult r = InChild([&] {
            TSilentBoxes boxes;
            TFDB fdb(boxes);
            fdb.PuntaAlias("B", folder.string() + "/");
            fdb.LegaQuery("B");
            fdb.CaricaRubrica();
            size_t bytes = 0;
            const int fields = static_cast<int>(fdb.QGEN.FieldNames().size());
            for (int row = 1; row <= fdb.QGEN.RecordCount(); ++row)
                for (int f = 0; f < fields; ++f)
                    bytes += fdb.QGEN.ValueAt(row, f).value_or("").size();
            benchmark::DoNotOptimize(bytes);
        });
        Report(state, r, kContacts);
    }
}

void ContactList_Sqlite3Tool(benchmark::State& state) {
    for (auto _ : state)
        Report(state,
               Sqlite3Tool(Fixture().root / "full" / "Rubrica.DB", Fixture().root / "list.sql"),
               kContacts);
}

void Post_Brivano(benchmark::State& state) {
    const fs::path folder = Fixture().root / "empty";
    for (auto _ : state) {
        TChildResult r = InChild([&] {
            TSilentBoxes boxes;
            TFDB fdb(boxes);
            fdb.PuntaAlias("B", folder.string() + "/");
            fdb.LegaTabella(fdb.T_Rubrica, "B", "Rubrica.DB");
            fdb.T_Rubrica.Open();
            for (int i = 0; i < kPosts; ++i) {
                fdb.T_Rubrica.Append();
                fdb.T_Rubrica.SetFieldValue("Tipo", "Cliente");
                fdb.T_Rubrica.SetFieldValue("Ragione_Sociale", "Nuova " + std::to_string(i));
                fdb.T_Rubrica.SetFieldValue("Citta", "Roma");
                fdb.T_Rubrica.SetFieldValue("Cap", "00100");
                fdb.T_Rubrica.SetFieldValue("EMail", "nuova" + std::to_string(i) + "@example.it");
                fdb.T_Rubrica.Post();
            }
        });
        Report(state, r, kPosts);
    }
}

void Post_Sqlite3Tool(benchmark::State& state) {
    for (auto _ : state)
        Report(state,
               Sqlite3Tool(Fixture().root / "empty" / "Rubrica.DB", Fixture().root / "posts.sql"),
               kPosts);
}

}  // namespace

BENCHMARK(ContactList_Brivano)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ContactList_Sqlite3Tool)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Post_Brivano)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(Post_Sqlite3Tool)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_MAIN();
