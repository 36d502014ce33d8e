#include "input/thinned_input.h"

#include "distribution/recovery.h"
#include "distribution/weibull.h"

namespace zireze {

float total_trees(std::span<const float> RN) {
  float TS = 0.0f;
  for (float count : RN) TS = TS + count;
  return TS;
}

// P90 is interpolated linearly inside the class where 90 % of the trees is
// reached; every tree counts at its class centre for the basal area; the
// minimum diameter is the lower limit of the first class that is not empty.
void STINP(std::span<const float> RN, float& TS, float& BA, float& DMIN, float& A, float& B,
           float& C) {
  const int n = static_cast<int>(RN.size());
  TS = total_trees(RN);

  // k is the first class where the running sum is no longer below t; S is
  // the sum of the classes before it. The loop stops at the last class
  // entered, which the running sum reaches since it ends at TS.
  const float t = 0.9f * TS;
  float S = 0.0f;
  int k = 1;
  while (k < n && S + RN[k - 1] < t) {
    S = S + RN[k - 1];
    ++k;
  }
  const float R = t - S;
  const float P90 = 5.0f * (static_cast<float>(k - 1) + 0.5f + R / RN[k - 1]);

  BA = 0.0f;
  for (int i = 1; i <= n; ++i) {
    const float D = 5.0f * static_cast<float>(i);
    // 0.000078539, not pi/40000: the model was fitted with it.
    BA = BA + 0.000078539f * RN[i - 1] * (D * D);
  }

  int first = 1;
  while (first < n && RN[first - 1] == 0.0f) ++first;
  DMIN = 5.0f * static_cast<float>(first) - 2.5f;
  A = 0.9f * DMIN;
  CFIND(BA, TS, A, P90, C);
  B = weibull_scale(A, C, P90);
}

void WPINP(float TS, float A, float B, float C, float& BA, float& DMIN,
           GammaComplaints* complaints) {
  DMIN = 1.111111f * A;  // a multiplication, not a division by 0.9
  const float G1 = GAMMA(1.0f + 1.0f / C, complaints);
  const float G2 = GAMMA(1.0f + 2.0f / C, complaints);
  const float DQ2 = A * A + 2.0f * A * B * G1 + B * B * G2;
  BA = 0.000078539f * TS * DQ2;
}

void SAINP(float TS, float BA, float DMIN, float P90, float& A, float& B, float& C) {
  A = 0.9f * DMIN;
  CFIND(BA, TS, A, P90, C);
  B = weibull_scale(A, C, P90);
}

}  // namespace zireze
