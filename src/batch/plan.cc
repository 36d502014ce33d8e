#include "batch/plan.h"

#include <cmath>

#include "batch/csv.h"
#include "batch/plan_tables.h"
#include "batch/schema.h"
#include "plan/solver.h"
#include "regime/ordered.h"

namespace zireze::batch {

namespace {

// Searched candidates are named so: a regime of the scenario may not be.
bool searched_name(std::string_view id) {
  return id == "fell-later" || (id.starts_with("fell-") && id.size() > 5 &&
                                id.find_first_not_of("0123456789", 5) == std::string_view::npos);
}

}  // namespace

std::vector<std::string> plan_problems(const Scenario& s) {
  std::vector<std::string> out;
  if (!s.plan)
    out.push_back("no [plan] table: give one (its keys may all be left to their defaults)");
  if (s.optimize)
    for (const Regime& r : s.regimes)
      if (searched_name(r.id))
        out.push_back(
            "regime \"" + r.id +
            "\": the plan names the regimes it searches fell-K and fell-later; rename it");
  return out;
}

StandWork plan_stand(const Scenario& s, std::size_t i, bool reports) {
  const StandDescription& d = s.stands[i];
  const PlanSettings& p = *s.plan;
  const Economics* prices = s.economics ? &*s.economics : nullptr;
  std::vector<const Regime*> own;
  for (const Regime& r : s.regimes)
    if (runs_on(r, d.id)) own.push_back(&r);
  std::vector<Regime> searched;
  if (s.optimize)
    for (SearchedRegime& x :
         search_candidates(d, s.bark, s.economics.value_or(Economics{}), *s.optimize, p, own))
      searched.push_back(Regime{x.id, std::move(x.optimum.steps), {d.id}});

  StandWork w;
  PlannedStand& planned = w.stand;
  planned.plan.id = d.id;
  planned.plan.area = d.area.value_or(1.0);
  auto consider = [&](const Regime* r) {
    Run run = batch::run(d, r, s.bark, reports, prices);
    if (w.runs.empty() && !run.states.empty() && run.states.front().table)
      planned.plan.vol_tot_today = run.states.front().table->totals.vol_tot;
    if (!r) {
      w.runs.push_back(std::move(run));
      return;
    }
    std::string why;
    std::optional<CandidateFigures> figures;
    if (run.status != Run::Status::ok)
      why = std::string(run_status(run)) + " (" + run.message + ")";
    else
      figures = candidate_figures(run.states, run.value, p, s.bark, why);
    if (figures) {
      planned.plan.candidates.push_back(std::move(*figures));
      planned.regimes.push_back(Regime{r->id, r->steps, {d.id}});
    } else {
      planned.left_out.push_back(r->id + ": " + why);
    }
    w.runs.push_back(std::move(run));
  };
  for (const Regime* r : own) consider(r);
  for (const Regime& r : searched) consider(&r);
  if (own.empty() && searched.empty()) consider(nullptr);
  return w;
}

namespace {

// A solver's value a hair's breadth from a bound taken as the bound, so that
// no stand is shown under a share of 1e-17.
double snapped(double x) {
  constexpr double kHair = 1e-9;
  if (std::fabs(x) < kHair) return 0;
  if (std::fabs(x - 1) < kHair) return 1;
  return x;
}

int split_stands(std::span<const PlanStand> stands, std::span<const double> shares) {
  int split = 0;
  std::size_t j = 0;
  for (const PlanStand& s : stands) {
    int under = 0;
    for (std::size_t c = 0; c < s.candidates.size(); ++c) under += shares[j++] > 0;
    split += under >= 2;
  }
  return split;
}

}  // namespace

PlanOutcome solve_plan(const PlanSettings& p, std::vector<PlannedStand> stands) {
  PlanOutcome out;
  out.stands = std::move(stands);
  std::vector<PlanStand> in_plan;
  for (const PlannedStand& s : out.stands)
    if (!s.plan.candidates.empty()) in_plan.push_back(s.plan);
  const LinearProgram lp = plan_program(p, in_plan);
  if (const double most = largest_figure(lp); !(most < 1e20))
    throw PlanRefused("the plan's figures reach " + cell_text(most) +
                      ", beyond the 1e20 its solver takes: a price, an area or a bound is too "
                      "large");
  const std::unique_ptr<LpSolver> solver = coin_solver();
  out.solution.solver = solver->name(p.integer);
  const SolveLimits limits{p.gap, p.time_limit};
  const LpSolution solved = solver->solve(lp, limits);
  const std::size_t columns = lp.objective.size();

  std::vector<double> x;
  std::vector<double> violation;  // per forest-wide row, when infeasible
  if (solved.found) {
    for (double v : solved.x) x.push_back(snapped(v));
    out.solution.status = solved.status == LpSolution::Status::optimal ? "optimal" : "time_limit";
  } else if (solved.status == LpSolution::Status::infeasible) {
    const LpSolution least = solver->solve(elastic_program(lp, in_plan.size()), limits);
    if (least.found) {
      for (std::size_t j = 0; j < columns; ++j) x.push_back(snapped(least.x[j]));
      violation.assign(least.x.begin() + static_cast<std::ptrdiff_t>(columns), least.x.end());
    }
  } else {
    out.solution.status = "time_limit";
  }

  for (std::size_t i = 0; i < lp.rows.size(); ++i) {
    const LinearProgram::Row& row = lp.rows[i];
    ConstraintFigures c;
    c.name = row.name;
    c.rhs = row.rhs;
    if (!x.empty()) {
      c.lhs = row_activity(row, x);
      c.slack = row_slack(row, c.lhs);
    }
    // A row that binds nothing has no price, not a price of -0.
    if (solved.found && !solved.duals.empty())
      c.dual = solved.duals[i] == 0 ? 0.0 : solved.duals[i];
    if (!violation.empty()) c.violation = i < in_plan.size() ? 0.0 : violation[i - in_plan.size()];
    out.constraints.push_back(std::move(c));
  }
  if (!solved.found) return out;

  out.found = true;
  out.shares = x;
  out.periods = period_totals(p, in_plan, x);
  double objective = 0;
  for (std::size_t j = 0; j < columns; ++j) objective += lp.objective[j] * x[j];
  out.solution.objective = objective;
  out.solution.bound = solved.status == LpSolution::Status::optimal && !p.integer
                           ? objective
                           : std::max(solved.bound, objective);
  const double gap = *out.solution.bound - objective;
  if (objective != 0)
    out.solution.gap = gap / std::fabs(objective);
  else if (gap == 0)
    out.solution.gap = 0.0;
  out.solution.split_stands = split_stands(in_plan, x);
  return out;
}

PlanOutcome plan_of(const Scenario& s, int jobs, const std::function<void()>& stand_done) {
  std::vector<PlannedStand> stands;
  run_in_order<PlannedStand>(
      s.stands.size(), jobs, [&](std::size_t i) { return plan_stand(s, i, false).stand; },
      [&](PlannedStand&& stand) {
        stands.push_back(std::move(stand));
        if (stand_done) stand_done();
      });
  return solve_plan(*s.plan, std::move(stands));
}

namespace {

template <typename Row, typename Rows>
NamedTable named(const Table<Row>& t, Rows rows) {
  Columns<Row> columns(t);
  rows([&](const Row& row) { columns.add(row); });
  return NamedTable{t.name, std::move(columns.data())};
}

}  // namespace

std::vector<NamedTable> plan_tables(const Scenario& s, const PlanOutcome& o) {
  std::vector<NamedTable> out;
  for_each_plan_table(s, o,
                      [&](const auto& table, auto rows) { out.push_back(named(table, rows)); });
  return out;
}

Scenario plan_scenario(const Scenario& s, const PlanOutcome& outcome) {
  Scenario plan;
  plan.bark = s.bark;
  plan.stands = s.stands;
  plan.economics = s.economics;
  plan.plan = s.plan;
  std::size_t j = 0;
  for (const PlannedStand& stand : outcome.stands) {
    for (std::size_t c = 0; c < stand.regimes.size(); ++c, ++j)
      if (outcome.solved() && outcome.shares[j] > 0) plan.regimes.push_back(stand.regimes[c]);
  }
  return plan;
}

bool plan_sound(const PlanOutcome& outcome) {
  for (const PlannedStand& s : outcome.stands)
    if (s.plan.candidates.empty()) return false;
  return outcome.solved();
}

}  // namespace zireze::batch
