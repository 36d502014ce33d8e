#include "table/stand_table.h"

#include <cmath>

#include "distribution/weibull.h"
#include "growth/site.h"
#include "table/tree.h"

namespace zireze {

// The Weibull density scaled to basal area per cm of diameter. 0.000078539,
// not pi/40000: the tables were calibrated with it. The density is formed as
// WPDF forms it, and is 0 where e^(-z^C) is 0: in the far tail of a large
// shape z^(C-1) overflows and inf * 0 would print NaN for empty classes.
float FBA(float A, float B, float C, float N, float x) {
  const float z = (x - A) / B;
  const float P1 = std::pow(z, C - 1.0f);
  const float P2 = std::pow(z, C);
  const float E = std::exp(-P2);
  const float f = E == 0.0f ? 0.0f : C / B * P1 * E;
  return 0.000078539f * N * (x * x) * f;
}

// Composite Simpson rule with 10 panels: the 9 inner panel ends and the 10
// midpoints, each midpoint the float panel start plus half a panel. For a
// shape below 1 the density is infinite at the location A, the lower end of
// the first class; that one end value counts as 0 so the class keeps a
// finite basal area.
float BADAP(float lo, float hi, float N, float A, float B, float C) {
  const float w = (hi - lo) / 10.0f;
  const float half = w * 0.5f;
  float Snode = 0.0f;
  float x = lo + half;
  float Smid = FBA(A, B, C, N, x);
  for (int i = 1; i <= 9; ++i) {
    x = static_cast<float>(i) * w + lo;
    Snode = Snode + FBA(A, B, C, N, x);
    x = x + half;
    Smid = Smid + FBA(A, B, C, N, x);
  }
  const float fa = C < 1.0f && lo == A ? 0.0f : FBA(A, B, C, N, lo);
  const float fb = FBA(A, B, C, N, hi);
  return w / 6.0f * (4.0f * Smid + fa + 2.0f * Snode + fb);
}

std::optional<int> display_round(float x) {
  const float r = x + 0.5f;
  // Compared as floats: -2^31 is exact, and 2^31 is the first float too large.
  if (!(r >= -2147483648.0f && r < 2147483648.0f)) return std::nullopt;
  return static_cast<int>(r);
}

namespace {

// The stand and the table's settings, as every class reads them.
struct Stand {
  float IDADE, HD, TS, BA, A, B, C;
  int bark;
};

// One class at centre c with limits lo and hi and n trees: basal area by
// integration, height and volumes of the tree at the class centre. The sum
// of tree heights weighted by trees runs in hn.
void add_class(const Stand& s, int c, float lo, float hi, float n, StandTable& table, float& hn) {
  const float D = static_cast<float>(c);
  const float g = BADAP(lo, hi, s.TS, s.A, s.B, s.C);
  const float h = HTF(s.IDADE, s.HD, s.BA, s.TS, D);
  const float vm = VM(D, h, s.bark);
  const float vmad = vm * n;
  const float vr = VR(D, h, vm, s.bark);
  const float vrol = vr * n;
  const float vl = VL(D, h, s.bark);
  const float vtot = vl * n;
  table.classes.push_back(TableClass{c, n, g, h, vtot, vrol, vmad});
  TableTotals& sum = table.totals;
  sum.n = sum.n + n;
  sum.g = sum.g + g;
  hn = h * n + hn;
  sum.vol_mad = sum.vol_mad + vmad;
  sum.vol_rol = sum.vol_rol + vrol;
  sum.vol_tot = sum.vol_tot + vtot;
}

// Largest centre of a further class.
constexpr int last_centre = 150;

// The classes: the first from A to c0 + 2.49999, c0 the smallest multiple of
// 5 above A, left out under half a tree; then 5-cm classes up to centre 150,
// ending early at the first class under half a tree that holds fewer trees
// than the class before it.
void add_classes(const Stand& s, StandTable& table, float& hn) {
  const float kf = s.A / 5.0f + 1.0f;
  // The first centre must be a whole number that an int holds with room for
  // the next centre: a location that is not a number, of 2e9 cm or more, or
  // at or below -10 cm (where the centres would run on from below 0 without
  // bound) forms no class. From above -10 cm the first centre is 0 or more,
  // so at most 30 further classes follow; past 150 cm only the first shows.
  if (!(kf > -1.0f && kf < 4.0e8f)) return;
  const int k = static_cast<int>(kf);
  const int c0 = 5 * k;

  const float upper = static_cast<float>(c0) + 2.49999f;
  const float n0 = s.TS * WCDF(s.A, s.B, s.C, upper);
  if (!(n0 < 0.5f)) add_class(s, c0, s.A, upper, n0, table, hn);

  float prev = 0.0f;
  for (int j = c0 + 5; j <= last_centre; j += 5) {
    const float lo = static_cast<float>(j) - 2.5f;
    const float hi = static_cast<float>(j) + 2.5f;
    const float p = WCDF(s.A, s.B, s.C, hi) - WCDF(s.A, s.B, s.C, lo);
    const float n = s.TS * p;
    if (prev > n && n < 0.5f) break;
    prev = n;
    add_class(s, j, lo, hi, n, table, hn);
  }
}

}  // namespace

StandTable STABLE(float IDADE, float HD, float TS, float BA, float A, float B, float C, int bark) {
  StandTable table;
  table.IDADE = IDADE;
  table.SI = SF(IDADE, HD);
  table.HD = HD;
  table.DQ = DQF(A, B, C, &table.gamma);
  table.A = A;
  table.B = B;
  table.C = C;
  table.bark = bark;
  table.classes.reserve(31);  // at most: the first class and centres 5 to 150
  float hn = 0.0f;
  add_classes(Stand{IDADE, HD, TS, BA, A, B, C, bark}, table, hn);
  // With no trees counted the mean height is 0, not 0/0.
  table.totals.h = table.totals.n == 0.0f ? 0.0f : hn / table.totals.n;
  return table;
}

}  // namespace zireze
