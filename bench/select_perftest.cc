// SELECT: a first selective thinning of the long session's stand to 70 % of
// its basal area. The report line goes to a discarding unit.
#include <benchmark/benchmark.h>

#include "io/unit.h"
#include "stand.h"
#include "thinning/select.h"

namespace zireze {
namespace {

void BM_SELECT(benchmark::State& state) {
  io::Unit con(nullptr, ""), rep(nullptr, "");
  io::UseUnits use(con, rep);
  const bench::Stand s = bench::unthinned_stand();
  const float BA1 = 0.7f * s.BA;
  float A1, B1, C1, TS1;
  for (auto _ : state) {
    int unthinned = 1;  // SELECT clears it
    SELECT(s.A, s.B, s.C, s.TS, s.BA, s.DMIN, unthinned, BA1, A1, B1, C1, TS1);
    benchmark::DoNotOptimize(C1);
  }
}

BENCHMARK(BM_SELECT);

}  // namespace
}  // namespace zireze
