#include "batch/scenario.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "batch/plain.h"
#include "batch/run.h"
#include "batch/schema.h"
#include "io/reply.h"

namespace zireze::batch {
namespace {

std::optional<Scenario> read(const std::string& toml, std::vector<std::string>& problems,
                             const std::string& csv = "") {
  std::vector<Problem> found;
  auto read_csv = [&](const std::string& path, std::string& why) -> std::optional<std::string> {
    if (path != "in/plots.csv") {
      why = "no such file";
      return std::nullopt;
    }
    return csv;
  };
  std::optional<Scenario> s = read_scenario(toml, "in/s.toml", read_csv, found);
  for (const Problem& p : found) problems.push_back(to_string(p));
  return s;
}

TEST(Scenario, ReadsEveryKindOfStandFromTheFileAndThePlots) {
  std::vector<std::string> problems;
  // 1.00000017881393432617 lies just below the midpoint of two floats: read
  // once it gives the lower; through a double first, the upper.
  const std::optional<Scenario> s = read(
      "bark = false\nstands_csv = \"plots.csv\"\n"
      "[[stand]]\nid = \"u\"\nage = 1.00000017881393432617\nsite_class = 16\ntrees_planted = "
      "2_500\n"
      "[[stand]]\nid = \"k\"\nage = 30\ndominant_height = 12\ncounts = [0, 200, 100, -9]\n",
      problems,
      "\xEF\xBB\xBFp90,id,age,site_class,trees,basal_area,dmin,a,b,c\r\n"
      "30,q1,30,16,850.4,22.5,8,,,\r\n"
      ",q2,25,14,1000,,,5,10,2\r\n"
      "\r\n");
  ASSERT_TRUE(s) << problems[0];
  EXPECT_EQ(s->bark, 0);
  ASSERT_EQ(s->stands.size(), 4u);
  EXPECT_EQ(s->stands[0].age, 1.00000011920928955f);
  EXPECT_EQ(s->stands[0].trees_planted, 2500.0f);
  EXPECT_FALSE(s->stands[0].trees);
  EXPECT_EQ(classes_of(*s->stands[1].counts), (std::vector<float>{0, 200, 100}));  // -9 ends them
  ASSERT_TRUE(s->stands[2].attributes);
  EXPECT_EQ(s->stands[2].attributes->trees, 850.4f);
  EXPECT_TRUE(s->stands[3].weibull);
}

TEST(Scenario, ReportsEveryProblemWithItsPlace) {
  std::vector<std::string> problems;
  EXPECT_FALSE(
      read("colour = 1\nstands_csv = \"plots.csv\"\n"
           "[[stand]]\nid = \"a\"\nage = 0\nsite_class = 16\ndominant_height = 9\n"
           "trees = 1000\n"
           "[[regime]]\nid = \"r\"\nsteps = [{ thin = \"rows\", one_in = 7 }]\n",
           problems, "id,age,site_class,trees\na,20,16,1e39\n"));
  EXPECT_EQ(problems, (std::vector<std::string>{
                          "in/s.toml:1:1: unknown key 'colour' in the scenario",
                          "in/s.toml:3:1: give site_class or dominant_height, not both",
                          "in/s.toml:5:7: age = 0: A IDADE TEM DE SER MAIOR QUE ZERO",
                          "in/s.toml:11:36: a row thinning takes one_in = 2 to 6 (one row in "
                          "every two to six)",
                          "in/plots.csv:2:9: trees = 1e39: beyond the range of a "
                          "single-precision number",
                      }));
  problems.clear();
  EXPECT_FALSE(
      read("[[stand]]\nid = \"a\"\nage = 20\nsite_class = 16\ntrees = 900\n"
           "[[stand]]\nid = \"a\"\nage = 20\nsite_class = 16\n"
           "weibull = { trees = 900, a = -1, b = 10 }\n",
           problems));
  EXPECT_EQ(problems, (std::vector<std::string>{
                          "in/s.toml:10:11: weibull needs c",
                          "in/s.toml:10:30: a = -1: NAO PODE SER NEGATIVO",
                      }));
  // The fire hazard is a probability a year, below 1: a fire every year
  // leaves no rotation to value.
  for (const char* refused : {"1", "1.5", "-0.01", "nan", "inf"}) {
    problems.clear();
    EXPECT_FALSE(
        read(std::string("[economics]\nsawlog = 50\nfire_hazard = ") + refused + "\n", problems));
    ASSERT_EQ(problems.size(), 1u) << refused;
    EXPECT_EQ(problems[0].rfind("in/s.toml:3:15: fire_hazard", 0), 0u) << problems[0];
  }
  problems.clear();
  const std::optional<Scenario> hazard = read(
      "[economics]\nfire_hazard = 0.9999\n[[stand]]\nid = \"a\"\nage = 20\nsite_class = "
      "16\ntrees = 900\n",
      problems);
  ASSERT_TRUE(hazard) << problems[0];
  EXPECT_EQ(hazard->economics->fire_hazard, 0.9999);
}

// Areas and the plan: each problem at its value; regimes may share an id
// only on different stands.
TEST(Scenario, ReadsAreasAndThePlanAndTellsTheirProblems) {
  std::vector<std::string> problems;
  const std::string stands =
      "[[stand]]\nid = \"a\"\nage = 20\nsite_class = 16\ntrees = 900\narea = 12.5\n"
      "[[stand]]\nid = \"b\"\nage = 20\nsite_class = 16\ntrees = 900\n";
  std::optional<Scenario> s = read(
      "stands_csv = \"plots.csv\"\n[plan]\nhorizon = 40\nperiod = 10\nobjective = "
      "\"vol_tot\"\nflow = \"vol_mad\"\n" +
          stands +
          "[[regime]]\nid = \"r\"\nstands = [\"a\"]\nsteps = [{ grow_by = 5 }]\n"
          "[[regime]]\nid = \"r\"\nstands = [\"b\"]\nsteps = [{ grow_by = 6 }]\n",
      problems, "id,age,site_class,trees,area\nc,20,16,900,0.25\n");
  ASSERT_TRUE(s) << problems[0];
  EXPECT_EQ(s->stands[0].area, 12.5);
  EXPECT_FALSE(s->stands[1].area);
  EXPECT_EQ(s->stands[2].area, 0.25);
  EXPECT_EQ(s->plan->periods(), 4);
  EXPECT_EQ(s->plan->flow, PlanQuantity::vol_mad);
  EXPECT_EQ(s->plan->objective, PlanQuantity::vol_tot);
  EXPECT_EQ(toml_text(plain_of(*read(toml_text(plain_of(*s)).text, problems))).text,
            toml_text(plain_of(*s)).text);

  problems.clear();
  EXPECT_FALSE(read("[plan]\nhorizon = 30\nperiod = 7\ntolerance = -0.1\nflow = \"npv\"\n" +
                        stands + "area = 0\n" +
                        "[[regime]]\nid = \"r\"\nstands = [\"a\", \"b\"]\nsteps = []\n"
                        "[[regime]]\nid = \"r\"\nstands = [\"b\"]\nsteps = []\n",
                    problems));
  EXPECT_EQ(problems, (std::vector<std::string>{
                          "in/s.toml:1:1: objective: npv needs an [economics] table",
                          "in/s.toml:3:10: period: whole years from 1 to the horizon, dividing it",
                          "in/s.toml:4:13: tolerance: a share from 0 to 1",
                          "in/s.toml:5:8: flow: vol_tot, vol_rol, vol_mad, revenue or none",
                          "in/s.toml:17:8: area: hectares, greater than 0 and at most 1e9",
                          "in/s.toml:22:1: a second regime with the id \"r\" on the stand \"b\"",
                      }));
}

// The thinning that cannot be taken ends the run; what came before stays.
TEST(BatchRun, RefusedStepEndsTheRunAndRemovalsAreBeforeLessAfter) {
  std::vector<std::string> problems;
  std::optional<Scenario> s = read(
      "[[stand]]\nid = \"a\"\nage = 30\nsite_class = 16\ntrees = 1000\n"
      "[[regime]]\nid = \"r\"\nsteps = [{ thin = \"rows\", one_in = 2 }, "
      "{ thin = \"selective\", residual_basal_area = 30 }, { grow_to = 40 }]\n",
      problems);
  ASSERT_TRUE(s);
  const auto r = run(s->stands[0], &s->regimes[0], 1, false);
  EXPECT_EQ(r.status, Run::Status::refused);
  EXPECT_EQ(r.message, "A AREA BASAL RESIDUAL TEM DE SER MAIOR QUE ZERO E NAO SUPERIOR A ACTUAL");
  ASSERT_EQ(r.states.size(), 2u);
  const State& thinned = r.states[1];
  EXPECT_EQ(thinned.removed->ts, r.states[0].stand.TS - thinned.stand.TS);
  EXPECT_EQ(thinned.removed->vol_mad,
            r.states[0].table->totals.vol_mad - thinned.table->totals.vol_mad);
  EXPECT_FALSE(r.states[0].removed);
}

// What the one writer writes, the one reader reads back to the same
// scenario: every figure the same float, so written again the same text.
TEST(Scenario, WrittenAsTextReadsBackTheSame) {
  std::vector<std::string> problems;
  const std::optional<Scenario> s = read(
      "bark = false\n"
      "[[stand]]\nid = \"u\"\nage = 20.1\ndominant_height = 1e-3\nbasal_area = 0.1\n"
      "[[stand]]\nid = \"k\"\nage = 30\nsite_class = 16\ncounts = [0, 200.5, 100, -9]\n"
      "[[stand]]\nid = \"w\"\nage = 30\nsite_class = 16\n"
      "weibull = { trees = 1000, a = 5, b = 10.25, c = 2 }\n"
      "[[regime]]\nid = \"r\"\nsteps = [{ thin = \"rows\", one_in = 3 }, { grow_to = 3.0e1 },"
      " { thin = \"selective\", residual_basal_area = 12.3 }]\n",
      problems);
  ASSERT_TRUE(s) << problems[0];
  const std::string text = toml_text(plain_of(*s)).text;
  std::vector<Problem> again;
  const std::optional<Scenario> back = read_scenario(text, "w.toml", nullptr, again);
  ASSERT_TRUE(back) << to_string(again[0]) << "\n" << text;
  EXPECT_EQ(toml_text(plain_of(*back)).text, text);
  EXPECT_EQ(back->stands[0].age, 20.1f);
  EXPECT_EQ(back->stands[1].counts, s->stands[1].counts);
  EXPECT_EQ(back->regimes[0].steps[2].value, 12.3f);
  // A double exactly midway between two floats, whose shortest text lies
  // past the midpoint, is written in full so that it rounds as it does.
  const double midway = 1.0 + 0x1p-24;
  EXPECT_EQ(io::parse_real(double_text(midway)), 1.0f);
  EXPECT_EQ(double_text(0.1), "0.1");
  EXPECT_EQ(toml_number(" 3.0D1"), "3.0e1");
  EXPECT_EQ(toml_number(".5"), "0.5");
  EXPECT_EQ(toml_number("abc"), std::nullopt);
}

// Every output column is defined in the README, as the program declares it.
TEST(Schema, TheReadmeDefinesEveryColumnAsDeclared) {
  std::ifstream readme(ZIREZE_SOURCE_DIR "/README.md");
  std::stringstream text;
  text << readme.rdbuf();
  const std::string markdown = columns_markdown();
  EXPECT_NE(text.str().find(markdown), std::string::npos)
      << "README.md should hold, word for word, these column definitions:\n\n"
      << markdown;
}

}  // namespace
}  // namespace zireze::batch
