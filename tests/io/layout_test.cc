#include "io/layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "table/stand_table.h"

namespace zireze::io {
namespace {

using zireze::display_round;

std::string F(int w, int d, float x) { return std::string(Layout().F(w, d, x).bytes()); }
std::string I(int w, float x) { return std::string(Layout().I(w, x).bytes()); }

TEST(FieldF, RoundsTheFloatsExactValueWithTiesToEven) {
  EXPECT_EQ(F(4, 1, 0.25f), " 0.2");
  EXPECT_EQ(F(5, 2, 0.125f), " 0.12");
  EXPECT_EQ(F(4, 1, 22.25f), "22.2");
  EXPECT_EQ(F(4, 1, 2.45f), " 2.5");  // 2.45 as a float lies above the tie
  EXPECT_EQ(F(10, 1, 999.7f), "     999.7");
  EXPECT_EQ(F(8, 2, 0.0f), "    0.00");
}

TEST(FieldF, DropsTheLeadingZeroOnlyWhenThereIsNoRoomForIt) {
  EXPECT_EQ(F(3, 2, 0.5f), ".50");
  EXPECT_EQ(F(4, 2, -0.5f), "-.50");
  EXPECT_EQ(F(4, 2, 0.5f), "0.50");
  EXPECT_EQ(F(5, 2, -0.5f), "-0.50");
  EXPECT_EQ(F(2, 2, 0.5f), "**");
}

TEST(FieldF, KeepsTheSignOfNegativeValuesThatRoundToZero) {
  EXPECT_EQ(F(4, 1, -0.04f), "-0.0");
  EXPECT_EQ(F(3, 1, -0.04f), "-.0");
}

TEST(FieldF, FillsTooWideValuesWithAsterisks) {
  EXPECT_EQ(F(4, 1, 100.0f), "****");
  EXPECT_EQ(F(4, 1, 99.96f), "****");  // rounds to 100.0
  EXPECT_EQ(F(4, 1, 99.95f), "99.9");  // 99.95 as a float lies below the tie
  EXPECT_EQ(F(4, 1, 99.94f), "99.9");
  EXPECT_EQ(F(5, 2, -10.0f), "*****");
  EXPECT_EQ(F(10, 1, std::numeric_limits<float>::max()), "**********");
}

TEST(FieldF, SpellsNotANumberAndInfinitiesAsAFortranCompilerDoes) {
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_EQ(F(4, 1, inf), " Inf");
  EXPECT_EQ(F(10, 1, inf), "  Infinity");
  EXPECT_EQ(F(8, 2, inf), "Infinity");
  EXPECT_EQ(F(4, 1, -inf), "-Inf");
  EXPECT_EQ(F(8, 2, -inf), "    -Inf");
  EXPECT_EQ(F(9, 2, -inf), "-Infinity");
  EXPECT_EQ(F(3, 1, -inf), "***");
  EXPECT_EQ(F(3, 1, inf), "Inf");
  EXPECT_EQ(F(2, 1, inf), "**");
  EXPECT_EQ(F(10, 1, std::nanf("")), "       NaN");
  EXPECT_EQ(F(2, 1, std::nanf("")), "**");
}

TEST(FieldF, WithNoDecimalsKeepsThePoint) { EXPECT_EQ(F(5, 0, 3.0f), "   3."); }

TEST(FieldI, ShowsRealsWithDisplayRounding) {
  EXPECT_EQ(I(3, 22.5f), " 23");
  EXPECT_EQ(I(3, 22.4f), " 22");
  EXPECT_EQ(I(3, 14.49f), " 14");
  EXPECT_EQ(I(4, 999.5f), "1000");
  EXPECT_EQ(I(4, 9999.5f), "****");  // 10000 does not fit
  EXPECT_EQ(I(3, -0.7f), "  0");     // -0.2 truncates toward zero
  EXPECT_EQ(I(3, -1.7f), " -1");
}

TEST(FieldI, PrintsAsterisksForValuesWithoutAnInteger) {
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_EQ(I(3, std::nanf("")), "***");
  EXPECT_EQ(I(4, inf), "****");
  EXPECT_EQ(I(4, -inf), "****");
  EXPECT_EQ(I(12, 3e9f), "************");
  EXPECT_EQ(I(12, -2147483648.0f), " -2147483648");  // the 0.5 is lost at this magnitude
}

TEST(DisplayRound, GuardsTheRangeOfA32BitInteger) {
  EXPECT_EQ(display_round(2147483520.0f), 2147483520);  // largest float below 2^31
  EXPECT_FALSE(display_round(2147483648.0f).has_value());
  EXPECT_EQ(display_round(-2147483648.0f), -2147483648);
  EXPECT_FALSE(display_round(-2147483904.0f).has_value());
  EXPECT_FALSE(display_round(std::nanf("")).has_value());
}

TEST(FieldI, IntegersTooWideFillTheField) {
  EXPECT_EQ(std::string(Layout().I(3, 1000).bytes()), "***");
  EXPECT_EQ(std::string(Layout().I(3, -99).bytes()), "-99");
  EXPECT_EQ(std::string(Layout().I(2, 5).bytes()), " 5");
}

TEST(Layout, JoinsTextsBlanksSlashesAndFields) {
  Layout l;
  l.slash(2).text("A IDADE ACTUAL DO POVOAMENTO   ").I(3, 30.0f).text(" ANOS");
  EXPECT_EQ(l.bytes(), "\n\nA IDADE ACTUAL DO POVOAMENTO    30 ANOS");
  EXPECT_EQ(Layout().text("x").X(3).text("y").slash(1).bytes(), "x   y\n");
}

TEST(Layout, TextFieldsAreRightJustifiedOrCut) {
  EXPECT_EQ(Layout().A(5, "ab").bytes(), "   ab");
  EXPECT_EQ(Layout().A(2, "abcd").bytes(), "ab");
}

TEST(Layout, CutsAtItsCapacityWithoutOverflowing) {
  Layout l;
  for (int i = 0; i < 100; ++i) l.text("0123456789");
  EXPECT_EQ(l.bytes().size(), Layout::capacity);
}

}  // namespace
}  // namespace zireze::io

namespace zireze::io {
namespace {

// The exact-integer path of Fw.d against the C library over many floats of
// every magnitude, ties included (multiples of powers of two).
TEST(FieldF, AgreesWithTheCLibraryForEveryMagnitude) {
  std::uint32_t state = 12345;
  auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return state;
  };
  char expected[64];
  for (int i = 0; i < 200000; ++i) {
    std::uint32_t bits = next();
    float x;
    if (i % 4 == 0) {
      x = static_cast<float>(static_cast<int>(next() % 200001) - 100000) / 1024.0f;  // ties
    } else {
      std::memcpy(&x, &bits, sizeof x);
      if (!std::isfinite(x)) continue;
    }
    int d = static_cast<int>(next() % 10);
    std::snprintf(expected, sizeof expected, "%#.*f", d, static_cast<double>(x));
    std::string want = expected;
    ASSERT_EQ(std::string(Layout().F(60, d, x).bytes()), std::string(60 - want.size(), ' ') + want)
        << x << " d=" << d;
  }
}

}  // namespace
}  // namespace zireze::io
