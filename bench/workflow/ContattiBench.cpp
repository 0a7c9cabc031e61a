// Contacts at scale, each beside the sqlite3 command-line tool doing the same
// work on the same data, every run in a child process of its own:
// - one keystroke of the search box over 100,000 contacts (the rows already
//   folded; the folding and the first keystroke are reported apart) beside
//   a LIKE query over the five searched columns;
// - an import of 100,000 CSV rows into an empty address table beside the
//   tool's .import of the very same file.
//
//   build/release/bench/workflow/contatti_bench
#include <benchmark/benchmark.h>

#include <fstream>

#include "BenchSupport.h"
#include "archive/TableFile.h"
#include "workflow/FileImportazione.h"
#include "workflow/FiltroContatti.h"
#include "workflow/Importazione.h"
#include "workflow/TestiRicerca.h"

namespace fs = std::filesystem;
using namespace brivano::bench;

namespace {

constexpr int kContacts = 100000;
// Keystrokes that do not narrow the previous text, so every row is searched.
const char* const kTesti[] = {"castello", "ditta 4827", "ufficio99", "fornitore", "s.p.a"};

struct TFixture {
    TBenchRoot root{"brivano-contatti-bench"};
    TFixture() {
        CreateAddressBook(root / "full", kContacts);
        std::ofstream like(root / "filter.sql");
        for (const char* t : kTesti)
            like << "SELECT rowid FROM records WHERE Ragione_Sociale LIKE '%" << t
                 << "%' OR Tipo LIKE '%" << t << "%' OR Citta LIKE '%" << t << "%' OR Cap LIKE '%"
                 << t << "%' OR EMail LIKE '%" << t << "%' ORDER BY Ragione_Sociale;\n";
        std::ofstream csv(root / "contatti.csv");
        csv << "Ragione Sociale,Tipo,Città,CAP,Email,Sito,Note\r\n";
        for (int i = 0; i < kContacts; ++i)
            csv << "\"Ditta " << i << " S.p.A.\",Fornitore,Città di Castello,06012,ufficio" << i
                << "@esempio.it,www.esempio.it,\"Cliente dal 2004, \"\"buono\"\"\"\r\n";
        std::ofstream(root / "import.sql")
            << ".mode csv\n.import '" << (root / "contatti.csv").string() << "' contatti\n";
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

// Reading the file (decoding, parsing, mapping) and writing the rows, timed
// apart so a slow import shows which half it is.
struct TImport {
    double readSeconds = 0, writeSeconds = 0;
};

void Import_Brivano(benchmark::State& state) {
    for (auto _ : state) {
        const fs::path folder = Fixture().root / "import";
        fs::remove_all(folder);
        CreateAddressBook(folder, 0);
        TImport t;
        TChildUsage r = InChild<TImport>(
            [&](TImport& out) {
                using Clock = std::chrono::steady_clock;
                const auto start = Clock::now();
                const auto file =
                    brivano::LeggiImportazione(brivano::LeggiFile(Fixture().root / "contatti.csv"),
                                               brivano::TFormatoFile::Csv);
                const auto read = Clock::now();
                auto table = TTableFile::Open(folder / "Rubrica.DB");
                const bool ok =
                    brivano::ImportaContatti(*table, file.Righe, brivano::TDuplicati::Salta)
                        .Aggiunti == kContacts;
                out.readSeconds = std::chrono::duration<double>(read - start).count();
                out.writeSeconds = std::chrono::duration<double>(Clock::now() - read).count();
                return ok;
            },
            t);
        r.seconds = t.readSeconds + t.writeSeconds;
        Report(state, r, 1);
        state.counters["read_s"] = t.readSeconds;
        state.counters["write_s"] = t.writeSeconds;
        state.counters["rows/s"] = kContacts / r.seconds;
    }
}

void Import_Sqlite3Tool(benchmark::State& state) {
    for (auto _ : state) {
        const fs::path file = Fixture().root / "tool.db";
        fs::remove(file);
        const TChildUsage r = Sqlite3Tool(file, Fixture().root / "import.sql");
        Report(state, r, 1);
        state.counters["rows/s"] = kContacts / r.seconds;
    }
}

}  // namespace

BENCHMARK(FilterKeystroke_Brivano)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(FilterKeystroke_Sqlite3Tool)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK(Import_Brivano)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(Import_Sqlite3Tool)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_MAIN();
