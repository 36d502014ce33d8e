#include "distribution/recovery.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "distribution/weibull.h"

namespace zireze {
namespace {

float shape(float BA, float TS, float A, float P90) {
  float C = 0.0f;
  CFIND(BA, TS, A, P90, C);
  return C;
}

TEST(ShapeRecovery, FindsTheShapeOfAKnownDistribution) {
  // A = 0, B = 10, C = 2: P90 = 17.308178, BA = 7.8539 for 1000 trees.
  const float C = shape(7.8539f, 1000.0f, 0.0f, 17.308178f);
  EXPECT_NEAR(C, 2.003265f, 0.0000005f);
  EXPECT_NEAR(17.308178f / std::pow(2.99573f, 1.0f / C), 10.0f, 0.01f);

  // A = 5, B = 10, C = 3, 800 trees.
  const float P90 = 5.0f + 10.0f * std::pow(2.99573f, 1.0f / 3.0f);
  const float DQ = DQF(5.0f, 10.0f, 3.0f);
  const float BA = DQ * DQ * (0.78539f * 800.0f / 10000.0f);
  EXPECT_NEAR(shape(BA, 800.0f, 5.0f, P90), 3.003021f, 0.0000005f);
}

// A stand of microscopic trees: FCC's values are near 1e-22, their product
// underflows a float, and only their signs may decide the bisection.
TEST(ShapeRecovery, TinyValuesOfTheEquationStillBracketTheShape) {
  const float C = shape(1.0e-22f, 1000.0f, 0.0f, 6.17603e-11f);
  EXPECT_NEAR(C, 2.0f, 0.01f);
}

TEST(ShapeRecovery, NoShapeFitsGivesTheUpperEnd) {
  EXPECT_EQ(shape(1.0f, 1000.0f, 0.0f, 17.308178f), 29.996429f);
  EXPECT_EQ(shape(100.0f, 1000.0f, 0.0f, 17.308178f), 29.996429f);
}

TEST(ShapeRecovery, ZeroAtTheLowerEndGivesTheLowerEnd) {
  // K1 = K2 = K3 = 0: FCC is 0 everywhere, every product is 0.
  EXPECT_NEAR(shape(0.0f, 1000.0f, 0.0f, 0.0f), 0.753571f, 0.0000005f);
}

TEST(ShapeRecovery, ReturnsInsideTheIntervalForAnyArgument) {
  const float inf = std::numeric_limits<float>::infinity();
  const float odd[] = {std::nanf(""), inf, -inf, 0.0f, -0.0f, -5.0f, 1e-45f};
  for (float x : odd) {
    for (int i = 0; i < 4; ++i) {
      float a[4] = {30.0f, 1000.0f, 3.0f, 30.0f};
      a[i] = x;
      const float C = shape(a[0], a[1], a[2], a[3]);
      EXPECT_TRUE(C > 0.75f && C < 30.0f) << x << " at " << i;
    }
    FCC(x, x, x, x);
  }
}

TEST(DensityCheck, ScanFromZeroEndsShortOf80AndRejects) {
  int flag = -1;
  CHECKP(0.0f, 10.0f, 2.0f, 1000.0f, 0.0f, 10.0f, 2.0f, 500.0f, flag);
  EXPECT_EQ(flag, 0);
}

TEST(DensityCheck, EqualDensitiesDoNotReject) {
  int flag = -1;
  CHECKP(1.0f, 10.0f, 2.0f, 1000.0f, 1.0f, 10.0f, 2.0f, 1000.0f, flag);
  EXPECT_EQ(flag, 1);
}

TEST(DensityCheck, MoreTreesPerCmAnywhereRejects) {
  int flag = -1;
  CHECKP(1.0f, 10.0f, 2.0f, 1000.0f, 1.0f, 10.0f, 2.0f, 1001.0f, flag);
  EXPECT_EQ(flag, 0);
  // Thinned from below: fewer trees, but a taller peak further up.
  CHECKP(1.0f, 10.0f, 2.0f, 1000.0f, 5.0f, 8.0f, 4.0f, 700.0f, flag);
  EXPECT_EQ(flag, 0);
  CHECKP(1.0f, 10.0f, 2.0f, 1000.0f, 1.0f, 10.0f, 2.0f, 700.0f, flag);
  EXPECT_EQ(flag, 1);
}

TEST(DensityCheck, ReturnsForAnyArgument) {
  const float inf = std::numeric_limits<float>::infinity();
  const float odd[] = {std::nanf(""), inf, -inf, 0.0f, -0.0f, -5.0f, 1e-45f};
  for (float x : odd) {
    for (int i = 0; i < 8; ++i) {
      float a[8] = {1.0f, 10.0f, 2.0f, 1000.0f, 1.0f, 10.0f, 2.0f, 700.0f};
      a[i] = x;
      int flag = -1;
      CHECKP(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], flag);
      EXPECT_TRUE(flag == 0 || flag == 1);
    }
  }
}

}  // namespace
}  // namespace zireze
