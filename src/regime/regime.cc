#include "regime.h"

#include <cmath>

#include "../refusals.h"

namespace zireze {

const char* step_refusal(const Step& step, bool last) {
  switch (step.kind) {
    case Step::Kind::rows:
      if (row_fraction(step.one_in) > 0.0f) return nullptr;
      return "a row thinning takes one_in = 2 to 6 (one row in every two to six)";
    case Step::Kind::grow_by:
      if (step.value >= 0.0f) return nullptr;
      return "grow_by takes a number of years, 0 or more";
    case Step::Kind::fell:
      return last ? nullptr : "the final felling can only be the last step of a regime";
    case Step::Kind::selective:
    case Step::Kind::grow_to:
      return nullptr;
  }
  return nullptr;
}

namespace {

bool finite(std::initializer_list<float> xs) {
  for (float x : xs)
    if (!std::isfinite(x)) return false;
  return true;
}

// What a thinning or the felling took from `before` to leave `after`; a
// felled stand has no trees, and its table would have none.
Removal removal(const State& before, const State& after) {
  const TableTotals& b = before.table->totals;
  const TableTotals a = after.table ? after.table->totals : TableTotals{};
  return Removal{before.stand.TS - after.stand.TS, before.stand.BA - after.stand.BA,
                 b.vol_tot - a.vol_tot, b.vol_rol - a.vol_rol, b.vol_mad - a.vol_mad};
}

}  // namespace

bool within_range(const State& s) {
  const Stand& st = s.stand;
  if (!finite({st.IDADE, st.SI, st.HD, st.TS, st.BA})) return false;
  if (s.event != Event::felled && !finite({st.DMIN, st.A, st.B, st.C})) return false;
  if (s.table) {
    const TableTotals& t = s.table->totals;
    if (!finite({s.table->DQ, t.n, t.g, t.h, t.vol_tot, t.vol_rol, t.vol_mad})) return false;
  }
  if (s.removed) {
    const Removal& r = *s.removed;
    if (!finite({r.ts, r.ba, r.vol_tot, r.vol_rol, r.vol_mad})) return false;
  }
  return true;
}

StandAfter stand_after(const Stand& current, const Step& step, bool last, ShapeCache* cache) {
  StandAfter out;
  out.refusal = step_refusal(step, last);
  if (out.refusal) return out;
  switch (step.kind) {
    case Step::Kind::rows: {
      const RowThinning rows = thin_rows(current, row_fraction(step.one_in));
      out.stand = rows.stand;
      out.row_percent = rows.percent;
      break;
    }
    case Step::Kind::selective:
      out.refusal = residual_refusal(step.value, current.BA);
      if (!out.refusal) out.stand = thin_selective(current, step.value, cache);
      break;
    case Step::Kind::grow_to:
    case Step::Kind::grow_by: {
      // Growth by some years: to the current age plus them, summed in single
      // precision.
      const float IDADE2 =
          step.kind == Step::Kind::grow_to ? step.value : current.IDADE + step.value;
      out.refusal = projection_age_refusal(IDADE2, current.IDADE);
      if (!out.refusal) out.stand = project(current, IDADE2, cache);
      break;
    }
    case Step::Kind::fell:
      out.stand = current;
      out.stand->TS = 0.0f;
      out.stand->BA = 0.0f;
      break;
  }
  return out;
}

StepResult take_step(State& current, const Step& step, bool last, int bark, Tables tables,
                     ShapeCache* cache) {
  StandAfter after = stand_after(current.stand, step, last, cache);
  if (!after.stand) return {std::nullopt, after.refusal};
  State next;
  next.step = current.step + 1;
  next.event = step.kind == Step::Kind::fell ? Event::felled
               : step.kind == Step::Kind::rows || step.kind == Step::Kind::selective
                   ? Event::thinned
                   : Event::projected;
  next.stand = *after.stand;
  next.row_percent = after.row_percent;

  const bool harvest = next.event == Event::thinned || next.event == Event::felled;
  if (harvest && !current.table) current.table = stand_table(current.stand, bark);
  if (next.event != Event::felled && (tables == Tables::every_state || harvest))
    next.table = stand_table(next.stand, bark);
  if (harvest) next.removed = removal(current, next);
  return {std::move(next), nullptr};
}

RunEnd run_regime(State start, std::span<const Step> steps, int bark, Tables tables,
                  RunObserver& observer) {
  RunEnd end;
  State current = std::move(start);
  for (std::size_t i = 0; i < steps.size(); ++i) {
    StepResult r = take_step(current, steps[i], i + 1 == steps.size(), bark, tables);
    if (!r.next) {
      end.refused_step = current.step + 1;
      end.refusal = r.refusal;
      break;
    }
    // The state left may have gained its table for the step.
    if (!end.out_of_range_step && !within_range(current)) end.out_of_range_step = current.step;
    current = std::move(*r.next);
    if (!end.out_of_range_step && !within_range(current)) end.out_of_range_step = current.step;
    observer.reached(current, &steps[i]);
  }
  return end;
}

RunEnd run_regime(const StandDescription& d, std::span<const Step> steps, int bark, Tables tables,
                  RunObserver& observer, GammaComplaints* complaints) {
  State start;
  start.stand = initial_stand(d, complaints);
  if (tables == Tables::every_state) start.table = stand_table(start.stand, bark);
  const bool in_range = within_range(start);
  observer.reached(start, nullptr);
  RunEnd end = run_regime(std::move(start), steps, bark, tables, observer);
  if (!in_range) end.out_of_range_step = 0;
  return end;
}

}  // namespace zireze
