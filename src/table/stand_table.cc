#include "table/stand_table.h"

#include <cmath>

#include "distribution/weibull.h"
#include "growth/site.h"
#include "io/layout.h"
#include "io/unit.h"
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

namespace {

// The six running totals of one table.
struct Totals {
  float n = 0.0f;
  float g = 0.0f;
  float hn = 0.0f;
  float vtot = 0.0f;
  float vrol = 0.0f;
  float vmad = 0.0f;
};

// The stand and the table's settings, as every class reads them.
struct Stand {
  float T, HD, TS, BA, A, B, C;
  int bark;
};

void heading_lines() {
  io::both(io::Layout()
               .X(2)
               .text("DAP")
               .X(5)
               .text("N.ARV.")
               .X(4)
               .text("AREA BASAL")
               .X(4)
               .text("ALTURA")
               .X(4)
               .text("VOL.TOT.")
               .X(4)
               .text("VOL.ROL.")
               .X(4)
               .text("VOL.MAD."));
}

void separator_line() {
  io::both(io::Layout()
               .text(" ")
               .text("---")
               .X(5)
               .text("------")
               .X(4)
               .text("----------")
               .X(4)
               .text("------")
               .X(4)
               .text("--------")
               .X(4)
               .text("--------")
               .X(4)
               .text("--------"));
}

// One class at centre c with limits lo and hi and n trees: basal area by
// integration, height and volumes of the tree at the class centre.
void class_line(const Stand& s, int c, float lo, float hi, float n, Totals& sum) {
  const float D = static_cast<float>(c);
  const float g = BADAP(lo, hi, s.TS, s.A, s.B, s.C);
  const float h = HTF(s.T, s.HD, s.BA, s.TS, D);
  const float vm = VM(D, h, s.bark);
  const float vmad = vm * n;
  const float vr = VR(D, h, vm, s.bark);
  const float vrol = vr * n;
  const float vl = VL(D, h, s.bark);
  const float vtot = vl * n;
  io::both(class_row(c, n, g, h, vtot, vrol, vmad));
  sum.n = sum.n + n;
  sum.g = sum.g + g;
  sum.hn = h * n + sum.hn;
  sum.vmad = sum.vmad + vmad;
  sum.vrol = sum.vrol + vrol;
  sum.vtot = sum.vtot + vtot;
}

// Largest centre of a further class.
constexpr int last_centre = 150;

// The classes: the first from A to c0 + 2.49999, c0 the smallest multiple of
// 5 above A, left out under half a tree; then 5-cm classes up to centre 150,
// ending early at the first class under half a tree that holds fewer trees
// than the class before it.
void class_lines(const Stand& s, Totals& sum) {
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
  if (!(n0 < 0.5f)) class_line(s, c0, s.A, upper, n0, sum);

  float prev = 0.0f;
  for (int j = c0 + 5; j <= last_centre; j += 5) {
    const float lo = static_cast<float>(j) - 2.5f;
    const float hi = static_cast<float>(j) + 2.5f;
    const float p = WCDF(s.A, s.B, s.C, hi) - WCDF(s.A, s.B, s.C, lo);
    const float n = s.TS * p;
    if (prev > n && n < 0.5f) break;
    prev = n;
    class_line(s, j, lo, hi, n, sum);
  }
}

}  // namespace

io::Layout class_row(int centre, float n, float g, float h, float vtot, float vrol, float vmad) {
  io::Layout line;
  line.text(" ")
      .I(3, centre)
      .X(1)
      .F(10, 1, n)
      .X(2)
      .F(10, 1, g)
      .X(2)
      .F(10, 1, h)
      .X(4)
      .F(8, 2, vtot)
      .X(4)
      .F(8, 2, vrol)
      .X(4)
      .F(8, 2, vmad);
  return line;
}

void STABLE(float T, float HD, float TS, float BA, float A, float B, float C, int bark) {
  const float SI = SF(T, HD);
  io::console().line(io::Layout().text("IDADE DO POVOAMENTO = ").I(3, T));
  io::console().line(io::Layout().text("CLASSE DE QUALIDADE = ").I(3, SI));
  io::report().line(
      io::Layout().text("IDADE = ").I(3, T).X(12).text("CLASSE DE QUALIDADE = ").I(3, SI));
  io::console().line(io::Layout().text("ALTURA DOMINANTE = ").F(5, 1, HD));
  const float DQ = DQF(A, B, C);
  io::console().line(io::Layout().text("DIAMETRO MEDIO = ").F(5, 1, DQ));
  io::report().line(io::Layout()
                        .text("ALT. DOMINANTE = ")
                        .F(4, 1, HD)
                        .X(6)
                        .text("DIAMETRO MEDIO = ")
                        .F(4, 1, DQ));
  io::both(io::Layout()
               .text("PARAM. DE WEIBUL: A =")
               .F(5, 2, A)
               .X(3)
               .text("B =")
               .F(5, 2, B)
               .X(3)
               .text("C =")
               .F(5, 2, C));
  if (bark == 0) {
    io::report().line(io::Layout().slash().X(5).text("(Volumes sem casca, corte a 0.15m)"));
  } else {
    io::report().line(io::Layout().X(5).text("(Volumes com casca, corte a 0.15m)"));
  }

  Totals sum;
  heading_lines();
  separator_line();
  class_lines(Stand{T, HD, TS, BA, A, B, C, bark}, sum);
  separator_line();

  // With no trees counted the mean height is 0, not 0/0.
  const float hmean = sum.n == 0.0f ? 0.0f : sum.hn / sum.n;
  io::both(io::Layout()
               .text(" ")
               .X(4)
               .F(10, 1, sum.n)
               .X(2)
               .F(10, 1, sum.g)
               .X(2)
               .F(10, 1, hmean)
               .X(3)
               .F(9, 2, sum.vtot)
               .X(3)
               .F(9, 2, sum.vrol)
               .X(3)
               .F(9, 2, sum.vmad));
}

}  // namespace zireze
