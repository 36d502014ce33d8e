#include "batch/schema.h"

#include <cmath>

#include "io/events.h"
#include "io/layout.h"

namespace zireze::batch {

namespace {

// How the page shows the figures of a stand state: as the table's header
// shows the age, site and diameters, as its totals show trees, basal area
// and volumes.
constexpr Shown kOneDecimal{6, 1};
constexpr Shown kTwoDecimals{6, 2};
constexpr Shown kTotal{10, 1};
constexpr Shown kVolume{9, 2};

using S = StateRow;

// A felled stand has no trees and no table: its totals are 0, and what only
// a distribution of diameters gives (dq, dmin, a, b, c, h) is empty.
Cell total(const S& r, float TableTotals::*figure) {
  if (!r.state.table) return r.state.event == Event::felled ? Cell(0.0f) : Cell();
  return r.state.table->totals.*figure;
}

Cell distribution(const S& r, float Stand::*figure) {
  if (r.state.event == Event::felled) return {};
  return r.state.stand.*figure;
}

Cell removed(const S& r, float Removal::*figure) {
  if (!r.state.removed) return {};
  return (*r.state.removed).*figure;
}

const Column<S> kStandColumns[] = {
    {"stand", Type::text, "", "The stand's id.", [](const S& r) -> Cell { return r.run.stand_id; }},
    {"regime", Type::text, "", "The regime's id; empty for a stand tabled alone.",
     [](const S& r) -> Cell { return r.run.regime_id; }},
    {"step", Type::integer, "",
     "0 for the stand as described, then the number of the regime's step that led to this "
     "state (from 1).",
     [](const S& r) -> Cell { return std::int64_t{r.state.step}; }},
    {"event", Type::text, "",
     "What led to this state: `initial` (the stand as described), `thinned`, `projected`, "
     "`felled` (the final felling, which leaves no trees).",
     [](const S& r) -> Cell { return std::string_view(io::event_name(r.state.event)); }},
    {"age", Type::real, "years", "The stand's age.",
     [](const S& r) -> Cell { return r.state.stand.IDADE; }, kOneDecimal},
    {"si", Type::real, "m",
     "Site class: the dominant height at 50 years, as given or as the dominant height given "
     "makes it.",
     [](const S& r) -> Cell { return r.state.stand.SI; }, kOneDecimal},
    {"hd", Type::real, "m", "Dominant height at this age.",
     [](const S& r) -> Cell { return r.state.stand.HD; }, kOneDecimal},
    {"ts", Type::real, "trees/ha", "Live trees.",
     [](const S& r) -> Cell { return r.state.stand.TS; }, kTotal},
    {"ba", Type::real, "m2/ha", "Basal area.", [](const S& r) -> Cell { return r.state.stand.BA; },
     kTotal},
    {"dq", Type::real, "cm",
     "Quadratic mean diameter, as the table's header shows it: the diameter of the tree of mean "
     "basal area, from ba and ts.",
     [](const S& r) -> Cell { return r.state.table ? Cell(r.state.table->DQ) : Cell(); },
     kOneDecimal},
    {"dmin", Type::real, "cm", "Minimum diameter.",
     [](const S& r) { return distribution(r, &Stand::DMIN); }, kOneDecimal},
    {"a", Type::real, "cm", "Location of the Weibull distribution of diameters.",
     [](const S& r) { return distribution(r, &Stand::A); }, kTwoDecimals},
    {"b", Type::real, "cm", "Scale of the Weibull distribution of diameters.",
     [](const S& r) { return distribution(r, &Stand::B); }, kTwoDecimals},
    {"c", Type::real, "", "Shape of the Weibull distribution of diameters.",
     [](const S& r) { return distribution(r, &Stand::C); }, kTwoDecimals},
    {"n", Type::real, "trees/ha",
     "Trees in the stand table: the sum of its classes' trees in the order printed (N.ARV. on "
     "the totals line).",
     [](const S& r) { return total(r, &TableTotals::n); }, kTotal},
    {"g", Type::real, "m2/ha", "Basal area in the stand table, summed likewise (AREA BASAL).",
     [](const S& r) { return total(r, &TableTotals::g); }, kTotal},
    {"h", Type::real, "m",
     "Mean height of the table's trees: the classes' heights weighted by their trees (ALTURA); "
     "0 when the table counts no tree; empty after the felling.",
     [](const S& r) -> Cell { return r.state.table ? Cell(r.state.table->totals.h) : Cell(); },
     kTotal},
    {"vol_tot", Type::real, "m3/ha",
     "Total stem volume in the table (VOL.TOT.), with or without bark as the scenario's `bark` "
     "says.",
     [](const S& r) { return total(r, &TableTotals::vol_tot); }, kVolume},
    {"vol_rol", Type::real, "m3/ha", "Roundwood volume: from the 20-cm to the 7-cm top (VOL.ROL.).",
     [](const S& r) { return total(r, &TableTotals::vol_rol); }, kVolume},
    {"vol_mad", Type::real, "m3/ha", "Sawlog volume: from the stump to the 20-cm top (VOL.MAD.).",
     [](const S& r) { return total(r, &TableTotals::vol_mad); }, kVolume},
    {"removed_ts", Type::real, "trees/ha",
     "After a thinning or the felling: the trees it took out, ts of the state before less ts of "
     "this one. Empty on other rows.",
     [](const S& r) { return removed(r, &Removal::ts); }, kTotal},
    {"removed_ba", Type::real, "m2/ha", "Likewise: ba of the state before less this ba.",
     [](const S& r) { return removed(r, &Removal::ba); }, kTotal},
    {"removed_vol_tot", Type::real, "m3/ha",
     "Likewise: vol_tot of the state before less this vol_tot (after the felling, the vol_tot "
     "of the state before).",
     [](const S& r) { return removed(r, &Removal::vol_tot); }, kVolume},
    {"removed_vol_rol", Type::real, "m3/ha", "Likewise for vol_rol.",
     [](const S& r) { return removed(r, &Removal::vol_rol); }, kVolume},
    {"removed_vol_mad", Type::real, "m3/ha", "Likewise for vol_mad.",
     [](const S& r) { return removed(r, &Removal::vol_mad); }, kVolume},
};

using C = ClassRow;

const Column<C> kClassColumns[] = {
    {"stand", Type::text, "", "As in stands.csv.",
     [](const C& r) -> Cell { return r.run.stand_id; }},
    {"regime", Type::text, "", "As in stands.csv.",
     [](const C& r) -> Cell { return r.run.regime_id; }},
    {"step", Type::integer, "", "As in stands.csv: the state whose table holds the class.",
     [](const C& r) -> Cell { return std::int64_t{r.state.step}; }},
    {"event", Type::text, "", "As in stands.csv.",
     [](const C& r) -> Cell { return std::string_view(io::event_name(r.state.event)); }},
    {"dap", Type::integer, "cm", "Centre of the 5-cm diameter class (DAP).",
     [](const C& r) -> Cell { return std::int64_t{r.c.dap}; }, Shown{3, -1}},
    {"n", Type::real, "trees/ha", "Trees in the class (N.ARV.).",
     [](const C& r) -> Cell { return r.c.n; }, kTotal},
    {"g", Type::real, "m2/ha", "Basal area of the class (AREA BASAL).",
     [](const C& r) -> Cell { return r.c.g; }, kTotal},
    {"h", Type::real, "m", "Height of a tree at the class centre (ALTURA).",
     [](const C& r) -> Cell { return r.c.h; }, kTotal},
    {"vol_tot", Type::real, "m3/ha", "Total stem volume of the class (VOL.TOT.).",
     [](const C& r) -> Cell { return r.c.vol_tot; }, Shown{8, 2}},
    {"vol_rol", Type::real, "m3/ha", "Roundwood volume, 20-cm to 7-cm top (VOL.ROL.).",
     [](const C& r) -> Cell { return r.c.vol_rol; }, Shown{8, 2}},
    {"vol_mad", Type::real, "m3/ha", "Sawlog volume, stump to 20-cm top (VOL.MAD.).",
     [](const C& r) -> Cell { return r.c.vol_mad; }, Shown{8, 2}},
};

const Column<Run> kRunColumns[] = {
    {"stand", Type::text, "", "As in stands.csv.", [](const Run& r) -> Cell { return r.stand_id; }},
    {"regime", Type::text, "", "As in stands.csv.",
     [](const Run& r) -> Cell { return r.regime_id; }},
    {"status", Type::text, "",
     "`ok`: every step was taken; `refused`: a step could not be taken where it was reached (a "
     "residual basal area above the current one, a projection age below the current age), and "
     "the run stopped there; `out_of_range`: every step was taken, but a figure of the run is "
     "not a number (NaN or infinite: the model outside its range), and the run, though written "
     "out, is not sound.",
     [](const Run& r) -> Cell { return std::string_view(run_status(r)); }},
    {"message", Type::text, "",
     "`refused`: why, in the dialogue's words; `out_of_range`: `step N`, the first state whose "
     "figures are not all numbers; empty otherwise.",
     [](const Run& r) -> Cell { return r.message; }},
};

// A value of a run: empty where the run has no value, or where the value
// does not apply (the land expectation value without a discount rate, say).
Cell value(const Run& r, std::optional<double> RunValue::*v) {
  if (!r.value || !((*r.value).*v)) return {};
  return *((*r.value).*v);
}

Cell value(const Run& r, double RunValue::*v) {
  if (!r.value) return {};
  return (*r.value).*v;
}

constexpr Shown kMoney{12, 2};
constexpr Shown kRate{9, 6};

const Column<Run> kValueColumns[] = {
    {"stand", Type::text, "", "As in stands.csv.", [](const Run& r) -> Cell { return r.stand_id; }},
    {"regime", Type::text, "", "As in stands.csv.",
     [](const Run& r) -> Cell { return r.regime_id; }},
    {"rotation_age", Type::real, "years",
     "T: the age of the final felling. This and every value below are empty for a run that does "
     "not end in a felling, or is refused or out of range.",
     [](const Run& r) -> Cell {
       return r.value ? Cell(static_cast<float>(r.value->rotation_age)) : Cell();
     },
     kOneDecimal},
    {"npv", Type::real, "money/ha",
     "Net present value at a0, the stand's age at step 0 (the stand standing then): the sum of "
     "the run's present_value in cashflows.csv, in their order.",
     [](const Run& r) { return value(r, &RunValue::npv); }, kMoney},
    {"lev", Type::real, "money/ha",
     "Land expectation value (Faustmann; Reed's with a fire hazard): V0 / (1 - D), where V0 = "
     "-establishment - annual * S(N) + the sum over the harvests of net * q^age * (1+r)^-age, "
     "D = p * S(N) + q^T * (1+r)^-T and N = floor(T + 0.001): the bare land's value when every "
     "rotation, ended by the felling or by a fire, is followed by the same regime (with p = 0, "
     "V0 / (1 - (1+r)^-T)). Empty where r is 0, and for a stand described as thinned before "
     "(its past harvests are unknown).",
     [](const Run& r) { return value(r, &RunValue::lev); }, kMoney},
    {"irr", Type::real, "1/year",
     "Internal rate of return: the rate r at which V0 is 0 (p as given), by bisection on [0, 1] "
     "(halved to the last digit of a double, its midpoint); empty unless V0 is positive at rate "
     "0 and negative at rate 1, and for a stand described as thinned before.",
     [](const Run& r) { return value(r, &RunValue::irr); }, kRate},
    {"mai_vol_tot", Type::real, "m3/ha/year",
     "Mean annual increment: the sum of removed_vol_tot over the run's thinnings and felling, "
     "divided by T (the regime as planned, whatever p). Empty for a stand described as thinned "
     "before.",
     [](const Run& r) { return value(r, &RunValue::mai_vol_tot); }, kVolume},
    {"mai_vol_rol", Type::real, "m3/ha/year", "Likewise for removed_vol_rol.",
     [](const Run& r) { return value(r, &RunValue::mai_vol_rol); }, kVolume},
    {"mai_vol_mad", Type::real, "m3/ha/year", "Likewise for removed_vol_mad.",
     [](const Run& r) { return value(r, &RunValue::mai_vol_mad); }, kVolume},
    {"revenue", Type::real, "money/ha",
     "The sum of the harvests' revenue, undiscounted (the regime as planned, whatever p).",
     [](const Run& r) { return value(r, &RunValue::revenue); }, kMoney},
    {"cost", Type::real, "money/ha",
     "The sum of the harvests' cost, then annual * n (n = floor(T - a0 + 0.001)), undiscounted "
     "(the regime as planned, whatever p).",
     [](const Run& r) { return value(r, &RunValue::cost); }, kMoney},
};

using F = CashFlowRow;

const char* cash_flow_event(const CashFlow& c) {
  switch (c.kind) {
    case CashFlow::Kind::thinning:
      return io::event_name(Event::thinned);
    case CashFlow::Kind::felling:
      return io::event_name(Event::felled);
    case CashFlow::Kind::annual:
      return "annual";
    case CashFlow::Kind::land:
      return "land";
  }
  return "";
}

bool of_harvest(const CashFlow& c) {
  return c.kind == CashFlow::Kind::thinning || c.kind == CashFlow::Kind::felling;
}

const Column<F> kCashFlowColumns[] = {
    {"stand", Type::text, "", "As in stands.csv.",
     [](const F& r) -> Cell { return r.run.stand_id; }},
    {"regime", Type::text, "", "As in stands.csv.",
     [](const F& r) -> Cell { return r.run.regime_id; }},
    {"step", Type::integer, "", "The thinning's or the felling's step, as in stands.csv.",
     [](const F& r) -> Cell { return of_harvest(r.c) ? Cell(std::int64_t{r.c.step}) : Cell(); }},
    {"age", Type::real, "years",
     "When it falls: the harvest's age; T for the land; empty for "
     "the annual costs.",
     [](const F& r) -> Cell {
       return r.c.kind == CashFlow::Kind::annual ? Cell() : Cell(static_cast<float>(r.c.age));
     },
     kOneDecimal},
    {"event", Type::text, "",
     "`thinned` or `felled` (a harvest); `annual` (the annual costs from a0 to T); `land` (the "
     "bare land after the felling or a fire, when land_value is not 0).",
     [](const F& r) -> Cell { return std::string_view(cash_flow_event(r.c)); }},
    {"revenue", Type::real, "money/ha",
     "A harvest: sawlog * removed_vol_mad + roundwood * removed_vol_rol + residue * "
     "(removed_vol_tot - removed_vol_rol - removed_vol_mad); the land: land_value; 0 for the "
     "annual costs.",
     [](const F& r) -> Cell { return r.c.revenue; }, kMoney},
    {"cost", Type::real, "money/ha",
     "A thinning: thinning + thinning_per_m3 * removed_vol_tot; the felling: felling + "
     "felling_per_m3 * removed_vol_tot; the annual costs: annual * n; 0 for the land.",
     [](const F& r) -> Cell { return r.c.cost; }, kMoney},
    {"net", Type::real, "money/ha", "revenue - cost.", [](const F& r) -> Cell { return r.c.net; },
     kMoney},
    {"present_value", Type::real, "money/ha",
     "At a0, each sum with the probability that the stand lives to it (p, q and S as in "
     "values.csv): a harvest's net * q^(age - a0) * (1+r)^-(age - a0); the land's land_value * "
     "(q^(T - a0) * (1+r)^-(T - a0) + p * S(n)), there after the felling or after a fire, "
     "whichever comes first; the annual costs' -annual * S(n), each year's paid at its end if "
     "the stand stood at its start. With p = 0, the present values without risk: net * "
     "(1+r)^-(age - a0), land_value * (1+r)^-(T - a0), -annual * (1 - (1+r)^-n) / r (-annual "
     "* n where r is 0). They sum to the run's npv.",
     [](const F& r) -> Cell { return r.c.present_value; }, kMoney},
};

using O = StandOptimum;

const char* optimum_status(const Optimum& o) {
  switch (o.status) {
    case Optimum::Status::ok:
      return "ok";
    case Optimum::Status::refused:
      return "refused";
    case Optimum::Status::infeasible:
      return "infeasible";
  }
  return "";
}

bool found(const O& r) { return r.optimum.status == Optimum::Status::ok; }

const Column<O> kOptimumColumns[] = {
    {"stand", Type::text, "", "The stand's id.", [](const O& r) -> Cell { return r.stand_id; }},
    {"status", Type::text, "",
     "`ok`: the best regime found; `refused`: the objective cannot value the stand (the land "
     "expectation value and the increments need a stand described as never thinned), see "
     "message; `infeasible`: no regime of the space can be run on the stand.",
     [](const O& r) -> Cell { return std::string_view(optimum_status(r.optimum)); }},
    {"objective", Type::text, "",
     "What is maximised: `lev`, `npv`, `mai_vol_tot`, ... as in "
     "values.csv.",
     [](const O& r) -> Cell { return std::string_view(objective_name(r.objective)); }},
    {"value", Type::real, "", "The best regime's objective: its value in values.csv.",
     [](const O& r) -> Cell { return found(r) ? Cell(r.optimum.value) : Cell(); }, kMoney},
    {"rotation_age", Type::real, "years", "The best regime's felling age.",
     [](const O& r) -> Cell { return found(r) ? Cell(r.optimum.rotation_age) : Cell(); },
     kOneDecimal},
    {"thinnings", Type::integer, "", "How many thinnings the best regime has.",
     [](const O& r) -> Cell {
       return found(r) ? Cell(std::int64_t{r.optimum.thinnings}) : Cell();
     }},
    {"regime", Type::text, "",
     "The best regime's steps, as best.toml writes them (regime `best-STAND`).",
     [](const O& r) -> Cell { return r.regime_text; }},
    {"evaluations", Type::integer, "", "The regimes the search ran for the stand.",
     [](const O& r) -> Cell { return std::int64_t{r.optimum.evaluations}; }},
    {"reference_regime", Type::text, "",
     "The scenario's own regime of highest objective on the stand; empty without one.",
     [](const O& r) -> Cell { return r.reference_regime ? Cell(*r.reference_regime) : Cell(); }},
    {"reference_value", Type::real, "", "Its objective.",
     [](const O& r) -> Cell { return r.reference_value ? Cell(*r.reference_value) : Cell(); },
     kMoney},
    {"gain", Type::real, "",
     "(value - reference_value) / |reference_value|: the relative gain over the best "
     "reference; empty without one. Negative only where that reference lies outside the "
     "search space.",
     [](const O& r) -> Cell {
       if (!found(r) || !r.reference_value || *r.reference_value == 0) return {};
       return (r.optimum.value - *r.reference_value) / std::fabs(*r.reference_value);
     },
     kRate},
    {"message", Type::text, "", "`refused`: why; empty otherwise.",
     [](const O& r) -> Cell { return r.optimum.reason; }},
};

Cell felling_period(const CandidateFigures& c) {
  return c.felling_period ? Cell(std::int64_t{*c.felling_period}) : Cell();
}

const CandidateFigures& figures(const PlannedStand& s, std::size_t c) {
  return s.plan.candidates[c];
}

using CR = CandidateRow;

const Column<CR> kCandidateColumns[] = {
    {"stand", Type::text, "", "The stand's id.",
     [](const CR& r) -> Cell { return r.stand.plan.id; }},
    {"regime", Type::text, "",
     "The candidate regime: one of the scenario's that runs on the stand (`ok`, and with a npv "
     "where the objective or the flow needs money), or one the plan searched: `fell-K`, the "
     "best of the `[optimize]` space whose felling falls in period K, `fell-later` the best "
     "that fells beyond the horizon.",
     [](const CR& r) -> Cell { return r.stand.regimes[r.candidate].id; }},
    {"area", Type::real, "ha", "The stand's area: `area` as given, 1 where not given.",
     [](const CR& r) -> Cell { return r.stand.plan.area; }},
    {"coefficient", Type::real, "per ha",
     "What a hectare under the candidate adds to the objective: its npv in values.csv "
     "(objective `npv`), or the volume of the objective's assortment its harvests remove in "
     "periods 1 to P (the sum of its flows of that volume in candidate_flows' terms).",
     [](const CR& r) -> Cell { return figures(r.stand, r.candidate).coefficient; }},
    {"felling_period", Type::integer, "",
     "The period of its final felling; empty when it fells beyond the horizon, or not at all.",
     [](const CR& r) { return felling_period(figures(r.stand, r.candidate)); }},
    {"ending_vol_tot", Type::real, "m3/ha",
     "The vol_tot standing at the horizon's end, age a0 + horizon: 0 when felled within the "
     "horizon (the next rotation is not modelled); otherwise the stand of its last state before "
     "that age projected to it, as a step `{ grow_to = a0 + horizon }` would project it.",
     [](const CR& r) -> Cell { return figures(r.stand, r.candidate).ending_vol_tot; }},
};

using CF = CandidateFlowRow;

const Column<CF> kCandidateFlowColumns[] = {
    {"stand", Type::text, "", "As in candidates.csv.",
     [](const CF& r) -> Cell { return r.stand.plan.id; }},
    {"regime", Type::text, "", "As in candidates.csv.",
     [](const CF& r) -> Cell { return r.stand.regimes[r.candidate].id; }},
    {"period", Type::integer, "",
     "From 1 to P = horizon / period. A harvest at age x falls in year y = floor(x - a0 + "
     "0.001) (year 0 is now), and in period y div period + 1 when y < horizon.",
     [](const CF& r) -> Cell { return std::int64_t{r.period}; }},
    {"flow", Type::real, "per ha",
     "The plan's `flow` in the period: the sum of removed_vol_tot (or _rol, _mad) in stands.csv "
     "over the harvests that fall in it, or of their revenue in cashflows.csv; removed_vol_tot "
     "when the flow is `none`.",
     [](const CF& r) -> Cell { return figures(r.stand, r.candidate).flow(r.period, r.flow); }},
    {"felled", Type::integer, "", "1 when its final felling falls in the period, else 0.",
     [](const CF& r) -> Cell {
       return std::int64_t{figures(r.stand, r.candidate).felling_period == r.period};
     }},
};

const Column<PlanRow> kPlanColumns[] = {
    {"stand", Type::text, "", "As in candidates.csv.",
     [](const PlanRow& r) -> Cell { return r.stand.plan.id; }},
    {"regime", Type::text, "", "A candidate the plan puts some of the stand under.",
     [](const PlanRow& r) -> Cell { return r.stand.regimes[r.candidate].id; }},
    {"share", Type::real, "",
     "The share of the stand's area under it, above 0; a stand's shares sum to 1 (each 1 with "
     "`integer = true`).",
     [](const PlanRow& r) -> Cell { return r.share; }},
    {"area", Type::real, "ha", "The hectares under it: the stand's area times the share.",
     [](const PlanRow& r) -> Cell { return r.stand.plan.area * r.share; }},
    {"felling_period", Type::integer, "", "As in candidates.csv.",
     [](const PlanRow& r) { return felling_period(figures(r.stand, r.candidate)); }},
};

// A period's total of money: empty without prices.
Cell money(const PeriodRow& r, double PeriodTotals::*x) {
  return r.money ? Cell(r.totals.*x) : Cell();
}

const Column<PeriodRow> kPeriodColumns[] = {
    {"period", Type::integer, "", "From 1 to P.",
     [](const PeriodRow& r) -> Cell { return std::int64_t{r.totals.period}; }},
    {"first_year", Type::integer, "years", "Its first year from now: (period - 1) * `period`.",
     [](const PeriodRow& r) -> Cell { return std::int64_t{r.totals.first_year}; }},
    {"last_year", Type::integer, "years", "Its last year: period * `period` - 1.",
     [](const PeriodRow& r) -> Cell { return std::int64_t{r.totals.last_year}; }},
    {"vol_tot", Type::real, "m3",
     "The volume its harvests remove over the whole area: the sum over plan.csv's rows of area "
     "times the candidate's removed_vol_tot in the period (per ha, as in candidate_flows).",
     [](const PeriodRow& r) -> Cell { return r.totals.vol_tot; }},
    {"vol_rol", Type::real, "m3", "Likewise for removed_vol_rol.",
     [](const PeriodRow& r) -> Cell { return r.totals.vol_rol; }},
    {"vol_mad", Type::real, "m3", "Likewise for removed_vol_mad.",
     [](const PeriodRow& r) -> Cell { return r.totals.vol_mad; }},
    {"revenue", Type::real, "money",
     "Likewise for the harvests' revenue in cashflows.csv, undiscounted (a run that does not "
     "end in a felling has no cash flows). Empty without `[economics]`.",
     [](const PeriodRow& r) { return money(r, &PeriodTotals::revenue); }},
    {"cost", Type::real, "money",
     "Likewise for the harvests' cost (the annual costs and the planting are not in it).",
     [](const PeriodRow& r) { return money(r, &PeriodTotals::cost); }},
    {"net", Type::real, "money", "revenue - cost.",
     [](const PeriodRow& r) { return money(r, &PeriodTotals::net); }},
    {"felled_area", Type::real, "ha", "The hectares whose final felling falls in the period.",
     [](const PeriodRow& r) -> Cell { return r.totals.felled_area; }},
    {"thinned_area", Type::real, "ha",
     "The hectares thinned in the period: each thinning counts the area under it (an area "
     "thinned twice counts twice).",
     [](const PeriodRow& r) -> Cell { return r.totals.thinned_area; }},
    {"flow", Type::real, "",
     "F_k: the plan's `flow` over the whole area (m3, or money for `revenue`): the sum over "
     "plan.csv's rows of the stand's area times the candidate's flow times the share.",
     [](const PeriodRow& r) -> Cell { return r.totals.flow; }},
};

using K = ConstraintFigures;

Cell optional(const std::optional<double>& x) { return x ? Cell(*x) : Cell(); }

const Column<K> kConstraintColumns[] = {
    {"name", Type::text, "",
     "`shares:STAND`: the stand's shares sum to 1. `flow_not_below:K`: F_K - (1 - tolerance) * "
     "F_(K-1) >= 0; `flow_not_above:K`: F_K - (1 + tolerance) * F_(K-1) <= 0. `min_flow:K`: F_K "
     ">= min_flow; `max_flow:K`: F_K <= max_flow. `max_felled_area:K`: felled_area <= "
     "max_felled_area. `ending_volume`: the vol_tot standing at the horizon's end over the area "
     "(the sum of area * share * ending_vol_tot) >= ending_volume times today's (the sum of "
     "area * vol_tot at step 0 in stands.csv). Bounds of 0 give no row.",
     [](const K& r) -> Cell { return r.name; }},
    {"lhs", Type::real, "",
     "Its left side under the plan (infeasible: under the least violations).",
     [](const K& r) -> Cell { return r.lhs; }},
    {"rhs", Type::real, "", "Its right side.", [](const K& r) -> Cell { return r.rhs; }},
    {"slack", Type::real, "",
     "How far the left side is from the bound, in its favour (lhs - rhs for >=, rhs - lhs for "
     "<=, 0 for =).",
     [](const K& r) -> Cell { return r.slack; }},
    {"dual", Type::real, "",
     "The shadow price: what the objective gains per unit the right side is raised. Empty for "
     "an integer plan (a mixed-integer program has none) and when infeasible.",
     [](const K& r) { return optional(r.dual); }},
    {"violation", Type::real, "",
     "When infeasible: the least violation of the row (in its units) that makes the plan "
     "feasible, from a second program that minimises the sum of the violations of the "
     "forest-wide rows, each divided by its right side (by the largest its left side can be "
     "where the right side is 0), or by 1 where that is less. Empty otherwise.",
     [](const K& r) { return optional(r.violation); }},
};

using PS = PlanSolution;

const Column<PS> kSolutionColumns[] = {
    {"status", Type::text, "",
     "`optimal` (within `gap` for an integer plan); `infeasible`: the constraints cannot all "
     "hold (see constraints.csv's violation); `time_limit`: the solver stopped at time_limit, "
     "with the best plan found if any.",
     [](const PS& r) -> Cell { return std::string_view(r.status); }},
    {"objective", Type::real, "",
     "The sum over plan.csv's rows of area * coefficient (money or m3).",
     [](const PS& r) { return optional(r.objective); }},
    {"bound", Type::real, "",
     "The most the objective can be, as the solver proved it (the objective itself for a linear "
     "plan).",
     [](const PS& r) { return optional(r.bound); }},
    {"gap", Type::real, "", "(bound - objective) / |objective|.",
     [](const PS& r) { return optional(r.gap); }},
    {"split_stands", Type::integer, "", "The stands under two regimes or more.",
     [](const PS& r) -> Cell { return std::int64_t{r.split_stands}; }},
    {"solver", Type::text, "",
     "The solver and its version: CLP for a linear plan, CBC for an integer one (one thread).",
     [](const PS& r) -> Cell { return r.solver; }},
};

}  // namespace

const Table<StateRow> kStandsTable{"stands", kStandColumns};
const Table<ClassRow> kClassesTable{"classes", kClassColumns};
const Table<Run> kRunsTable{"runs", kRunColumns};
const Table<Run> kValuesTable{"values", kValueColumns};
const Table<CashFlowRow> kCashFlowsTable{"cashflows", kCashFlowColumns};
const Table<StandOptimum> kOptimumTable{"optimum", kOptimumColumns};
const Table<CandidateRow> kCandidatesTable{"candidates", kCandidateColumns};
const Table<CandidateFlowRow> kCandidateFlowsTable{"candidate_flows", kCandidateFlowColumns};
const Table<PlanRow> kPlanTable{"plan", kPlanColumns};
const Table<PeriodRow> kPeriodsTable{"periods", kPeriodColumns};
const Table<ConstraintFigures> kConstraintsTable{"constraints", kConstraintColumns};
const Table<PlanSolution> kSolutionTable{"solution", kSolutionColumns};

std::string shown_text(const Cell& cell, Shown shown) {
  io::Layout l;
  if (const auto* whole = std::get_if<std::int64_t>(&cell)) {
    l.I(shown.width, static_cast<float>(*whole));
  } else if (const auto* x = std::get_if<float>(&cell)) {
    if (shown.decimals < 0)
      l.I(shown.width, *x);
    else
      l.F(shown.width, shown.decimals, *x);
  } else if (const auto* d = std::get_if<double>(&cell)) {
    l.F(shown.width, std::max(shown.decimals, 0), *d);
  }
  const std::string_view b = l.bytes();
  return std::string(b.substr(std::min(b.find_first_not_of(' '), b.size())));
}

const char* run_status(const Run& r) {
  switch (r.status) {
    case Run::Status::ok:
      return "ok";
    case Run::Status::refused:
      return "refused";
    case Run::Status::out_of_range:
      return "out_of_range";
  }
  return "";
}

namespace {

template <typename Row>
void describe(std::string& out, const Table<Row>& t, std::string_view about) {
  // Appended piece by piece: GCC 12 warns (-Wrestrict, wrongly) on a literal
  // added to a string here.
  for (std::string_view piece :
       {std::string_view("`"), t.name, std::string_view(".csv`: "), about,
        std::string_view("\n\n| column | unit | definition |\n|---|---|---|\n")})
    out += piece;
  for (const Column<Row>& c : t.columns)
    for (std::string_view piece :
         {std::string_view("| `"), c.name, std::string_view("` | "), c.unit,
          std::string_view(" | "), c.definition, std::string_view(" |\n")})
      out += piece;
  out += '\n';
}

}  // namespace

std::string columns_markdown() {
  std::string out;
  describe(out, kStandsTable, "one row per stand state, in the order the runs reach them.");
  describe(out, kClassesTable, "one row per diameter class of each state's stand table.");
  describe(out, kRunsTable, "one row per run.");
  describe(out, kValuesTable,
           "with `[economics]`, one row per run: what it is worth. Money is worked out in double "
           "precision from the figures of stands.csv as the model computed them (single "
           "precision); r is discount_rate, a0 the stand's age at step 0, p fire_hazard and q = 1 "
           "- p. A fire, arriving at random with probability p a year, ends the rotation and "
           "leaves nothing to sell (salvage is not modelled): every sum counts with the "
           "probability that the stand lives to it, q to the power of the years to it. S(n) is "
           "the sum for k = 1 .. n of q^(k-1) * (1+r)^-k, (1 - q^n * (1+r)^-n) / (r + p) (n where "
           "r + p is 0). With p = 0 the values are those without risk.");
  describe(out, kCashFlowsTable,
           "with `[economics]`, the cash flows of each run that has values: one row per thinning "
           "and the felling, then one for the annual costs and, when land_value is not 0, one for "
           "the land; the same rows whatever fire_hazard.");
  describe(out, kOptimumTable, "from `zireze optimize`, one row per stand: its best regime.");
  describe(out, kCandidatesTable,
           "from `zireze plan`, one row per stand and candidate regime (a0 is the stand's age at "
           "step 0, P the periods).");
  describe(out, kCandidateFlowsTable, "one row per candidate and period.");
  describe(out, kPlanTable, "one row per stand and candidate with a share above 0.");
  describe(out, kPeriodsTable, "one row per period: the plan's harvests.");
  describe(out, kConstraintsTable, "one row per constraint of the plan's program.");
  describe(out, kSolutionTable, "one row: how the program was solved.");
  return out;
}

}  // namespace zireze::batch
