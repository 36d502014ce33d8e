// The optimiser against exhaustive lattices of its space. Two kinds of cases:
//
//   optimizer_lattice THINNINGS AGE SITE_CLASS TREES [AGE SITE_CLASS TREES ...]
//     the given stands under four objectives, the benchmark workload's prices
//     and the default space otherwise. With `thinnings = 1`: every regime of
//     one selective thinning at each whole year from the stand's age,
//     residuals every 0.5 m2/ha, and each felling age; with `thinnings = 2`:
//     up to two thinnings every third year, residuals every 1 m2/ha, each
//     felling age.
//   optimizer_lattice THINNINGS --random SEED COUNT
//     COUNT cases drawn from SEED: a stand, a search space (objective,
//     earliest thinning, interval, shares removed, least residual, rotation)
//     and prices each. The lattice: up to THINNINGS thinnings, the first every
//     third year from the stand's age, each later one every third year from
//     the interval after the one before; residuals every 1 m2/ha from the
//     least; felling ages every third year from the rotation's first.
//
// The space's other bounds (shares removed, least residual, intervals,
// earliest thinning, rotation) hold as in the search. Prints one line a case
// (a random case also as the scenario that repeats it, when the search is
// below) and ends with status 1 if the search is below a lattice anywhere.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
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
  // Years between the ages a thinning is tried at, counted from the stand's
  // age or, for a later thinning with `later_from_gap`, from the interval
  // after the one before.
  int age_step = 1;
  bool later_from_gap = false;
  float residual_step = 1;  // m2/ha between the residuals tried
  int felling_step = 1;     // years between the felling ages tried, from the rotation's first
  double best = -INFINITY;
  std::vector<std::string> best_regime;  // "thin at 24 to 33", ..., "fell at 40"

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

  void fell_at_every_age(const std::vector<State>& path, int earliest,
                         std::vector<std::string>& regime) {
    const int first = int(std::ceil(space.rotation_min));
    for (int T = first; T <= space.rotation_max; T += felling_step) {
      if (T < earliest) continue;
      std::vector<State> felled = path;
      if (!grow(felled, float(T) - felled.back().stand.IDADE)) continue;
      std::optional<State> end = step(felled.back(), {Step::Kind::fell, 0, 0}, true);
      if (!end) continue;
      felled.push_back(*end);
      const std::optional<RunValue> v = value_run(felled, economics, stand.never_thinned());
      const std::optional<double> x = v ? objective_value(*v, space.objective) : std::nullopt;
      if (x && *x > best) {
        best = *x;
        best_regime = regime;
        best_regime.push_back("fell at " + std::to_string(T));
      }
    }
  }

  // Every regime from `path` (its last thinning `last` years after the
  // stand's age, or none) with up to `left` thinnings more.
  void search(const std::vector<State>& path, std::optional<int> last, int left,
              std::vector<std::string>& regime) {
    const int a0 = int(stand.age);
    const int gap = int(std::ceil(space.min_interval));
    fell_at_every_age(path, last ? a0 + *last + gap : a0, regime);
    if (left == 0) return;
    const int from = last ? *last + gap : 0;
    for (int k = from; a0 + k <= space.rotation_max; ++k) {
      const int counted = last && later_from_gap ? k - from : k;
      if (counted % age_step != 0 || a0 + k < space.earliest_thinning) continue;
      std::vector<State> grown = path;
      if (!grow(grown, float(a0 + k) - grown.back().stand.IDADE)) continue;
      const double ba = grown.back().stand.BA;
      for (int i = 0;; ++i) {
        const float residual = float(space.min_residual_basal_area) + float(i) * residual_step;
        if (!(residual < ba)) break;
        const double share = (ba - residual) / ba;
        if (share < space.min_removal || share > space.max_removal) continue;
        std::vector<State> thinned = grown;
        std::optional<State> after =
            step(thinned.back(), {Step::Kind::selective, 0, residual}, false);
        if (!after) continue;
        thinned.push_back(*after);
        char what[64];
        std::snprintf(what, sizeof what, "thin at %d to %g", a0 + k, double(residual));
        regime.push_back(what);
        search(thinned, k, left - 1, regime);
        regime.pop_back();
      }
    }
  }

  void run() {
    State start;
    start.stand = initial_stand(stand);
    std::vector<std::string> regime;
    search({start}, std::nullopt, space.thinnings, regime);
  }
};

// A case drawn from the seed: uniform numbers from a 64-bit Mersenne twister
// (its sequence is fixed by the standard; the library's distributions are
// not), rounded as a user would type them.
class Draw {
 public:
  explicit Draw(std::uint64_t seed) : rng_(seed) {}
  double uniform(double lo, double hi) { return lo + (hi - lo) * double(rng_() >> 11) * 0x1.0p-53; }
  double rounded(double lo, double hi, double unit) {
    return std::round(uniform(lo, hi) / unit) * unit;
  }
  int integer(int lo, int hi) { return lo + int(rng_() % std::uint64_t(hi - lo + 1)); }

 private:
  std::mt19937_64 rng_;
};

// A stand, a search space and prices drawn from `d`, with the lattice of
// every third year and whole m2/ha.
Lattice random_case(Draw& d, int thinnings) {
  Lattice l;
  l.stand.age = float(d.integer(10, 30));
  l.stand.site_class = float(d.integer(8, 24));
  l.stand.trees = float(d.integer(600, 3000));
  SearchSpace& s = l.space;
  constexpr Objective kObjectives[] = {Objective::npv, Objective::lev, Objective::mai_vol_tot,
                                       Objective::mai_vol_rol, Objective::mai_vol_mad};
  s.objective = kObjectives[d.integer(0, 4)];
  s.thinnings = thinnings;
  s.earliest_thinning = l.stand.age + d.integer(-5, 8);
  s.min_interval = d.integer(3, 8);
  s.min_removal = d.rounded(0.05, 0.2, 0.01);
  s.max_removal = s.min_removal + d.rounded(0.15, 0.35, 0.01);
  s.min_residual_basal_area = d.rounded(6, 16, 0.5);
  s.rotation_min = l.stand.age + d.integer(5, 20);
  s.rotation_max = s.rotation_min + d.integer(8, 35);
  Economics& e = l.economics;
  e.discount_rate = d.rounded(0.015, 0.06, 0.001);
  e.sawlog = d.rounded(40, 70, 0.1);
  e.roundwood = d.rounded(18, 35, 0.1);
  e.residue = d.rounded(0, 5, 0.1);
  e.thinning = d.rounded(80, 300, 10);
  e.thinning_per_m3 = d.rounded(4, 11, 0.5);
  e.felling = d.rounded(100, 250, 10);
  e.felling_per_m3 = d.rounded(4, 8, 0.5);
  e.annual = d.rounded(5, 20, 1);
  e.establishment = d.rounded(1000, 2000, 50);
  l.age_step = 3;
  l.later_from_gap = true;
  l.residual_step = 1;
  l.felling_step = 3;
  return l;
}

// The scenario that repeats a case with `zireze optimize`.
void print_scenario(const Lattice& l) {
  const Economics& e = l.economics;
  const SearchSpace& s = l.space;
  std::printf(
      "    bark = true\n    [[stand]]\n    id = \"case\"\n    age = %g\n    site_class = %g\n"
      "    trees = %g\n    [economics]\n    discount_rate = %g\n    sawlog = %g\n"
      "    roundwood = %g\n    residue = %g\n    thinning = %g\n    thinning_per_m3 = %g\n"
      "    felling = %g\n    felling_per_m3 = %g\n    annual = %g\n    establishment = %g\n"
      "    [optimize]\n    objective = \"%s\"\n    thinnings = %d\n    row_thinning = false\n"
      "    earliest_thinning = %g\n    min_interval = %g\n    min_removal = %g\n"
      "    max_removal = %g\n    min_residual_basal_area = %g\n    rotation = [%g, %g]\n",
      double(l.stand.age), double(*l.stand.site_class), double(*l.stand.trees), e.discount_rate,
      e.sawlog, e.roundwood, e.residue, e.thinning, e.thinning_per_m3, e.felling, e.felling_per_m3,
      e.annual, e.establishment, objective_name(s.objective), s.thinnings, s.earliest_thinning,
      s.min_interval, s.min_removal, s.max_removal, s.min_residual_basal_area, s.rotation_min,
      s.rotation_max);
}

// The cases checked, those where the search is below the lattice, and the
// search's regimes and time.
struct Tally {
  int cases = 0, below = 0, empty = 0;  // empty: no regime of the lattice runs
  long evaluations = 0;
  double seconds = 0;
};

// Searches the case, prints its line; true when the search is at least the
// lattice's best.
bool check(Lattice& l, const char* name, Tally& tally) {
  l.run();
  const auto t0 = std::chrono::steady_clock::now();
  const Optimum found = optimize_stand(l.stand, 1, l.economics, l.space);
  tally.seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  tally.evaluations += found.evaluations;
  ++tally.cases;
  // A lattice with no regime in the space holds nothing to be below.
  const bool empty = l.best == -INFINITY;
  const bool ok = empty || (found.status == Optimum::Status::ok && found.value >= l.best);
  tally.below += !ok;
  tally.empty += empty;
  std::printf("%s %-11s lattice %.6f search %.6f (%ld regimes)%s\n", name,
              objective_name(l.space.objective), l.best, found.value, found.evaluations,
              ok ? "" : "  BELOW");
  return ok;
}

int usage() {
  std::fprintf(stderr,
               "usage: optimizer_lattice THINNINGS AGE SITE_CLASS TREES ...\n"
               "       optimizer_lattice THINNINGS --random SEED COUNT [WINDOW]\n"
               "WINDOW: the rotation narrowed to that many whole years from its first, as a\n"
               "forest plan narrows it to a period\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage();
  const int thinnings = std::atoi(argv[1]);
  Tally tally;
  if (std::string(argv[2]) == "--random") {
    if (argc != 5 && argc != 6) return usage();
    Draw draw(std::strtoull(argv[3], nullptr, 10));
    const int count = std::atoi(argv[4]);
    const int window = argc == 6 ? std::atoi(argv[5]) : 0;
    for (int i = 0; i < count; ++i) {
      Lattice l = random_case(draw, thinnings);
      if (window > 0) l.space.rotation_max = l.space.rotation_min + window - 1;
      char name[80];
      std::snprintf(name, sizeof name, "%3d: %g %g %g", i, double(l.stand.age),
                    double(*l.stand.site_class), double(*l.stand.trees));
      if (!check(l, name, tally)) {
        for (const std::string& s : l.best_regime) std::printf("    lattice: %s\n", s.c_str());
        print_scenario(l);
      }
    }
  } else {
    if (argc < 5 || (argc - 2) % 3 != 0) return usage();
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
        const std::string name = std::string(argv[i]) + " " + argv[i + 1] + " " + argv[i + 2];
        check(l, name.c_str(), tally);
      }
    }
  }
  std::printf(
      "%d of %d at least the lattice (%d with no regime on the lattice); search %.0f regimes and "
      "%.3f s a case\n",
      tally.cases - tally.below, tally.cases, tally.empty, double(tally.evaluations) / tally.cases,
      tally.seconds / tally.cases);
  return tally.below ? 1 : 0;
}
