#include "distribution/recovery.h"

#include <cmath>

#include "distribution/weibull.h"

namespace zireze {

// Squared quadratic mean diameter of the Weibull distribution with location A,
// the given P90 and shape C, less the target DQ^2; K1 = 2A (P90 - A),
// K2 = (P90 - A)^2, K3 = A^2 - DQ^2 come from CFIND.
namespace {

ShapeCache::Terms terms(float C) {
  const float R1 = 1.0f / C;
  const float R2 = 2.0f / C;
  return {GAMMA(1.0f + R1), GAMMA(1.0f + R2), std::pow(2.99573f, R1), std::pow(2.99573f, R2)};
}

float fcc(float K1, float K2, float K3, const ShapeCache::Terms& t) {
  return K1 * t.G1 / t.P1 + K2 * t.G2 / t.P2 + K3;
}

// FCC at C, the node of the bisection's tree it is, its terms from the cache
// where they are known.
float fcc_at(float K1, float K2, float K3, float C, ShapeCache* cache, unsigned node) {
  ShapeCache::Terms* known = cache ? cache->at(node) : nullptr;
  if (!known) return fcc(K1, K2, K3, terms(C));
  if (!known->known) {
    *known = terms(C);
    known->known = true;
  }
  return fcc(K1, K2, K3, *known);
}

}  // namespace

float FCC(float K1, float K2, float K3, float C) { return fcc(K1, K2, K3, terms(C)); }

float weibull_scale(float A, float C, float P90) {
  const float P = std::pow(2.99573f, 1.0f / C);
  return (P90 - A) / P;
}

float weibull_p90(float A, float B, float C) {
  const float R = 1.0f / C;
  return A + B * std::pow(2.99573f, R);
}

// Bisection for C on [0.75, 30]. The ends are fixed, so the width 29.25/2^n
// falls under 0.01 after exactly 12 steps whatever FCC returns. A product that
// is zero or NaN moves the upper end: with no root in the interval the result
// is 29.996429 (or 0.753571 when FCC(0.75) is 0).
void CFIND(float BA, float TS, float A, float P90, float& C, ShapeCache* cache) {
  float LO = 0.75f;
  float HI = 30.0f;
  const float D = P90 - A;
  const float K1 = (2.0f * A) * D;
  const float K2 = D * D;
  // DQ^2 = BA / (0.78539 TS / 10000); 0.78539, not pi/4: the model was fitted with it.
  const float K3 = A * A - BA / ((0.78539f * TS) / 10000.0f);
  // The lower end moves only to a point where FCC has the sign it has at
  // 0.75, so FCC at 0.75 decides every step: evaluated once, which halves the
  // cost and changes no result.
  const float FLO = fcc_at(K1, K2, K3, LO, cache, 0);
  unsigned node = 1;  // M's place in the tree of midpoints
  for (int i = 0; i < 50; ++i) {
    const float M = (LO + HI) * 0.5f;
    const float FM = fcc_at(K1, K2, K3, M, cache, node);
    // The product of two floats is exact in double: its sign stays right
    // where a float product of two tiny values would underflow to zero.
    if (static_cast<double>(FLO) * FM > 0.0) {
      LO = M;
      node = 2 * node + 1;
    } else {
      HI = M;
      node = 2 * node;
    }
    if (std::fabs(LO - HI) < 0.01f) break;
  }
  C = (LO + HI) * 0.5f;
}

// Scans the candidate from A2 up in steps of 0.2 cm, summed in float, and
// rejects it at the first diameter where it has more trees per cm than the
// reference. Accepted when the scan passes 80 cm within 400 steps; from
// A2 = 0 the sum stops at 79.99992, so that scan ends rejected.
void CHECKP(float A1, float B1, float C1, float N1, float A2, float B2, float C2, float N2,
            int& flag, ScanReference* reference) {
  constexpr int steps = ScanReference::kSteps;
  float X = A2;
  flag = 1;
  for (int i = 0; i < steps; ++i) {
    X = X + 0.2f;
    if (X > 80.0f) return;
    float Y1;
    if (reference && i < reference->known) {
      Y1 = reference->Y1[i];
    } else {
      Y1 = N1 * WPDF(A1, B1, C1, X);
      if (reference) reference->Y1[reference->known++] = Y1;
    }
    const float Y2 = N2 * WPDF(A2, B2, C2, X);
    if (Y1 < Y2) {
      flag = 0;
      return;
    }
  }
  flag = 0;
}

}  // namespace zireze
