#include "growth/projection.h"

#include <cmath>

#include "distribution/recovery.h"
#include "growth/site.h"

namespace zireze {

// Projection of a stand from IDADE0 to IDADE2. The basal area grows along
// BA2 = BA0^r * e^(W (4.178774 + 0.039053 H0)), r = IDADE0/IDADE2, W = 1 - r;
// the trees stay as they are; P90 and the minimum diameter follow from the
// size term V = sqrt(BA0^r / TS0). The current distribution enters only
// through A0: the location never moves down.
void PSTAND(float IDADE0, float BA0, float TS0, float SI, float A0, float B0, float C0,
            float IDADE2, float& BA2, float& TS2, float& DMIN2, float& A2, float& B2, float& C2,
            ShapeCache* cache) {
  const float H0 = HTDCF(IDADE0, SI);
  const float W = 1.0f - IDADE0 / IDADE2;
  const float S = std::pow(BA0, IDADE0 / IDADE2);
  const float EBA = std::exp(W * (4.178774f + 0.039053f * H0));
  BA2 = S * EBA;
  const float D = IDADE2 - IDADE0;
  TS2 = TS0;  // no mortality term

  // The power of BA0 is taken afresh here, as the model has it.
  const float V = std::pow(std::pow(BA0, IDADE0 / IDADE2) / TS0, 0.5f);
  const float EP = std::exp(-0.009172f * D + W * (2.919335f - 0.034485f * H0));
  const float P = 154.15515f * V * EP;
  const float EDMIN = std::exp(0.062039f * D + W * (-6.721703f + 0.039053f * H0));
  DMIN2 = 44.995293f * V * EDMIN;

  A2 = 0.9f * DMIN2;
  if (A0 > A2) A2 = A0;

  // Raise the location by 0.1 cm until CHECK accepts it. After 50 rejections
  // A2 stands 0.1 above the location B2 and C2 were recovered for.
  for (int attempt = 0; attempt < 50; ++attempt) {
    CFIND(BA2, TS2, A2, P, C2, cache);
    B2 = weibull_scale(A2, C2, P);
    int flag = 0;
    CHECK(A0, B0, C0, TS0, A2, B2, C2, TS2, flag);
    if (flag == 1) return;
    A2 = A2 + 0.1f;
  }
}

// Scans from A2 up in steps of 0.2 cm, summed in float, and accepts when the
// scan passes 80 cm within 80/0.2 + 0.0001 = 400 steps. The verdict rests on
// A2 alone: from 0 the sum stops at 79.99992, from about 0.0001 it passes 80.
void CHECK(float /*A0*/, float /*B0*/, float /*C0*/, float /*TS0*/, float A2, float /*B2*/,
           float /*C2*/, float /*TS2*/, int& flag) {
  constexpr int steps = 400;
  float X = A2;
  flag = 1;
  for (int i = 0; i < steps; ++i) {
    X = X + 0.2f;
    if (X > 80.0f) return;
  }
  flag = 0;
}

}  // namespace zireze
