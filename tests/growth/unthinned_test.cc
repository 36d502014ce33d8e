#include "growth/unthinned.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "distribution/weibull.h"

namespace zireze {
namespace {

struct Stand {
  float SI = -9.0f, HD = -9.0f, TS = -9.0f, BA = -9.0f, TP = -9.0f;
  float DMIN = 0.0f, A = 0.0f, B = 0.0f, C = 0.0f;
};

Stand unthinned(float IDADE, Stand s) {
  USTAND(IDADE, s.SI, s.HD, s.TS, s.BA, s.TP, s.DMIN, s.A, s.B, s.C);
  return s;
}

// P90 is not returned: it is A + B * 2.99573^(1/C) of the result.
float P90(const Stand& s) { return s.A + s.B * std::pow(2.99573f, 1.0f / s.C); }

TEST(Unthinned, FromHeightAndLiveTrees) {
  const Stand s = unthinned(20.0f, {.HD = 10.0f, .TS = 1500.0f});
  EXPECT_NEAR(s.SI, 16.6500f, 0.00005f);
  EXPECT_EQ(s.HD, 10.0f);
  EXPECT_EQ(s.TS, 1500.0f);
  EXPECT_NEAR(s.BA, 27.5986f, 0.00005f);
  EXPECT_NEAR(s.TP, 2835.56f, 0.005f);
  EXPECT_NEAR(s.DMIN, 3.33834f, 0.000005f);
  EXPECT_NEAR(P90(s), 23.5891f, 0.00005f);
  EXPECT_NEAR(s.C, 2.56741f, 0.000005f);
  EXPECT_NEAR(s.B, 14.2969f, 0.00005f);
  // The shape is found to 0.0036, so the distribution's DQ misses the stand's.
  EXPECT_NEAR(DQF(s.A, s.B, s.C), 15.311f, 0.0005f);
}

TEST(Unthinned, FromSiteClassAndTreesPlantedKeepsTreesPlanted) {
  const Stand s = unthinned(30.0f, {.SI = 16.0f, .TP = 2500.0f});
  EXPECT_NEAR(s.HD, 12.3951f, 0.00005f);
  EXPECT_NEAR(s.TS, 976.539f, 0.0005f);
  EXPECT_NEAR(s.BA, 35.5897f, 0.00005f);
  EXPECT_EQ(s.TP, 2500.0f);
}

TEST(Unthinned, FromBasalAreaUsesTheTreesEquation) {
  const Stand s = unthinned(30.0f, {.SI = 16.0f, .BA = 30.0f});
  EXPECT_NEAR(s.TS, 1330.38f, 0.005f);
  EXPECT_NEAR(s.TP, 3552.72f, 0.005f);
  EXPECT_EQ(s.BA, 30.0f);
  EXPECT_NEAR(s.C, 1.21060f, 0.000005f);
  // Given as well, TS is overwritten from BA.
  const Stand both = unthinned(30.0f, {.SI = 16.0f, .TS = 500.0f, .BA = 30.0f});
  EXPECT_EQ(both.TS, s.TS);
  EXPECT_EQ(both.TP, s.TP);
}

TEST(Unthinned, FromSiteClassAndLiveTrees) {
  const Stand s = unthinned(30.0f, {.SI = 16.0f, .TS = 1000.0f});
  EXPECT_NEAR(s.BA, 36.2701f, 0.00005f);
  EXPECT_NEAR(s.TP, 2568.37f, 0.005f);
  EXPECT_NEAR(s.DMIN, 6.24485f, 0.000005f);
  EXPECT_NEAR(P90(s), 34.3495f, 0.00005f);
}

TEST(Unthinned, ZeroOrNegativeCountsAsNotGiven) {
  const Stand marker = unthinned(30.0f, {.SI = 16.0f, .TS = 1000.0f});
  const Stand zero = unthinned(30.0f, {.SI = 16.0f, .HD = 0.0f, .TS = 1000.0f, .BA = 0.0f});
  const Stand negative = unthinned(30.0f, {.SI = 16.0f, .HD = -1.0f, .TS = 1000.0f, .BA = -0.5f});
  for (const Stand& s : {zero, negative}) {
    EXPECT_EQ(s.HD, marker.HD);
    EXPECT_EQ(s.BA, marker.BA);
    EXPECT_EQ(s.TP, marker.TP);
    EXPECT_EQ(s.C, marker.C);
    EXPECT_EQ(s.B, marker.B);
  }
}

TEST(Unthinned, ReturnsForAnyArgument) {
  const float inf = std::numeric_limits<float>::infinity();
  const float odd[] = {std::nanf(""), inf,   -inf,   0.0f,
                       -0.0f,         -9.0f, 1e-45f, std::numeric_limits<float>::max()};
  for (float x : odd) {
    unthinned(x, {.SI = 16.0f, .TS = 1000.0f});
    unthinned(30.0f, {.SI = x, .HD = 12.0f, .TS = 1000.0f});
    unthinned(30.0f, {.SI = 16.0f, .HD = x, .BA = 30.0f});
    unthinned(30.0f, {.SI = 16.0f, .TS = x});
    unthinned(30.0f, {.SI = 16.0f, .BA = x});
    unthinned(30.0f, {.SI = 16.0f, .TP = x});
    unthinned(x, {.SI = x, .HD = x, .TS = x, .BA = x, .TP = x});
  }
  // A negative TP alone propagates as NaN.
  EXPECT_TRUE(std::isnan(unthinned(30.0f, {.SI = 16.0f, .TP = -100.0f}).TS));
}

}  // namespace
}  // namespace zireze
