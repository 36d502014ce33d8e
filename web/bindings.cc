// The page's entry points into the model. A scenario's text (the TOML file of
// `zireze run`) is read by the batch's reader and run, every stand under
// every regime; the page gets back, as JSON, each state's table with every
// cell as the console prints it, the figures its charts plot, and the
// scenario as read (to fill its form). The files `zireze run` writes (the
// three CSV files and each run's report) are kept here until the next run,
// and handed over as bytes.
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <cmath>
#include <exception>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "batch/rows.h"
#include "batch/run.h"
#include "batch/scenario.h"
#include "io/layout.h"
#include "io/session_lines.h"
#include "io/unit.h"

namespace {

using namespace zireze;
using namespace zireze::batch;

// More states than this (stands times the states of each run) would take the
// page's memory and its screen: such a scenario is for `zireze run`.
constexpr std::size_t kMostStates = 2000;

// JSON text, written in order: each value (after a key, or as an item of an
// array) takes the comma it needs.
class Json {
 public:
  Json& key(std::string_view k) {
    item();
    quoted(k);
    out_ += ':';
    after_key_ = true;
    return *this;
  }
  Json& str(std::string_view s) {
    item();
    quoted(s);
    return *this;
  }
  // A float as the shortest text that reads back to it; null for NaN and
  // the infinities, which JSON has no word for.
  Json& num(float x) {
    item();
    if (std::isfinite(x))
      append_number(out_, x);
    else
      out_ += "null";
    return *this;
  }
  Json& raw(std::string_view s) {
    item();
    out_ += s;
    return *this;
  }
  Json& open(char c) {
    item();
    out_ += c;
    first_ = true;
    return *this;
  }
  Json& close(char c) {
    out_ += c;
    first_ = false;
    return *this;
  }
  std::string take() { return std::move(out_); }

 private:
  void item() {
    if (after_key_)
      after_key_ = false;
    else if (!first_)
      out_ += ',';
    first_ = false;
  }
  void quoted(std::string_view s) {
    out_ += '"';
    for (char ch : s) {
      const auto c = static_cast<unsigned char>(ch);
      if (c == '"' || c == '\\') {
        out_ += '\\';
        out_ += ch;
      } else if (c < 0x20) {
        static const char hex[] = "0123456789abcdef";
        out_ += "\\u00";
        out_ += hex[c >> 4];
        out_ += hex[c & 15];
      } else {
        out_ += ch;
      }
    }
    out_ += '"';
  }
  std::string out_;
  bool first_ = true;
  bool after_key_ = false;
};

// A field as the console prints it, without its leading blanks.
std::string trimmed(const io::Layout& l) {
  std::string_view b = l.bytes();
  const std::size_t first = b.find_first_not_of(' ');
  return std::string(first == std::string_view::npos ? std::string_view() : b.substr(first));
}
std::string fixed(float x, int w, int d) { return trimmed(io::Layout().F(w, d, x)); }
std::string whole(float x, int w) { return trimmed(io::Layout().I(w, x)); }

// The console lines of a table above its column headings: age, site class,
// dominant height, mean diameter, Weibull parameters.
std::vector<std::string> header_lines(const StandTable& t) {
  std::ostringstream console;
  io::Unit console_unit(&console, "");
  io::Unit report_unit(nullptr, "");
  io::stand_table(io::Units{console_unit, report_unit}, t);
  std::vector<std::string> lines;
  std::istringstream in(console.str());
  for (std::string line; std::getline(in, line) && !line.starts_with("  DAP");)
    lines.push_back(line);
  return lines;
}

std::string report_line(void (*write)(io::Unit&, float), float x) {
  std::ostringstream text;
  io::Unit unit(&text, "");
  write(unit, x);
  std::string s = text.str();
  if (!s.empty() && s.back() == '\n') s.pop_back();
  return s;
}

const char* heading(const State& s) {
  switch (s.event) {
    case Event::initial:
      return s.stand.unthinned ? "CARACTERISTICAS DO POVOAMENTO NAO DESBASTADO"
                               : "CARACTERISTICAS DO POVOAMENTO DESBASTADO";
    case Event::thinned:
      return "CARACTERISTICAS DO POVOAMENTO APOS DESBASTE";
    case Event::projected:
      return "CARACTERISTICAS DO POVOAMENTO PROJECTADO";
  }
  return "";
}

// How a chart shows each figure of kStandColumns: the age and dominant
// height with one decimal, trees and basal area as in the table's totals,
// the volumes likewise; the site class and Weibull parameters as the header.
std::string shown(std::string_view column, float x) {
  if (column == "age" || column == "hd" || column == "si" || column == "dq" || column == "dmin" ||
      column == "h")
    return fixed(x, 6, 1);
  if (column == "a" || column == "b" || column == "c") return fixed(x, 6, 2);
  if (column.find("vol") != std::string_view::npos) return fixed(x, 9, 2);
  return fixed(x, 10, 1);
}

void state_json(Json& j, const State& s, const State* before, const Step* step) {
  j.open('{');
  j.key("step").raw(std::to_string(s.step));
  j.key("event").str(event_name(s.event));
  j.key("heading").str(heading(s));
  j.key("header").open('[');
  for (const std::string& line : header_lines(s.table)) j.str(line);
  j.close(']');
  // The report's line for the thinning that led here.
  std::string note;
  if (step && before && step->kind == Step::Kind::rows)
    note = report_line(io::row_thinning_line,
                       thin_rows(before->stand, row_fraction(step->one_in)).percent);
  if (step && step->kind == Step::Kind::selective)
    note = report_line(io::selective_thinning_line, step->value);
  j.key("note").str(note);

  j.key("classes").open('[');
  for (const TableClass& c : s.table.classes) {
    j.open('[');
    j.str(whole(static_cast<float>(c.dap), 3));
    for (float v : {c.n, c.g, c.h}) j.str(fixed(v, 10, 1));
    for (float v : {c.vol_tot, c.vol_rol, c.vol_mad}) j.str(fixed(v, 8, 2));
    j.close(']');
  }
  j.close(']');
  const TableTotals& t = s.table.totals;
  j.key("totals").open('[');
  for (float v : {t.n, t.g, t.h}) j.str(fixed(v, 10, 1));
  for (float v : {t.vol_tot, t.vol_rol, t.vol_mad}) j.str(fixed(v, 9, 2));
  j.close(']');

  // The figures the charts plot, and how they show them.
  const auto values = stand_values(s);
  j.key("values").open('{');
  for (std::size_t i = 0; i < values.size(); ++i)
    if (values[i]) j.key(kStandColumns[i]).num(*values[i]);
  j.close('}');
  j.key("shown").open('{');
  for (std::size_t i = 0; i < values.size(); ++i)
    if (values[i]) j.key(kStandColumns[i]).str(shown(kStandColumns[i], *values[i]));
  j.close('}');
  j.key("dist").open('[');
  for (const TableClass& c : s.table.classes) {
    j.open('[');
    j.raw(std::to_string(c.dap)).num(c.n);
    j.close(']');
  }
  j.close(']');
  j.close('}');
}

// What the page keeps of the last run for download.
struct Files {
  std::vector<std::string> names;
  std::vector<std::string> bytes;
};
Files last;

std::string report_name(const Run& r) {
  return r.regime_id.empty() ? r.stand_id + ".txt" : r.stand_id + "." + r.regime_id + ".txt";
}

std::string number_text(float x) {
  std::string s;
  append_number(s, x);
  return s;
}

// The scenario as read, every number as the shortest text that reads back to
// the same float: what the page's form shows.
void scenario_json(Json& j, const Scenario& sc) {
  j.key("bark").raw(sc.bark ? "true" : "false");
  j.key("stands").open('[');
  for (const StandEntry& s : sc.stands) {
    j.open('{');
    j.key("id").str(s.id);
    j.key("age").str(number_text(s.IDADE));
    if (s.SI > 0.0f)
      j.key("site_class").str(number_text(s.SI));
    else
      j.key("dominant_height").str(number_text(s.HD));
    switch (s.kind) {
      case StandEntry::Kind::unthinned:
        j.key("kind").str(s.TS > 0.0f ? "trees" : s.BA > 0.0f ? "basal_area" : "trees_planted");
        j.key("density").str(number_text(s.TS > 0.0f ? s.TS : s.BA > 0.0f ? s.BA : s.TP));
        break;
      case StandEntry::Kind::counts:
        j.key("kind").str("counts");
        j.key("counts").open('[');
        for (float c : s.counts) j.str(number_text(c));
        j.close(']');
        break;
      case StandEntry::Kind::weibull:
        j.key("kind").str("weibull");
        j.key("weibull").open('{');
        j.key("trees").str(number_text(s.TS)).key("a").str(number_text(s.A));
        j.key("b").str(number_text(s.B)).key("c").str(number_text(s.C));
        j.close('}');
        break;
      case StandEntry::Kind::attributes:
        j.key("kind").str("attributes");
        j.key("attributes").open('{');
        j.key("trees").str(number_text(s.TS)).key("basal_area").str(number_text(s.BA));
        j.key("dmin").str(number_text(s.DMIN)).key("p90").str(number_text(s.P90));
        j.close('}');
        break;
    }
    j.close('}');
  }
  j.close(']');
  j.key("regimes").open('[');
  for (const Regime& r : sc.regimes) {
    j.open('{');
    j.key("id").str(r.id);
    j.key("steps").open('[');
    for (const Step& st : r.steps) {
      j.open('{');
      switch (st.kind) {
        case Step::Kind::rows:
          j.key("thin").str("rows").key("one_in").raw(std::to_string(st.one_in));
          break;
        case Step::Kind::selective:
          j.key("thin").str("selective").key("residual_basal_area").str(number_text(st.value));
          break;
        case Step::Kind::grow:
          j.key("grow_to").str(number_text(st.value));
          break;
      }
      j.close('}');
    }
    j.close(']');
    j.close('}');
  }
  j.close(']');
}

void problem_json(Json& j, const Problem& p) {
  j.open('{');
  j.key("line").raw(std::to_string(p.where.line));
  j.key("column").raw(std::to_string(p.where.column));
  j.key("what").str(p.what);
  j.key("message").str(to_string(p));
  j.close('}');
}

std::string run_text(const std::string& text, const std::string& file) {
  last = Files{};
  std::vector<Problem> problems;
  // The page reads no files: the stands come from the scenario itself.
  const FileReader no_files = [](const std::string&, std::string& why) {
    why = "the page reads no other file; give the stands as [[stand]] tables";
    return std::optional<std::string>();
  };
  std::optional<Scenario> sc = read_scenario(text, file, no_files, problems);
  if (sc) {
    std::size_t states = 0;
    for (const Regime& r : sc->regimes) states += r.steps.size() + 1;
    states = sc->stands.size() * std::max<std::size_t>(states, 1);
    if (states > kMostStates) {
      problems.push_back({Where{file, 1, 1}, "more than " + std::to_string(kMostStates) +
                                                 " stand states: too many for the page "
                                                 "(zireze run computes any number)"});
      sc.reset();
    }
  }

  Json j;
  j.open('{');
  j.key("problems").open('[');
  for (const Problem& p : problems) problem_json(j, p);
  j.close(']');
  if (!sc) {
    j.close('}');
    return j.take();
  }
  scenario_json(j, *sc);

  std::string stands = stands_header(), classes = classes_header(), runs = runs_header();
  last.names = {"stands.csv", "classes.csv", "runs.csv"};
  last.bytes.resize(3);
  j.key("runs").open('[');
  auto one = [&](const StandEntry& entry, const Regime* regime) {
    const Run r = run(entry, regime, sc->bark, true);
    append_stand_rows(stands, r);
    append_class_rows(classes, r);
    append_run_row(runs, r);
    j.open('{');
    j.key("stand").str(r.stand_id);
    j.key("regime").str(r.regime_id);
    j.key("refusal").str(r.refusal);
    // The step the model could not take: the one after the last state.
    if (!r.refusal.empty()) j.key("refused_step").raw(std::to_string(r.states.back().step + 1));
    j.key("file").raw(std::to_string(last.names.size()));
    j.key("report").str(report_name(r));
    j.key("states").open('[');
    for (std::size_t i = 0; i < r.states.size(); ++i) {
      const State& s = r.states[i];
      const Step* step =
          s.step > 0 ? &regime->steps[static_cast<std::size_t>(s.step - 1)] : nullptr;
      state_json(j, s, i > 0 ? &r.states[i - 1] : nullptr, step);
    }
    j.close(']');
    j.close('}');
    last.names.push_back(report_name(r));
    last.bytes.push_back(r.report);
  };
  for (const StandEntry& entry : sc->stands) {
    if (sc->regimes.empty()) one(entry, nullptr);
    for (const Regime& regime : sc->regimes) one(entry, &regime);
  }
  j.close(']');
  last.bytes[0] = std::move(stands);
  last.bytes[1] = std::move(classes);
  last.bytes[2] = std::move(runs);
  j.key("files").open('[');
  for (const std::string& name : last.names) j.str(name);
  j.close(']');
  j.close('}');
  return j.take();
}

}  // namespace

// Reads and runs the scenario `text`, named `file` in problem messages.
std::string run_scenario(const std::string& text, const std::string& file) {
  try {
    return run_text(text, file);
  } catch (const std::exception& e) {
    last = Files{};
    Json j;
    j.open('{').key("problems").open('[');
    problem_json(j,
                 Problem{Where{file, 1, 1}, std::string("the page could not run it: ") + e.what()});
    j.close(']').close('}');
    return j.take();
  }
}

// The bytes of file `i` of the last run (the three CSV files, then each
// run's report), as they are: the reports are Latin-1.
emscripten::val file_bytes(int i) {
  if (i < 0 || static_cast<std::size_t>(i) >= last.bytes.size())
    return emscripten::val::global("Uint8Array").new_(0);
  const std::string& b = last.bytes[static_cast<std::size_t>(i)];
  return emscripten::val::global("Uint8Array")
      .new_(emscripten::typed_memory_view(b.size(),
                                          reinterpret_cast<const unsigned char*>(b.data())));
}

// A chart's tick as the tables show figures: Fw.d, or Iw for a whole number
// (w wide enough for any tick), leading blanks dropped.
std::string tick(float x, int d) { return d > 0 ? fixed(x, 16, d) : whole(x, 12); }

EMSCRIPTEN_BINDINGS(zireze_page) {
  emscripten::function("run_scenario", &run_scenario);
  emscripten::function("file_bytes", &file_bytes);
  emscripten::function("tick", &tick);
}
