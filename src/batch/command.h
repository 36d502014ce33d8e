// `zireze run SCENARIO.toml`: every stand of the scenario under every regime,
// written as CSV files (and, when asked, the dialogue's reports and an SQLite
// database).
#pragma once

#include <string>

namespace zireze::batch {

struct Options {
  std::string scenario;
  std::string out = "results";
  int jobs = 1;
  bool reports = false;
  std::string sqlite;  // empty: no database
  std::string xlsx;    // empty: no workbook
};

// Exit statuses: 0 every run went through; 3 some run was refused at a step
// or left the model's range;
// 2 the scenario cannot be used (nothing is written); 1 an output could not
// be written. Messages go to standard error.
int run_command(const Options& options);

// `zireze optimize SCENARIO.toml`: the best regime for every stand of the
// scenario in its search space ([optimize]); writes best.toml (the scenario
// that re-runs them), optimum.csv and the outputs of `zireze run` for the
// best regimes. Exit statuses as run_command's; 3 also when a stand has no
// regime of the space, or the objective cannot value it.
int optimize_command(const Options& options);

// `zireze plan SCENARIO.toml`: the forest plan of its [plan] table over each
// stand's candidate regimes; writes the outputs of `zireze run` for every
// candidate, the plan's tables and plan.toml (the scenario that re-runs it).
// Exit statuses as run_command's; 3 also when a stand has no candidate, or
// the plan is infeasible.
int plan_command(const Options& options);

}  // namespace zireze::batch
