// CFIND: the shape recovery, a bisection on [0.75, 30] over FCC.
#include <benchmark/benchmark.h>

#include <cmath>

#include "distribution/recovery.h"
#include "stand.h"

namespace zireze {
namespace {

// The long session's stand: the shape for its location, P90 and diameter.
void BM_CFIND(benchmark::State& state) {
  const bench::Stand s = bench::unthinned_stand();
  const float P90 = s.A + s.B * std::pow(2.99573f, 1.0f / s.C);
  float C = 0.0f;
  for (auto _ : state) {
    CFIND(s.BA, s.TS, s.A, P90, C);
    benchmark::DoNotOptimize(C);
  }
}

BENCHMARK(BM_CFIND);

}  // namespace
}  // namespace zireze
