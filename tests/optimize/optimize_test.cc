#include "optimize/optimize.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "bench/workload_prices.h"

namespace zireze {
namespace {

StandDescription stand(float age, float site_class, float trees) {
  StandDescription d;
  d.age = age;
  d.site_class = site_class;
  d.trees = trees;
  return d;
}

// The value of a regime run by the runner every front end uses.
double value_of(const StandDescription& d, const std::vector<Step>& steps, Objective o,
                const Economics& prices = workload_prices()) {
  StatesKept kept;
  const RunEnd end = run_regime(d, steps, 1, Tables::every_state, kept);
  if (end.refusal || end.out_of_range_step) return -INFINITY;
  const std::optional<RunValue> v = value_run(kept.states, prices, d.never_thinned());
  const std::optional<double> x = v ? objective_value(*v, o) : std::nullopt;
  return x ? *x : -INFINITY;
}

// With one thinning, the optimum is at least the best of the lattice of
// every year, residuals every 0.5 m2/ha and every felling age of the space,
// and it re-runs to its value bit for bit.
TEST(Optimize, OneThinningBeatsTheLatticeAndReRunsToItsValue) {
  const StandDescription d = stand(22, 14, 900);
  SearchSpace space;
  space.objective = Objective::npv;
  space.thinnings = 1;
  const Optimum o = optimize_stand(d, 1, workload_prices(), space);
  ASSERT_EQ(o.status, Optimum::Status::ok);
  EXPECT_EQ(value_of(d, o.steps, space.objective), o.value);

  State start;
  start.stand = initial_stand(d);
  double lattice = -INFINITY;
  for (int k = 0; k <= 43; ++k) {
    State grown = start;
    if (k > 0)
      grown =
          *take_step(grown, {Step::Kind::grow_by, 0, float(k)}, false, 1, Tables::harvests).next;
    for (int half = 20; half < 2 * grown.stand.BA; ++half) {
      const float residual = half * 0.5f;
      const double share = (grown.stand.BA - double{residual}) / grown.stand.BA;
      if (share < space.min_removal || share > space.max_removal) continue;
      for (int T = std::max(k + 5, 30 - 22); T <= 70 - 22; ++T) {
        const std::vector<Step> steps = {{Step::Kind::grow_by, 0, float(k)},
                                         {Step::Kind::selective, 0, residual},
                                         {Step::Kind::grow_by, 0, float(T - k)},
                                         {Step::Kind::fell, 0, 0}};
        lattice = std::max(lattice,
                           value_of(d, k > 0 ? steps : std::vector(steps.begin() + 1, steps.end()),
                                    space.objective));
      }
    }
  }
  EXPECT_GE(o.value, lattice);
}

// A stand whose best regime of the lattice of every third year and whole
// m2/ha (two light thinnings, the second late, felling near the end of a
// short rotation) lies in a basin the search once never started in.
TEST(Optimize, TwoThinningsReachTheBasinOfALateLightSecondThinning) {
  const StandDescription d = stand(15, 19, 1616);
  const Economics prices{.discount_rate = 0.04,
                         .sawlog = 53.9,
                         .roundwood = 26.1,
                         .residue = 2,
                         .thinning = 150,
                         .thinning_per_m3 = 8,
                         .felling = 150,
                         .felling_per_m3 = 6,
                         .annual = 10,
                         .establishment = 1500};
  SearchSpace space;
  space.objective = Objective::npv;
  space.thinnings = 2;
  space.earliest_thinning = 15;
  space.rotation_min = 28;
  space.rotation_max = 41;
  const Optimum o = optimize_stand(d, 1, prices, space);
  ASSERT_EQ(o.status, Optimum::Status::ok);
  EXPECT_EQ(value_of(d, o.steps, space.objective, prices), o.value);
  const std::vector<Step> lattice_best = {
      {Step::Kind::grow_by, 0, 9},    {Step::Kind::selective, 0, 33}, {Step::Kind::grow_by, 0, 11},
      {Step::Kind::selective, 0, 40}, {Step::Kind::grow_by, 0, 5},    {Step::Kind::fell, 0, 0}};
  EXPECT_GE(o.value, value_of(d, lattice_best, space.objective, prices));
}

TEST(Optimize, RefusesWhatItCannotValueAndFindsNothingOutsideTheSpace) {
  StandDescription thinned = stand(25, 14, 0);
  thinned.trees.reset();
  thinned.weibull = WeibullDescription{1000, 5, 10, 2};
  SearchSpace space;  // lev: a stand entered thinned has no land expectation value
  EXPECT_EQ(optimize_stand(thinned, 1, workload_prices(), space).status, Optimum::Status::refused);
  space.objective = Objective::npv;
  space.rotation_min = 10;
  space.rotation_max = 20;  // every felling age below the stand's
  const Optimum none = optimize_stand(thinned, 1, workload_prices(), space);
  EXPECT_EQ(none.status, Optimum::Status::infeasible);
  EXPECT_TRUE(none.steps.empty());
  // Ages and residuals far beyond any of the space: nothing found, and no
  // whole number of years or tenths out of an int's range on the way.
  const Regime far{"far",
                   {{Step::Kind::grow_to, 0, 1e30f},
                    {Step::Kind::selective, 0, 1e30f},
                    {Step::Kind::grow_by, 0, 5},
                    {Step::Kind::fell, 0, 0}},
                   {}};
  const Regime* references[] = {&far};
  space.rotation_max = 1000;
  EXPECT_EQ(optimize_stand(stand(3e9f, 14, 900), 1, workload_prices(), space, references).status,
            Optimum::Status::infeasible);
}

// A scenario's regime inside the space starts a search: the optimum is
// never below it.
TEST(Optimize, NeverBelowARegimeOfTheSpaceItIsGiven) {
  const StandDescription d = stand(18, 20, 2000);
  SearchSpace space;
  space.objective = Objective::mai_vol_mad;
  space.thinnings = 2;
  const Regime mine{"mine",
                    {{Step::Kind::grow_by, 0, 10},
                     {Step::Kind::selective, 0, 27.5f},
                     {Step::Kind::grow_by, 0, 20},
                     {Step::Kind::selective, 0, 33.0f},
                     {Step::Kind::grow_by, 0, 12},
                     {Step::Kind::fell, 0, 0}},
                    {}};
  const Regime* references[] = {&mine};
  const Optimum o = optimize_stand(d, 1, workload_prices(), space, references);
  EXPECT_GE(o.value, value_of(d, mine.steps, space.objective));
  EXPECT_LE(o.thinnings, 2);
}

// One search over a stand's windows of felling ages finds in each the
// optimum of a search of its own with the rotation narrowed to it, bit for
// bit, valuing the same regimes; a window no regime fells in has none, and a
// refusal holds for every window.
TEST(Optimize, WindowsSharingOneSearchFindEachItsOwnOptimum) {
  const StandDescription d = stand(18, 16, 1400);
  SearchSpace space;
  space.objective = Objective::npv;
  space.thinnings = 2;
  const std::vector<Rotation> windows = {{29.5, 34.5}, {34.5, 39.5}, {39.5, 70}, {10, 17}};
  const std::vector<Optimum> shared =
      optimize_stand_by_rotation(d, 1, workload_prices(), space, windows);
  ASSERT_EQ(shared.size(), windows.size());
  for (std::size_t i = 0; i < windows.size(); ++i) {
    SearchSpace narrowed = space;
    narrowed.rotation_min = windows[i].min;
    narrowed.rotation_max = windows[i].max;
    const Optimum alone = optimize_stand(d, 1, workload_prices(), narrowed);
    ASSERT_EQ(shared[i].status, alone.status) << i;
    EXPECT_EQ(shared[i].value, alone.value) << i;
    EXPECT_EQ(shared[i].rotation_age, alone.rotation_age) << i;
    EXPECT_EQ(shared[i].evaluations, alone.evaluations) << i;
  }
  EXPECT_EQ(shared.back().status, Optimum::Status::infeasible);  // every age below the stand's

  space.objective = Objective::lev;  // a stand entered thinned has no lev
  StandDescription thinned = stand(25, 14, 0);
  thinned.trees.reset();
  thinned.weibull = WeibullDescription{1000, 5, 10, 2};
  for (const Optimum& o : optimize_stand_by_rotation(thinned, 1, workload_prices(), space, windows))
    EXPECT_EQ(o.status, Optimum::Status::refused);
}

}  // namespace
}  // namespace zireze
