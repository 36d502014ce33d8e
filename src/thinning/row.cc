#include "thinning/row.h"

namespace zireze {

// Taking out whole rows removes the same share f of every diameter class, so
// trees and basal area fall by that share and the distribution keeps its
// shape and position. TS1 stays a real: fractions of trees carry on.
void ROW(float A0, float B0, float C0, float TS0, float BA0, float f, float& BA1, float& A1,
         float& B1, float& C1, float& TS1) {
  A1 = A0;
  B1 = B0;
  C1 = C0;
  const float k = 1.0f - f;
  BA1 = k * BA0;
  TS1 = k * TS0;
}

}  // namespace zireze
