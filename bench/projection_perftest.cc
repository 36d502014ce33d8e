// PSTAND: one projection pass of the long session, 0.05 years ahead.
#include <benchmark/benchmark.h>

#include "growth/projection.h"
#include "stand.h"

namespace zireze {
namespace {

void BM_PSTAND(benchmark::State& state) {
  // The unthinned stand of the long session: age 20, site class 16, 1500 trees.
  const Stand s = unthinned_stand(20.0f, 16.0f, -9.0f, 1500.0f, -9.0f, -9.0f);
  float BA2, TS2, DMIN2, A2, B2, C2;
  for (auto _ : state) {
    PSTAND(s.IDADE, s.BA, s.TS, s.SI, s.A, s.B, s.C, s.IDADE + 0.05f, BA2, TS2, DMIN2, A2, B2, C2);
    benchmark::DoNotOptimize(C2);
  }
}

BENCHMARK(BM_PSTAND);

}  // namespace
}  // namespace zireze
