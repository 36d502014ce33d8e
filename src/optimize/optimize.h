// The best regime for a stand: the thinnings (how many, when, how heavy) and
// the felling age that give the most by an objective, within a search space
// of whole years and residual basal areas in tenths of m2/ha. Every candidate
// regime is run by the same runner as `zireze run`, so the optimum re-runs
// to the same figures, bit for bit. Computation only, deterministic.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Relative to this file, so that the installed header finds its neighbours.
#include "../regime/description.h"
#include "../regime/regime.h"
#include "../value/valuation.h"

namespace zireze {

enum class Objective { lev, npv, mai_vol_tot, mai_vol_rol, mai_vol_mad };

// The objective as a scenario file names it ("lev", "npv", "mai_vol_tot", ...).
const char* objective_name(Objective o);
std::optional<Objective> objective_named(std::string_view name);

struct SearchSpace {
  Objective objective = Objective::lev;
  int thinnings = 3;                    // at most this many thinnings in all (0 to 4)
  bool row_thinning = false;            // the first thinning may take one row in 2 to 6
  double earliest_thinning = 12;        // no thinning before this age
  double min_interval = 5;              // years between interventions
  double min_removal = 0.1;             // share of the basal area a thinning removes, at least
  double max_removal = 0.4;             // and at most (a row thinning removes 1/k)
  double min_residual_basal_area = 10;  // m2/ha a selective thinning leaves, at least
  double rotation_min = 30, rotation_max = 70;  // felling ages
};

// What is wrong with a search space: the key and why; empty when it can serve.
struct SpaceProblem {
  std::string key;
  std::string what;
};
std::vector<SpaceProblem> check_space(const SearchSpace& s, bool has_economics);

// Whether the objective needs a stand described as never thinned (whose past
// holds no harvest): the land expectation value and the increments.
bool needs_never_thinned(Objective o);

// The value of a run by the objective; empty where it has none.
std::optional<double> objective_value(const RunValue& v, Objective o);

struct Optimum {
  enum class Status { ok, refused, infeasible };
  Status status = Status::infeasible;
  std::string reason;       // refused: why the stand cannot be searched
  double value = 0;         // ok: the objective's value of the best regime
  std::vector<Step> steps;  // ok: the best regime, ending in the felling
  float rotation_age = 0;   // ok: the felling's age
  int thinnings = 0;        // ok: how many thinnings it has
  long evaluations = 0;     // regimes run
};

// Told how far a search has gone: a share of its work, from 0 to 1.
using SearchProgress = std::function<void(double done)>;

// The best regime in the space for the stand. `references`: regimes to start
// from besides the search's own (a scenario's regimes that lie in the space);
// the optimum is never below any of them.
Optimum optimize_stand(const StandDescription& d, int bark, const Economics& economics,
                       const SearchSpace& space, std::span<const Regime* const> references = {},
                       const SearchProgress& progress = {});

// What a search maximises instead of the space's objective, when given: a
// regime's measure from its states kept for valuing it (the stand as
// described, then each thinning's and the felling's, with their removals);
// empty where it has none.
using Measure = std::function<std::optional<double>(std::span<const State> harvests)>;

// The felling ages of one search: [min, max].
struct Rotation {
  double min, max;
};

// The best regime in the space for each rotation (by `measure` when given):
// without a measure, the optimum optimize_stand finds with the space's
// rotation narrowed to that one, bit for bit. The searches share the states
// their thinnings reach (the windows value different felling ages), so a
// forest plan's best regime for each period of felling costs less than as
// many searches.
std::vector<Optimum> optimize_stand_by_rotation(const StandDescription& d, int bark,
                                                const Economics& economics,
                                                const SearchSpace& space,
                                                std::span<const Rotation> rotations,
                                                std::span<const Regime* const> references = {},
                                                const Measure& measure = {});

}  // namespace zireze
