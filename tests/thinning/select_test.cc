#include "thinning/select.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zireze {
namespace {

struct Thinned {
  float A1, B1, C1, TS1;
  int unthinned;
  float P90() const { return A1 + B1 * std::pow(2.99573f, 1.0f / C1); }
};

// 1000 trees and 30 m2/ha, minimum diameter 8 cm, thinned to BA1.
Thinned thin(float A0, float B0, float C0, int unthinned, float BA1) {
  Thinned t{0.0f, 0.0f, 0.0f, 0.0f, unthinned};
  SELECT(A0, B0, C0, 1000.0f, 30.0f, 8.0f, t.unthinned, BA1, t.A1, t.B1, t.C1, t.TS1);
  return t;
}

// P90 25 cm (A 6, C 3.75); thinned to 20 m2/ha, r = 2/3. The first trial is
// accepted, so the P90 of the result is the predicted one.
constexpr float A0 = 6.0f, B0 = 14.1803265f, C0 = 3.75f;

TEST(SelectiveThinning, PredictsWithTheFirstOrTheLaterThinningEquationsAndClearsTheFlag) {
  const Thinned first = thin(A0, B0, C0, 1, 20.0f);
  EXPECT_NEAR(first.TS1, 661.71f, 0.005f);
  EXPECT_NEAR(first.A1, 7.9327f, 0.00005f);  // 0.9 (0.438034 + 1.04701 * 8)
  EXPECT_NEAR(first.P90(), 25.1409f, 0.0005f);
  EXPECT_EQ(first.unthinned, 0);

  const Thinned later = thin(A0, B0, C0, 0, 20.0f);
  EXPECT_NEAR(later.TS1, 606.92f, 0.005f);
  EXPECT_NEAR(later.A1, 8.3851f, 0.00005f);
  EXPECT_NEAR(later.P90(), 25.7604f, 0.0005f);
  EXPECT_EQ(later.unthinned, 0);
}

// An exponential stand no thinned distribution fits under: the 50th trial,
// made with P90 lowered 49 times by 0.1, stands.
TEST(SelectiveThinning, FiftiethTrialStandsWhenNoneIsAccepted) {
  const Thinned t = thin(5.0f, 20.0f / 2.99573f, 1.0f, 1, 20.0f);
  EXPECT_NEAR(t.P90(), 25.1409f - 4.9f, 0.001f);
  EXPECT_EQ(t.unthinned, 0);
}

TEST(SelectiveThinning, LocationNeverMovesDownAndNoThinningKeepsEveryTree) {
  EXPECT_EQ(thin(9.0f, 13.0f, 3.5f, 1, 20.0f).A1, 9.0f);
  EXPECT_EQ(thin(A0, B0, C0, 1, 30.0f).TS1, 1000.0f);
}

}  // namespace
}  // namespace zireze
