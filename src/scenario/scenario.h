// A scenario as data: stands, the regimes they run under, the bark flag of
// every table, the prices and costs that value the runs, the space the best
// regime is searched in and the settings of the forest plan.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "../optimize/optimize.h"
#include "../plan/settings.h"
#include "../regime/description.h"
#include "../regime/regime.h"
#include "../value/valuation.h"

namespace zireze {

struct Scenario {
  int bark = 1;  // the bark flag of every table: 1 with bark, 0 without
  std::vector<StandDescription> stands;
  std::vector<Regime> regimes;
  std::optional<Economics> economics;   // what the runs are worth, when given
  std::optional<SearchSpace> optimize;  // where `zireze optimize` searches, when given
  std::optional<PlanSettings> plan;     // the forest plan of `zireze plan`, when given
};

// Whether the regime runs on the stand: it names no stands, or names this one.
bool runs_on(const Regime& r, std::string_view stand_id);

// One run of a scenario: a stand under a regime, or tabled alone.
struct PlannedRun {
  std::size_t stand;
  std::optional<std::size_t> regime;
};

// The runs a scenario makes, stand by stand: each stand under every regime
// that runs on it, in the regimes' order, or tabled once when none does.
// Found by their number without listing them all (a scenario of many stands
// under many regimes makes a great many).
class RunPlan {
 public:
  explicit RunPlan(const Scenario& s);
  std::size_t size() const { return first_.back(); }
  PlannedRun operator[](std::size_t i) const;

 private:
  std::vector<std::size_t> everywhere_;            // regimes without a list of stands
  std::vector<std::vector<std::size_t>> regimes_;  // a stand's, where some regime names it
  std::vector<std::size_t> first_;                 // each stand's first run, then the total
};

}  // namespace zireze
