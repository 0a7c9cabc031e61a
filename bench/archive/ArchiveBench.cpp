// The contact list of a 100,000-row address table opened and walked, and
// 10,000 rows posted one by one, each beside the same work done by the sqlite3
// command-line tool on an equal file. Every run happens in a child process so
// its peak memory (maxrss) is its own.
//
//   build/release/bench/archive/archive_bench
#include <benchmark/benchmark.h>

#include <fstream>

#include "BenchSupport.h"

namespace fs = std::filesystem;
using namespace brivano::bench;

namespace {

constexpr int kContacts = 100000;
constexpr int kPosts = 10000;

struct TFixture {
    TBenchRoot root{"brivano-bench"};
    TFixture() {
        CreateAddressBook(root / "full", kContacts);
        CreateAddressBook(root / "empty", 0);
        std::ofstream(root / "list.sql")
            << "SELECT * FROM records ORDER BY Ragione_Sociale COLLATE NOCASE ASC;\n";
        std::ofstream posts(root / "posts.sql");
        for (int i = 0; i < kPosts; ++i)
            posts << "INSERT INTO records (Tipo, Ragione_Sociale, Citta, Cap, EMail) VALUES "
                     "('Cliente', 'Nuova "
                  << i << "', 'Roma', '00100', 'nuova" << i << "@example.it');\n";
    }
};

TFixture& Fixture() {
    static TFixture f;
    return f;
}

// Times `work` inside the child itself, leaving out the fork.
TChildUsage Timed(const std::function<void()>& work) {
    return TimedInChild([&] {
        work();
        return true;
    });
}

void Report(benchmark::State& state, const TChildUsage& r, double rows) {
    if (!r.ok) state.SkipWithError("child failed");
    state.SetIterationTime(r.seconds);
    state.counters["rows/s"] = benchmark::Counter(rows / r.seconds);
    state.counters["cpu_s"] = r.cpuSeconds;
    state.counters["peak_MB"] = static_cast<double>(r.maxRssKb) / 1024.0;
}

void ContactList_Brivano(benchmark::State& state) {
    const fs::path folder = Fixture().root / "full";
    for (auto _ : state) {
        Report(state, Timed([&] {
                   TSilentBoxes boxes;
                   TFDB fdb(boxes);
                   fdb.PuntaAlias("B", folder.string() + "/");
                   fdb.LegaQuery("B");
                   fdb.CaricaRubrica();
                   size_t bytes = 0;
                   const int fields = static_cast<int>(fdb.QGEN.FieldNames().size());
                   for (int row = 1; row <= fdb.QGEN.RowCount(); ++row)
                       for (int f = 0; f < fields; ++f)
                           bytes += fdb.QGEN.ValueAt(row, f).value_or("").size();
                   benchmark::DoNotOptimize(bytes);
               }),
               kContacts);
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
        Report(state, Timed([&] {
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
                       fdb.T_Rubrica.SetFieldValue("EMail",
                                                   "nuova" + std::to_string(i) + "@example.it");
                       fdb.T_Rubrica.Post();
                   }
               }),
               kPosts);
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
