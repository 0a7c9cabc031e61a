// The address book window opened on a 100,000-contact book: time to the first
// paint of the list, then the jump to its last row and a keystroke in the
// search box (to the list repainted), beside the sqlite3 tool
// reading the same rows in the same order. With a contact register of an
// entry per contact, the keystrokes again beside Python's sqlite3 running the
// same search as LIKE queries. Each run is a child process, so its
// peak memory (maxrss) is its own; the window runs offscreen.
//
//   QT_QPA_PLATFORM=offscreen build/release/bench/addressbook/addressbook_bench
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTableView>
#include <filesystem>
#include <fstream>

#include "BenchSupport.h"
#include "addressbook/F_Rubrica.h"
#include "addressbook/StrumentiRubrica.h"
#include "ui/CasellaFiltro.h"
#include "workflow/RegistroContatti.h"

#ifndef BRIVANO_LIKE_PEER
#error "BRIVANO_LIKE_PEER names like_peer.py"
#endif

namespace fs = std::filesystem;
using namespace brivano::bench;

namespace {

constexpr int kContacts = 100000;
constexpr const char* kAlias = "DBrivano10";

class TNoDesktop : public TUrlOpener {
  public:
    void Open(const std::string&) override {}
};

struct TBooks {
    TBenchRoot root{"brivano-addressbook-bench"};
    fs::path full = root / "full", empty = root / "empty", listScript = root / "list.sql";
    // A year folder whose data root keeps a register entry for every contact.
    fs::path registered = root / "registro" / "2010";
    TBooks() {
        CreateAddressBook(full, kContacts);
        CreateAddressBook(empty, 0);
        CreateAddressBook(registered, kContacts);
        FillRegister(brivano::PercorsoRegistroContatti(registered.parent_path()));
        std::ofstream(listScript) << "SELECT * FROM records ORDER BY Ragione_Sociale;\n";
    }
    static void FillRegister(const fs::path& file) {
        std::vector<brivano::TVoceRegistro> voci;
        for (int i = 0; i < kContacts; ++i) {
            brivano::TVoceRegistro v{"ufficio" + std::to_string(i) + "@esempio.it"};
            v.Base =
                i % 3 == 0 ? brivano::TBaseGiuridica::Consenso : brivano::TBaseGiuridica::Cliente;
            v.Fonte = "fattura n. " + std::to_string(i);
            v.DataRaccolta = "2024-01-15";
            v.Informativa = "v2";
            v.Etichette = {"fiera" + std::to_string(i % 40), "newsletter"};
            v.PartitaIva = "01234567897";
            v.Pec = "ufficio" + std::to_string(i) + "@pec.esempio.it";
            v.CodiceSdi = "ABC1234";
            v.Referente = "Mario Rossi " + std::to_string(i);
            v.Telefono = "+39 075 " + std::to_string(1000000 + i);
            voci.push_back(std::move(v));
        }
        brivano::TRegistroContatti(file).ScriviTutte(voci);
    }
};

TBooks& Books() {
    static TBooks books;
    return books;
}

struct TRun {
    double firstPaintMs = 0, lastRowMs = 0, firstKeystrokeMs = 0, keystrokeMs = 0;
};

// Texts typed into the search box, each searching every row again; with a
// register, texts found only in it too.
const char* const kRicerche[] = {"ditta 4827", "ufficio99", "castello"};
const char* const kRicercheRegistro[] = {"ditta 4827", "ufficio99", "castello", "rossi 4827",
                                         "fiera17"};

struct TMeasured {
    TRun run;
    TChildUsage usage;
};

TMeasured Measure(const std::function<bool(TRun&)>& work) {
    TMeasured m;
    m.usage = InChild<TRun>(work, m.run);
    return m;
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

bool OpenWindow(const fs::path& folder, TRun& r, bool registro = false) {
    int argc = 1;
    char arg0[] = "addressbook_bench";
    char* argv[] = {arg0, nullptr};
    QApplication app(argc, argv);
    TSilentBoxes boxes;
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
    const bool ultima = fdb.QGEN.RowNumber() == rows;

    // A keystroke in the search box: from the new text to the list repainted.
    // The first one also folds every row once, for all later ones.
    clock.restart();
    window.Strumenti->Filtro->setText(QStringLiteral("d"));
    if (!watch.Wait()) return false;
    r.firstKeystrokeMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    const std::vector<const char*> ricerche =
        registro
            ? std::vector<const char*>(std::begin(kRicercheRegistro), std::end(kRicercheRegistro))
            : std::vector<const char*>(std::begin(kRicerche), std::end(kRicerche));
    for (const char* testo : ricerche) {
        clock.restart();
        window.Strumenti->Filtro->setText(QString::fromUtf8(testo));
        if (!watch.Wait()) return false;
        r.keystrokeMs += static_cast<double>(clock.nsecsElapsed()) / 1e6;
    }
    r.keystrokeMs /= static_cast<double>(ricerche.size());
    return boxes.errors == 0 && ultima;
}

// The iteration time is the time to the first paint (for the tool: to its last row).
void Report(benchmark::State& state, double ms, const TChildUsage& usage) {
    if (!usage.ok) state.SkipWithError("child failed");
    state.SetIterationTime(ms / 1000.0);
    state.counters["peak_MB"] = static_cast<double>(usage.maxRssKb) / 1024.0;
}

void ReportWindow(benchmark::State& state, const TMeasured& m) {
    Report(state, m.run.firstPaintMs, m.usage);
    state.counters["last_row_ms"] = m.run.lastRowMs;
    state.counters["first_keystroke_ms"] = m.run.firstKeystrokeMs;
    state.counters["keystroke_ms"] = m.run.keystrokeMs;
}

// The books are made here, in the parent: made in a child they would be made
// again for every run and never removed.
void Window_100kContacts(benchmark::State& state) {
    const fs::path folder = Books().full;
    for (auto _ : state)
        ReportWindow(state, Measure([&folder](TRun& r) { return OpenWindow(folder, r); }));
}

void Window_EmptyBook(benchmark::State& state) {
    const fs::path folder = Books().empty;
    for (auto _ : state)
        ReportWindow(state, Measure([&folder](TRun& r) { return OpenWindow(folder, r); }));
}

void Window_100kContactsFullRegister(benchmark::State& state) {
    const fs::path folder = Books().registered;
    for (auto _ : state)
        ReportWindow(state, Measure([&folder](TRun& r) { return OpenWindow(folder, r, true); }));
}

// The same searches as LIKE queries through Python's sqlite3; the iteration
// time is the mean per text, as keystroke_ms is for the window.
void PythonLike_100kContactsFullRegister(benchmark::State& state) {
    std::string comando =
        std::string("python3 ") + BRIVANO_LIKE_PEER + " '" +
        (Books().registered / "Rubrica.DB").string() + "' '" +
        brivano::PercorsoRegistroContatti(Books().registered.parent_path()).string() + "'";
    for (const char* testo : kRicercheRegistro) comando += std::string(" '") + testo + "'";
    for (auto _ : state) {
        FILE* uscita = ::popen(comando.c_str(), "r");
        double ms = 0;
        long righe = 0;
        const bool letto = uscita && std::fscanf(uscita, "%lf %ld", &ms, &righe) == 2;
        const bool ok = uscita && ::pclose(uscita) == 0 && letto;
        if (!ok) state.SkipWithError("like_peer.py failed");
        state.SetIterationTime(ms / 1000.0);
        state.counters["keystroke_ms"] = ms;
    }
}

// The same rows in the same order through the sqlite3 command-line tool.
void Sqlite3Tool_100kContacts(benchmark::State& state) {
    for (auto _ : state) {
        const TChildUsage usage = Sqlite3Tool(Books().full / "Rubrica.DB", Books().listScript);
        Report(state, usage.seconds * 1000.0, usage);
    }
}

}  // namespace

BENCHMARK(Window_100kContacts)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Window_EmptyBook)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Window_100kContactsFullRegister)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(PythonLike_100kContactsFullRegister)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(Sqlite3Tool_100kContacts)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
