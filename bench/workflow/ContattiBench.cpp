// Contacts at scale, each beside the sqlite3 command-line tool doing the same
// work on the same data, every run in a child process of its own:
// - one keystroke of the search box over 100,000 contacts (the rows already
//   folded; the folding and the first keystroke are reported apart) beside
//   a LIKE query over the five searched columns;
// - imports of 100,000 and 400,000 CSV rows, and as many vCards, into an
//   empty address table beside the tool's .import of the same rows as CSV;
// - exports of 100,000 and 400,000 contacts to CSV and to vCard beside the
//   tool's .output of the same table as CSV, in the same order;
// - the same CSV import and export run by brivano-rubrica itself, a whole
//   process with its libraries like the tool;
// each with the peak memory of its process (a child that does nothing shows
// what the benchmark process itself brings).
//
//   build/release/bench/workflow/contatti_bench
#include <benchmark/benchmark.h>

#include <fcntl.h>

#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "BenchSupport.h"
#include "archive/TableFile.h"
#include "workflow/ComandiContatti.h"
#include "workflow/FiltroContatti.h"
#include "workflow/TestiRicerca.h"

namespace fs = std::filesystem;
using namespace brivano::bench;

namespace {

constexpr int kContacts = 100000;
// Keystrokes that do not narrow the previous text, so every row is searched.
const char* const kTesti[] = {"castello", "ditta 4827", "ufficio99", "fornitore", "s.p.a"};

constexpr int kSizes[] = {100000, 400000};

std::string Rows(int n) {
    return std::to_string(n);
}

struct TFixture {
    TBenchRoot root{"brivano-contatti-bench"};
    TFixture() {
        CreateAddressBook(root / "full", kContacts);
        std::ofstream like(root / "filter.sql");
        for (const char* t : kTesti)
            like << "SELECT rowid FROM records WHERE Ragione_Sociale LIKE '%" << t
                 << "%' OR Tipo LIKE '%" << t << "%' OR Citta LIKE '%" << t << "%' OR Cap LIKE '%"
                 << t << "%' OR EMail LIKE '%" << t << "%' ORDER BY Ragione_Sociale;\n";
        for (int n : kSizes) {
            if (n != kContacts) CreateAddressBook(root / ("full" + Rows(n)), n);
            std::ofstream csv(root / ("contatti" + Rows(n) + ".csv"));
            std::ofstream vcf(root / ("contatti" + Rows(n) + ".vcf"));
            csv << "Ragione Sociale,Tipo,Città,CAP,Email,Sito,Note\r\n";
            for (int i = 0; i < n; ++i) {
                csv << "\"Ditta " << i << " S.p.A.\",Fornitore,Città di Castello,06012,ufficio" << i
                    << "@esempio.it,www.esempio.it,\"Cliente dal 2004, \"\"buono\"\"\"\r\n";
                vcf << "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Ditta " << i << " S.p.A.\r\nORG:Ditta "
                    << i << " S.p.A.\r\nCATEGORIES:Fornitore\r\nEMAIL:ufficio" << i
                    << "@esempio.it\r\nURL:www.esempio.it\r\nADR:;;;Città di Castello;;06012;\r\n"
                       "NOTE:Cliente dal 2004\\, \"buono\"\r\nEND:VCARD\r\n";
            }
            std::ofstream(root / ("import" + Rows(n) + ".sql"))
                << ".mode csv\n.import '" << (root / ("contatti" + Rows(n) + ".csv")).string()
                << "' contatti\n";
            std::ofstream(root / ("export" + Rows(n) + ".sql"))
                << ".headers on\n.mode csv\n.output '" << (root / "tool-out.csv").string()
                << "'\nSELECT Ragione_Sociale, Tipo, Citta, Cap, EMail, Sito, Note FROM records "
                   "ORDER BY Ragione_Sociale;\n";
        }
    }
    fs::path Book(int n) const {
        return root.path() / (n == kContacts ? "full" : "full" + Rows(n));
    }
};

TFixture& Fixture() {
    static TFixture f;
    return f;
}

void Report(benchmark::State& state, const TChildUsage& r, double per) {
    if (!r.ok) state.SkipWithError("child failed");
    state.SetIterationTime(r.seconds / per);
    state.counters["cpu_s"] = r.cpuSeconds;
    state.counters["peak_MB"] = static_cast<double>(r.maxRssKb) / 1024.0;
}

// Reading and folding every row (done on its own thread while the list is
// on screen), the first keystroke (putting those rows in the list's order),
// and the later keystrokes, timed apart.
struct TKeystrokes {
    double prepareSeconds = 0, firstSeconds = 0, seconds = 0;
};

void FilterKeystroke_Brivano(benchmark::State& state) {
    const fs::path folder = Fixture().root / "full";
    for (auto _ : state) {
        TKeystrokes k;
        TChildUsage r = InChild<TKeystrokes>(
            [&](TKeystrokes& out) {
                TSilentBoxes boxes;
                TFDB fdb(boxes);
                fdb.PuntaAlias("B", folder.string() + "/");
                fdb.LegaQuery("B");
                fdb.CaricaRubrica();
                const std::vector<long long>& ids = fdb.QGEN.RowIds();
                using Clock = std::chrono::steady_clock;
                const auto prepare = Clock::now();
                auto testi = brivano::TTestiRicerca::Leggi(fdb.QGEN.FilePath());
                const auto first = Clock::now();
                brivano::TFiltroContatti filtro;
                filtro.Carica(ids, std::move(*testi));
                std::size_t trovate = filtro.Filtra("d").size();
                const auto start = Clock::now();
                out.prepareSeconds = std::chrono::duration<double>(first - prepare).count();
                out.firstSeconds = std::chrono::duration<double>(start - first).count();
                for (const char* t : kTesti) trovate += filtro.Filtra(t).size();
                out.seconds =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                benchmark::DoNotOptimize(trovate);
                return trovate > 0;
            },
            k);
        r.seconds = k.seconds;
        Report(state, r, std::size(kTesti));
        state.counters["prepare_ms"] = k.prepareSeconds * 1000.0;
        state.counters["first_keystroke_ms"] = k.firstSeconds * 1000.0;
    }
}

void FilterKeystroke_Sqlite3Tool(benchmark::State& state) {
    for (auto _ : state)
        Report(state,
               Sqlite3Tool(Fixture().root / "full" / "Rubrica.DB", Fixture().root / "filter.sql"),
               std::size(kTesti));
}

// The import as brivano-rubrica runs it: the file read, checked and written
// in one pass.
bool ImportOne(const fs::path& file, const fs::path& table, int rows) {
    auto t = TTableFile::Open(table);
    return brivano::ImportaFile(*t, file, brivano::TDuplicati::Salta).Aggiunti == rows;
}

// The export as brivano-rubrica runs it: every contact in the list's order.
bool ExportOne(const fs::path& table, const fs::path& file, int rows) {
    auto t = TTableFile::Open(table);
    return brivano::EsportaContatti(*t, file) == static_cast<std::size_t>(rows);
}

void Import_Brivano(benchmark::State& state, const char* extension) {
    const int rows = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const fs::path folder = Fixture().root / "import";
        fs::remove_all(folder);
        CreateAddressBook(folder, 0);
        const fs::path file = Fixture().root / ("contatti" + Rows(rows) + extension);
        const TChildUsage r =
            TimedInChild([&] { return ImportOne(file, folder / "Rubrica.DB", rows); });
        Report(state, r, 1);
        state.counters["rows/s"] = rows / r.seconds;
    }
}

void Import_Sqlite3Tool(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const fs::path file = Fixture().root / "tool.db";
        fs::remove(file);
        const TChildUsage r = Sqlite3Tool(file, Fixture().root / ("import" + Rows(rows) + ".sql"));
        Report(state, r, 1);
        state.counters["rows/s"] = rows / r.seconds;
    }
}

void Export_Brivano(benchmark::State& state, const char* extension) {
    const int rows = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const fs::path file = Fixture().root / (std::string("out") + extension);
        const TChildUsage r = TimedInChild(
            [&] { return ExportOne(Fixture().Book(rows) / "Rubrica.DB", file, rows); });
        Report(state, r, 1);
        state.counters["rows/s"] = rows / r.seconds;
    }
}

void Export_Sqlite3Tool(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const TChildUsage r = Sqlite3Tool(Fixture().Book(rows) / "Rubrica.DB",
                                          Fixture().root / ("export" + Rows(rows) + ".sql"));
        Report(state, r, 1);
        state.counters["rows/s"] = rows / r.seconds;
    }
}

// brivano-rubrica run with `args` from its own copy in `folder`, so its first
// start writes only there; its output is thrown away.
TChildUsage Command(const fs::path& folder, const std::vector<std::string>& args) {
    const fs::path exe = folder / "brivano-rubrica";
    if (!fs::exists(exe)) fs::copy_file(BRIVANO_RUBRICA_EXE, exe);
    std::vector<const char*> argv{exe.c_str()};
    for (const std::string& a : args) argv.push_back(a.c_str());
    argv.push_back(nullptr);
    // The environment is made before the fork: the child only calls what is
    // safe there.
    const std::string config = "XDG_CONFIG_HOME=" + (folder / "config").string();
    std::vector<const char*> envp;
    for (char** e = environ; *e != nullptr; ++e)
        if (std::string_view(*e).substr(0, 16) != "XDG_CONFIG_HOME=") envp.push_back(*e);
    envp.push_back(config.c_str());
    envp.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int nulla = open("/dev/null", O_WRONLY);
        if (nulla < 0 || dup2(nulla, STDOUT_FILENO) < 0 || dup2(nulla, STDERR_FILENO) < 0) _exit(3);
        execve(argv[0], const_cast<char* const*>(argv.data()),
               const_cast<char* const*>(envp.data()));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    return Usage(status, usage, start);
}

// A fresh folder with the command's configuration and empty tables in it.
fs::path FreshCommandFolder() {
    fs::path folder = Fixture().root / "comando";
    fs::remove_all(folder);
    fs::create_directories(folder);
    if (!Command(folder, {"elenco"}).ok) throw std::runtime_error("brivano-rubrica elenco failed");
    return folder;
}

void ImportCommand_Brivano(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    const std::string file = (Fixture().root / ("contatti" + Rows(rows) + ".csv")).string();
    for (auto _ : state) {
        const fs::path folder = FreshCommandFolder();
        const TChildUsage r = Command(folder, {"importa", file});
        Report(state, r, 1);
        state.counters["rows/s"] = rows / r.seconds;
    }
}

void ExportCommand_Brivano(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    const std::string file = (Fixture().root / ("contatti" + Rows(rows) + ".csv")).string();
    for (auto _ : state) {
        const fs::path folder = FreshCommandFolder();
        if (!Command(folder, {"importa", file}).ok) state.SkipWithError("import failed");
        const TChildUsage r = Command(folder, {"esporta", (folder / "out.csv").string()});
        Report(state, r, 1);
        state.counters["rows/s"] = rows / r.seconds;
    }
}

// What a child of the benchmark process holds before it does anything.
void Baseline_EmptyChild(benchmark::State& state) {
    Fixture();
    for (auto _ : state) Report(state, TimedInChild([] { return true; }), 1);
}

}  // namespace

BENCHMARK(FilterKeystroke_Brivano)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(FilterKeystroke_Sqlite3Tool)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
void Sizes(benchmark::internal::Benchmark* b) {
    for (int n : kSizes) b->Arg(n);
    b->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
    b->ReportAggregatesOnly(true);
}
BENCHMARK(Baseline_EmptyChild)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(Import_Brivano, csv, ".csv")->Apply(Sizes);
BENCHMARK_CAPTURE(Import_Brivano, vcard, ".vcf")->Apply(Sizes);
BENCHMARK(ImportCommand_Brivano)->Apply(Sizes);
BENCHMARK(Import_Sqlite3Tool)->Apply(Sizes);
BENCHMARK_CAPTURE(Export_Brivano, csv, ".csv")->Apply(Sizes);
BENCHMARK_CAPTURE(Export_Brivano, vcard, ".vcf")->Apply(Sizes);
BENCHMARK(ExportCommand_Brivano)->Apply(Sizes);
BENCHMARK(Export_Sqlite3Tool)->Apply(Sizes);
BENCHMARK_MAIN();
