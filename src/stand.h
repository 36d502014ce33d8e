// A stand as a value: what the dialogue holds for one stand at its current
// age, the ways to describe one, and what can be done to it (thin it, project
// it, table it). Each function returns a new stand and leaves its argument as
// it was; the model's routines do the arithmetic, in their order.
#pragma once

#include <span>

#include "distribution/recovery.h"
#include "distribution/weibull.h"
#include "table/stand_table.h"

namespace zireze {

// A quantity counts as given when it is greater than zero; -9 marks one not
// given.
struct Stand {
  float IDADE = 0.0f;  // age, years (may carry a fraction)
  float SI = -9.0f;    // site class: the dominant height at 50 years, m
  float HD = -9.0f;    // dominant height, m
  float TS = -9.0f;    // live trees per ha
  float BA = -9.0f;    // basal area, m2/ha
  float TP = -9.0f;    // trees planted per ha (not given for a stand entered thinned)
  float DMIN = 0.0f;   // minimum diameter, cm
  float A = 0.0f;      // Weibull location, cm
  float B = 0.0f;      // Weibull scale, cm
  float C = 0.0f;      // Weibull shape
  // Entered as never thinned and not thinned selectively since: the next
  // selective thinning uses the equations of a first thinning. A row thinning
  // leaves it as it is.
  bool unthinned = true;
};

// The site given by a positive site class SI, else by the dominant height HD:
// the other of the two follows from it.
void complete_site(float IDADE, float& SI, float& HD);

// A stand never thinned, from its age, its site (SI or HD) and one density
// figure: live trees TS, else basal area BA, else trees planted TP.
Stand unthinned_stand(float IDADE, float SI, float HD, float TS, float BA, float TP);

// Stands thinned in the past (the unthinned flag is false), from the age and
// site and: the trees per 5-cm class (RN[0] the class centred on 5 cm, at most
// kMostClasses, holding trees); the trees and Weibull parameters; or the
// trees, basal area, minimum diameter and P90.
Stand stand_from_counts(float IDADE, float SI, float HD, std::span<const float> RN);
Stand stand_from_weibull(float IDADE, float SI, float HD, float TS, float A, float B, float C,
                         GammaComplaints* complaints = nullptr);
Stand stand_from_attributes(float IDADE, float SI, float HD, float TS, float BA, float DMIN,
                            float P90);

// The share of the trees that taking out one row in `one_in` removes (2 to 6,
// as single-precision reals: one third is 0.33333334); 0 for any other number.
float row_fraction(int one_in);

// A row thinning at the current age: the stand left, and the percentage
// removed as the report shows it (100 f).
struct RowThinning {
  Stand stand;
  float percent;
};
RowThinning thin_rows(const Stand& stand, float f);

// A selective thinning at the current age down to the residual basal area,
// which becomes the stand's basal area. `cache`: the shape recovery's, for a
// caller that thins or projects many times.
Stand thin_selective(const Stand& stand, float residual, ShapeCache* cache = nullptr);

// The stand grown to the age IDADE2, its dominant height from the site class.
Stand project(const Stand& stand, float IDADE2, ShapeCache* cache = nullptr);

// The stand table of the stand, volumes with bark (bark != 0) or without.
StandTable stand_table(const Stand& stand, int bark);

}  // namespace zireze
