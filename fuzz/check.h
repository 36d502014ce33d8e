// A property every fuzz input must keep. A broken one aborts, which libFuzzer
// reports as a crash and saves the input, and which fails the replay run.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace zireze::fuzz {

inline void check(bool ok, const char* property) {
  if (ok) return;
  std::fprintf(stderr, "property broken: %s\n", property);
  std::abort();
}

}  // namespace zireze::fuzz
