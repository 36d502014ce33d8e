#include "thinning/row.h"

#include <gtest/gtest.h>

#include <sstream>

#include "io/unit.h"

namespace zireze {
namespace {

TEST(RowThinning, TakesTheShareFromTreesAndBasalAreaAndReportsThePercentage) {
  std::ostringstream con_s, rep_s;
  io::Unit con(&con_s, "a consola"), rep(&rep_s, "o relatorio");
  io::UseUnits use(con, rep);
  float BA1, A1, B1, C1, TS1;
  ROW(3.5f, 18.25f, 2.2f, 1000.0f, 30.0f, 0.5f, BA1, A1, B1, C1, TS1);
  EXPECT_TRUE(TS1 == 500.0f && BA1 == 15.0f);
  EXPECT_TRUE(A1 == 3.5f && B1 == 18.25f && C1 == 2.2f);
  // One row in three keeps 1 - 0.33333334 = 0.6666666: not two thirds, and
  // not rounded to whole trees.
  ROW(3.5f, 18.25f, 2.2f, 1000.0f, 30.0f, 0.33333334f, BA1, A1, B1, C1, TS1);
  EXPECT_EQ(TS1, 666.66663f);
  for (float f : {0.25f, 0.2f, 0.16666667f}) ROW(3, 18, 2, 1000, 30, f, BA1, A1, B1, C1, TS1);
  EXPECT_EQ(con_s.str(), "");
  EXPECT_EQ(rep_s.str(),
            "DESBASTE MECANICO : RETIRADO 50.0%\n"
            "DESBASTE MECANICO : RETIRADO 33.3%\n"
            "DESBASTE MECANICO : RETIRADO 25.0%\n"
            "DESBASTE MECANICO : RETIRADO 20.0%\n"
            "DESBASTE MECANICO : RETIRADO 16.7%\n");
}

}  // namespace
}  // namespace zireze
