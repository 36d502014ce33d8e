#include "batch/run.h"

#include <sstream>

#include "io/session_lines.h"
#include "io/unit.h"
#include "refusals.h"

namespace zireze::batch {

const char* event_name(Event e) {
  switch (e) {
    case Event::initial:
      return "initial";
    case Event::thinned:
      return "thinned";
    case Event::projected:
      return "projected";
  }
  return "";
}

Stand initial_stand(const StandEntry& entry, GammaComplaints* complaints) {
  switch (entry.kind) {
    case StandEntry::Kind::unthinned:
      return unthinned_stand(entry.IDADE, entry.SI, entry.HD, entry.TS, entry.BA, entry.TP);
    case StandEntry::Kind::counts:
      return stand_from_counts(entry.IDADE, entry.SI, entry.HD, entry.counts);
    case StandEntry::Kind::weibull:
      return stand_from_weibull(entry.IDADE, entry.SI, entry.HD, entry.TS, entry.A, entry.B,
                                entry.C, complaints);
    case StandEntry::Kind::attributes:
      return stand_from_attributes(entry.IDADE, entry.SI, entry.HD, entry.TS, entry.BA, entry.DMIN,
                                   entry.P90);
  }
  return Stand{};
}

namespace {

// The report lines of the initial stand, as the dialogue writes them around
// its questions: the title block, the history, the site as completed before
// the stand is described, the density or the description typed.
void describe(io::Units out, const StandEntry& entry, const Stand& initial,
              const GammaComplaints& complaints) {
  io::title_block(out);
  const bool unthinned = entry.kind == StandEntry::Kind::unthinned;
  io::history_line(out.report, unthinned);
  float SI = entry.SI, HD = entry.HD;
  complete_site(entry.IDADE, SI, HD);
  io::site_line(out.report, SI, HD);
  switch (entry.kind) {
    case StandEntry::Kind::unthinned:
      io::density_line(out.report, entry.TS, entry.BA, entry.TP);
      break;
    case StandEntry::Kind::counts:
      io::counts_heading(out.report);
      break;
    case StandEntry::Kind::weibull:
      io::weibull_heading(out.report);
      io::gamma_lines(out.report, complaints);
      io::weibull_echo(out.report, entry.TS, entry.A, entry.B, entry.C);
      break;
    case StandEntry::Kind::attributes:
      io::attributes_heading(out.report);
      io::attributes_echo(out.report, entry.TS, entry.BA, entry.DMIN, entry.P90);
      break;
  }
  io::stand_heading(out, initial.unthinned ? "CARACTERISTICAS DO POVOAMENTO NAO DESBASTADO"
                                           : "CARACTERISTICAS DO POVOAMENTO DESBASTADO");
}

Removal removal(const State& before, const Stand& after, const StandTable& table) {
  const TableTotals& b = before.table.totals;
  const TableTotals& a = table.totals;
  return Removal{before.stand.TS - after.TS, before.stand.BA - after.BA, b.vol_tot - a.vol_tot,
                 b.vol_rol - a.vol_rol, b.vol_mad - a.vol_mad};
}

}  // namespace

Run run(const StandEntry& entry, const Regime* regime, int bark, bool with_report) {
  Run r;
  r.stand_id = entry.id;
  r.regime_id = regime ? regime->id : "";
  // The report's lines are laid out only when the report is wanted.
  std::ostringstream report;
  io::Unit console(nullptr, "");
  io::Unit report_unit(&report, "o relatorio");
  io::Units out{console, report_unit};

  GammaComplaints complaints;
  const Stand initial = initial_stand(entry, &complaints);
  r.states.push_back(State{0, Event::initial, initial, stand_table(initial, bark), std::nullopt});
  if (with_report) {
    describe(out, entry, initial, complaints);
    io::stand_table(out, r.states.back().table);
  }

  const std::size_t steps = regime ? regime->steps.size() : 0;
  for (std::size_t i = 0; i < steps && r.refusal.empty(); ++i) {
    const Step& step = regime->steps[i];
    const State& before = r.states.back();
    const Stand& current = before.stand;
    Stand next;
    Event event = Event::thinned;
    const char* reason = nullptr;
    switch (step.kind) {
      case Step::Kind::rows: {
        const RowThinning rows = thin_rows(current, row_fraction(step.one_in));
        if (with_report) io::row_thinning_line(out.report, rows.percent);
        next = rows.stand;
        break;
      }
      case Step::Kind::selective:
        reason = residual_refusal(step.value, current.BA);
        if (reason) break;
        if (with_report) io::selective_thinning_line(out.report, step.value);
        next = thin_selective(current, step.value);
        break;
      case Step::Kind::grow:
        reason = projection_age_refusal(step.value, current.IDADE);
        if (reason) break;
        next = project(current, step.value);
        event = Event::projected;
        break;
    }
    if (reason) {
      r.refusal = reason;
      break;
    }
    StandTable table = stand_table(next, bark);
    if (with_report) {
      io::stand_heading(out, event == Event::projected
                                 ? "CARACTERISTICAS DO POVOAMENTO PROJECTADO"
                                 : "CARACTERISTICAS DO POVOAMENTO APOS DESBASTE");
      io::stand_table(out, table);
    }
    std::optional<Removal> removed;
    if (event == Event::thinned) removed = removal(before, next, table);
    r.states.push_back(State{static_cast<int>(i + 1), event, next, std::move(table), removed});
  }
  if (with_report) r.report = report.str();
  return r;
}

}  // namespace zireze::batch
