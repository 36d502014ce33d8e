// The stand the benchmarks start from: the unthinned stand of the long
// session (age 20, site class 16, 1500 trees), as USTAND completes it.
#pragma once

#include "growth/unthinned.h"

namespace zireze::bench {

struct Stand {
  float IDADE = 20.0f, SI = 16.0f, HD = -9.0f, TS = 1500.0f, BA = -9.0f, TP = -9.0f;
  float DMIN = 0.0f, A = 0.0f, B = 0.0f, C = 0.0f;
};

inline Stand unthinned_stand() {
  Stand s;
  USTAND(s.IDADE, s.SI, s.HD, s.TS, s.BA, s.TP, s.DMIN, s.A, s.B, s.C);
  return s;
}

}  // namespace zireze::bench
