#include "table/stand_table.h"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "io/session_lines.h"
#include "io/unit.h"

namespace zireze {
namespace {

// The console and the report of one table.
struct Table {
  explicit Table(const StandTable& table) : data(table) {
    io::stand_table(io::Units{con, rep}, table);
  }
  StandTable data;
  std::ostringstream con_s, rep_s;
  io::Unit con{&con_s, "a consola"}, rep{&rep_s, "o relatorio"};
  std::vector<std::string> rep_lines() const {
    std::vector<std::string> out;
    std::istringstream in(rep_s.str());
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
  }
  // The lines between the two separators.
  std::vector<std::string> classes() const {
    std::vector<std::string> out;
    int separators = 0;
    for (const std::string& l : rep_lines()) {
      if (l.starts_with(" ---"))
        ++separators;
      else if (separators == 1)
        out.push_back(l);
    }
    return out;
  }
  std::string totals() const { return rep_lines().back(); }
};

// 30 years, site class 16, 1000 trees: the unthinned stand as its equations
// complete it.
constexpr float HD30 = 12.3951063f;

TEST(StandTable, UnthinnedStandMatchesTheReferenceRunOnBothUnits) {
  Table t(STABLE(30.0f, HD30, 1000.0f, 36.2701492f, 3.12242556f, 18.9782276f, 2.20321655f, 1));
  const std::string table =
      "  DAP     N.ARV.    AREA BASAL    ALTURA    VOL.TOT.    VOL.ROL.    VOL.MAD.\n"
      " ---     ------    ----------    ------    --------    --------    --------\n"
      "   5       38.7         0.1         2.0        0.14        0.06        0.00\n"
      "  10      152.0         1.3         6.7        4.23        3.52        0.00\n"
      "  15      228.0         4.1        10.0       18.29       17.15        0.00\n"
      "  20      230.3         7.2        12.2       37.32       24.56       11.66\n"
      "  25      174.8         8.5        13.8       47.81       17.20       29.84\n"
      "  30      103.3         7.2        14.9       42.85        9.32       33.12\n"
      "  35       48.2         4.6        15.8       28.26        3.99       24.09\n"
      "  40       17.9         2.2        16.5       14.07        1.36       12.65\n"
      "  45        5.3         0.8        17.0        5.37        0.37        4.98\n"
      "  50        1.2         0.2        17.5        1.58        0.08        1.50\n"
      " ---     ------    ----------    ------    --------    --------    --------\n"
      "          999.7        36.2        11.3      199.92       77.61      117.84\n";
  EXPECT_EQ(t.con_s.str(),
            "IDADE DO POVOAMENTO =  30\n"
            "CLASSE DE QUALIDADE =  16\n"
            "ALTURA DOMINANTE =  12.4\n"
            "DIAMETRO MEDIO =  21.5\n"
            "PARAM. DE WEIBUL: A = 3.12   B =18.98   C = 2.20\n" +
                table);
  EXPECT_EQ(t.rep_s.str(),
            "IDADE =  30            CLASSE DE QUALIDADE =  16\n"
            "ALT. DOMINANTE = 12.4      DIAMETRO MEDIO = 21.5\n"
            "PARAM. DE WEIBUL: A = 3.12   B =18.98   C = 2.20\n"
            "     (Volumes com casca, corte a 0.15m)\n" +
                table);
}

TEST(StandTable, BarkNoteWithoutBarkFollowsAnEmptyLine) {
  Table without(STABLE(30.0f, HD30, 1000.0f, 30.0f, 3.0f, 18.0f, 2.2f, 0));
  EXPECT_EQ(without.rep_lines()[3], "");
  EXPECT_EQ(without.rep_lines()[4], "     (Volumes sem casca, corte a 0.15m)");
  EXPECT_EQ(without.con_s.str().find("Volumes"), std::string::npos);
  Table with(
      STABLE(30.0f, HD30, 1000.0f, 30.0f, 3.0f, 18.0f, 2.2f, 2));  // any flag but 0: with bark
  EXPECT_EQ(with.rep_lines()[3], "     (Volumes com casca, corte a 0.15m)");
}

TEST(StandTable, FirstClassCentreIsTheNextMultipleOfFiveAboveTheLocation) {
  struct Case {
    float A;
    const char* first;
    std::size_t classes;
  };
  // Shape 1.5, scale 2: 1000 (1 - e^-((upper - A) / 2)^1.5) trees in the first class.
  for (Case c : {Case{4.0f, "   5      901.2", 2}, Case{6.0f, "  10      997.1", 2},
                 Case{10.0f, "  15      999.3", 2}, Case{145.0f, " 150      999.3", 1},
                 Case{150.0f, " 155      999.3", 1}}) {
    Table t(STABLE(30.0f, HD30, 1000.0f, 30.0f, c.A, 2.0f, 1.5f, 1));
    ASSERT_EQ(t.classes().size(), c.classes) << c.A;
    EXPECT_EQ(t.classes()[0].substr(0, 15), c.first) << c.A;
  }
}

TEST(StandTable, FirstClassIsSkippedUnderHalfATreeAndTheTableGoesOnAtTheNextCentre) {
  // 0.27 of 100 trees lie between 4 and 7.5 cm, 0.52 above 47.5 cm.
  Table t(STABLE(30.0f, HD30, 100.0f, 10.0f, 4.0f, 25.0f, 3.0f, 1));
  EXPECT_EQ(t.classes()[0].substr(0, 4), "  10");
  EXPECT_EQ(t.totals().substr(0, 15), "           99.2");
}

TEST(StandTable, NoTreesCountedGivesZeroTotalsAndMeanHeight) {
  // 0.3 trees at a location of 150: no class line at all.
  Table none(STABLE(30.0f, HD30, 0.3f, 0.6f, 150.0f, 10.0f, 2.0f, 1));
  EXPECT_TRUE(none.classes().empty());
  EXPECT_EQ(none.totals(),
            "            0.0         0.0         0.0        0.00        0.00        0.00");
  // TS = 0: zero counts never fall, so every further class up to 150 is shown.
  Table zero(STABLE(30.0f, HD30, 0.0f, 30.0f, 3.0f, 10.0f, 2.0f, 1));
  EXPECT_EQ(zero.classes().size(), 29u);
  EXPECT_EQ(zero.totals().substr(0, 39), "            0.0         0.0         0.0");
}

// Shape 0.8 from a location of 0: the density is infinite at 0, the counts
// fall from the first class on, and class 120 would hold under half a tree.
TEST(StandTable, ShapeBelowOneKeepsTheFirstClassFiniteAndTheTableStopsWhenCountsFallUnderHalf) {
  Table t(STABLE(30.0f, HD30, 500.0f, 29.3640327f, 0.0f, 15.0f, 0.8f, 1));
  const std::vector<std::string> classes = t.classes();
  ASSERT_EQ(classes.size(), 23u);
  EXPECT_EQ(classes[0],
            "   5      218.5         0.2         2.0        0.77        0.36        0.00");
  EXPECT_EQ(classes[22],
            " 115        0.5         0.6        19.6        3.92        0.02        3.90");
  EXPECT_EQ(t.totals(),
            "          497.2        24.4         7.5      152.07       18.57      131.93");
}

TEST(StandTable, LocationWithoutAClassCentrePrintsNoClassLines) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  for (float A : {nan, inf, -inf, 1.0e30f, -1.0e30f, -10.0f}) {
    Table t(STABLE(30.0f, HD30, 1000.0f, 30.0f, A, 10.0f, 2.0f, 1));
    EXPECT_EQ(t.rep_lines().size(), 8u) << A;
  }
}

// A location far past the last class centre still shows its one class, with
// the centre too wide for its field and nearly every tree in it.
TEST(StandTable, FarLocationShowsTheFirstClassOnly) {
  Table t(STABLE(30.0f, HD30, 1000.0f, 30.0f, 500000224.0f, 10.0f, 2.0f, 1));
  const std::vector<std::string> classes = t.classes();
  ASSERT_EQ(classes.size(), 1u);
  EXPECT_EQ(classes[0].substr(0, 15), " ***     1000.0");
}

// Simpson's rule over all classes gives back 0.000078539 N E[X^2], E[X^2] = 100.
TEST(BasalArea, ClassesAddUpToTheStandBasalArea) {
  float sum = 0.0f;
  for (float lo = 0.0f; lo < 100.0f; lo += 5.0f)
    sum += BADAP(lo, lo + 5.0f, 1000.0f, 0.0f, 10.0f, 2.0f);
  EXPECT_NEAR(sum, 7.8539f, 1e-4f);
}

TEST(BasalArea, DensityIsZeroWhereTheExponentialFactorUnderflows) {
  // Shape 30, 30 scale units above the location: z^29 overflows.
  EXPECT_EQ(FBA(0.0f, 10.0f, 30.0f, 1000.0f, 300.0f), 0.0f);
  EXPECT_NEAR(FBA(0.0f, 10.0f, 2.0f, 1000.0f, 10.0f), 0.5778576f, 1e-6f);  // 7.8539 * 0.2/e
}

}  // namespace
}  // namespace zireze
