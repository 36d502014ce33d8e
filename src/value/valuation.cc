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

namespace {

// (1 + r)^-years: what a sum `years` from now is worth now.
double discount(double r, double years) { return std::pow(1.0 + r, -years); }

// The sum for k = 1 .. n of (1 + r)^-k, as the geometric series' closed form
// (1 - (1 + r)^-n) / r; n itself where r is 0.
double annuity(double r, double n) { return r == 0 ? n : (1.0 - discount(r, n)) / r; }

// Whole years, robust to single-precision ages: 47.6 - 20.6 is 26.9999981.
double whole_years(double years) { return std::floor(years + 0.001); }

CashFlow harvest(const State& s, const Economics& e, double a0) {
  const double tot = s.removed->vol_tot, rol = s.removed->vol_rol, mad = s.removed->vol_mad;
  const bool felling = s.event == Event::felled;
  CashFlow c{};
  c.kind = felling ? CashFlow::Kind::felling : CashFlow::Kind::thinning;
  c.step = s.step;
  c.age = s.stand.IDADE;
  c.revenue = e.sawlog * mad + e.roundwood * rol + e.residue * (tot - rol - mad);
  c.cost = felling ? e.felling + e.felling_per_m3 * tot : e.thinning + e.thinning_per_m3 * tot;
  c.net = c.revenue - c.cost;
  c.present_value = c.net * discount(e.discount_rate, c.age - a0);
  return c;
}

// The value of the harvests at age 0, at rate r, less the planting and the
// annual costs from age 0: what the land expectation value and the internal
// rate of return are worked out from.
double value_at_planting(const RunValue& v, const Economics& e, double r) {
  double v0 = -e.establishment - e.annual * annuity(r, whole_years(v.rotation_age));
  for (const CashFlow& c : v.cash_flows)
    if (c.kind == CashFlow::Kind::thinning || c.kind == CashFlow::Kind::felling)
      v0 += c.net * discount(r, c.age);
  return v0;
}

// The rate at which the value at planting is 0, by bisection on [0, 1]: the
// interval is halved until no double lies strictly inside it (far narrower
// than 1e-7: the rate to the last digit a double holds), and its midpoint
// taken. Empty unless the value is positive at 0 and negative at 1.
std::optional<double> internal_rate(const RunValue& v, const Economics& e) {
  double lo = 0.0, hi = 1.0;
  if (!(value_at_planting(v, e, lo) > 0 && value_at_planting(v, e, hi) < 0)) return std::nullopt;
  for (;;) {
    const double mid = (lo + hi) / 2;
    if (mid <= lo || mid >= hi) break;
    if (value_at_planting(v, e, mid) > 0)
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
  const double a0 = states.front().stand.IDADE;
  RunValue v{};
  v.rotation_age = states.back().stand.IDADE;
  const double T = v.rotation_age;
  const double n = whole_years(T - a0);

  double mai_tot = 0, mai_rol = 0, mai_mad = 0;
  for (const State& s : states) {
    if (!s.removed) continue;
    const CashFlow c = harvest(s, e, a0);
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
      {CashFlow::Kind::annual, 0, T, 0.0, annual, -annual, -e.annual * annuity(r, n)});
  if (e.land_value != 0)
    v.cash_flows.push_back({CashFlow::Kind::land, 0, T, e.land_value, 0.0, e.land_value,
                            e.land_value * discount(r, T - a0)});
  for (const CashFlow& c : v.cash_flows) v.npv += c.present_value;

  if (never_thinned) {
    if (r != 0) v.lev = value_at_planting(v, e, r) / (1.0 - discount(r, T));
    v.irr = internal_rate(v, e);
    v.mai_vol_tot = mai_tot / T;
    v.mai_vol_rol = mai_rol / T;
    v.mai_vol_mad = mai_mad / T;
  }
  return v;
}

}  // namespace zireze
