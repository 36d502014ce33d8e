#include "table/tree.h"

#include <gtest/gtest.h>

#include <limits>

namespace zireze {
namespace {

TEST(TreeHeight, FollowsDiameterAgeAndStandDensity) {
  EXPECT_NEAR(HTF(40.0f, 20.0f, 30.0f, 500.0f, 25.0f), 21.30f, 0.005f);
  EXPECT_NEAR(HTF(40.0f, 20.0f, 30.0f, 500.0f, 10.0f), 10.39f, 0.005f);
}

TEST(Taper, WithBarkForAnyFlagButZero) {
  EXPECT_NEAR(CALCA(20.0f, 15.0f, 1), 1.2971f, 0.00005f);
  EXPECT_NEAR(CALCA(20.0f, 15.0f, 0), 0.6376f, 0.00005f);
  EXPECT_EQ(CALCA(20.0f, 15.0f, -1), CALCA(20.0f, 15.0f, 1));
}

// Height of the 20-cm and 7-cm diameters on the cone every stem gets.
TEST(HeightAtTopDiameter, IsTheLowerRootOfTheProfile) {
  struct Case {
    int bark;
    float dtop, h;
  };
  for (Case c : {Case{1, 20.0f, 1.83f}, Case{1, 7.0f, 10.39f}, Case{0, 20.0f, -3.79f},
                 Case{0, 7.0f, 8.43f}}) {
    const float b1 = CALCA(20.0f, 15.0f, c.bark);
    EXPECT_NEAR(HTM(20.0f, 15.0f, b1, -(b1 + b1), b1, c.dtop), c.h, 0.005f);
    EXPECT_EQ(HTR(20.0f, 15.0f, b1, -(b1 + b1), b1, c.dtop),
              HTM(20.0f, 15.0f, b1, -(b1 + b1), b1, c.dtop));
  }
  // At top diameter 0, the tree top H, with nothing computed from the stem.
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(HTL(20.0f, 15.0f, nan, nan, nan, 0.0f), 15.0f);
}

TEST(Volumes, ThreeSectionsOfTheStem) {
  struct Case {
    float D, H;
    int bark;
    float vmad, vrol, vtot;
  };
  for (Case c : {Case{20.0f, 15.0f, 1, 0.0598f, 0.1320f, 0.1977f},
                 Case{20.0f, 15.0f, 0, 0.0f, 0.0887f, 0.0972f},  // no 20-cm section
                 Case{40.0f, 25.0f, 1, 1.0614f, 0.1168f, 1.1834f}}) {
    const float vm = VM(c.D, c.H, c.bark);
    EXPECT_NEAR(vm, c.vmad, 0.00005f);
    EXPECT_NEAR(VR(c.D, c.H, vm, c.bark), c.vrol, 0.00005f);
    EXPECT_NEAR(VL(c.D, c.H, c.bark), c.vtot, 0.00005f);
  }
}

TEST(Volumes, StemUnder7cmAtTheStumpHasOnlyATotalVolume) {
  const float vm = VM(5.0f, 2.0f, 0);
  EXPECT_EQ(vm, 0.0f);
  EXPECT_EQ(VR(5.0f, 2.0f, vm, 0), 0.0f);
  EXPECT_GT(VL(5.0f, 2.0f, 0), 0.0f);
}

}  // namespace
}  // namespace zireze
