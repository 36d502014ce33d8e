#include "distribution/weibull.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>
#include <string>

#include "io/unit.h"

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

TEST(Gamma, ZeroOrNegativeArgumentWritesOneLineToTheReportOnly) {
  std::ostringstream rep_os, con_os;
  io::Unit rep(&rep_os, "o relatorio");
  io::Unit con(&con_os, "a consola");
  io::UseUnits use(con, rep);
  EXPECT_TRUE(std::isnan(GAMMA(-1.0f)));
  EXPECT_TRUE(std::isnan(GAMMA(0.0f)));
  const std::string line = "0          ARGUMENTO DADO A FUNCAO GAMA .LE. ZERO, ARGUMENTO = ";
  EXPECT_EQ(rep_os.str(), line + "    -1.00000000\n" + line + "     0.00000000\n");
  EXPECT_EQ(con_os.str(), "");
}

TEST(Gamma, ReturnsForAnyArgument) {
  std::ostringstream os;
  io::Unit rep(&os, "o relatorio");
  io::Unit con(nullptr, "");
  io::UseUnits use(con, rep);
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_TRUE(std::isnan(GAMMA(std::nanf(""))));
  EXPECT_TRUE(std::isnan(GAMMA(inf)));
  EXPECT_EQ(GAMMA(1e-45f), inf);  // shifted once to 1, then 19 more steps
  expect_relative(GAMMA(1e-30f), 1e30f);
  EXPECT_EQ(GAMMA(std::numeric_limits<float>::max()), inf);
  EXPECT_EQ(os.str(), "");
  GAMMA(-inf), GAMMA(-0.0f), GAMMA(-1e-45f), GAMMA(std::numeric_limits<float>::lowest());
  const std::string lines = os.str();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 4);
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

TEST(Weibull, ReturnsForAnyArgument) {
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
