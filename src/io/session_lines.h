// The lines a session writes besides its questions: the title block, the
// description of the initial stand, the thinning lines, the stand headings and
// tables. The dialogue writes them between its questions; the batch writes
// the same lines into each run's report, with the console discarded.
#pragma once

#include <string>

#include "distribution/weibull.h"
#include "io/unit.h"
#include "table/stand_table.h"

namespace zireze::io {

void title_block(Units out);

// "POVOAMENTO NAO DESBASTADO" or "POVOAMENTO PREVIAMENTE DESBASTADO".
void history_line(Unit& report, bool unthinned);
void site_line(Unit& report, float SI, float HD);
// The one density figure given: live trees, else basal area, else trees planted.
void density_line(Unit& report, float TS, float BA, float TP);

void counts_heading(Unit& report);
void weibull_heading(Unit& report);
void weibull_echo(Unit& report, float TS, float A, float B, float C);
void attributes_heading(Unit& report);
void attributes_echo(Unit& report, float TS, float BA, float DMIN, float P90);

// One line for each argument the gamma function could not take.
void gamma_lines(Unit& report, const GammaComplaints& complaints);

void row_thinning_line(Unit& report, float percent);
void selective_thinning_line(Unit& report, float residual);

// Five empty lines, then the heading ("CARACTERISTICAS DO POVOAMENTO ...").
void stand_heading(Units out, const char* heading);

// The header lines (different on the console and in the report), the
// gamma function's complaints (report), the classes and the totals.
void stand_table(Units out, const StandTable& table);
// The same lines as text: those of the console (console true) or of the report.
std::string stand_table_text(const StandTable& table, bool console);

// One class line: centre, trees, basal area, height and the three volumes.
Layout class_line(const TableClass& c);
Layout totals_line(const TableTotals& t);

}  // namespace zireze::io
