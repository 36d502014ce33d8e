#include "thinning/select.h"

#include <cmath>

#include "distribution/recovery.h"

namespace zireze {

// Thinning from below to the residual basal area BA1. The share of basal area
// removed predicts the trees left and how far P90 and the minimum diameter
// move up, with one set of equations for a first thinning and another for a
// stand thinned before. B and C then follow from BA1, TS1, A1 and P90; while
// the thinned distribution stands above the one before thinning somewhere,
// P90 is lowered by 0.1 cm and the recovery repeated, 50 trials at most. The
// 50th trial stands even if rejected.
void SELECT(float A0, float B0, float C0, float TS0, float BA0, float DMIN0, int& unthinned,
            float BA1, float& A1, float& B1, float& C1, float& TS1, ShapeCache* cache) {
  const float P0 = weibull_p90(A0, B0, C0);
  const float r = BA1 / BA0;
  const bool first = unthinned != 0;

  float P = first ? 0.121887f + 1.00076f * P0 : 1.22143f + 0.981559f * P0;
  if (P0 >= P) P = P0;
  float D1 = first ? 0.438034f + 1.04701f * DMIN0 : 0.684456f + 1.07904f * DMIN0;
  if (DMIN0 >= D1) D1 = DMIN0;
  const float q = std::pow(1.0f - r, first ? 0.896268f : 0.715054f);
  TS1 = TS0 * std::pow(1.0f - q, first ? 0.882856f : 0.820574f);

  A1 = 0.9f * D1;
  if (A0 > A1) A1 = A0;

  // Every trial scans from A1: the distribution before thinning is worked
  // out once along the scan.
  ScanReference before;
  for (int trial = 1; trial <= 50; ++trial) {
    CFIND(BA1, TS1, A1, P, C1, cache);
    B1 = weibull_scale(A1, C1, P);
    int accepted = 0;
    CHECKP(A0, B0, C0, TS0, A1, B1, C1, TS1, accepted, &before);
    if (accepted == 1) break;
    P = P - 0.1f;
  }
  unthinned = 0;
}

}  // namespace zireze
