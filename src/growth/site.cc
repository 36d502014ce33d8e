#include "growth/site.h"

#include <cmath>

namespace zireze {

// The site-index curve SI = HD * 10^(2.694076/sqrt(IDADE) - 0.380999). Its two
// constants meet at the base age: at 50 years the factor is 1.000002.

float SF(float IDADE, float HD) {
  const float r = std::sqrt(IDADE);
  const float e = 2.694076f / r + (-0.380999f);
  const float f = std::pow(10.0f, e);
  return HD * f;
}

float HTDCF(float IDADE, float SI) {
  const float r = std::sqrt(IDADE);
  const float e = (-2.694076f) / r + 0.380999f;
  const float f = std::pow(10.0f, e);
  return SI * f;
}

}  // namespace zireze
