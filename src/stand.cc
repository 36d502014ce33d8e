#include "stand.h"

#include "growth/projection.h"
#include "growth/site.h"
#include "growth/unthinned.h"
#include "input/thinned_input.h"
#include "thinning/row.h"
#include "thinning/select.h"

namespace zireze {

void complete_site(float IDADE, float& SI, float& HD) {
  if (SI > 0.0f) {
    HD = HTDCF(IDADE, SI);
  } else {
    SI = SF(IDADE, HD);
  }
}

Stand unthinned_stand(float IDADE, float SI, float HD, float TS, float BA, float TP) {
  Stand s{.IDADE = IDADE, .SI = SI, .HD = HD, .TS = TS, .BA = BA, .TP = TP};
  complete_site(s.IDADE, s.SI, s.HD);
  USTAND(s.IDADE, s.SI, s.HD, s.TS, s.BA, s.TP, s.DMIN, s.A, s.B, s.C);
  return s;
}

namespace {

// The site of a stand thinned in the past is completed before its
// distribution is entered and again after: a height typed instead of a class
// has given the class by then, and the height is recomputed from it.
Stand thinned_stand(float IDADE, float SI, float HD) {
  Stand s{.IDADE = IDADE, .SI = SI, .HD = HD, .unthinned = false};
  complete_site(s.IDADE, s.SI, s.HD);
  complete_site(s.IDADE, s.SI, s.HD);
  return s;
}

}  // namespace

Stand stand_from_counts(float IDADE, float SI, float HD, std::span<const float> RN) {
  Stand s = thinned_stand(IDADE, SI, HD);
  STINP(RN, s.TS, s.BA, s.DMIN, s.A, s.B, s.C);
  return s;
}

Stand stand_from_weibull(float IDADE, float SI, float HD, float TS, float A, float B, float C,
                         GammaComplaints* complaints) {
  Stand s = thinned_stand(IDADE, SI, HD);
  s.TS = TS;
  s.A = A;
  s.B = B;
  s.C = C;
  WPINP(TS, A, B, C, s.BA, s.DMIN, complaints);
  return s;
}

Stand stand_from_attributes(float IDADE, float SI, float HD, float TS, float BA, float DMIN,
                            float P90) {
  Stand s = thinned_stand(IDADE, SI, HD);
  s.TS = TS;
  s.BA = BA;
  s.DMIN = DMIN;
  SAINP(TS, BA, DMIN, P90, s.A, s.B, s.C);
  return s;
}

float row_fraction(int one_in) {
  switch (one_in) {
    case 2:
      return 0.5f;
    case 3:
      return 0.33333334f;  // one third, rounded to single precision
    case 4:
      return 0.25f;
    case 5:
      return 0.2f;
    case 6:
      return 0.16666667f;  // one sixth
    default:
      return 0.0f;
  }
}

RowThinning thin_rows(const Stand& stand, float f) {
  RowThinning out{stand, 100.0f * f};
  Stand& s = out.stand;
  ROW(stand.A, stand.B, stand.C, stand.TS, stand.BA, f, s.BA, s.A, s.B, s.C, s.TS);
  return out;
}

Stand thin_selective(const Stand& stand, float residual, ShapeCache* cache) {
  Stand s = stand;
  int unthinned = stand.unthinned ? 1 : 0;
  s.BA = residual;
  SELECT(stand.A, stand.B, stand.C, stand.TS, stand.BA, stand.DMIN, unthinned, residual, s.A, s.B,
         s.C, s.TS, cache);
  s.unthinned = unthinned != 0;
  return s;
}

Stand project(const Stand& stand, float IDADE2, ShapeCache* cache) {
  Stand s = stand;
  s.IDADE = IDADE2;
  PSTAND(stand.IDADE, stand.BA, stand.TS, stand.SI, stand.A, stand.B, stand.C, IDADE2, s.BA, s.TS,
         s.DMIN, s.A, s.B, s.C, cache);
  s.HD = HTDCF(IDADE2, stand.SI);
  return s;
}

StandTable stand_table(const Stand& stand, int bark) {
  return STABLE(stand.IDADE, stand.HD, stand.TS, stand.BA, stand.A, stand.B, stand.C, bark);
}

}  // namespace zireze
