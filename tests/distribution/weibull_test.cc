#include "distribution/weibull.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace zireze {
namespace {

void expect_relative(float got, float want) {
  EXPECT_LT(std::fabs(got - want) / want, 1e-5f) << got;
}

TEST(Gamma, MeetsKnownValuesToOnePartIn100000) {
  expect_relative(GAMMA(1.0f), 1.0f);
  expect_relative(GAMMA(2.0f), 1.0f);
  expect_relative(GAMMA(5.0f), 24.0f);
  expect_relative(GAMMA(10.0f), 362880.0f);
  expect_relative(GAMMA(0.5f), 1.772454f);
  expect_relative(GAMMA(1.5f), 0.886227f);
  expect_relative(GAMMA(25.0f), 6.204484e23f);  // series at Z = 25, no shifting
}

TEST(Gamma, ZeroOrNegativeArgumentGivesNaNAndAComplaint) {
  GammaComplaints complaints;
  EXPECT_TRUE(std::isnan(GAMMA(-1.0f, &complaints)));
  EXPECT_TRUE(std::isnan(GAMMA(0.0f, &complaints)));
  EXPECT_TRUE(std::isnan(GAMMA(-0.0f)));  // no record asked for
  EXPECT_EQ(complaints.count, 2);
  EXPECT_EQ(complaints.arguments[0], -1.0f);
  EXPECT_EQ(complaints.arguments[1], 0.0f);
  // A shape of -1 gives Gamma(0) and Gamma(-1) in the quadratic mean diameter.
  GammaComplaints dq;
  EXPECT_TRUE(std::isnan(DQF(0.0f, 10.0f, -1.0f, &dq)));
  EXPECT_EQ(dq.count, 2);
}

TEST(Gamma, ReturnsForAnyArgument) {
  GammaComplaints complaints;
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_TRUE(std::isnan(GAMMA(std::nanf(""))));
  EXPECT_TRUE(std::isnan(GAMMA(inf)));
  EXPECT_EQ(GAMMA(1e-45f), inf);  // shifted once to 1, then 19 more steps
  expect_relative(GAMMA(1e-30f), 1e30f);
  EXPECT_EQ(GAMMA(std::numeric_limits<float>::max()), inf);
  for (float x : {-inf, -0.0f, -1e-45f, std::numeric_limits<float>::lowest()})
    EXPECT_TRUE(std::isnan(GAMMA(x, &complaints)));
  EXPECT_EQ(complaints.count, 4);
}

TEST(Weibull, QuadraticMeanDiameterOfAnExponential) {
  EXPECT_NEAR(DQF(0.0f, 10.0f, 1.0f), 10.0f * std::sqrt(2.0f), 0.0001f);
}

TEST(Weibull, DensityAndDistributionAtOneScale) {
  EXPECT_NEAR(WCDF(0.0f, 10.0f, 2.0f, 10.0f), 0.632121f, 0.0000005f);
  EXPECT_NEAR(WPDF(0.0f, 10.0f, 2.0f, 10.0f), 0.0735759f, 0.00000005f);
}

TEST(Weibull, AtTheLocation) {
  EXPECT_EQ(WCDF(3.0f, 10.0f, 2.0f, 3.0f), 0.0f);
  EXPECT_EQ(WPDF(3.0f, 10.0f, 2.0f, 3.0f), 0.0f);
  EXPECT_EQ(WPDF(3.0f, 10.0f, 1.0f, 3.0f), 0.1f);
  EXPECT_EQ(WPDF(3.0f, 10.0f, 0.5f, 3.0f), std::numeric_limits<float>::infinity());
}

TEST(Weibull, DensityIsZeroWhereTheExponentialFactorUnderflows) {
  // z^(C-1) overflows at z = 30 with C = 29.996429; inf * 0 would be NaN.
  EXPECT_EQ(WPDF(0.0f, 1.0f, 29.996429f, 30.0f), 0.0f);
  EXPECT_GT(WPDF(0.0f, 1.0f, 29.996429f, 1.0f), 0.0f);
}

TEST(Weibull, ReturnsForAnyArgumentUnderSanitizers) {
  const float inf = std::numeric_limits<float>::infinity();
  const float odd[] = {std::nanf(""), inf, -inf, 0.0f, -0.0f, -2.0f, 1e-45f};
  for (float x : odd) {
    DQF(x, 10.0f, 2.0f), DQF(0.0f, x, 2.0f), DQF(0.0f, 10.0f, x);
    for (int i = 0; i < 4; ++i) {
      float a[4] = {0.0f, 10.0f, 2.0f, 10.0f};
      a[i] = x;
      WPDF(a[0], a[1], a[2], a[3]), WCDF(a[0], a[1], a[2], a[3]);
    }
  }
}

}  // namespace
}  // namespace zireze
