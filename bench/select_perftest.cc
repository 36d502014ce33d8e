// SELECT: a first selective thinning of the long session's stand to 70 % of
// its basal area.
#include <benchmark/benchmark.h>

#include "stand.h"
#include "thinning/select.h"

namespace zireze {
namespace {

void BM_SELECT(benchmark::State& state) {
  // The unthinned stand of the long session: age 20, site class 16, 1500 trees.
  const Stand s = unthinned_stand(20.0f, 16.0f, -9.0f, 1500.0f, -9.0f, -9.0f);
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
