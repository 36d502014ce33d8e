#include "batch/run.h"

#include <sstream>

#include "io/run_report.h"

namespace zireze::batch {

namespace {

// Hands each state to the report, then to the states kept.
struct Both : RunObserver {
  RunObserver& first;
  RunObserver& second;
  Both(RunObserver& a, RunObserver& b) : first(a), second(b) {}
  void reached(const State& s, const Step* step) override {
    first.reached(s, step);
    second.reached(s, step);
  }
};

}  // namespace

std::string report_name(const Run& r) {
  return r.regime_id.empty() ? r.stand_id + ".txt" : r.stand_id + "." + r.regime_id + ".txt";
}

Run run(const StandDescription& stand, const Regime* regime, int bark, bool with_report,
        const Economics* economics) {
  Run r;
  r.stand_id = stand.id;
  r.regime_id = regime ? regime->id : "";
  std::span<const Step> steps;
  if (regime) steps = regime->steps;
  StatesKept kept;
  GammaComplaints complaints;
  RunEnd end;
  if (with_report) {
    std::ostringstream report;
    io::Unit console(nullptr, "");
    io::Unit report_unit(&report, "o relatorio");
    io::RunReport writer(io::Units{console, report_unit}, stand, complaints);
    Both both(writer, kept);
    end = run_regime(stand, steps, bark, Tables::every_state, both, &complaints);
    r.report = report.str();
  } else {
    end = run_regime(stand, steps, bark, Tables::every_state, kept, &complaints);
  }
  r.states = std::move(kept.states);
  // A run stopped at a step is refused, whatever its figures before; one
  // that took every step is out of range where a figure is not a number.
  if (end.refusal) {
    r.status = Run::Status::refused;
    r.message = end.refusal;
  } else if (end.out_of_range_step) {
    r.status = Run::Status::out_of_range;
    r.message = "step " + std::to_string(*end.out_of_range_step);
  } else if (economics) {
    r.value = value_run(r.states, *economics, stand.never_thinned());
  }
  return r;
}

Run run_planned(const Scenario& s, const PlannedRun& p, bool with_report) {
  const Regime* regime = p.regime ? &s.regimes[*p.regime] : nullptr;
  const Economics* economics = s.economics ? &*s.economics : nullptr;
  return run(s.stands[p.stand], regime, s.bark, with_report, economics);
}

}  // namespace zireze::batch
