#include "batch/optimum.h"

#include "batch/plain.h"
#include "batch/run.h"

namespace zireze::batch {

StandOptimum optimize_stand_of(const Scenario& s, std::size_t i, const SearchProgress& progress) {
  const StandDescription& d = s.stands[i];
  // Its [optimize] table, or the defaults.
  const SearchSpace space = s.optimize.value_or(SearchSpace{});
  // The increments need no prices: without them every price is 0.
  const Economics economics = s.economics.value_or(Economics{});
  StandOptimum out{d.id, space.objective, {}, {}, {}, {}};

  std::vector<const Regime*> references;
  for (const Regime& r : s.regimes) {
    if (!runs_on(r, d.id)) continue;
    references.push_back(&r);
    const Run run_of = run(d, &r, s.bark, false, &economics);
    if (!run_of.value) continue;
    const std::optional<double> v = objective_value(*run_of.value, space.objective);
    if (v && (!out.reference_value || *v > *out.reference_value)) {
      out.reference_value = v;
      out.reference_regime = r.id;
    }
  }
  out.optimum = optimize_stand(d, s.bark, economics, space, references, progress);
  if (out.optimum.status == Optimum::Status::ok) out.regime_text = steps_text(out.optimum.steps);
  return out;
}

std::vector<SpaceProblem> space_problems(const Scenario& s) {
  if (s.optimize) return {};
  return check_space(SearchSpace{}, s.economics.has_value());
}

std::string to_string(const SpaceProblem& p) {
  return "no [optimize] table, and its default " + p.key + ": " + p.what;
}

Regime best_regime(const StandOptimum& o) {
  return Regime{"best-" + o.stand_id, o.optimum.steps, {o.stand_id}};
}

Scenario best_scenario(const Scenario& s, const std::vector<StandOptimum>& optima) {
  Scenario best;
  best.bark = s.bark;
  best.stands = s.stands;
  best.economics = s.economics;
  for (const StandOptimum& o : optima)
    if (o.optimum.status == Optimum::Status::ok) best.regimes.push_back(best_regime(o));
  return best;
}

}  // namespace zireze::batch
