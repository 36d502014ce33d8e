// PSTAND: one projection pass of the long session, 0.05 years ahead.
#include <benchmark/benchmark.h>

#include "growth/projection.h"
#include "stand.h"

namespace zireze {
namespace {

void BM_PSTAND(benchmark::State& state) {
  const bench::Stand s = bench::unthinned_stand();
  float BA2, TS2, DMIN2, A2, B2, C2;
  for (auto _ : state) {
    PSTAND(s.IDADE, s.BA, s.TS, s.SI, s.A, s.B, s.C, s.IDADE + 0.05f, BA2, TS2, DMIN2, A2, B2, C2);
    benchmark::DoNotOptimize(C2);
  }
}

BENCHMARK(BM_PSTAND);

}  // namespace
}  // namespace zireze
