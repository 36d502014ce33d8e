#include "growth/unthinned.h"

#include <cmath>

#include "distribution/recovery.h"
#include "growth/site.h"

namespace zireze {

// The equations of a stand never thinned. Powers and the exponential are each
// rounded to float before the product, which is formed left to right as
// constant * power of HD * power of TS (or BA) * exponential.

namespace {

// Basal area from live trees.
float basal_area(float IDADE, float HD, float TS) {
  const float PHD = std::pow(HD, 2.103402f);
  const float PTS = std::pow(TS, 0.797707f);
  const float E = std::exp(-8.702327f / IDADE);
  return 0.0009837f * PHD * PTS * E;
}

// Trees planted from live trees: the survival curve TS = TP^(1 - 0.00400488 IDADE)
// read backwards.
float trees_planted(float IDADE, float TS) {
  return std::pow(TS, 1.0f / (1.0f - 0.00400488f * IDADE));
}

}  // namespace

void USTAND(float IDADE, float& SI, float& HD, float& TS, float& BA, float& TP, float& DMIN,
            float& A, float& B, float& C) {
  if (!(SI > 0.0f)) SI = SF(IDADE, HD);
  if (!(HD > 0.0f)) HD = HTDCF(IDADE, SI);

  if (!(TS > 0.0f) && !(BA > 0.0f)) {
    TS = std::pow(TP, 1.0f - 0.00400488f * IDADE);
    BA = basal_area(IDADE, HD, TS);
  } else if (BA > 0.0f) {
    // A separate equation, not the inverse of the basal-area one: a TS
    // passed in is overwritten.
    const float PHD = std::pow(HD, -0.382656f);
    const float PBA = std::pow(BA, 0.231516f);
    const float E = std::exp(5.407995f / IDADE);
    TS = 1324.485f * PHD * PBA * E;
    TP = trees_planted(IDADE, TS);
  } else {
    BA = basal_area(IDADE, HD, TS);
    TP = trees_planted(IDADE, TS);
  }

  const float DMIN_HD = std::pow(HD, 1.617991f);
  const float DMIN_TS = std::pow(TS, -0.687786f);
  DMIN = 12.302998f * DMIN_HD * DMIN_TS;

  const float P90_HD = std::pow(HD, 1.445365f);
  const float P90_TS = std::pow(TS, -0.161445f);
  const float P90 = 2.754927f * P90_HD * P90_TS;

  // Half the minimum diameter for an unthinned stand (0.9 elsewhere).
  A = 0.5f * DMIN;
  CFIND(BA, TS, A, P90, C);
  B = weibull_scale(A, C, P90);
}

}  // namespace zireze
