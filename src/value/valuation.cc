#include "valuation.h"

#include <cmath>

namespace zireze {

const char* discount_rate_refusal(double r) {
  if (r >= 0 && r <= 0.5) return nullptr;
  return "the discount rate is a fraction per year from 0 to 0.5 (0.03 for 3 %)";
}

const char* money_refusal(double x) {
  return x >= 0 ? nullptr : "prices and costs cannot be negative";
}

const char* fire_hazard_refusal(double p) {
  if (p >= 0 && p < 1) return nullptr;
  return "the fire hazard is a probability a year from 0 to below 1 (0.01 for 1 %)";
}

namespace {

// (1 + r)^-years: what a sum `years` from now is worth now.
double discount(double r, double years) { return std::pow(1.0 + r, -years); }

// q^years (q = 1 - p): the probability that the stand lives `years` under
// the hazard p, whatever the discount rate.
double survival(double p, double years) { return p == 0 ? 1.0 : std::pow(1.0 - p, years); }

// Discounting at rate r where a fire (probability p a year) may end the
// rotation first: a sum counts with the probability q^years (q = 1 - p) that
// the stand lives to it. With no hazard every factor is the discounting
// without risk, to the last bit, at no extra cost.
struct Discounting {
  double r, p;

  Discounting(double rate, const Economics& e) : r(rate), p(e.fire_hazard) {}

  double lives(double years) const { return survival(p, years); }

  // q^years (1 + r)^-years: a sum `years` from now if the stand still stands,
  // given q^years.
  double at(double years, double q_years) const {
    return p == 0 ? discount(r, years) : q_years * discount(r, years);
  }
  double at(double years) const { return at(years, lives(years)); }

  // S(n), the sum for k = 1 .. n of q^(k-1) (1 + r)^-k: 1 paid at the end of
  // each of n years if the stand stood at the year's start, as the geometric
  // series' closed form (1 - q^n (1 + r)^-n) / (r + p); n where r + p is 0.
  // With a hazard the numerator is -expm1(n (log(1 - p) - log(1 + r))): a
  // small r + p would leave 1 - q^n (1 + r)^-n few digits or none (q is 1
  // once p is below 1e-16).
  double annuity(double n) const {
    if (r + p == 0) return n;
    if (p == 0) return (1.0 - discount(r, n)) / r;
    return -std::expm1(n * (std::log1p(-p) - std::log1p(r))) / (r + p);
  }

  // The bare land, back after the felling `years` from now or at the end of
  // the year a fire burns the stand in, within the n whole years before:
  // q^years (1 + r)^-years + p S(n). No fire term without a hazard.
  double bare_land(double years, double n) const {
    return p == 0 ? at(years) : at(years) + p * annuity(n);
  }
};

// Whole years, robust to single-precision ages: 47.6 - 20.6 is 26.9999981.
double whole_years(double years) { return std::floor(years + 0.001); }

CashFlow harvest(const State& s, const Economics& e, const Discounting& d, double a0) {
  const double tot = s.removed->vol_tot, rol = s.removed->vol_rol, mad = s.removed->vol_mad;
  const bool felling = s.event == Event::felled;
  CashFlow c{};
  c.kind = felling ? CashFlow::Kind::felling : CashFlow::Kind::thinning;
  c.step = s.step;
  c.age = s.stand.IDADE;
  c.revenue = e.sawlog * mad + e.roundwood * rol + e.residue * (tot - rol - mad);
  c.cost = felling ? e.felling + e.felling_per_m3 * tot : e.thinning + e.thinning_per_m3 * tot;
  c.net = c.revenue - c.cost;
  c.present_value = c.net * d.at(c.age - a0);
  return c;
}

// The value of the harvests at age 0, at a rate, less the planting and the
// annual costs from age 0: what the land expectation value and the internal
// rate of return are worked out from. The odds that the stand lives to each
// sum do not depend on the rate: they are worked out once for the bisection.
class ValueAtPlanting {
 public:
  ValueAtPlanting(const RunValue& v, const Economics& e)
      : e_(e), years_(whole_years(v.rotation_age)) {
    for (const CashFlow& c : v.cash_flows)
      if (c.kind == CashFlow::Kind::thinning || c.kind == CashFlow::Kind::felling)
        harvests_.push_back({c.net, c.age, survival(e.fire_hazard, c.age)});
  }

  double operator()(double r) const {
    const Discounting d(r, e_);
    double v0 = -e_.establishment - e_.annual * d.annuity(years_);
    for (const Harvest& h : harvests_) v0 += h.net * d.at(h.age, h.q_age);
    return v0;
  }

 private:
  struct Harvest {
    double net, age, q_age;
  };
  const Economics& e_;
  double years_;  // N, the years of annual costs
  std::vector<Harvest> harvests_;
};

// The rate at which the value at planting is 0, by bisection on [0, 1]: the
// interval is halved until no double lies strictly inside it (far narrower
// than 1e-7: the rate to the last digit a double holds), and its midpoint
// taken. Empty unless the value is positive at 0 and negative at 1.
std::optional<double> internal_rate(const ValueAtPlanting& value_at) {
  double lo = 0.0, hi = 1.0;
  if (!(value_at(lo) > 0 && value_at(hi) < 0)) return std::nullopt;
  for (;;) {
    const double mid = (lo + hi) / 2;
    if (mid <= lo || mid >= hi) break;
    if (value_at(mid) > 0)
      lo = mid;
    else
      hi = mid;
  }
  return (lo + hi) / 2;
}

}  // namespace

std::optional<RunValue> value_run(std::span<const State> states, const Economics& e,
                                  bool never_thinned) {
  if (states.empty() || states.back().event != Event::felled) return std::nullopt;
  const double r = e.discount_rate;
  const Discounting d(r, e);
  const double a0 = states.front().stand.IDADE;
  RunValue v{};
  v.rotation_age = states.back().stand.IDADE;
  const double T = v.rotation_age;
  const double n = whole_years(T - a0);

  double mai_tot = 0, mai_rol = 0, mai_mad = 0;
  for (const State& s : states) {
    if (!s.removed) continue;
    const CashFlow c = harvest(s, e, d, a0);
    v.cash_flows.push_back(c);
    v.revenue += c.revenue;
    v.cost += c.cost;
    mai_tot += s.removed->vol_tot;
    mai_rol += s.removed->vol_rol;
    mai_mad += s.removed->vol_mad;
  }
  const double annual = e.annual * n;
  v.cost += annual;
  v.cash_flows.push_back(
      {CashFlow::Kind::annual, 0, T, 0.0, annual, -annual, -e.annual * d.annuity(n)});
  if (e.land_value != 0)
    v.cash_flows.push_back({CashFlow::Kind::land, 0, T, e.land_value, 0.0, e.land_value,
                            e.land_value * d.bare_land(T - a0, n)});
  for (const CashFlow& c : v.cash_flows) v.npv += c.present_value;

  if (never_thinned) {
    // Every rotation, ended by the felling or by a fire, followed by the same
    // regime: the bare land comes back with the factor D = bare_land(T, N).
    const ValueAtPlanting value_at(v, e);
    if (r != 0) v.lev = value_at(r) / (1.0 - d.bare_land(T, whole_years(T)));
    v.irr = internal_rate(value_at);
    v.mai_vol_tot = mai_tot / T;
    v.mai_vol_rol = mai_rol / T;
    v.mai_vol_mad = mai_mad / T;
  }
  return v;
}

}  // namespace zireze
