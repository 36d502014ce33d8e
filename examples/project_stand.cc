// Completes an unthinned stand of age 30 on site class 16 with 1000 live trees
// per hectare, thins one row in three, and projects it to 35 and 40 years.
#include <zireze/growth/projection.h>
#include <zireze/growth/site.h>
#include <zireze/growth/unthinned.h>
#include <zireze/thinning/row.h>

#include <cstdio>
#include <initializer_list>

int main() {
  float IDADE = 30, SI = 16, HD = -9, TS = 1000, BA = -9, TP = -9;
  float DMIN, A, B, C;
  zireze::USTAND(IDADE, SI, HD, TS, BA, TP, DMIN, A, B, C);
  std::printf("age %4.1f  HD %5.2f  TS %7.1f  BA %5.2f  A %5.2f  B %5.2f  C %5.2f\n", IDADE, HD, TS,
              BA, A, B, C);

  // ROW writes its line to the report of a dialogue in progress; here there is none.
  float BA1, A1, B1, C1, TS1;
  zireze::ROW(A, B, C, TS, BA, 0.33333334f, BA1, A1, B1, C1, TS1);
  std::printf("thinned   TS %7.1f  BA %5.2f\n", TS1, BA1);

  for (float IDADE2 : {35.0f, 40.0f}) {
    float BA2, TS2, DMIN2, A2, B2, C2;
    zireze::PSTAND(IDADE, BA1, TS1, SI, A1, B1, C1, IDADE2, BA2, TS2, DMIN2, A2, B2, C2);
    std::printf("age %4.1f  HD %5.2f  TS %7.1f  BA %5.2f  A %5.2f  B %5.2f  C %5.2f\n", IDADE2,
                zireze::HTDCF(IDADE2, SI), TS2, BA2, A2, B2, C2);
  }
  return 0;
}
