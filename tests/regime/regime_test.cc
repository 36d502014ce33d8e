#include "regime/regime.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "regime/ordered.h"

namespace zireze {
namespace {

StandDescription stand() {
  StandDescription d;
  d.age = 18;
  d.site_class = 16;
  d.trees = 1800;
  return d;
}

const std::vector<Step> kRegime = {
    {Step::Kind::rows, 3, 0},       {Step::Kind::grow_to, 0, 25},   {Step::Kind::selective, 0, 18},
    {Step::Kind::selective, 0, 15}, {Step::Kind::grow_by, 0, 7.5f}, {Step::Kind::grow_to, 0, 40},
};

void expect_same_stand(const State& a, const State& b) {
  EXPECT_EQ(a.step, b.step);
  EXPECT_EQ(a.event, b.event);
  for (auto m : {&Stand::IDADE, &Stand::SI, &Stand::HD, &Stand::TS, &Stand::BA, &Stand::DMIN,
                 &Stand::A, &Stand::B, &Stand::C})
    EXPECT_EQ(a.stand.*m, b.stand.*m);
  ASSERT_EQ(a.removed.has_value(), b.removed.has_value());
  if (a.removed) {
    for (auto m :
         {&Removal::ts, &Removal::ba, &Removal::vol_tot, &Removal::vol_rol, &Removal::vol_mad})
      EXPECT_EQ((*a.removed).*m, (*b.removed).*m);
  }
}

// A search tables only where something is harvested, and starts regimes
// from states it has reached before: the figures must be those of a run
// that tables every state from the start.
TEST(RegimeRunner, TablesOnlyAtHarvestsAndFromAStateReachedGiveTheSameFigures) {
  StatesKept every, harvests, resumed;
  const RunEnd end = run_regime(stand(), kRegime, 1, Tables::every_state, every);
  EXPECT_EQ(end.refusal, nullptr);
  run_regime(stand(), kRegime, 1, Tables::harvests, harvests);
  run_regime(every.states[2], std::span(kRegime).subspan(2), 1, Tables::harvests, resumed);
  ASSERT_EQ(every.states.size(), kRegime.size() + 1);
  ASSERT_EQ(harvests.states.size(), every.states.size());
  ASSERT_EQ(resumed.states.size(), kRegime.size() - 2);
  for (std::size_t i = 0; i < every.states.size(); ++i) {
    expect_same_stand(every.states[i], harvests.states[i]);
    if (i >= 3) expect_same_stand(every.states[i], resumed.states[i - 3]);
  }
  EXPECT_FALSE(harvests.states[2].table);  // projected, not yet thinned from when it was kept
  EXPECT_TRUE(harvests.states[3].table);
  EXPECT_FLOAT_EQ(every.states[5].stand.IDADE, 32.5f);  // grown by 7.5 from 25
}

// A regime built by code is checked as a scenario's is: a row thinning
// outside one row in 2 to 6 would otherwise take nothing out.
TEST(RegimeRunner, RefusesAStepTheModelCannotTakeWhereItStands) {
  for (const auto& [steps, reason] : std::vector<std::pair<std::vector<Step>, std::string>>{
           {{{Step::Kind::rows, 7, 0}}, "a row thinning takes one_in = 2 to 6"},
           {{{Step::Kind::grow_by, 0, -1}}, "grow_by takes a number of years"},
           {{{Step::Kind::fell, 0, 0}, {Step::Kind::grow_to, 0, 30}}, "the final felling can only"},
           {{{Step::Kind::grow_to, 0, 30}, {Step::Kind::grow_to, 0, 29}},
            "A IDADE DE PROJECCAO NAO PODE SER INFERIOR"},
           {{{Step::Kind::selective, 0, 500}}, "A AREA BASAL RESIDUAL TEM DE SER"}}) {
    StatesKept kept;
    const RunEnd end = run_regime(stand(), steps, 1, Tables::every_state, kept);
    ASSERT_NE(end.refusal, nullptr);
    EXPECT_TRUE(std::string(end.refusal).starts_with(reason)) << end.refusal;
    EXPECT_EQ(end.refused_step, static_cast<int>(kept.states.size()));
  }
}

TEST(StandDescription, TellsWhatIsMissingAndEveryValueRefusedInOrder) {
  StandDescription d;
  d.age = 0;
  d.site_class = 16;
  d.dominant_height = 12;
  d.weibull = WeibullDescription{900, -1, 10, 0};
  d.trees = 900;
  std::vector<std::string> told;
  for (const DescriptionProblem& p : check_description(d))
    told.push_back(std::string(p.group) + "/" + std::string(p.key) + ": " + p.what);
  EXPECT_EQ(told, (std::vector<std::string>{
                      "/age: A IDADE TEM DE SER MAIOR QUE ZERO",
                      "/: give site_class or dominant_height, not both",
                      "/trees: trees is not used by a Weibull stand",
                      "weibull/a: NAO PODE SER NEGATIVO",
                      "weibull/c: TEM DE SER MAIOR QUE ZERO",
                  }));
  StandDescription counts = stand();
  counts.trees.reset();
  counts.counts = std::vector<float>(51, 10.0f);
  counts.counts->push_back(-9);  // ends the classes: 51 remain, one too many
  ASSERT_EQ(check_description(counts).size(), 1u);
  EXPECT_EQ(check_description(counts)[0].what, "at most 50 classes (the last centred on 250 cm)");
}

// Any number of threads hands the results over in the items' order; an
// exception stops the threads and reaches the caller; an absurd number of
// jobs starts no more threads than items.
TEST(RunInOrder, SameOrderForAnyNumberOfThreadsAndFailuresReachTheCaller) {
  for (int jobs : {1, 3, 2000000000}) {
    std::vector<std::size_t> order;
    run_in_order<std::size_t>(
        80, jobs, [](std::size_t i) { return i * i; },
        [&](std::size_t&& x) { order.push_back(x); });
    ASSERT_EQ(order.size(), 80u);
    EXPECT_EQ(order[79], 79u * 79u);
  }
  EXPECT_THROW(run_in_order<int>(
                   40, 3, [](std::size_t) { return 0; },
                   [](int&&) { throw std::runtime_error("disk full"); }),
               std::runtime_error);
}

}  // namespace
}  // namespace zireze
