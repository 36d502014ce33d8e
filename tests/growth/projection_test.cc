#include "growth/projection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "growth/unthinned.h"

namespace zireze {
namespace {

struct Projected {
  float BA2, TS2, DMIN2, A2, B2, C2;
  float P90() const { return A2 + B2 * std::pow(2.99573f, 1.0f / C2); }
};

// The unthinned stand at 30 years, SI 16, TS 1000 (BA0 36.2701, A0 3.12243),
// carried at full float precision as the dialogue carries it.
struct Current {
  float IDADE = 30.0f, SI = 16.0f, HD = -9.0f, TS = 1000.0f, BA = -9.0f, TP = -9.0f;
  float DMIN, A, B, C;
  Current() { USTAND(IDADE, SI, HD, TS, BA, TP, DMIN, A, B, C); }
};

Projected project(const Current& s, float IDADE2) {
  Projected p;
  PSTAND(s.IDADE, s.BA, s.TS, s.SI, s.A, s.B, s.C, IDADE2, p.BA2, p.TS2, p.DMIN2, p.A2, p.B2, p.C2);
  return p;
}

TEST(Projection, FiveYearsOn) {
  const Projected p = project(Current(), 35.0f);
  EXPECT_NEAR(p.BA2, 42.2716f, 0.00005f);
  EXPECT_EQ(p.TS2, 1000.0f);
  EXPECT_NEAR(p.P90(), 30.9757f, 0.00005f);
  EXPECT_NEAR(p.DMIN2, 3.70907f, 0.000005f);
  EXPECT_NEAR(p.A2, 3.33817f, 0.000005f);
  EXPECT_NEAR(p.C2, 4.14560f, 0.000005f);
  EXPECT_NEAR(p.B2, 21.2108f, 0.00005f);
}

TEST(Projection, LocationNeverMovesDown) {
  const Current s;
  const Projected p = project(s, 40.0f);
  EXPECT_NEAR(p.DMIN2, 2.13888f, 0.000005f);  // returned as predicted
  EXPECT_EQ(p.A2, s.A);
  EXPECT_NEAR(p.BA2, 47.4158f, 0.00005f);
  EXPECT_NEAR(p.C2, 4.78116f, 0.000005f);
  EXPECT_NEAR(p.B2, 22.8602f, 0.00005f);
}

TEST(Projection, ToTheSameAgeKeepsBasalAreaButNotP90) {
  const Current s;
  const Projected p = project(s, 30.0f);
  EXPECT_EQ(p.BA2, s.BA);
  EXPECT_NEAR(p.P90(), 29.3584f, 0.00005f);  // the unthinned equations gave 34.3495
  EXPECT_NEAR(p.DMIN2, 8.56923f, 0.000005f);
}

TEST(Projection, LongProjectionFindsNoShape) {
  const Projected p = project(Current(), 80.0f);
  EXPECT_NEAR(p.BA2, 70.8736f, 0.00005f);
  EXPECT_NEAR(p.P90(), 28.6807f, 0.00005f);
  EXPECT_EQ(p.C2, 29.996429f);
}

TEST(Projection, LocationTheScanCannotCarryPast80IsRaisedOnce) {
  // So many trees that 0.9 * DMIN2 falls below 0.0001 cm.
  Projected p;
  PSTAND(30.0f, 36.0f, 1e14f, 16.0f, 0.0f, 1.0f, 1.0f, 30.0f, p.BA2, p.TS2, p.DMIN2, p.A2, p.B2,
         p.C2);
  ASSERT_LT(0.9f * p.DMIN2, 0.0001f);
  EXPECT_EQ(p.A2, 0.9f * p.DMIN2 + 0.1f);
}

TEST(ProjectionCheck, AcceptanceRestsOnTheLocationAlone) {
  int flag = -1;
  CHECK(1.0f, 10.0f, 2.0f, 1000.0f, 0.0f, 10.0f, 2.0f, 1000.0f, flag);
  EXPECT_EQ(flag, 0);  // 400 steps from 0 end at 79.99992
  CHECK(1.0f, 10.0f, 2.0f, 1000.0f, 0.0001f, 10.0f, 2.0f, 1000.0f, flag);
  EXPECT_EQ(flag, 1);
}

TEST(Projection, ReturnsForAnyArgument) {
  const float inf = std::numeric_limits<float>::infinity();
  const float odd[] = {std::nanf(""), inf, -inf, 0.0f, -0.0f, -9.0f, 1e-45f};
  const Current s;
  for (float x : odd) {
    const float base[8] = {s.IDADE, s.BA, s.TS, s.SI, s.A, s.B, s.C, 40.0f};
    for (int i = 0; i < 8; ++i) {
      float a[8];
      std::copy(base, base + 8, a);
      a[i] = x;
      Projected p;
      PSTAND(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], p.BA2, p.TS2, p.DMIN2, p.A2, p.B2,
             p.C2);
    }
    int flag = -1;
    CHECK(x, x, x, x, x, x, x, x, flag);
    EXPECT_TRUE(flag == 0 || flag == 1);
  }
}

}  // namespace
}  // namespace zireze
