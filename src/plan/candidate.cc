#include "candidate.h"

#include <algorithm>
#include <cmath>

namespace zireze {

int plan_year(float age, float a0) {
  const double years = std::floor(static_cast<double>(age) - a0 + 0.001);
  // Ages beyond any horizon are held at a year beyond all of them.
  return static_cast<int>(std::clamp(years, -1.0, 1e6));
}

std::optional<int> plan_period(int year, const PlanSettings& p) {
  if (year < 0 || year >= p.horizon) return std::nullopt;
  return year / p.period + 1;
}

namespace {

bool needs_money(PlanQuantity q) { return q == PlanQuantity::npv || q == PlanQuantity::revenue; }

// The harvest's cash flow in the run's value, if it has one.
const CashFlow* cash_flow_of(const std::optional<RunValue>& value, const State& s) {
  if (!value) return nullptr;
  for (const CashFlow& c : value->cash_flows)
    if ((c.kind == CashFlow::Kind::thinning || c.kind == CashFlow::Kind::felling) &&
        c.step == s.step)
      return &c;
  return nullptr;
}

// The volume standing at the horizon's end: none once felled; otherwise the
// last state before the end projected to it, as a step { grow_to = a0 +
// horizon } would project it (the age summed in single precision). Empty
// where the projection leaves the model's range.
std::optional<double> standing_at_end(std::span<const State> states, const PlanSettings& p,
                                      int bark) {
  const float a0 = states.front().stand.IDADE;
  const State* last = &states.front();
  for (const State& s : states)
    if (plan_year(s.stand.IDADE, a0) < p.horizon) last = &s;
  if (last->event == Event::felled) return 0.0;
  State from = *last;
  const Step grow{Step::Kind::grow_to, 0, a0 + static_cast<float>(p.horizon)};
  StepResult r = take_step(from, grow, false, bark, Tables::every_state);
  if (!r.next || !r.next->table || !within_range(*r.next)) return std::nullopt;
  return r.next->table->totals.vol_tot;
}

}  // namespace

std::optional<CandidateFigures> candidate_figures(std::span<const State> states,
                                                  const std::optional<RunValue>& value,
                                                  const PlanSettings& p, int bark,
                                                  std::string& why) {
  if (!value && (needs_money(p.objective) || needs_money(p.flow))) {
    why = "it does not end in a felling, and has no value";
    return std::nullopt;
  }
  CandidateFigures f;
  f.periods.resize(static_cast<std::size_t>(p.periods()));
  const float a0 = states.front().stand.IDADE;
  for (const State& s : states) {
    if (!s.removed) continue;
    const std::optional<int> k = plan_period(plan_year(s.stand.IDADE, a0), p);
    if (!k) continue;
    PeriodHarvest& h = f.periods[static_cast<std::size_t>(*k - 1)];
    h.vol_tot += s.removed->vol_tot;
    h.vol_rol += s.removed->vol_rol;
    h.vol_mad += s.removed->vol_mad;
    if (const CashFlow* c = cash_flow_of(value, s)) {
      h.revenue += c->revenue;
      h.cost += c->cost;
    }
    if (s.event == Event::felled)
      f.felling_period = k;
    else
      ++h.thinnings;
  }
  const std::optional<double> standing = standing_at_end(states, p, bark);
  if (!standing) {
    why = "its stand projected to the horizon's end leaves the model's range";
    return std::nullopt;
  }
  f.ending_vol_tot = *standing;
  if (p.objective == PlanQuantity::npv) {
    f.coefficient = value->npv;
  } else {
    for (int k = 1; k <= p.periods(); ++k) f.coefficient += f.flow(k, p.objective);
  }
  return f;
}

namespace {

// The volume the harvests of a regime remove within the horizon, of the
// objective's assortment.
Measure removed_within_horizon(const PlanSettings& p) {
  return [p](std::span<const State> harvests) -> std::optional<double> {
    const float a0 = harvests.front().stand.IDADE;
    double removed = 0;
    for (const State& s : harvests) {
      if (!s.removed || !plan_period(plan_year(s.stand.IDADE, a0), p)) continue;
      removed += assortment(*s.removed, p.objective);
    }
    return removed;
  };
}

}  // namespace

std::vector<SearchedRegime> search_candidates(const StandDescription& d, int bark,
                                              const Economics& e, const SearchSpace& space,
                                              const PlanSettings& p,
                                              std::span<const Regime* const> references) {
  // The search reaches ages a0 + whole years, and a felling at a0 + y falls in
  // year y: a window of years [first, last] is the rotation [a0 + first - 0.5,
  // a0 + last + 0.5], which takes the same whole years and no others.
  const double a0 = d.age;
  std::vector<std::string> ids;
  std::vector<Rotation> rotations;
  auto window = [&](std::string id, double first_year, double last_year) {
    const Rotation r{std::max(space.rotation_min, a0 + first_year - 0.5),
                     std::min(space.rotation_max, a0 + last_year + 0.5)};
    if (r.min > r.max) return;
    ids.push_back(std::move(id));
    rotations.push_back(r);
  };
  for (int k = 1; k <= p.periods(); ++k)
    window("fell-" + std::to_string(k), (k - 1) * p.period, k * p.period - 1);
  window("fell-later", p.horizon, 1e9);

  SearchSpace npv = space;
  npv.objective = Objective::npv;  // needs no stand described as never thinned
  const Measure measure = p.objective == PlanQuantity::npv ? Measure{} : removed_within_horizon(p);
  std::vector<Optimum> optima =
      optimize_stand_by_rotation(d, bark, e, npv, rotations, references, measure);
  std::vector<SearchedRegime> out;
  for (std::size_t i = 0; i < optima.size(); ++i)
    if (optima[i].status == Optimum::Status::ok)
      out.push_back({std::move(ids[i]), std::move(optima[i])});
  return out;
}

}  // namespace zireze
