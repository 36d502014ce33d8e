// The tables a scenario's runs give, as every front end writes or shows them
// (the CSV files, the SQLite database, Python's DataFrames, the page): each
// column declared once, with its type, unit and definition, how a row gives
// its value and how the page shows it. The README's column definitions are
// checked against these.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "batch/optimum.h"
#include "batch/plan.h"
#include "batch/run.h"

namespace zireze::batch {

// One cell: empty, a text, a whole number, a figure of the model (the
// single-precision value it computed) or a value worked out from such
// figures in double precision.
using Cell = std::variant<std::monostate, std::string_view, std::int64_t, float, double>;

enum class Type { text, integer, real };

// How the page shows a figure: as the stand tables print it, in a field of
// `width` with `decimals` (Fw.d), or as a whole number (Iw) for decimals < 0.
struct Shown {
  int width = 0;
  int decimals = -1;
};

// A figure as the page shows it in its column's field, without the field's
// leading blanks: a model's figure as the stand tables print it, a value
// worked out in double precision rounded from the double.
std::string shown_text(const Cell& cell, Shown shown);

template <typename Row>
struct Column {
  std::string_view name;
  Type type;
  std::string_view unit;  // empty for none
  std::string_view definition;
  Cell (*cell)(const Row&);
  Shown shown{};
};

template <typename Row>
struct Table {
  std::string_view name;  // the CSV file is NAME.csv, the SQLite table NAME
  std::span<const Column<Row>> columns;
};

// The rows of each table: a state of a run; a class of a state's table; a run.
struct StateRow {
  const Run& run;
  const State& state;
};
struct ClassRow {
  const Run& run;
  const State& state;
  const TableClass& c;
};

struct CashFlowRow {
  const Run& run;
  const CashFlow& c;
};

extern const Table<StateRow> kStandsTable;
extern const Table<ClassRow> kClassesTable;
extern const Table<Run> kRunsTable;
// With prices and costs: what each run is worth, and its cash flows.
extern const Table<Run> kValuesTable;
extern const Table<CashFlowRow> kCashFlowsTable;
// `zireze optimize`: the best regime of each stand.
extern const Table<StandOptimum> kOptimumTable;

// `zireze plan`: each stand's candidates, their flows period by period, the
// plan's shares, its periods, its constraints and its solution.
struct CandidateRow {
  const PlannedStand& stand;
  std::size_t candidate;
};
struct CandidateFlowRow {
  const PlannedStand& stand;
  std::size_t candidate;
  int period;
  PlanQuantity flow;
};
struct PlanRow {
  const PlannedStand& stand;
  std::size_t candidate;
  double share;
};
struct PeriodRow {
  const PeriodTotals& totals;
  bool money;  // the scenario has prices
};
extern const Table<CandidateRow> kCandidatesTable;
extern const Table<CandidateFlowRow> kCandidateFlowsTable;
extern const Table<PlanRow> kPlanTable;
extern const Table<PeriodRow> kPeriodsTable;
extern const Table<ConstraintFigures> kConstraintsTable;
extern const Table<PlanSolution> kSolutionTable;

// Every table of the schema, in the README's order: `visit(table)`.
template <typename Visit>
void for_each_table(Visit visit) {
  visit(kStandsTable);
  visit(kClassesTable);
  visit(kRunsTable);
  visit(kValuesTable);
  visit(kCashFlowsTable);
  visit(kOptimumTable);
  visit(kCandidatesTable);
  visit(kCandidateFlowsTable);
  visit(kPlanTable);
  visit(kPeriodsTable);
  visit(kConstraintsTable);
  visit(kSolutionTable);
}

// Every row of the plan's tables, in order.
template <typename Each>
void for_each_candidate_row(const PlanOutcome& o, Each each) {
  for (const PlannedStand& s : o.stands)
    for (std::size_t c = 0; c < s.plan.candidates.size(); ++c) each(CandidateRow{s, c});
}
template <typename Each>
void for_each_candidate_flow_row(const PlanOutcome& o, const PlanSettings& p, Each each) {
  for (const PlannedStand& s : o.stands)
    for (std::size_t c = 0; c < s.plan.candidates.size(); ++c)
      for (int k = 1; k <= p.periods(); ++k) each(CandidateFlowRow{s, c, k, p.flow});
}
template <typename Each>
void for_each_plan_row(const PlanOutcome& o, Each each) {
  if (!o.solved()) return;
  std::size_t j = 0;
  for (const PlannedStand& s : o.stands)
    for (std::size_t c = 0; c < s.plan.candidates.size(); ++c, ++j)
      if (o.shares[j] > 0) each(PlanRow{s, c, o.shares[j]});
}

// Each of the plan's tables in order, with its rows: `visit(table, rows)`,
// where `rows(each)` calls `each(row)` on every row of the table.
template <typename Visit>
void for_each_plan_table(const Scenario& s, const PlanOutcome& o, Visit visit) {
  visit(kCandidatesTable, [&](auto each) { for_each_candidate_row(o, each); });
  visit(kCandidateFlowsTable, [&](auto each) { for_each_candidate_flow_row(o, *s.plan, each); });
  visit(kPlanTable, [&](auto each) { for_each_plan_row(o, each); });
  visit(kPeriodsTable, [&](auto each) {
    for (const PeriodTotals& t : o.periods) each(PeriodRow{t, s.economics.has_value()});
  });
  visit(kConstraintsTable, [&](auto each) {
    for (const ConstraintFigures& c : o.constraints) each(c);
  });
  visit(kSolutionTable, [&](auto each) { each(o.solution); });
}

// "ok", "refused" or "out_of_range".
const char* run_status(const Run& r);

// Every row of a run in each table, in order.
template <typename Each>
void for_each_state_row(const Run& r, Each each) {
  for (const State& s : r.states) each(StateRow{r, s});
}
template <typename Each>
void for_each_class_row(const Run& r, Each each) {
  for (const State& s : r.states)
    if (s.table)
      for (const TableClass& c : s.table->classes) each(ClassRow{r, s, c});
}
// A stand table of its own (not of a run) as rows of classes.csv, whose key
// columns (the first kClassKeys: stand, regime, step, event) it has not.
constexpr std::size_t kClassKeys = 4;
template <typename Each>
void for_each_class_row(const StandTable& t, Each each) {
  const Run run;
  State state;
  state.table = t;
  for (const TableClass& c : state.table->classes) each(ClassRow{run, state, c});
}
template <typename Each>
void for_each_cash_flow_row(const Run& r, Each each) {
  if (r.value)
    for (const CashFlow& c : r.value->cash_flows) each(CashFlowRow{r, c});
}

// The README's description of every table: per table a heading line and a
// Markdown table of its columns (name, unit, definition).
std::string columns_markdown();

}  // namespace zireze::batch
