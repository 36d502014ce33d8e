// STABLE on a wide stand of 30 diameter classes (centres 5 to 150 cm).
#include <benchmark/benchmark.h>

#include <sstream>
#include <string>

#include "io/session_lines.h"
#include "io/unit.h"
#include "table/stand_table.h"

namespace zireze {
namespace {

// Location 2 cm, scale 60 cm, shape 1.5, 2000 trees: more than half a tree
// in every class up to the last centre, 150 cm.
constexpr float IDADE = 40.0f, HD = 17.5f, TS = 2000.0f, BA = 45.0f;
constexpr float A = 2.0f, B = 60.0f, C = 1.5f;

// The table with bark (1) or without (0), computed only.
void table_to_nothing(benchmark::State& state, int bark) {
  for (auto _ : state) benchmark::DoNotOptimize(STABLE(IDADE, HD, TS, BA, A, B, C, bark));
}

void BM_StandTableBark(benchmark::State& state) { table_to_nothing(state, 1); }
void BM_StandTableNoBark(benchmark::State& state) { table_to_nothing(state, 0); }

// The class lines of a table: those between its two separator lines.
int classes(const std::string& table) {
  std::istringstream in(table);
  int separators = 0, n = 0;
  for (std::string l; std::getline(in, l);) {
    if (l.starts_with(" ---"))
      ++separators;
    else
      n += separators == 1;
  }
  return n;
}

// The table computed, formatted and written into memory, cleared each time:
// what the dialogue does for every stand.
void BM_StandTableToStream(benchmark::State& state) {
  std::ostringstream con_s, rep_s;
  io::Unit con(&con_s, "a consola"), rep(&rep_s, "o relatorio");
  for (auto _ : state) {
    con_s.str("");
    rep_s.str("");
    io::stand_table({con, rep}, STABLE(IDADE, HD, TS, BA, A, B, C, 1));
    benchmark::DoNotOptimize(con_s.tellp());
  }
  state.counters["classes"] = classes(con_s.str());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(con_s.tellp() + rep_s.tellp()));
}

BENCHMARK(BM_StandTableBark);
BENCHMARK(BM_StandTableNoBark);
BENCHMARK(BM_StandTableToStream);

}  // namespace
}  // namespace zireze
