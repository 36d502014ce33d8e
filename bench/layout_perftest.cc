// The line-layout writer on a stand-table class line: I3, three F10.1 and
// three F8.2 fields with their blanks.
#include <benchmark/benchmark.h>

#include "io/layout.h"
#include "io/session_lines.h"

namespace zireze {
namespace {

void BM_ClassLine(benchmark::State& state) {
  float n = 230.3f, g = 7.21f, h = 12.2f, vtot = 37.32f, vrol = 24.56f, vmad = 11.66f;
  for (auto _ : state) {
    benchmark::DoNotOptimize(n);
    io::Layout l = io::class_line({20, n, g, h, vtot, vrol, vmad});
    benchmark::DoNotOptimize(l.bytes().data());
  }
}

BENCHMARK(BM_ClassLine);

}  // namespace
}  // namespace zireze
