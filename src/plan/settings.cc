#include "settings.h"

#include <cmath>

namespace zireze {

const char* quantity_name(PlanQuantity q) {
  switch (q) {
    case PlanQuantity::npv:
      return "npv";
    case PlanQuantity::vol_tot:
      return "vol_tot";
    case PlanQuantity::vol_rol:
      return "vol_rol";
    case PlanQuantity::vol_mad:
      return "vol_mad";
    case PlanQuantity::revenue:
      return "revenue";
    case PlanQuantity::none:
      return "none";
  }
  return "";
}

std::optional<PlanQuantity> quantity_named(std::string_view name) {
  for (PlanQuantity q : {PlanQuantity::npv, PlanQuantity::vol_tot, PlanQuantity::vol_rol,
                         PlanQuantity::vol_mad, PlanQuantity::revenue, PlanQuantity::none})
    if (name == quantity_name(q)) return q;
  return std::nullopt;
}

std::vector<PlanProblem> check_plan(const PlanSettings& p, bool has_economics) {
  std::vector<PlanProblem> out;
  auto need = [&](bool ok, const char* key, const char* what) {
    if (!ok) out.push_back({key, what});
  };
  auto amount = [](double x) { return std::isfinite(x) && x >= 0; };
  need(p.horizon >= 1 && p.horizon <= 200, "horizon", "whole years from 1 to 200");
  need(p.period >= 1 && p.period <= p.horizon && p.horizon % p.period == 0, "period",
       "whole years from 1 to the horizon, dividing it");
  need(p.objective != PlanQuantity::revenue && p.objective != PlanQuantity::none, "objective",
       "npv, vol_tot, vol_rol or vol_mad");
  need(p.objective != PlanQuantity::npv || has_economics, "objective",
       "npv needs an [economics] table");
  need(p.flow != PlanQuantity::npv, "flow", "vol_tot, vol_rol, vol_mad, revenue or none");
  need(p.flow != PlanQuantity::revenue || has_economics, "flow",
       "revenue needs an [economics] table");
  need(std::isfinite(p.tolerance) && p.tolerance >= 0 && p.tolerance <= 1, "tolerance",
       "a share from 0 to 1");
  need(amount(p.min_flow), "min_flow", "not negative (0: no bound)");
  need(amount(p.max_flow), "max_flow", "not negative (0: no bound)");
  need(p.max_flow == 0 || p.max_flow >= p.min_flow, "max_flow", "not below min_flow");
  need(p.flow != PlanQuantity::none || (p.min_flow == 0 && p.max_flow == 0), "flow",
       "min_flow and max_flow bound the flow: name it (vol_tot, ...), not none");
  need(amount(p.max_felled_area), "max_felled_area", "hectares, not negative (0: no bound)");
  need(amount(p.ending_volume), "ending_volume", "a share of today's volume, not negative");
  need(std::isfinite(p.gap) && p.gap >= 0 && p.gap <= 1, "gap", "a share from 0 to 1");
  need(std::isfinite(p.time_limit) && p.time_limit > 0 && p.time_limit <= 1e6, "time_limit",
       "seconds, above 0 and at most 1000000");
  return out;
}

const char* area_refusal(double hectares) {
  // A billion hectares is more than any forest; beyond, the plan's sums of
  // hectares times money would lose their meaning.
  return hectares > 0 && hectares <= 1e9 ? nullptr : "hectares, greater than 0 and at most 1e9";
}

}  // namespace zireze
