// One run: a stand of the scenario under one regime, step by step as the
// dialogue takes them, every stand state tabled; and the report the dialogue
// would write for it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "batch/scenario.h"
#include "stand.h"
#include "table/stand_table.h"

namespace zireze::batch {

enum class Event { initial, thinned, projected };
const char* event_name(Event e);  // "initial", "thinned", "projected"

// What a thinning took out: the stand before it less the stand after it.
struct Removal {
  float ts, ba, vol_tot, vol_rol, vol_mad;
};

struct State {
  int step;  // 0 for the initial stand, then the number of the step (from 1)
  Event event;
  Stand stand;
  StandTable table;
  std::optional<Removal> removed;  // thinnings only
};

struct Run {
  std::string stand_id;
  std::string regime_id;  // empty without regimes
  // A step the model cannot take where it is reached ends the run there:
  // the reason, in the dialogue's words. Empty when every step was taken.
  std::string refusal;
  std::vector<State> states;
  std::string report;  // the report file's bytes, when asked for
};

// The stand as the dialogue completes it from what was typed. The Weibull
// description may give the gamma function arguments it cannot take.
Stand initial_stand(const StandEntry& entry, GammaComplaints* complaints = nullptr);

// `regime` null: the stand is only tabled. The bark flag comes from the scenario.
Run run(const StandEntry& entry, const Regime* regime, int bark, bool with_report);

}  // namespace zireze::batch
