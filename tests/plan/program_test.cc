#include "plan/program.h"

#include <gtest/gtest.h>

#include <cmath>

#include "plan/solver.h"

namespace zireze {
namespace {

// A candidate harvesting `volumes` (m3/ha, one a period), felled in
// `felling` (0: not within the horizon), worth `npv`, leaving `ending`.
CandidateFigures candidate(std::vector<double> volumes, int felling, double npv, double ending) {
  CandidateFigures c;
  for (std::size_t k = 0; k < volumes.size(); ++k) {
    PeriodHarvest h;
    h.vol_tot = volumes[k];
    c.periods.push_back(h);
  }
  if (felling) c.felling_period = felling;
  c.coefficient = npv;
  c.ending_vol_tot = ending;
  return c;
}

// Two periods; a stand that pays most felled at once, and one that pays most
// felled later: even flow shares them out.
struct TwoStands : ::testing::Test {
  PlanSettings p;
  std::vector<PlanStand> stands;
  void SetUp() override {
    p.horizon = 10;
    p.period = 5;
    p.tolerance = 0.1;
    PlanStand a{"a", 10, 200, {}};
    a.candidates = {candidate({300, 0}, 1, 5000, 0), candidate({0, 320}, 2, 4500, 0)};
    PlanStand b{"b", 20, 150, {}};
    b.candidates = {candidate({250, 0}, 1, 3000, 0), candidate({0, 0}, 0, 2000, 220)};
    stands = {a, b};
  }
  LpSolution solve(const LinearProgram& lp) { return coin_solver()->solve(lp, SolveLimits{}); }
};

TEST_F(TwoStands, EvenFlowSharesAStandAndShadowPricesAreTheObjectivesRate) {
  const LinearProgram lp = plan_program(p, stands);
  ASSERT_EQ(lp.rows.size(), 4u);  // two stands, the flow not below and not above
  const LpSolution s = solve(lp);
  ASSERT_EQ(s.status, LpSolution::Status::optimal);
  // Every row holds, and the flow of period 2 is within 10 % of period 1's.
  for (const LinearProgram::Row& row : lp.rows)
    EXPECT_GE(row_slack(row, row_activity(row, s.x)), -1e-9) << row.name;
  const std::vector<PeriodTotals> t = period_totals(p, stands, s.x);
  EXPECT_GE(t[1].flow, 0.9 * t[0].flow - 1e-6);
  EXPECT_LE(t[1].flow, 1.1 * t[0].flow + 1e-6);
  // Each row's dual is the objective's gain per unit of its right side.
  for (std::size_t i = 0; i < lp.rows.size(); ++i) {
    LinearProgram moved = lp;
    const double step = 1e-3 * std::max(1.0, std::fabs(lp.rows[i].rhs));
    moved.rows[i].rhs += step;
    const LpSolution m = solve(moved);
    ASSERT_EQ(m.status, LpSolution::Status::optimal) << lp.rows[i].name;
    EXPECT_NEAR((m.objective - s.objective) / step, s.duals[i], 1e-6 * std::fabs(s.objective))
        << lp.rows[i].name;
  }
}

TEST_F(TwoStands, AnIntegerPlanPutsEachStandUnderOneRegime) {
  p.tolerance = 0.5;
  p.integer = true;
  const LinearProgram lp = plan_program(p, stands);
  const LpSolution s = solve(lp);
  ASSERT_EQ(s.status, LpSolution::Status::optimal);
  for (double x : s.x) EXPECT_TRUE(std::fabs(x) < 1e-9 || std::fabs(x - 1) < 1e-9) << x;
  EXPECT_GE(s.bound, s.objective - 1e-9);
}

TEST_F(TwoStands, AnInfeasiblePlanNamesTheLeastViolation) {
  // Only b's later regime leaves anything standing: 20 ha x 220 m3/ha, and
  // asked for 2 x today's 10 x 200 + 20 x 150 = 10,000 m3.
  p.flow = PlanQuantity::none;
  p.ending_volume = 2;
  const LinearProgram lp = plan_program(p, stands);
  EXPECT_EQ(solve(lp).status, LpSolution::Status::infeasible);
  const LpSolution least = solve(elastic_program(lp, stands.size()));
  ASSERT_TRUE(least.found);
  EXPECT_EQ(lp.rows.back().name, "ending_volume");
  EXPECT_NEAR(least.x.back(), 10000 - 20 * 220, 1e-6);
}

}  // namespace
}  // namespace zireze
