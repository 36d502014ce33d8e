// The best regime of each stand of a scenario, as `zireze optimize` finds it
// and every front end shows it: the search's optimum, the best of the
// scenario's own regimes on the stand, and the scenario that re-runs the
// optima (best.toml).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "optimize/optimize.h"
#include "scenario/scenario.h"

namespace zireze::batch {

struct StandOptimum {
  std::string stand_id;
  Objective objective;
  Optimum optimum;
  std::string regime_text;  // the best regime's steps as a scenario file writes them
  // The scenario's own regime of highest value on the stand, if any.
  std::optional<std::string> reference_regime;
  std::optional<double> reference_value;
};

// The best regime for stand `i` of the scenario, in its search space. Its
// regimes on the stand are valued as references, and those in the space
// start searches too.
StandOptimum optimize_stand_of(const Scenario& s, std::size_t i,
                               const SearchProgress& progress = {});

// What is wrong with the scenario's search space: its [optimize] table was
// checked as it was read, but without one the defaults must fit it too (lev
// needs prices).
std::vector<SpaceProblem> space_problems(const Scenario& s);
// One of them as a line: "no [optimize] table, and its default KEY: WHAT".
std::string to_string(const SpaceProblem& p);

// A stand's optimum as a regime: "best-STAND", on that stand only.
Regime best_regime(const StandOptimum& o);

// The scenario that re-runs the optima: the bark flag, every stand, the
// prices and costs and, per stand with an optimum, its best regime.
Scenario best_scenario(const Scenario& s, const std::vector<StandOptimum>& optima);

}  // namespace zireze::batch
