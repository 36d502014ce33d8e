#include "input/thinned_input.h"

#include <gtest/gtest.h>

#include "distribution/recovery.h"
#include "stand.h"

namespace zireze {
namespace {

TEST(STINP, DerivesTheStandFromCountsByClass) {
  const float RN[] = {0, 200, 300, 100};
  const Stand s = stand_from_counts(30.0f, 16.0f, -9.0f, RN);
  EXPECT_EQ(s.TS, 600.0f);
  EXPECT_NEAR(s.BA, 10.0137f, 1e-4f);  // 0.000078539 * 127500
  EXPECT_EQ(s.DMIN, 7.5f);             // the empty first class does not count
  EXPECT_EQ(s.A, 6.75f);
  EXPECT_NEAR(weibull_p90(s.A, s.B, s.C), 19.5f, 1e-3f);  // 540 trees reached 40/100 into class 4
  EXPECT_FALSE(s.unthinned);
}

}  // namespace
}  // namespace zireze
