// The stand table by 5-cm diameter class: per class the trees, basal area,
// tree height and three assortment volumes per hectare, and their totals.
#pragma once

#include <optional>
#include <vector>

// Relative to this file, so that the installed header finds its neighbour.
#include "../distribution/weibull.h"

namespace zireze {

// Display rounding of a real shown in an integer field (the age and site class
// of the table, the trees of the report's echo lines): the integer part
// (toward zero) of the single-precision sum x + 0.5. Empty when that sum is
// not a number or lies outside the range of a 32-bit integer.
std::optional<int> display_round(float x);

// One printed class: its centre (cm), trees per ha, basal area (m2/ha),
// height of the tree at the centre (m), and the total, roundwood and sawlog
// volumes (m3/ha).
struct TableClass {
  int dap;
  float n, g, h, vol_tot, vol_rol, vol_mad;
};

// The totals line: sums of the printed classes in the order they are printed,
// and the mean height weighted by trees (0 when no trees are counted).
struct TableTotals {
  float n = 0.0f, g = 0.0f, h = 0.0f, vol_tot = 0.0f, vol_rol = 0.0f, vol_mad = 0.0f;
};

struct StandTable {
  // The header: the age, the site class SF gives for the age and dominant
  // height (not any class the caller holds), the dominant height, the
  // quadratic mean diameter and the Weibull parameters.
  float IDADE, SI, HD, DQ, A, B, C;
  int bark;  // 0: volumes without bark; any other value: with bark
  std::vector<TableClass> classes;
  TableTotals totals;
  GammaComplaints gamma;  // from the quadratic mean diameter

  std::optional<int> age_shown() const { return display_round(IDADE); }
  std::optional<int> site_class_shown() const { return display_round(SI); }
};

StandTable STABLE(float IDADE, float HD, float TS, float BA, float A, float B, float C, int bark);

// Basal area (m2/ha) between diameters lo and hi: Simpson's rule on FBA.
float BADAP(float lo, float hi, float N, float A, float B, float C);

// Basal-area density at diameter x, m2/ha per cm.
float FBA(float A, float B, float C, float N, float x);

}  // namespace zireze
