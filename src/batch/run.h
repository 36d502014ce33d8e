// One run of a scenario: a stand under a regime, or tabled alone, every state
// kept with its table; and the report the dialogue would write for it.
#pragma once

#include <string>
#include <vector>

#include "regime/regime.h"

namespace zireze::batch {

struct Run {
  std::string stand_id;
  std::string regime_id;  // empty for a stand tabled alone
  // A step the model cannot take where it is reached ends the run there:
  // the reason, in the dialogue's words. Empty when every step was taken.
  std::string refusal;
  std::vector<State> states;
  std::string report;  // the report file's bytes, when asked for
};

// `regime` null: the stand is only tabled.
Run run(const StandDescription& stand, const Regime* regime, int bark, bool with_report);

}  // namespace zireze::batch
