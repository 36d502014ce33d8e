// What a run is worth: its cash flows (each harvest's revenue and cost, the
// annual costs, the bare land after the felling) with their present values,
// and from them the net present value, the land expectation value
// (Faustmann; Reed's under a fire hazard), the internal rate of return and
// the mean annual increments. A fire arriving at random ends the rotation
// and leaves nothing to sell: every sum counts with the probability that the
// stand lives to it.
// Money is worked out in double precision from the model's single-precision
// figures, in a fixed order, so the same run gives the same bytes everywhere.
#pragma once

#include <optional>
#include <span>
#include <vector>

// Relative to this file, so that the installed header finds its neighbours.
#include "../regime/regime.h"

namespace zireze {

// Prices and costs in one currency per hectare; the discount rate a fraction
// per year. Every value 0 unless given.
struct Economics {
  double discount_rate = 0;
  double sawlog = 0;           // per m3 of VOL.MAD. (stump to the 20-cm top)
  double roundwood = 0;        // per m3 of VOL.ROL. (20-cm to 7-cm top)
  double residue = 0;          // per m3 of the rest of the stem: VOL.TOT. - VOL.ROL. - VOL.MAD.
  double thinning = 0;         // each thinning
  double thinning_per_m3 = 0;  // per m3 of VOL.TOT. a thinning removes
  double felling = 0;          // the final felling
  double felling_per_m3 = 0;   // per m3 of VOL.TOT. felled
  double annual = 0;           // per year (management, protection)
  double establishment = 0;    // planting at age 0 (land expectation value and return only)
  double land_value = 0;       // the bare land after the felling or a fire (net present value only)
  double fire_hazard = 0;      // the probability a year that a fire destroys the stand, [0, 1)
};

// Why a value cannot serve, in the scenario file's words; null when it can.
// The discount rate is a fraction from 0 to 0.5; prices and costs are not
// negative; the fire hazard is a probability from 0 to below 1; every value
// is a number.
const char* discount_rate_refusal(double r);
const char* money_refusal(double x);
const char* fire_hazard_refusal(double p);

struct CashFlow {
  enum class Kind { thinning, felling, annual, land };
  Kind kind;
  int step;    // the state it comes from (thinnings and the felling; 0 otherwise)
  double age;  // when it falls (the felling's age for the land; not used for annual costs)
  double revenue;
  double cost;
  double net;            // revenue - cost
  double present_value;  // at the stand's age at step 0, with the odds it is not burnt
};

struct RunValue {
  double rotation_age;  // the felling's age
  double npv;           // the sum of the cash flows' present values, in their order
  // For a stand described as never thinned, whose past holds no harvest:
  std::optional<double> lev, irr, mai_vol_tot, mai_vol_rol, mai_vol_mad;
  double revenue;  // undiscounted: the harvests' revenues
  double cost;     // undiscounted: the harvests' costs and the annual costs from step 0 on
  std::vector<CashFlow> cash_flows;
};

// The value of a run whose last state is the felling: its states from the
// first, each thinning's and the felling's with their removals. Empty for a
// run that does not end in a felling. `never_thinned`: the stand was
// described as never thinned (live trees, basal area or trees planted).
std::optional<RunValue> value_run(std::span<const State> states, const Economics& e,
                                  bool never_thinned);

}  // namespace zireze
