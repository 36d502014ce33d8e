// The page's entry points into the model. The form comes as plain data shaped
// like a scenario file, or a scenario file comes as text; either is read by
// the batch's one reader and run, each stand under the regimes that run on
// it. The page gets back, as JSON, the scenario's TOML text (to save and to
// share), each problem with the form's value it is about, and each state
// with its figures as the stand tables print them, and, with prices and
// costs, each run's values as values.csv holds them. The files `zireze run`
// writes (the CSV files and each run's report) are kept here until the
// next run, and handed over as bytes. The plots file the user chooses is
// kept here too: the scenario's stands_csv names it, and the reader reads
// it as `zireze run` reads one from disk. The search for a stand's best
// regime (run in a worker, away from the page's thread) reads the form the
// same way and answers with optimum.csv's row, the best regime as plain
// data, as TOML and as the schedule of its thinnings and felling.
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <cstdint>
#include <exception>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "batch/csv.h"
#include "batch/optimum.h"
#include "batch/plain.h"
#include "batch/run.h"
#include "batch/scenario.h"
#include "batch/schema.h"
#include "batch/stands_csv.h"
#include "io/events.h"
#include "io/session_lines.h"
#include "io/unit.h"

namespace {

using namespace zireze;
using namespace zireze::batch;
using emscripten::val;

// More states than this (the states of every run) would take the page's
// memory and its screen: such a scenario is for `zireze run`.
constexpr std::uint64_t kMostStates = 2000;

// The name of the form's scenario in problems, and of the file it saves.
const std::string kFormFile = "cenario.toml";

// A text as a JSON string.
std::string quoted(std::string_view s) {
  static const char hex[] = "0123456789abcdef";
  std::string out = "\"";
  for (char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') out += '\\';
    if (c >= 0x20) {
      out += ch;
    } else {
      out += "\\u00";
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out + '"';
}

// JSON text, written in order: each value (after a key, or as an item of an
// array) takes the comma it needs.
class Json {
 public:
  Json& key(std::string_view k) {
    str(k).out_ += ':';
    fresh_ = true;
    return *this;
  }
  Json& str(std::string_view s) { return raw(quoted(s)); }
  Json& raw(std::string_view s) {
    if (!fresh_) out_ += ',';
    out_ += s;
    fresh_ = false;
    return *this;
  }
  Json& open(char c) {
    raw(std::string_view(&c, 1)).fresh_ = true;
    return *this;
  }
  Json& close(char c) {
    out_ += c;
    fresh_ = false;
    return *this;
  }
  std::string take() { return std::move(out_); }

 private:
  std::string out_;
  bool fresh_ = true;  // nothing written since an opening or a key
};

// ---- figures, as the stand tables print them ------------------------------

// A cell's number as JSON: its shortest text; null for NaN and the
// infinities, which JSON has no word for.
std::string json_number(const Cell& c) {
  std::string s;
  append_cell(s, c);
  return s == "NaN" || s.ends_with("Inf") ? "null" : s;
}

// The cells of a row that the page shows (the figures of its table's columns
// with a field), as numbers or as printed; `keyed`: an object by column name.
template <typename Row>
void figures(Json& j, const Table<Row>& t, const Row& row, bool keyed, bool printed) {
  j.open(keyed ? '{' : '[');
  for (const Column<Row>& column : t.columns) {
    if (column.shown.width == 0) continue;
    const Cell c = column.cell(row);
    if (std::holds_alternative<std::monostate>(c)) continue;
    if (keyed) j.key(column.name);
    if (printed)
      j.str(shown_text(c, column.shown));
    else
      j.raw(json_number(c));
  }
  j.close(keyed ? '}' : ']');
}

// Every cell of a row of table `t`, in the order of its columns: the column's
// name, the cell as the CSV file holds it, as the page shows it (a figure of
// a column with a field rounded to it, else the same text) and, for a
// number, the number (for the charts).
template <typename Row>
void cells_json(Json& j, const Table<Row>& t, const Row& row) {
  j.open('[');
  for (const Column<Row>& column : t.columns) {
    const Cell c = column.cell(row);
    const std::string text = cell_text(c);
    const bool number =
        !std::holds_alternative<std::monostate>(c) && !std::holds_alternative<std::string_view>(c);
    j.open('{');
    j.key("col").str(column.name);
    j.key("value").str(text);
    j.key("shown").str(number && column.shown.width > 0 ? shown_text(c, column.shown) : text);
    if (number) j.key("number").raw(json_number(c));
    j.close('}');
  }
  j.close(']');
}

// The columns of table `t`, by name.
template <typename Row>
void columns_json(Json& j, const Table<Row>& t) {
  j.open('[');
  for (const Column<Row>& column : t.columns) j.open('{').key("name").str(column.name).close('}');
  j.close(']');
}

// The lines of a text.
std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

void state_json(Json& j, const Run& r, const State& s, const Step* step) {
  j.open('{');
  j.key("step").raw(std::to_string(s.step));
  j.key("event").str(io::event_name(s.event));
  const char* heading = io::state_heading(s);
  j.key("heading").str(heading ? heading : "");
  // The report's line for the thinning that led here, if one did.
  std::ostringstream note;
  io::Unit written(&note, "");
  if (s.row_percent) io::row_thinning_line(written, *s.row_percent);
  if (step && step->kind == Step::Kind::selective)
    io::selective_thinning_line(written, step->value);
  const std::vector<std::string> note_lines = lines_of(note.str());
  j.key("note").str(note_lines.empty() ? "" : note_lines[0]);
  // The table's lines above its column headings: age, site class, dominant
  // height, mean diameter, Weibull parameters.
  j.key("header").open('[');
  if (s.table)
    for (const std::string& line : lines_of(io::stand_table_text(*s.table, true))) {
      if (line.starts_with("  DAP")) break;
      j.str(line);
    }
  j.close(']');
  // The stand's figures (the charts', the totals', the removals') and its
  // table's classes, each as a number and as printed.
  const StateRow row{r, s};
  j.key("values");
  figures(j, kStandsTable, row, true, false);
  j.key("shown");
  figures(j, kStandsTable, row, true, true);
  for (const bool printed : {true, false}) {
    j.key(printed ? "classes" : "class_values").open('[');
    if (s.table)
      for (const TableClass& c : s.table->classes)
        figures(j, kClassesTable, ClassRow{r, s, c}, false, printed);
    j.close(']');
  }
  j.close('}');
}

// ---- the scenario as plain data ------------------------------------------

// The form's plain data: booleans, strings, arrays and objects, keys in their
// order. A string under a key that holds numbers is the number typed, when it
// is one; else it stays a string, which the reader refuses where it stands.
Plain plain_from(const val& v, std::string_view key) {
  if (v.isTrue() || v.isFalse()) return Plain::of(v.isTrue());
  if (v.isArray()) {
    Plain list = Plain::array();
    const int n = v["length"].as<int>();
    for (int i = 0; i < n; ++i) list.items.push_back(plain_from(v[i], key));
    return list;
  }
  if (v.isString() || !v.instanceof (val::global("Object"))) {
    const std::string text = val::global("String")(v).as<std::string>();
    if (number_key(key))
      if (std::optional<std::string> number = toml_number(text)) return Plain::number(*number);
    return Plain::string(text);
  }
  Plain table = Plain::table();
  const val keys = val::global("Object").call<val>("keys", v);
  const int n = keys["length"].as<int>();
  for (int i = 0; i < n; ++i) {
    const std::string k = keys[i].as<std::string>();
    table.add(k, plain_from(v[k], k));
  }
  return table;
}

// Plain data as JSON, every number as its text.
void plain_json(Json& j, const Plain& p) {
  using K = Plain::Kind;
  if (p.kind == K::boolean) j.raw(p.boolean ? "true" : "false");
  if (p.kind == K::number || p.kind == K::string) j.str(p.text);
  if (p.kind == K::array) j.open('[');
  for (const Plain& item : p.items) plain_json(j, item);
  if (p.kind == K::array) j.close(']');
  if (p.kind == K::table) j.open('{');
  for (const auto& [k, v] : p.entries) plain_json(j.key(k), v);
  if (p.kind == K::table) j.close('}');
}

// ---- reading and running -----------------------------------------------

// What the page keeps of the last run for download: each file's name and
// bytes, the CSV files first.
std::vector<std::pair<std::string, std::string>> last;

// The states of the planned runs, counted until they pass the page's limit.
bool too_many_states(const Scenario& sc, const RunPlan& runs) {
  std::uint64_t states = 0;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const PlannedRun p = runs[i];
    states += 1 + (p.regime ? sc.regimes[*p.regime].steps.size() : 0);
    if (states > kMostStates) return true;
  }
  return false;
}

// `places`: where the form's values were written, to name the value each
// problem is about; a problem of the plots file is about the form's
// stands_csv.
void problem_json(Json& j, const Problem& p, const std::vector<Place>* places) {
  j.open('{');
  j.key("what").str(p.what);
  j.key("message").str(to_string(p));
  if (places)
    j.key("path").str(p.where.file == kFormFile ? path_at(*places, p.where.line, p.where.column)
                                                : "stands_csv");
  j.close('}');
}

void runs_json(Json& j, const Scenario& sc, const RunPlan& planned) {
  // The CSV files of `zireze run`, then each run's report.
  const std::span<const char* const> run_csv = run_files(sc);
  std::vector<std::string> rows;
  for (std::size_t i = 0; i < run_csv.size(); ++i) rows.push_back(run_file_header(i));
  std::vector<std::pair<std::string, std::string>> reports;
  j.key("files").open('[');
  for (const char* name : run_csv) j.str(name);
  j.close(']');
  if (sc.economics) columns_json(j.key("value_columns"), kValuesTable);
  j.key("runs").open('[');
  for (std::size_t i = 0; i < planned.size(); ++i) {
    const PlannedRun p = planned[i];
    const Regime* regime = p.regime ? &sc.regimes[*p.regime] : nullptr;
    const Run r = run_planned(sc, p, true);
    append_run_rows(rows, r);
    j.open('{');
    j.key("stand").str(r.stand_id);
    j.key("regime").str(r.regime_id);
    j.key("status").str(run_status(r));
    j.key("message").str(r.message);
    // The step the model could not take: the one after the last state.
    if (r.status == Run::Status::refused)
      j.key("refused_step").raw(std::to_string(r.states.back().step + 1));
    j.key("file").raw(std::to_string(run_csv.size() + reports.size()));
    j.key("report").str(report_name(r));
    // Its row of values.csv.
    if (sc.economics) cells_json(j.key("values"), kValuesTable, r);
    j.key("states").open('[');
    for (const State& s : r.states)
      state_json(j, r, s,
                 s.step > 0 ? &regime->steps[static_cast<std::size_t>(s.step - 1)] : nullptr);
    j.close(']');
    j.close('}');
    reports.emplace_back(report_name(r), r.report);
  }
  j.close(']');
  for (std::size_t i = 0; i < run_csv.size(); ++i)
    last.emplace_back(run_csv[i], std::move(rows[i]));
  for (auto& report : reports) last.push_back(std::move(report));
}

// ---- the plots file --------------------------------------------------------

// The plots file the user chose: its name (a file's name, without folders),
// its size, and its bytes unless it is larger than `zireze run` reads.
struct PlotsFile {
  std::string name;
  double size = 0;
  std::string bytes;
};
std::optional<PlotsFile> plots;

std::string_view base_name(std::string_view path) { return path.substr(path.rfind('/') + 1); }

// Whether the plots file chosen is the one `path` (a stands_csv) names.
bool holds(const std::string& path) { return plots && base_name(path) == plots->name; }

// The scenario `text`, read by the batch's reader; empty with its problems.
// Its stands_csv is the plots file chosen, read when its name is the one
// given (a path's folders aside); `named`: the stands_csv given, if any.
std::optional<Scenario> read(const std::string& text, const std::string& file,
                             std::vector<Problem>& problems, std::string* named = nullptr) {
  const FileReader chosen = [&](const std::string& path, std::string& why) {
    if (named) *named = path;
    if (!holds(path))
      why = "the page has not been given this file: choose it as the plots file";
    else if (plots->size > static_cast<double>(kLargestPlots))
      why = larger_than(kLargestPlots);
    else
      return std::optional<std::string>(plots->bytes);
    return std::optional<std::string>();
  };
  return read_scenario(text, file, chosen, problems);
}

// A scenario file's scenario as the form holds it: the stands read from its
// plots file stay there (its stands_csv, after bark, as the file gives it),
// the others become the form's.
Plain form_of(const Scenario& sc, const std::string& stands_csv) {
  Plain plain = plain_of(sc);
  if (stands_csv.empty()) return plain;
  std::vector<StandDescription> from_file;
  std::vector<Where> places;
  std::vector<Problem> problems;
  read_stands_csv(plots->bytes, stands_csv, from_file, places, problems);
  for (Plain::Entry& e : plain.entries)
    if (e.key == "stand") e.value.items.resize(e.value.items.size() - from_file.size());
  plain.entries.insert(plain.entries.begin() + 1, {"stands_csv", Plain::string(stands_csv)});
  return plain;
}

// Reads and runs the scenario `text`, named `file` in problem messages. The
// form's text comes with the places of its values; a file's scenario as read
// is handed back (plain data and its TOML text) to become the form.
//
// Also handed back: the ids of the scenario's stands (those of its plots file
// too) when it runs, and the stands_csv it gives when the page has not been
// given that file (plots_wanted).
std::string read_and_run(const std::string& text, const std::string& file,
                         const std::vector<Place>* places) {
  last.clear();
  std::vector<Problem> problems;
  std::string stands_csv;
  std::optional<Scenario> sc = read(text, file, problems, &stands_csv);
  const RunPlan planned = sc ? RunPlan(*sc) : RunPlan(Scenario{});
  if (sc && too_many_states(*sc, planned)) {
    problems.push_back({Where{file, 1, 1}, "more than " + std::to_string(kMostStates) +
                                               " stand states: too many for the page "
                                               "(zireze run computes any number)"});
    sc.reset();
  }

  Json j;
  j.open('{');
  j.key("problems").open('[');
  for (const Problem& p : problems) problem_json(j, p, places);
  j.close(']');
  if (!stands_csv.empty() && !holds(stands_csv)) j.key("plots_wanted").str(stands_csv);
  if (sc) {
    j.key("stands").open('[');
    for (const StandDescription& d : sc->stands) j.str(d.id);
    j.close(']');
  }
  if (places) j.key("toml").str(text);
  if (sc && !places) {
    const Plain plain = form_of(*sc, stands_csv);
    j.key("toml").str(toml_text(plain).text);
    plain_json(j.key("scenario"), plain);
  }
  if (sc) runs_json(j, *sc, planned);
  j.close('}');
  return j.take();
}

// The JSON of `work` (a run, or a search); a failure of the C++ code
// (memory, say) is its one problem.
template <typename Work>
std::string guarded(const std::string& file, Work work) {
  try {
    return work();
  } catch (const std::exception& e) {
    last.clear();
    Json j;
    j.open('{').key("problems").open('[');
    problem_json(j, {Where{file, 1, 1}, std::string("the page could not run it: ") + e.what()},
                 nullptr);
    return j.close(']').close('}').take();
  }
}

// ---- the best regime of a stand -------------------------------------------

// A figure of a state of run `r` as the page shows it in the stands table's
// column `name`.
std::string stand_figure(const Run& r, const State& s, std::string_view name) {
  for (const Column<StateRow>& column : kStandsTable.columns)
    if (column.name == name) return shown_text(column.cell(StateRow{r, s}), column.shown);
  return {};
}

// The best regime as a manager reads it, from its run on the stand by the
// runner of every front end: per thinning and for the felling, the age, the
// kind, what a selective thinning leaves (m2/ha) or which rows a row
// thinning takes, and the share of the basal area a thinning removes (%).
void schedule_json(Json& j, const StandDescription& stand, int bark, const Regime& regime) {
  const Run r = run(stand, &regime, bark, false);
  j.open('[');
  for (std::size_t k = 1; k < r.states.size(); ++k) {
    const State& s = r.states[k];
    if (!s.removed) continue;
    const Step& step = regime.steps[static_cast<std::size_t>(s.step - 1)];
    j.open('{');
    j.key("age").str(stand_figure(r, s, "age"));
    if (s.event == Event::felled) {
      j.key("kind").str("fell");
    } else {
      j.key("kind").str(step.kind == Step::Kind::rows ? "rows" : "selective");
      if (step.kind == Step::Kind::rows) j.key("one_in").str(std::to_string(step.one_in));
      j.key("basal_area").str(stand_figure(r, s, "ba"));
      const double share = 100.0 * s.removed->ba / r.states[k - 1].stand.BA;
      j.key("removed").str(shown_text(static_cast<float>(share), Shown{4, -1}));
    }
    j.close('}');
  }
  j.close(']');
}

// The gain over the scenario's best regime on the stand (optimum.csv's
// gain), in percent as the page shows it; empty without one.
std::string gain_percent(const StandOptimum& o) {
  for (const Column<StandOptimum>& column : kOptimumTable.columns) {
    if (column.name != "gain") continue;
    const Cell gain = column.cell(o);
    if (const double* g = std::get_if<double>(&gain)) return shown_text(100 * *g, Shown{12, 2});
  }
  return {};
}

// How far the search has gone, as the page shows it: "37%".
std::string percent(double done) {
  return shown_text(static_cast<float>(done * 100), Shown{3, -1}) + "%";
}

// The search for the best regime of stand `stand` (its place in the form)
// in the form's space: the problems of the form, or optimum.csv's row and
// the best regime. `told(share, text)` is told how far the search has gone.
std::string search(const TomlText& written, int stand, const val& told) {
  std::vector<Problem> problems;
  std::optional<Scenario> sc = read(written.text, kFormFile, problems);
  // Without an [optimize] table the defaults hold: they must fit the scenario,
  // as for `zireze optimize`.
  if (sc)
    for (const SpaceProblem& p : space_problems(*sc))
      problems.push_back({Where{kFormFile, 1, 1}, "optimize: " + p.key + ": " + p.what});
  if (sc && (stand < 0 || static_cast<std::size_t>(stand) >= sc->stands.size()))
    problems.push_back({Where{kFormFile, 1, 1}, "no stand " + std::to_string(stand + 1)});

  Json j;
  j.open('{');
  j.key("problems").open('[');
  for (const Problem& p : problems) problem_json(j, p, &written.places);
  j.close(']');
  if (problems.empty()) {
    const StandOptimum o = optimize_stand_of(*sc, static_cast<std::size_t>(stand),
                                             [&](double done) { told(done, percent(done)); });
    j.key("stand").str(o.stand_id);
    cells_json(j.key("optimum"), kOptimumTable, o);
    if (o.optimum.status == Optimum::Status::ok) {
      const Regime best = best_regime(o);
      plain_json(j.key("regime"), plain_of(best));
      Plain regimes = Plain::array();
      regimes.items.push_back(plain_of(best));
      j.key("regime_toml").str(toml_text(Plain::table().add("regime", regimes)).text);
      schedule_json(j.key("schedule"), sc->stands[static_cast<std::size_t>(stand)], sc->bark, best);
      j.key("gain_percent").str(gain_percent(o));
    }
  }
  j.close('}');
  return j.take();
}

}  // namespace

// Reads and runs the scenario file `text`, named `file` in problem messages.
std::string run_scenario(const std::string& text, const std::string& file) {
  return guarded(file, [&] { return read_and_run(text, file, nullptr); });
}

// Writes the form's plain data as the scenario file it describes, then reads
// and runs that.
std::string run_form(const val& form) {
  return guarded(kFormFile, [&] {
    const TomlText written = toml_text(plain_from(form, ""));
    return read_and_run(written.text, kFormFile, &written.places);
  });
}

// Searches the best regime of stand `stand` (from 0, in the form's order)
// in the form's search space (its [optimize] table, or the defaults); tells
// `progress(share, text)` how far it has gone.
std::string optimize_form(const val& form, int stand, const val& progress) {
  return guarded(kFormFile,
                 [&] { return search(toml_text(plain_from(form, "")), stand, progress); });
}

// The bytes of file `i` of the last run (the CSV files, then each run's
// report), as they are: the reports are Latin-1.
val file_bytes(int i) {
  if (i < 0 || static_cast<std::size_t>(i) >= last.size()) return val::global("Uint8Array").new_(0);
  const std::string& b = last[static_cast<std::size_t>(i)].second;
  return val::global("Uint8Array")
      .new_(emscripten::typed_memory_view(b.size(),
                                          reinterpret_cast<const unsigned char*>(b.data())));
}

// The plots file the user chose, as the scenario's stands_csv: its name, its
// size and its bytes (none when it is larger than the reader reads, which
// the reader then says). `bytes` null: none chosen.
void set_plots(const std::string& name, double size, const val& bytes) {
  if (bytes.isNull()) {
    plots.reset();
    return;
  }
  PlotsFile file{name, size, {}};
  if (size <= static_cast<double>(kLargestPlots)) {
    // Copied into the module's memory by the browser.
    file.bytes.resize(bytes["length"].as<std::size_t>());
    val(emscripten::typed_memory_view(file.bytes.size(),
                                      reinterpret_cast<unsigned char*>(file.bytes.data())))
        .call<void>("set", bytes);
  }
  plots = std::move(file);
}

// The largest plots file read, in bytes.
double largest_plots() { return static_cast<double>(kLargestPlots); }

// A chart's tick as the tables show figures: Fw.d, or Iw for a whole number
// (w wide enough for any tick), leading blanks dropped.
std::string tick(float x, int d) {
  return d > 0 ? shown_text(x, Shown{16, d}) : shown_text(x, Shown{12, -1});
}

EMSCRIPTEN_BINDINGS(zireze_page) {
  emscripten::function("run_scenario", &run_scenario);
  emscripten::function("run_form", &run_form);
  emscripten::function("optimize_form", &optimize_form);
  emscripten::function("file_bytes", &file_bytes);
  emscripten::function("set_plots", &set_plots);
  emscripten::function("largest_plots", &largest_plots);
  emscripten::function("tick", &tick);
}
