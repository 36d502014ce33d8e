// A forest plan as a linear program (Model I): one column per stand and
// candidate regime, the share of the stand's area under it; one row per
// stand making its shares sum to 1, and the forest-wide rows: the flow held
// even from period to period, its bounds, the area felled a period, the
// volume left standing at the horizon's end. Its construction, its solution
// read back into the plan's figures, and the program that finds the least
// violations of an infeasible one. Computation only; the solver is behind
// the small interface of solver.h.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "candidate.h"
#include "settings.h"

namespace zireze {

// A stand as the plan holds it: its area, the volume standing today (m3/ha,
// the stand as described) and its candidates.
struct PlanStand {
  std::string id;
  double area = 1;
  double vol_tot_today = 0;
  std::vector<CandidateFigures> candidates;
};

struct LinearProgram {
  enum class Sense { equal, at_least, at_most };
  struct Row {
    std::string name;
    Sense sense;
    double rhs;
    std::vector<int> columns;  // increasing
    std::vector<double> values;
  };
  // The columns lie in [0, infinity): a stand's row holds its shares to 1,
  // and a bound of their own would stand between the row and its shadow price.
  std::vector<double> objective;  // maximised; one per column
  std::vector<char> integer;      // 1 where the column is a whole number
  std::vector<Row> rows;

  bool has_integers() const;
};

// The program of the plan: columns stand by stand, candidate by candidate;
// rows: `shares:STAND` for each stand, then, for each period K from 2,
// `flow_not_below:K` and `flow_not_above:K` (unless the flow is none), then
// `min_flow:K`, `max_flow:K` and `max_felled_area:K` for each period where
// given, then `ending_volume` where given.
LinearProgram plan_program(const PlanSettings& p, std::span<const PlanStand> stands);

// The program that finds the least violations of the forest-wide rows (those
// after the stands'): a column more for each, its violation, which the row
// takes in its favour; minimised, each relative to its right-hand side (or,
// where that is 0, to the largest its left side can be; to 1 at least), as a
// maximisation of the violations' negated sum.
LinearProgram elastic_program(const LinearProgram& lp, std::size_t stand_rows);

// The largest magnitude among the program's coefficients and right sides
// (infinity where one is not a number): COIN-OR's solvers take programs whose
// figures stay below 1e20.
double largest_figure(const LinearProgram& lp);

// A row's left side at the columns' values.
double row_activity(const LinearProgram::Row& row, std::span<const double> x);
// How far a row is from its bound, in its favour (0 for an equality).
double row_slack(const LinearProgram::Row& row, double activity);

// The plan's figures of one period over the whole area.
struct PeriodTotals {
  int period = 0, first_year = 0, last_year = 0;
  double vol_tot = 0, vol_rol = 0, vol_mad = 0;  // m3 removed
  double revenue = 0, cost = 0, net = 0;         // the harvests', undiscounted
  double felled_area = 0, thinned_area = 0;      // ha (an area thinned twice counts twice)
  double flow = 0;                               // the row's flow F_k
};

// Each period's totals under the shares (one per column, in the program's order).
std::vector<PeriodTotals> period_totals(const PlanSettings& p, std::span<const PlanStand> stands,
                                        std::span<const double> shares);

}  // namespace zireze
