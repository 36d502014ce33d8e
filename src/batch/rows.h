// The three tables a batch writes (stands, classes, runs): their columns, the
// values of each row, and their CSV text. Numbers are the model's floats; as
// text, the shortest that reads back to the same float.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "batch/run.h"

namespace zireze::batch {

// The first four columns of the stands and classes tables: stand, regime,
// step, event. Then the numbers below.
inline constexpr std::array<std::string_view, 4> kKeyColumns = {"stand", "regime", "step", "event"};

// age to c: the stand; n to vol_mad: the table's totals (h the mean height);
// removed_*: what a thinning took out (empty on other rows).
inline constexpr std::array<std::string_view, 21> kStandColumns = {"age",
                                                                   "si",
                                                                   "hd",
                                                                   "ts",
                                                                   "ba",
                                                                   "dq",
                                                                   "dmin",
                                                                   "a",
                                                                   "b",
                                                                   "c",
                                                                   "n",
                                                                   "g",
                                                                   "h",
                                                                   "vol_tot",
                                                                   "vol_rol",
                                                                   "vol_mad",
                                                                   "removed_ts",
                                                                   "removed_ba",
                                                                   "removed_vol_tot",
                                                                   "removed_vol_rol",
                                                                   "removed_vol_mad"};
std::array<std::optional<float>, 21> stand_values(const State& s);

// The figures of one class line, unrounded.
inline constexpr std::array<std::string_view, 7> kClassColumns = {
    "dap", "n", "g", "h", "vol_tot", "vol_rol", "vol_mad"};
std::array<float, 7> class_values(const TableClass& c);

inline constexpr std::array<std::string_view, 4> kRunColumns = {"stand", "regime", "status",
                                                                "message"};
const char* run_status(const Run& r);  // "ok" or "refused"

// A float as the shortest text that reads back to it; NaN, Inf, -Inf.
void append_number(std::string& out, float x);

// CSV text: the header lines, and the rows of one run appended to `out`.
std::string stands_header();
std::string classes_header();
std::string runs_header();
void append_stand_rows(std::string& out, const Run& r);
void append_class_rows(std::string& out, const Run& r);
void append_run_row(std::string& out, const Run& r);

}  // namespace zireze::batch
