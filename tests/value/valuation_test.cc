#include "value/valuation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace zireze {
namespace {

struct Row {
  Event event;
  float age;
  float tot, rol, mad;  // removed; ignored on other rows
};

std::vector<State> states(const std::vector<Row>& rows) {
  std::vector<State> out;
  for (const Row& r : rows) {
    State s;
    s.step = static_cast<int>(out.size());
    s.event = r.event;
    s.stand.IDADE = r.age;
    if (r.event == Event::thinned || r.event == Event::felled)
      s.removed = Removal{0, 0, r.tot, r.rol, r.mad};
    out.push_back(s);
  }
  return out;
}

// Nine significant digits, as the worked values are given.
void expect_near(std::optional<double> got, double want) {
  ASSERT_TRUE(got);
  EXPECT_NEAR(*got, want, std::fabs(want) * 5e-9);
}

const std::vector<Row> kThinnedThenFelled = {{Event::initial, 20, 0, 0, 0},
                                             {Event::thinned, 20, 30, 20, 5},
                                             {Event::projected, 45, 0, 0, 0},
                                             {Event::felled, 45, 300, 100, 150}};

Economics example_one() {
  Economics e;
  e.discount_rate = 0.03;
  e.sawlog = 50;
  e.roundwood = 30;
  e.residue = 2;
  e.thinning = 200;
  e.thinning_per_m3 = 5;
  e.felling = 100;
  e.felling_per_m3 = 4;
  e.annual = 10;
  e.establishment = 1000;
  e.land_value = 1000;
  return e;
}

TEST(Valuation, WorkedExamplesOfAStandNeverThinned) {
  const std::vector<State> run = states(kThinnedThenFelled);
  const std::optional<RunValue> v = value_run(run, example_one(), true);
  ASSERT_TRUE(v);
  EXPECT_EQ(v->rotation_age, 45);
  expect_near(v->npv, 5255.20589);
  expect_near(v->lev, 2034.45526);
  expect_near(v->irr, 0.0511169006);
  expect_near(v->mai_vol_tot, 7.33333333);
  expect_near(v->mai_vol_rol, 2.66666667);
  expect_near(v->mai_vol_mad, 3.44444444);
  EXPECT_EQ(v->revenue, 11460);
  EXPECT_EQ(v->cost, 1900);
  // The present values add up to the net present value, in their order.
  double sum = 0;
  for (const CashFlow& c : v->cash_flows) sum += c.present_value;
  EXPECT_EQ(sum, v->npv);
  ASSERT_EQ(v->cash_flows.size(), 4u);  // the thinning, the felling, the annual costs, the land
  EXPECT_EQ(v->cash_flows[2].kind, CashFlow::Kind::annual);

  Economics no_rate = example_one();
  no_rate.discount_rate = 0;
  no_rate.land_value = 0;
  const std::optional<RunValue> flat = value_run(run, no_rate, true);
  expect_near(flat->npv, 9560);
  EXPECT_FALSE(flat->lev);
  expect_near(flat->irr, 0.0511169006);
}

TEST(Valuation, AStandEnteredThinnedHasOnlyItsPresentValue) {
  Economics e;
  e.discount_rate = 0.04;
  e.sawlog = 60;
  e.roundwood = 28;
  e.thinning = 300;
  e.thinning_per_m3 = 7.5;
  e.felling = 150;
  e.felling_per_m3 = 6;
  e.annual = 20;
  e.establishment = 1500;
  const std::optional<RunValue> v =
      value_run(states({{Event::initial, 20.6f, 0, 0, 0},
                        {Event::projected, 25.6f, 0, 0, 0},
                        {Event::thinned, 25.6f, 41.25f, 30.5f, 2.75f},
                        {Event::projected, 47.6f, 0, 0, 0},
                        {Event::felled, 47.6f, 251.5f, 60.25f, 170.125f}}),
                e, false);
  ASSERT_TRUE(v);
  EXPECT_EQ(v->rotation_age, 47.6f);
  expect_near(v->npv, 3559.93145);
  EXPECT_FALSE(v->lev || v->irr || v->mai_vol_tot);
  EXPECT_EQ(v->revenue, 12913.5);
  EXPECT_EQ(v->cost, 2808.375);  // 27 whole years of annual costs
  // A run that does not end in a felling has no value.
  EXPECT_FALSE(value_run(states({{Event::initial, 20, 0, 0, 0}}), e, true));
}

// Under a fire hazard p: the net present value is the definitions' sums
// term by term (the closed forms agree with them), and with no annual cost
// and a whole felling age the land expectation value is Reed's identity,
// lev(p, r) = (r + p) / r * lev(0, r') with r' = (r + p) / (1 - p).
TEST(Valuation, UnderAFireHazardTheSumsAndReedsIdentityHold) {
  const std::vector<State> run = states(kThinnedThenFelled);
  for (const double p : {0.005, 0.01, 0.02, 0.1}) {
    for (const double r : {0.01, 0.03, 0.08}) {
      Economics e = example_one();
      e.discount_rate = r;
      e.fire_hazard = p;
      const std::optional<RunValue> v = value_run(run, e, true);
      ASSERT_TRUE(v);
      // a0 = 20: the thinning now; the felling, the land and n = 25 years of
      // annual costs to T = 45.
      const double q = 1 - p, d = 1 / (1 + r);
      double annuity = 0;
      for (int k = 1; k <= 25; ++k) annuity += std::pow(q, k - 1) * std::pow(d, k);
      const double npv = v->cash_flows[0].net + v->cash_flows[1].net * std::pow(q * d, 25) -
                         e.annual * annuity + e.land_value * (std::pow(q * d, 25) + p * annuity);
      EXPECT_NEAR(v->npv, npv, std::fabs(npv) * 1e-12) << p << " " << r;

      e.annual = 0;
      const std::optional<double> lev = value_run(run, e, true)->lev;
      Economics risk_free = e;
      risk_free.fire_hazard = 0;
      risk_free.discount_rate = (r + p) / (1 - p);
      const double reed = (r + p) / r * *value_run(run, risk_free, true)->lev;
      EXPECT_NEAR(*lev, reed, std::fabs(reed) * 1e-9) << p << " " << r;
    }
  }
  // A hazard too small to change q = 1 - p, without discounting: the annual
  // costs are still those of 25 years, not lost to cancellation.
  Economics e = example_one();
  e.discount_rate = 0;
  e.fire_hazard = 1e-300;
  EXPECT_NEAR(value_run(run, e, true)->cash_flows[2].present_value, -250, 1e-9);
}

}  // namespace
}  // namespace zireze
