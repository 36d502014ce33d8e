#include "batch/schema.h"

#include "io/events.h"

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

const Column<S> kStandColumns[] = {
    {"stand", Type::text, "", "The stand's id.", [](const S& r) -> Cell { return r.run.stand_id; }},
    {"regime", Type::text, "", "The regime's id; empty for a stand tabled alone.",
     [](const S& r) -> Cell { return r.run.regime_id; }},
    {"step", Type::integer, "",
     "0 for the stand as described, then the number of the regime's step that led to this "
     "state (from 1).",
     [](const S& r) -> Cell { return std::int64_t{r.state.step}; }},
    {"event", Type::text, "",
     "What led to this state: `initial` (the stand as described), `thinned`, `projected`.",
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
    {"ba", Type::real, "m2/ha", "Basal area.",
     [](const S& r) -> Cell { return r.state.stand.BA; }, kTotal},
    {"dq", Type::real, "cm",
     "Quadratic mean diameter, as the table's header shows it: the diameter of the tree of mean "
     "basal area, from ba and ts.",
     [](const S& r) -> Cell { return r.state.table ? Cell(r.state.table->DQ) : Cell(); },
     kOneDecimal},
    {"dmin", Type::real, "cm", "Minimum diameter.",
     [](const S& r) -> Cell { return r.state.stand.DMIN; }, kOneDecimal},
    {"a", Type::real, "cm", "Location of the Weibull distribution of diameters.",
     [](const S& r) -> Cell { return r.state.stand.A; }, kTwoDecimals},
    {"b", Type::real, "cm", "Scale of the Weibull distribution of diameters.",
     [](const S& r) -> Cell { return r.state.stand.B; }, kTwoDecimals},
    {"c", Type::real, "", "Shape of the Weibull distribution of diameters.",
     [](const S& r) -> Cell { return r.state.stand.C; }, kTwoDecimals},
    {"n", Type::real, "trees/ha",
     "Trees in the stand table: the sum of its classes' trees in the order printed (N.ARV. on "
     "the totals line).",
     [](const S& r) -> Cell { return r.state.table->totals.n; }, kTotal},
    {"g", Type::real, "m2/ha", "Basal area in the stand table, summed likewise (AREA BASAL).",
     [](const S& r) -> Cell { return r.state.table->totals.g; }, kTotal},
    {"h", Type::real, "m",
     "Mean height of the table's trees: the classes' heights weighted by their trees (ALTURA); "
     "0 when the table counts no tree.",
     [](const S& r) -> Cell { return r.state.table->totals.h; }, kTotal},
    {"vol_tot", Type::real, "m3/ha",
     "Total stem volume in the table (VOL.TOT.), with or without bark as the scenario's `bark` "
     "says.",
     [](const S& r) -> Cell { return r.state.table->totals.vol_tot; }, kVolume},
    {"vol_rol", Type::real, "m3/ha", "Roundwood volume: from the 20-cm to the 7-cm top (VOL.ROL.).",
     [](const S& r) -> Cell { return r.state.table->totals.vol_rol; }, kVolume},
    {"vol_mad", Type::real, "m3/ha", "Sawlog volume: from the stump to the 20-cm top (VOL.MAD.).",
     [](const S& r) -> Cell { return r.state.table->totals.vol_mad; }, kVolume},
    {"removed_ts", Type::real, "trees/ha",
     "After a thinning: the trees it took out, ts of the state before less ts of this one. "
     "Empty on other rows.",
     [](const S& r) -> Cell { return r.state.removed ? Cell(r.state.removed->ts) : Cell(); },
     kTotal},
    {"removed_ba", Type::real, "m2/ha", "After a thinning: ba of the state before less this ba.",
     [](const S& r) -> Cell { return r.state.removed ? Cell(r.state.removed->ba) : Cell(); },
     kTotal},
    {"removed_vol_tot", Type::real, "m3/ha",
     "After a thinning: vol_tot of the state before less this vol_tot.",
     [](const S& r) -> Cell { return r.state.removed ? Cell(r.state.removed->vol_tot) : Cell(); },
     kVolume},
    {"removed_vol_rol", Type::real, "m3/ha", "After a thinning: likewise for vol_rol.",
     [](const S& r) -> Cell { return r.state.removed ? Cell(r.state.removed->vol_rol) : Cell(); },
     kVolume},
    {"removed_vol_mad", Type::real, "m3/ha", "After a thinning: likewise for vol_mad.",
     [](const S& r) -> Cell { return r.state.removed ? Cell(r.state.removed->vol_mad) : Cell(); },
     kVolume},
};

using C = ClassRow;

const Column<C> kClassColumns[] = {
    {"stand", Type::text, "", "As in stands.csv.", [](const C& r) -> Cell { return r.run.stand_id; }},
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
     "the run stopped there.",
     [](const Run& r) -> Cell { return std::string_view(run_status(r)); }},
    {"message", Type::text, "", "Why a run was refused, in the dialogue's words; empty otherwise.",
     [](const Run& r) -> Cell { return r.refusal; }},
};

}  // namespace

const Table<StateRow> kStandsTable{"stands", kStandColumns};
const Table<ClassRow> kClassesTable{"classes", kClassColumns};
const Table<Run> kRunsTable{"runs", kRunColumns};

const char* run_status(const Run& r) { return r.refusal.empty() ? "ok" : "refused"; }

namespace {

template <typename Row>
void describe(std::string& out, const Table<Row>& t, std::string_view about) {
  out += "`" + std::string(t.name) + ".csv`: " + std::string(about) + "\n\n";
  out += "| column | unit | definition |\n|---|---|---|\n";
  for (const Column<Row>& c : t.columns)
    out += "| `" + std::string(c.name) + "` | " + std::string(c.unit) + " | " +
           std::string(c.definition) + " |\n";
  out += '\n';
}

}  // namespace

std::string columns_markdown() {
  std::string out;
  describe(out, kStandsTable, "one row per stand state, in the order the runs reach them.");
  describe(out, kClassesTable, "one row per diameter class of each state's stand table.");
  describe(out, kRunsTable, "one row per run.");
  return out;
}

}  // namespace zireze::batch
