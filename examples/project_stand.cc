// A program of its own that uses the installed model: an unthinned stand of
// age 30 on site class 16 with 1000 live trees per hectare, thinned one row in
// three and grown to 40 years; each stand is printed as its table by 5-cm
// diameter class.
#include <zireze/zireze.h>

#include <cstdio>

namespace {

void print(const char* what, const zireze::Stand& stand) {
  const zireze::StandTable t = zireze::stand_table(stand, 1);  // volumes with bark
  std::printf("%s: age %.1f  site class %.1f  HD %.2f  DQ %.2f  Weibull %.2f %.2f %.2f\n", what,
              t.IDADE, t.SI, t.HD, t.DQ, t.A, t.B, t.C);
  std::printf("  dbh  trees/ha  BA m2/ha  height m  volume m3/ha: total   round    saw\n");
  for (const zireze::TableClass& c : t.classes)
    std::printf("  %3d  %8.1f  %8.2f  %8.2f  %20.2f %7.2f %7.2f\n", c.dap, c.n, c.g, c.h, c.vol_tot,
                c.vol_rol, c.vol_mad);
  const zireze::TableTotals& s = t.totals;
  std::printf("  all  %8.1f  %8.2f  %8.2f  %20.2f %7.2f %7.2f\n\n", s.n, s.g, s.h, s.vol_tot,
              s.vol_rol, s.vol_mad);
}

}  // namespace

int main() {
  const zireze::Stand unthinned = zireze::unthinned_stand(30, 16, -9, 1000, -9, -9);
  print("unthinned", unthinned);
  const zireze::Stand thinned = zireze::thin_rows(unthinned, zireze::row_fraction(3)).stand;
  print("one row in three taken out", thinned);
  print("grown to 40 years", zireze::project(thinned, 40));
  return 0;
}
