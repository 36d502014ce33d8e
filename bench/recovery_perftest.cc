// CFIND: the shape recovery, a bisection on [0.75, 30] over FCC.
#include <benchmark/benchmark.h>

#include <cmath>

#include "distribution/recovery.h"
#include "stand.h"

namespace zireze {
namespace {

// The long session's stand: the shape for its location, P90 and diameter.
void BM_CFIND(benchmark::State& state) {
  // The unthinned stand of the long session: age 20, site class 16, 1500 trees.
  const Stand s = unthinned_stand(20.0f, 16.0f, -9.0f, 1500.0f, -9.0f, -9.0f);
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
