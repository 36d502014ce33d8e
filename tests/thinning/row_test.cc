#include "thinning/row.h"

#include <gtest/gtest.h>

#include "stand.h"

namespace zireze {
namespace {

TEST(RowThinning, TakesTheShareFromTreesAndBasalArea) {
  float BA1, A1, B1, C1, TS1;
  ROW(3.5f, 18.25f, 2.2f, 1000.0f, 30.0f, 0.5f, BA1, A1, B1, C1, TS1);
  EXPECT_TRUE(TS1 == 500.0f && BA1 == 15.0f);
  EXPECT_TRUE(A1 == 3.5f && B1 == 18.25f && C1 == 2.2f);
  // One row in three keeps 1 - 0.33333334 = 0.6666666: not two thirds, and
  // not rounded to whole trees.
  ROW(3.5f, 18.25f, 2.2f, 1000.0f, 30.0f, 0.33333334f, BA1, A1, B1, C1, TS1);
  EXPECT_EQ(TS1, 666.66663f);
}

TEST(RowThinning, OneRowInTwoToSixAndNothingElse) {
  EXPECT_EQ(row_fraction(3), 0.33333334f);
  EXPECT_EQ(row_fraction(6), 0.16666667f);
  for (int n : {0, 1, 7, -3}) EXPECT_EQ(row_fraction(n), 0.0f) << n;
  Stand s{.IDADE = 20, .TS = 1000, .BA = 30, .A = 3.5f, .B = 18.25f, .C = 2.2f, .unthinned = true};
  const RowThinning rows = thin_rows(s, row_fraction(4));
  EXPECT_EQ(rows.percent, 25.0f);
  EXPECT_TRUE(rows.stand.TS == 750.0f && rows.stand.BA == 22.5f && rows.stand.unthinned);
}

}  // namespace
}  // namespace zireze
