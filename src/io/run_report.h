// The report the dialogue would write for a stand taken through a regime's
// steps, written as the run reaches each state: the title block and the
// description of the stand, each thinning's line, each stand's heading and
// table. The felling, which the dialogue does not have, adds nothing.
#pragma once

#include "io/unit.h"
#include "regime/regime.h"

namespace zireze::io {

class RunReport : public RunObserver {
 public:
  // `complaints`: the gamma function's, as the run's first state is made
  // (filled in before that state is reached). Every state needs its table.
  RunReport(Units out, const StandDescription& d, const GammaComplaints& complaints)
      : out_(out), description_(d), complaints_(complaints) {}

  void reached(const State& s, const Step* step) override;

 private:
  void describe();
  Units out_;
  const StandDescription& description_;
  const GammaComplaints& complaints_;
};

}  // namespace zireze::io
