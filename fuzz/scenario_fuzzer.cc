// Arbitrary bytes as a scenario file and the CSV of plots it names: the bytes
// before the first 0xFF are the scenario, those after it the CSV. Besides
// what the sanitizers catch, every input must
//  - give a scenario or at least one problem, never both nor neither;
//  - give each problem as one line, without control bytes, with a place;
//  - be written by the one writer as text that reads back to the same
//    scenario (written again, the same text);
//  - run, when it is a scenario (its first stands and regimes), with a
//    refusal or every step taken, and rows that format (values too).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "batch/csv.h"
#include "batch/plain.h"
#include "batch/run.h"
#include "batch/scenario.h"
#include "check.h"
#include "plan/program.h"

namespace zireze::fuzz {
namespace {

// One line, without control bytes (bytes beyond ASCII may stand in a file's
// name).
bool one_line(const std::string& s) {
  for (char c : s)
    if ((c >= 0 && c < 0x20) || c == 0x7F) return false;
  return !s.empty();
}

// The run as a candidate of a plan of its stand alone: its figures, the
// program over them and the periods under all of it.
void plan_some(const PlanSettings& p, const batch::Run& r, int bark) {
  std::string why;
  std::optional<CandidateFigures> figures = candidate_figures(r.states, r.value, p, bark, why);
  check(figures.has_value() != !why.empty(), "a candidate, or why not");
  if (!figures) return;
  check(static_cast<int>(figures->periods.size()) == p.periods(), "a harvest a period");
  const PlanStand stand{"s", 1, 0, {*figures}};
  const LinearProgram lp = plan_program(p, std::span(&stand, 1));
  check(lp.objective.size() == 1 && !lp.rows.empty(), "a column, and its stand's row");
  const double all = 1;
  check(period_totals(p, std::span(&stand, 1), std::span(&all, 1)).size() ==
            static_cast<std::size_t>(p.periods()),
        "totals a period");
}

void run_some(const Scenario& s) {
  for (std::size_t i = 0; i < s.stands.size() && i < 4; ++i) {
    for (std::size_t j = 0; j < s.regimes.size() + 1 && j < 3; ++j) {
      const Regime* regime = j < s.regimes.size() ? &s.regimes[j] : nullptr;
      if (regime && regime->steps.size() > 16) continue;
      const batch::Run r =
          batch::run(s.stands[i], regime, s.bark, true, s.economics ? &*s.economics : nullptr);
      const std::size_t steps = regime ? regime->steps.size() : 0;
      check(r.states.size() == steps + 1 || r.status == batch::Run::Status::refused,
            "a run takes every step or says why not");
      std::string rows;
      batch::append_stand_rows(rows, r);
      batch::append_class_rows(rows, r);
      batch::append_run_row(rows, r);
      batch::append_value_row(rows, r);
      batch::append_cash_flow_rows(rows, r);
      check(!rows.empty(), "a run gives rows");
      if (s.plan && r.status == batch::Run::Status::ok) plan_some(*s.plan, r, s.bark);
    }
  }
}

}  // namespace
}  // namespace zireze::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zireze;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\xFF');
  const std::string_view toml = input.substr(0, split);
  const std::string csv(split == std::string_view::npos ? "" : input.substr(split + 1));
  std::vector<batch::Problem> problems;
  auto read_csv = [&](const std::string&, std::string&) -> std::optional<std::string> {
    return csv;
  };
  std::optional<Scenario> s = batch::read_scenario(toml, "s.toml", read_csv, problems);
  fuzz::check(s.has_value() != !problems.empty(), "a scenario, or problems");
  for (const batch::Problem& p : problems)
    fuzz::check(fuzz::one_line(batch::to_string(p)), "a problem is one line");
  if (s) {
    const std::string text = batch::toml_text(batch::plain_of(*s)).text;
    std::vector<batch::Problem> again;
    std::optional<Scenario> back = batch::read_scenario(text, "w.toml", read_csv, again);
    fuzz::check(back.has_value(), "a scenario written reads back");
    if (back)
      fuzz::check(batch::toml_text(batch::plain_of(*back)).text == text,
                  "a scenario written reads back to the same scenario");
    fuzz::run_some(*s);
  }
  return 0;
}
