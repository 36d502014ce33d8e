// A scenario as data: stands, the regimes they run under, the bark flag of
// every table and the prices and costs that value the runs. Read from a scenario file by the front ends, or built by code.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "../value/valuation.h"
#include "description.h"
#include "regime.h"

namespace zireze {

struct Scenario {
  int bark = 1;  // the bark flag of every table: 1 with bark, 0 without
  std::vector<StandDescription> stands;
  std::vector<Regime> regimes;
  std::optional<Economics> economics;  // what the runs are worth, when given
};

// One run of a scenario: a stand under a regime, or tabled alone.
struct PlannedRun {
  std::size_t stand;
  std::optional<std::size_t> regime;
};

// The runs a scenario makes, stand by stand: each stand under every regime
// that runs on it, in the regimes' order, or tabled once when none does.
std::vector<PlannedRun> planned_runs(const Scenario& s);

}  // namespace zireze
