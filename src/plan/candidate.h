// What a candidate regime of a stand brings to a forest plan, per hectare:
// its harvests period by period, whether and when it fells, the volume it
// leaves standing at the horizon's end, and its coefficient in the plan's
// objective. Worked out from the states of its run as `zireze run` writes
// them, and from its value; and the regimes the plan searches for, one a
// period of felling. Computation only.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

// Relative to this file, so that the installed header finds its neighbours.
#include "../optimize/optimize.h"
#include "../regime/regime.h"
#include "../value/valuation.h"
#include "settings.h"

namespace zireze {

// The year of the plan an age falls in (year 0 is now, the stand's age a0):
// floor(age - a0 + 0.001), robust to single-precision ages.
int plan_year(float age, float a0);

// The period of a year, from 1; empty beyond the horizon.
std::optional<int> plan_period(int year, const PlanSettings& p);

// The volume of a quantity's assortment among removed volumes (vol_tot for
// a quantity that is not one).
template <typename Volumes>
double assortment(const Volumes& v, PlanQuantity q) {
  return q == PlanQuantity::vol_rol   ? v.vol_rol
         : q == PlanQuantity::vol_mad ? v.vol_mad
                                      : v.vol_tot;
}

// A candidate's harvests in one period, per hectare, undiscounted.
struct PeriodHarvest {
  double vol_tot = 0, vol_rol = 0, vol_mad = 0;  // m3/ha removed (removed_vol_*)
  double revenue = 0, cost = 0;  // the harvests' cash flows (runs that end in a felling)
  int thinnings = 0;
};

struct CandidateFigures {
  std::vector<PeriodHarvest> periods;  // periods 1 to P, in order
  std::optional<int> felling_period;   // the felling's period, when within the horizon
  double ending_vol_tot = 0;           // m3/ha standing at the horizon's end
  double coefficient = 0;              // per hectare, in the plan's objective

  // The quantity the plan holds even (vol_tot when it holds none), in period k from 1.
  double flow(int k, PlanQuantity q) const {
    const PeriodHarvest& h = periods[static_cast<std::size_t>(k - 1)];
    return q == PlanQuantity::revenue ? h.revenue : assortment(h, q);
  }
};

// The figures of a run that took every step, from its states (each with its
// table) and its value (empty without prices or without a felling). Empty,
// with `why` set, where the plan cannot use it: it has no value and the
// objective or the flow needs one, or its stand projected to the horizon's
// end leaves the model's range.
std::optional<CandidateFigures> candidate_figures(std::span<const State> states,
                                                  const std::optional<RunValue>& value,
                                                  const PlanSettings& p, int bark,
                                                  std::string& why);

// A regime the plan searched for a stand: `fell-K`, the best whose felling
// falls in period K, or `fell-later`, the best that fells beyond the horizon.
struct SearchedRegime {
  std::string id;
  Optimum optimum;
};

// For each period, and beyond the horizon, the best regime of the space whose
// felling falls there: by npv for the objective npv, else by the volume its
// harvests remove within the horizon. Each is the search of `zireze optimize`
// with the rotation narrowed to the ages of its window (the space's rotation
// within the window's whole years); `references` start searches as there.
// Windows the space's rotation leaves empty, and those with no regime, are
// left out.
std::vector<SearchedRegime> search_candidates(const StandDescription& d, int bark,
                                              const Economics& e, const SearchSpace& space,
                                              const PlanSettings& p,
                                              std::span<const Regime* const> references);

}  // namespace zireze
