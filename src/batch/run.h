// One run of a scenario: a stand under a regime, or tabled alone, every state
// kept with its table; and the report the dialogue would write for it.
#pragma once

#include <string>
#include <vector>

#include "regime/regime.h"
#include "scenario/scenario.h"
#include "value/valuation.h"

namespace zireze::batch {

struct Run {
  std::string stand_id;
  std::string regime_id;  // empty for a stand tabled alone
  // ok: every step taken; refused: a step the model cannot take where it is
  // reached ended the run there (the message is the reason, in the
  // dialogue's words); out_of_range: every step was taken, but a state's
  // figures are not all numbers, the model outside its range (the message is
  // "step N", the first such state).
  enum class Status { ok, refused, out_of_range };
  Status status = Status::ok;
  std::string message;
  std::vector<State> states;
  std::string report;             // the report file's bytes, when asked for
  std::optional<RunValue> value;  // a sound run ending in a felling, when prices are given
};

// The report's file name: STAND.REGIME.txt, or STAND.txt for a stand tabled
// alone.
std::string report_name(const Run& r);

// `regime` null: the stand is only tabled. `economics` null: no values.
Run run(const StandDescription& stand, const Regime* regime, int bark, bool with_report,
        const Economics* economics = nullptr);

// A planned run of the scenario: its stand under its regime (or tabled
// alone), valued when the scenario has prices and costs.
Run run_planned(const Scenario& s, const PlannedRun& p, bool with_report);

}  // namespace zireze::batch
