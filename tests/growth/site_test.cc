#include "growth/site.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace zireze {
namespace {

TEST(SiteCurve, SiteClassFromHeightBelowTheBaseAge) {
  EXPECT_NEAR(SF(25.0f, 10.0f), 14.3819f, 0.00005f);
  EXPECT_NEAR(SF(20.0f, 10.0f), 16.6500f, 0.00005f);
}

TEST(SiteCurve, FactorAtTheBaseAgeIsOneToSixDigits) {
  EXPECT_NEAR(SF(50.0f, 10.0f), 10.00002f, 0.000005f);
  EXPECT_NEAR(HTDCF(50.0f, 10.0f), 10.0f / 1.000002f, 0.000005f);
}

TEST(SiteCurve, HeightFromSiteClassUndoesSiteClassFromHeight) {
  for (float IDADE : {5.0f, 20.0f, 37.5f, 50.0f, 90.0f}) {
    const float HD = 12.5f;
    EXPECT_NEAR(HTDCF(IDADE, SF(IDADE, HD)), HD, 4 * std::numeric_limits<float>::epsilon() * HD)
        << IDADE;
  }
}

TEST(SiteCurve, ReturnsForAnyArgument) {
  const float inf = std::numeric_limits<float>::infinity();
  for (float x : {std::nanf(""), inf, -inf, 0.0f, -0.0f, -9.0f, 1e-45f}) {
    SF(x, 10.0f), SF(20.0f, x), HTDCF(x, 16.0f), HTDCF(20.0f, x);
  }
  EXPECT_TRUE(std::isnan(SF(-1.0f, 10.0f)));  // no real square root: NaN, not a trap
}

}  // namespace
}  // namespace zireze
