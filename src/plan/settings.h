// The settings of a forest plan: the horizon and its periods, what the plan
// maximises, the flow it holds even from period to period and the other
// forest-wide limits, and how the solver may stop.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zireze {

// A quantity of a plan, per period or over the horizon: the volumes removed
// by thinnings and fellings (m3), the harvests' revenue, the net present value.
enum class PlanQuantity { npv, vol_tot, vol_rol, vol_mad, revenue, none };

// The name a scenario file gives it ("npv", "vol_tot", ..., "none").
const char* quantity_name(PlanQuantity q);
std::optional<PlanQuantity> quantity_named(std::string_view name);

struct PlanSettings {
  int horizon = 30;                            // years from now
  int period = 5;                              // years a period; divides the horizon
  PlanQuantity objective = PlanQuantity::npv;  // npv, vol_tot, vol_rol or vol_mad
  PlanQuantity flow = PlanQuantity::vol_tot;   // vol_tot, vol_rol, vol_mad, revenue or none
  double tolerance = 0.1;      // each period's flow within (1 -+ tolerance) x the one before
  double min_flow = 0;         // each period's flow at least this (0: no bound)
  double max_flow = 0;         // each period's flow at most this (0: no bound)
  double max_felled_area = 0;  // hectares felled a period at most (0: no bound)
  double ending_volume = 0;    // standing vol_tot at the end, at least this share of today's
  bool integer = false;        // one regime a stand (mixed-integer) instead of shares
  double gap = 0.0001;         // integer: the relative gap at which the solver may stop
  double time_limit = 600;     // seconds the solver may take

  int periods() const { return horizon / period; }
};

// What is wrong with a plan's settings: the key and why; empty when they can
// serve. `has_economics`: the scenario gives prices (npv and revenue need them).
struct PlanProblem {
  std::string key;
  std::string what;
};
std::vector<PlanProblem> check_plan(const PlanSettings& p, bool has_economics);

// A stand's area in hectares, as a scenario gives it: greater than 0 and at
// most 1e9. Null when it can serve, else why not.
const char* area_refusal(double hectares);

}  // namespace zireze
