// The prices and costs of the benchmark workload (the [economics] table of
// bench/make_scenario.py --value), for programs that value regimes without a
// scenario file.
#pragma once

#include "value/valuation.h"

namespace zireze {

inline Economics workload_prices() {
  Economics e;
  e.discount_rate = 0.03;
  e.sawlog = 55;
  e.roundwood = 30;
  e.residue = 2;
  e.thinning = 250;
  e.thinning_per_m3 = 8;
  e.felling = 150;
  e.felling_per_m3 = 6;
  e.annual = 15;
  e.establishment = 1500;
  return e;
}

}  // namespace zireze
