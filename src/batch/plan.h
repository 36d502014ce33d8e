// The forest plan of a scenario, as `zireze plan` makes it and every front
// end shows it: each stand's candidate regimes (the scenario's regimes on it
// that the plan can use, and those searched in its [optimize] space, one a
// period of felling), run as `zireze run` runs them; the linear program over
// them solved; its shares, period totals and constraints; and the scenario
// that re-runs the plan (plan.toml).
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "batch/run.h"
#include "plan/program.h"
#include "scenario/scenario.h"

namespace zireze::batch {

// A stand of the plan: its candidates' figures, and each candidate's regime
// (on that stand only).
struct PlannedStand {
  PlanStand plan;
  std::vector<Regime> regimes;        // as many as the candidates
  std::vector<std::string> left_out;  // runs of its regimes the plan cannot use: "REGIME: why"
};

// A stand's work for the plan: its regimes searched, its runs (the
// scenario's regimes that run on it, in their order, then the searched ones;
// tabled alone when there is none), and its candidates from them.
struct StandWork {
  PlannedStand stand;
  std::vector<Run> runs;
};
StandWork plan_stand(const Scenario& s, std::size_t i, bool reports);

// What is wrong with a scenario for a plan: no [plan] table, or a regime
// named as the searched ones are (fell-K, fell-later) while there is a space
// to search. Empty when it can be planned.
std::vector<std::string> plan_problems(const Scenario& s);

// A row of the program, with its values under the plan (or, when the plan is
// infeasible, under the least violations found).
struct ConstraintFigures {
  std::string name;
  double lhs = 0, rhs = 0, slack = 0;
  std::optional<double> dual;       // a linear program's shadow price
  std::optional<double> violation;  // infeasible: the least violation that makes it hold
};

struct PlanSolution {
  const char* status = "infeasible";  // optimal, infeasible or time_limit
  std::optional<double> objective, bound, gap;
  int split_stands = 0;
  std::string solver;
};

struct PlanOutcome {
  std::vector<PlannedStand> stands;  // every stand of the scenario, in order
  std::vector<double> shares;        // per candidate of the stands with any, in order
  std::vector<PeriodTotals> periods;
  std::vector<ConstraintFigures> constraints;
  PlanSolution solution;
  bool found = false;  // the solver found a plan (`shares` holds it)
  bool solved() const { return found; }
};

// A plan whose figures lie beyond what the solver takes: prices, areas or
// bounds so large that its coefficients pass 1e20. Its reason in the
// scenario's terms.
struct PlanRefused : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The plan over the stands' candidates (stands without any are left out of
// it), solved by CLP or CBC. Throws PlanRefused.
PlanOutcome solve_plan(const PlanSettings& p, std::vector<PlannedStand> stands);

// The plan of a scenario without its runs' rows (the packages' way):
// each stand's work on `jobs` threads, `stand_done` called on the calling
// thread after each (it may throw to stop), then the plan solved.
PlanOutcome plan_of(const Scenario& s, int jobs, const std::function<void()>& stand_done);

// The scenario that re-runs the plan: the bark flag, every stand with its
// area, the prices and costs, the [plan] table, and per stand each regime
// it has a share of, on that stand only.
Scenario plan_scenario(const Scenario& s, const PlanOutcome& outcome);

// Whether the plan holds: every stand has a candidate, and the program is
// solved.
bool plan_sound(const PlanOutcome& outcome);

}  // namespace zireze::batch
