#include "distribution/weibull.h"

#include <cmath>
#include <limits>

namespace zireze {

// Gamma function by Stirling's series for ln Gamma through the Z^-13 term,
// after shifting the argument up to 20 or more: ln Gamma(x) = ln Gamma(Z) - S,
// S = ln x + ln(x+1) + ... . The shift needs at most 21 steps for any finite
// x > 0 (a subnormal x becomes 1 after the first), and none for NaN or
// infinity, whose comparison with 20 fails.
//
// For x <= 0 (a pole or the negative axis) the argument is kept among the
// complaints and the result is NaN, so that what follows from it shows as NaN
// rather than as a plausible number.
float GAMMA(float x, GammaComplaints* complaints) {
  if (x <= 0.0f) {
    if (complaints) {
      if (complaints->count < 2) complaints->arguments[complaints->count] = x;
      ++complaints->count;
    }
    return std::numeric_limits<float>::quiet_NaN();
  }
  float S = 0.0f;
  float Z = x;
  while (Z - 20.0f < 0.0f) {
    S = S + std::log(Z);
    Z = Z + 1.0f;
  }
  const float L = std::log(Z);
  const float Z2 = Z * Z;
  const float Z3 = Z2 * Z;
  const float Z5 = Z3 * Z2;
  const float Z7 = Z5 * Z2;
  const float Z9 = Z7 * Z2;
  const float Z11 = Z9 * Z2;
  const float Z13 = Z11 * Z2;
  const float G = (Z - 0.5f) * L - Z + 1.0f / (12.0f * Z) - 1.0f / (360.0f * Z3) +
                  1.0f / (1260.0f * Z5) - 1.0f / (1680.0f * Z7) + 1.0f / (1188.0f * Z9) -
                  691.0f / (360360.0f * Z11) + 1.0f / (156.0f * Z13) + 0.9189385f - S;
  return std::exp(G);
}

// DQ = sqrt(E[X^2]) = sqrt(A^2 + 2AB Gamma(1 + 1/C) + B^2 Gamma(1 + 2/C)).
float DQF(float A, float B, float C, GammaComplaints* complaints) {
  const float G1 = GAMMA(1.0f + 1.0f / C, complaints);
  const float G2 = GAMMA(1.0f + 2.0f / C, complaints);
  const float Q = A * A + (2.0f * A) * B * G1 + B * B * G2;
  return std::sqrt(Q);
}

// (C/B) z^(C-1) e^(-z^C), z = (X - A)/B. Where e^(-z^C) is 0 the density is
// 0: for a large C, z^(C-1) overflows in the far tail and inf * 0 is NaN.
float WPDF(float A, float B, float C, float X) {
  const float z = (X - A) / B;
  const float P1 = std::pow(z, C - 1.0f);
  const float P2 = std::pow(z, C);
  const float E = std::exp(-P2);
  if (E == 0.0f) return 0.0f;
  return (C / B) * P1 * E;
}

// 1 - e^(-z^C), z = (X - A)/B. X is not clipped to the support.
float WCDF(float A, float B, float C, float X) {
  const float z = (X - A) / B;
  const float P = std::pow(z, C);
  const float E = std::exp(-P);
  return 1.0f - E;
}

}  // namespace zireze
