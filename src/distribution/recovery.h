// Recovery of the Weibull shape from stand attributes, and the density check
// of a thinned distribution against the stand before thinning.
#pragma once

#include <vector>

namespace zireze {

// What CFIND works out at each shape its bisection tries, whatever the stand:
// the gamma function at 1 + 1/C and 1 + 2/C and 2.99573 to the powers 1/C
// and 2/C. The bisection tries the same shapes down the same paths, so a
// caller that recovers many shapes (a search through many thinnings) keeps
// them here, and CFIND gives what it gives without them.
class ShapeCache {
 public:
  struct Terms {
    float G1, G2, P1, P2;
    bool known = false;
  };
  // The terms at a node of the bisection's tree: 1 the first midpoint, 2n
  // and 2n + 1 the midpoints below and above node n's; 0 the lower end. Its
  // 12 steps stay below node 2^12.
  Terms* at(unsigned node) { return node < terms_.size() ? &terms_[node] : nullptr; }

 private:
  std::vector<Terms> terms_ = std::vector<Terms>(1u << 12);
};

// Shape C for which the Weibull distribution with location A and that P90 has
// the quadratic mean diameter implied by BA and TS (bisection on [0.75, 30]).
void CFIND(float BA, float TS, float A, float P90, float& C, ShapeCache* cache = nullptr);

// The Weibull scale B that puts the diameter P90 where the distribution with
// location A and shape C reaches 1 - e^-2.99573: P90 = A + B 2.99573^(1/C).
// 2.99573, not ln 10: the model was fitted with it.
float weibull_scale(float A, float C, float P90);

// The diameter P90 of the Weibull distribution (A, B, C): the inverse of
// weibull_scale.
float weibull_p90(float A, float B, float C);

// The function whose root CFIND seeks.
float FCC(float K1, float K2, float K3, float C);

// The reference's trees per cm at each diameter of CHECKP's scan, kept for
// scans that start at the same A2 (SELECT's trials): each is worked out once,
// by the same expression, so the scan gives what it gives without them.
struct ScanReference {
  static constexpr int kSteps = 400;  // CHECKP's scan: 80/0.2 + 0.0001, truncated
  float Y1[kSteps];
  int known = 0;
};

// flag = 1 when the candidate (A2, B2, C2) scaled by N2 nowhere exceeds the
// reference (A1, B1, C1) scaled by N1 between A2 and 80 cm; else 0.
void CHECKP(float A1, float B1, float C1, float N1, float A2, float B2, float C2, float N2,
            int& flag, ScanReference* reference = nullptr);

}  // namespace zireze
