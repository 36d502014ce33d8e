// The optimiser against exhaustive lattices of its space, stand by stand and
// objective by objective. With `thinnings = 1`: every regime of one selective
// thinning at each whole year from the stand's age, residuals every
// 0.5 m2/ha, and each felling age; with `thinnings = 2`: up to two thinnings
// every third year, residuals every 1 m2/ha, each felling age. The space's
// other bounds (shares removed, least residual, intervals, earliest
// thinning, rotation) hold as in the search. Prints one line a case and ends
// with status 1 if the search is below a lattice anywhere.
//
//   optimizer_lattice THINNINGS AGE SITE_CLASS TREES [AGE SITE_CLASS TREES ...]
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#include "optimize/optimize.h"
#include "regime/regime.h"
#include "value/valuation.h"
#include "workload_prices.h"

namespace {

using namespace zireze;

struct Lattice {
  StandDescription stand;
  SearchSpace space;
  Economics economics = workload_prices();
  int age_step = 1;         // years between the ages a thinning is tried at
  float residual_step = 1;  // m2/ha between the residuals tried
  double best = -INFINITY;

  std::optional<State> step(State& from, Step s, bool last) const {
    StepResult r = take_step(from, s, last, 1, Tables::harvests);
    if (r.refusal || !r.next || !within_range(*r.next)) return std::nullopt;
    return r.next;
  }

  // The path grown by `years` (none when 0); false if the model refuses it.
  bool grow(std::vector<State>& path, float years) const {
    if (years <= 0) return true;
    std::optional<State> grown = step(path.back(), {Step::Kind::grow_by, 0, years}, false);
    if (grown) path.push_back(*grown);
    return grown.has_value();
  }

  void fell_at_every_age(const std::vector<State>& path, int earliest) {
    for (int T = std::max(earliest, int(std::ceil(space.rotation_min))); T <= space.rotation_max;
         ++T) {
      std::vector<State> felled = path;
      if (!grow(felled, float(T) - felled.back().stand.IDADE)) continue;
      std::optional<State> end = step(felled.back(), {Step::Kind::fell, 0, 0}, true);
      if (!end) continue;
      felled.push_back(*end);
      const std::optional<RunValue> v = value_run(felled, economics, stand.never_thinned());
      const std::optional<double> x = v ? objective_value(*v, space.objective) : std::nullopt;
      if (x) best = std::max(best, *x);
    }
  }

  // Every regime from `path` (its last thinning `last` years after the
  // stand's age, or none) with up to `left` thinnings more.
  void search(const std::vector<State>& path, std::optional<int> last, int left) {
    const int a0 = int(stand.age);
    const int gap = int(std::ceil(space.min_interval));
    fell_at_every_age(path, last ? a0 + *last + gap : a0);
    if (left == 0) return;
    for (int k = last ? *last + gap : 0; a0 + k <= space.rotation_max; ++k) {
      if (k % age_step != 0 || a0 + k < space.earliest_thinning) continue;
      std::vector<State> grown = path;
      if (!grow(grown, float(a0 + k) - grown.back().stand.IDADE)) continue;
      const double ba = grown.back().stand.BA;
      for (float residual = space.min_residual_basal_area; residual < ba;
           residual += residual_step) {
        const double share = (ba - residual) / ba;
        if (share < space.min_removal || share > space.max_removal) continue;
        std::vector<State> thinned = grown;
        std::optional<State> after =
            step(thinned.back(), {Step::Kind::selective, 0, residual}, false);
        if (!after) continue;
        thinned.push_back(*after);
        search(thinned, k, left - 1);
      }
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5 || (argc - 2) % 3 != 0) {
    std::fprintf(stderr, "usage: optimizer_lattice THINNINGS AGE SITE_CLASS TREES ...\n");
    return 2;
  }
  const int thinnings = std::atoi(argv[1]);
  int below = 0;
  for (int i = 2; i + 2 < argc; i += 3) {
    for (Objective o :
         {Objective::npv, Objective::lev, Objective::mai_vol_tot, Objective::mai_vol_mad}) {
      Lattice l;
      l.stand.age = float(std::atof(argv[i]));
      l.stand.site_class = float(std::atof(argv[i + 1]));
      l.stand.trees = float(std::atof(argv[i + 2]));
      l.space.objective = o;
      l.space.thinnings = thinnings;
      l.age_step = thinnings == 1 ? 1 : 3;
      l.residual_step = thinnings == 1 ? 0.5f : 1.0f;
      State start;
      start.stand = initial_stand(l.stand);
      l.search({start}, std::nullopt, thinnings);
      const Optimum found = optimize_stand(l.stand, 1, l.economics, l.space);
      const bool ok = found.status == Optimum::Status::ok && found.value >= l.best;
      below += !ok;
      std::printf("%s %s %s %-11s lattice %.6f search %.6f%s\n", argv[i], argv[i + 1], argv[i + 2],
                  objective_name(o), l.best, found.value, ok ? "" : "  BELOW");
    }
  }
  return below ? 1 : 0;
}
