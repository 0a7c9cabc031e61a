// The address book window opened on a 100,000-contact book: time to the first
// paint of the list, then the jump to its last row, beside the sqlite3 tool
// reading the same rows in the same order. Each run is a child process, so its
// peak memory (maxrss) is its own; the window runs offscreen.
//
//   QT_QPA_PLATFORM=offscreen build/release/bench/addressbook/addressbook_bench
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTableView>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>

#include "addressbook/F_Rubrica.h"
#include "archive/F_DB.h"

namespace fs = std::filesystem;

namespace {

constexpr int kContacts = 100000;
constexpr const char* kAlias = "DBrivano10";

class TQuietBoxes : public TMessageBoxes {
  public:
    void ShowMessage(const std::string&) override {}
    void ShowError(const std::string&) override { ++errors; }
    TConfirmAnswer Confirm(const std::string&, const std::string&) override {
        return TConfirmAnswer::No;
    }
    int errors = 0;
};

class TNoDesktop : public TUrlOpener {
  public:
    void Open(const std::string&) override {}
};

// A year folder with an address table of `rows` contacts, filled in one
// transaction (posting 100,000 rows one by one is a test of the disk, not of
// the window).
fs::path MakeBook(const fs::path& root, const std::string& name, int rows) {
    const fs::path folder = root / name;
    fs::create_directories(folder);
    TQuietBoxes boxes;
    TFDB fdb(boxes);
    fdb.PuntaAlias(kAlias, folder.string() + "/");
    fdb.CreaTabella(kAlias, "Rubrica.DB", DefinizioneRubrica);
    sqlite3* db = nullptr;
    sqlite3_open((folder / "Rubrica.DB").c_str(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO records (Tipo, Ragione_Sociale, Citta, Cap, EMail, Sito, Note) "
                       "VALUES ('Fornitore', ?, 'Reggio nell''Emilia', '42121', ?, "
                       "'www.esempio.it', 'Cliente dal 2004')",
                       -1, &st, nullptr);
    for (int i = 0; i < rows; ++i) {
        const std::string company = "Ditta " + std::to_string((i * 48271) % kContacts) + " S.p.A.";
        const std::string mail = "ufficio" + std::to_string(i) + "@esempio.it";
        sqlite3_bind_text(st, 1, company.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, mail.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return folder;
}

struct TBooks {
    fs::path root, full, empty, listScript;
    TBooks() {
        char name[] = "/tmp/brivano-addressbook-bench-XXXXXX";
        root = mkdtemp(name);
        setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        full = MakeBook(root, "full", kContacts);
        empty = MakeBook(root, "empty", 0);
        listScript = root / "list.sql";
        std::ofstream(listScript) << "SELECT * FROM records ORDER BY Ragione_Sociale;\n";
    }
    ~TBooks() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

TBooks& Books() {
    static TBooks books;
    return books;
}

struct TRun {
    double firstPaintMs = 0, lastRowMs = 0;
    long peakKb = 0;
    bool ok = false;
};

// Runs `work` in a child; the child writes its two figures to a pipe.
TRun InChild(const std::function<bool(TRun&)>& work) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        TRun r;
        const bool ok = work(r);
        const double figures[2] = {r.firstPaintMs, r.lastRowMs};
        if (write(fds[1], figures, sizeof figures) != sizeof figures) _exit(2);
        _exit(ok ? 0 : 1);
    }
    close(fds[1]);
    double figures[2] = {0, 0};
    const ssize_t got = read(fds[0], figures, sizeof figures);
    close(fds[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    TRun r{figures[0], figures[1], usage.ru_maxrss, false};
    r.ok = got == sizeof figures && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return r;
}

// Watches the grid for the end of its next paint.
class TPaintWatch : public QObject {
  public:
    explicit TPaintWatch(QWidget* w) { w->installEventFilter(this); }
    bool painted = false;
    // Processes events until the watched widget has painted, for at most 60 s.
    bool Wait() {
        painted = false;
        QElapsedTimer limit;
        limit.start();
        while (!painted && limit.elapsed() < 60000) QCoreApplication::processEvents();
        return painted;
    }

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted = true;
        return false;
    }
};

bool OpenWindow(const fs::path& folder, TRun& r) {
    int argc = 1;
    char arg0[] = "addressbook_bench";
    char* argv[] = {arg0, nullptr};
    QApplication app(argc, argv);
    TQuietBoxes boxes;
    TFDB fdb(boxes);
    fdb.PuntaAlias(kAlias, folder.string() + "/");
    fdb.LegaQuery(kAlias);
    fdb.LegaTabella(fdb.T_Rubrica, kAlias, "Rubrica.DB");
    TNoDesktop desktop;

    QElapsedTimer clock;
    clock.start();
    TFRubrica window(fdb, boxes);
    window.SetUrlOpener(desktop);
    TPaintWatch watch(window.DBGrid1->viewport());
    window.show();
    if (!watch.Wait()) return false;
    r.firstPaintMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;

    const int rows = window.DBGrid1->model()->rowCount();
    if (rows == 0) return boxes.errors == 0;
    // The user's Ctrl+End: the highlight, and so the list's row, goes to the last contact.
    clock.restart();
    QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
    QApplication::sendEvent(window.DBGrid1, &end);
    if (!watch.Wait()) return false;
    r.lastRowMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    return boxes.errors == 0 && fdb.QGEN.RecNo() == rows;
}

// The iteration time is the time to the first paint (for the tool: to its last row).
void Report(benchmark::State& state, const TRun& r, bool window = true) {
    if (!r.ok) state.SkipWithError("child failed");
    state.SetIterationTime(r.firstPaintMs / 1000.0);
    if (window) state.counters["last_row_ms"] = r.lastRowMs;
    state.counters["peak_MB"] = static_cast<double>(r.peakKb) / 1024.0;
}

void Window_100kContacts(benchmark::State& state) {
    for (auto _ : state)
        Report(state, InChild([](TRun& r) { return OpenWindow(Books().full, r); }));
}

void Window_EmptyBook(benchmark::State& state) {
    for (auto _ : state)
        Report(state, InChild([](TRun& r) { return OpenWindow(Books().empty, r); }));
}

// The same rows in the same order through the sqlite3 command-line tool.
void Sqlite3Tool_100kContacts(benchmark::State& state) {
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const pid_t pid = fork();
        if (pid == 0) {
            if (!freopen(Books().listScript.c_str(), "r", stdin) ||
                !freopen("/dev/null", "w", stdout))
                _exit(3);
            execlp("sqlite3", "sqlite3", (Books().full / "Rubrica.DB").c_str(),
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        TRun r;
        r.firstPaintMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        r.peakKb = usage.ru_maxrss;
        r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        Report(state, r, false);
    }
}

}  // namespace

BENCHMARK(Window_100kContacts)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Window_EmptyBook)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Sqlite3Tool_100kContacts)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
