// The module _zireze: stands, their tables and regimes in batch, for Python.
// Every figure is the model's single-precision value, handed over as the
// Python float it is exactly. Arguments are converted here; the stand's
// description and each step are checked by the model's own checks, the ones
// every front end uses, before the model computes anything.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <array>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "batch/columns.h"
#include "batch/optimum.h"
#include "batch/plain.h"
#include "batch/plan_tables.h"
#include "batch/run.h"
#include "batch/scenario.h"
#include "input/thinned_input.h"
#include "io/reply.h"
#include "io/session_lines.h"
#include "regime/ordered.h"
#include "regime/regime.h"
#include "stand.h"

namespace py = pybind11;
using namespace pybind11::literals;

namespace zireze::python {
namespace {

// numbers.Real, numbers.Integral and collections.abc.Mapping, looked up once
// when the module is imported and kept for the life of the process.
PyObject* real_type = nullptr;
PyObject* integral_type = nullptr;
PyObject* mapping_type = nullptr;

bool is_instance(py::handle value, PyObject* type) {
  const int r = PyObject_IsInstance(value.ptr(), type);
  if (r < 0) throw py::error_already_set();
  return r == 1;
}

std::string type_name(py::handle value) { return Py_TYPE(value.ptr())->tp_name; }

// The argument as given, for a message: its repr, cut short.
std::string shown(py::handle value) {
  std::string s;
  try {
    s = py::repr(value);
  } catch (py::error_already_set&) {
    return "<" + type_name(value) + ">";  // an int too long to write out, say
  }
  if (s.size() > 40) s = s.substr(0, 37) + "...";
  return s;
}

[[noreturn]] void refuse(const std::string& name, py::handle value, const std::string& reason) {
  throw py::value_error(name + "=" + shown(value) + ": " + reason);
}

// A Python float: the nearest single-precision value.
float single_of_double(double d, const std::string& name, py::handle value) {
  if (!std::isfinite(d)) refuse(name, value, "not a finite number");
  const std::optional<float> f = io::nearest_float(d);
  if (!f) refuse(name, value, "beyond the range of a single-precision number");
  return *f;
}

// A Python int, rounded once to the nearest float: within 64 bits by the
// conversion, beyond from its decimal digits as a typed number is read.
float single_of_int(py::handle integer, const std::string& name, py::handle value) {
  int overflow = 0;
  const long long v = PyLong_AsLongLongAndOverflow(integer.ptr(), &overflow);
  if (v == -1 && PyErr_Occurred()) throw py::error_already_set();
  if (overflow == 0) return static_cast<float>(v);
  // 2^128 and beyond would not be read; nor can every int be written out.
  double magnitude = PyLong_AsDouble(integer.ptr());
  if (magnitude == -1.0 && PyErr_Occurred()) {  // past the largest double
    PyErr_Clear();
    magnitude = HUGE_VAL;
  }
  if (std::fabs(magnitude) < 0x1p128) {
    if (std::optional<float> f = io::parse_real(std::string(py::str(integer)))) return *f;
  }
  refuse(name, value, "beyond the range of a single-precision number");
}

// A number argument as the model takes it. A bool is not a number here.
float single(py::handle value, const std::string& name) {
  PyObject* o = value.ptr();
  if (PyBool_Check(o)) throw py::type_error(name + ": a number is needed, not a bool");
  if (PyLong_Check(o)) return single_of_int(value, name, value);
  if (PyFloat_Check(o)) return single_of_double(PyFloat_AS_DOUBLE(o), name, value);
  if (is_instance(value, integral_type)) {
    auto i = py::reinterpret_steal<py::object>(PyNumber_Index(o));
    if (!i) throw py::error_already_set();
    return single_of_int(i, name, value);
  }
  if (is_instance(value, real_type)) {
    const double d = PyFloat_AsDouble(o);
    if (d == -1.0 && PyErr_Occurred()) throw py::error_already_set();
    return single_of_double(d, name, value);
  }
  throw py::type_error(name + ": a number is needed, not " + type_name(value));
}

// A whole-number argument (one_in): an int, not a bool or a float.
long long whole(py::handle value, const std::string& name) {
  PyObject* o = value.ptr();
  if (PyBool_Check(o) || !(PyLong_Check(o) || is_instance(value, integral_type)))
    throw py::type_error(name + ": a whole number is needed, not " + type_name(value));
  auto i = py::reinterpret_steal<py::object>(PyNumber_Index(o));
  if (!i) throw py::error_already_set();
  int overflow = 0;
  const long long v = PyLong_AsLongLongAndOverflow(i.ptr(), &overflow);
  if (v == -1 && PyErr_Occurred()) throw py::error_already_set();
  return overflow == 0 ? v : std::numeric_limits<long long>::max();
}

bool flag(py::handle value, const std::string& name) {
  if (!PyBool_Check(value.ptr()))
    throw py::type_error(name + ": True or False is needed, not " + type_name(value));
  return value.ptr() == Py_True;
}

// The stand the model completes from a description, or the first problem its
// check finds: a TypeError where the arguments lack or repeat something, a
// ValueError with the model's reason for a value it refuses, shown as given.
// `argument(key, index)` is the Python value a problem's key names.
// `args` maps each key to its argument; `counts`, the counts given.
Stand completed(const StandDescription& d, const py::dict& args,
                const std::vector<py::object>& counts = {}) {
  const std::vector<DescriptionProblem> problems = check_description(d);
  if (problems.empty()) return initial_stand(d);
  const DescriptionProblem& p = problems.front();
  if (!p.of_value) throw py::type_error(p.what);
  if (p.key.empty()) throw py::value_error(std::string(p.group) + ": " + p.what);
  if (p.key == "counts") {
    const std::size_t i = static_cast<std::size_t>(p.index);
    refuse("counts[" + std::to_string(i) + "]", counts[i], p.what);
  }
  refuse(std::string(p.key), args[py::str(std::string(p.key))], p.what);
}

std::optional<float> given(py::handle value, const char* name) {
  if (value.is_none()) return std::nullopt;
  return single(value, name);
}

// The age and site every description starts with.
StandDescription site_of(py::handle age, py::handle site_class, py::handle dominant_height) {
  StandDescription d;
  d.age = single(age, "age");
  d.site_class = given(site_class, "site_class");
  d.dominant_height = given(dominant_height, "dominant_height");
  return d;
}

Stand unthinned(py::object age, py::object site_class, py::object dominant_height, py::object trees,
                py::object basal_area, py::object trees_planted) {
  StandDescription d = site_of(age, site_class, dominant_height);
  d.trees = given(trees, "trees");
  d.basal_area = given(basal_area, "basal_area");
  d.trees_planted = given(trees_planted, "trees_planted");
  const py::dict args("age"_a = age, "site_class"_a = site_class,
                      "dominant_height"_a = dominant_height, "trees"_a = trees,
                      "basal_area"_a = basal_area, "trees_planted"_a = trees_planted);
  return completed(d, args);
}

// Trees per hectare by 5-cm class from the class of 5 cm, taken in the order
// iteration gives (a pandas Series by position, not by label). A last count
// below -0.0001 only ends the classes, as in the dialogue and the scenario
// files. Never read past the most classes there can be and the one count
// that ends them, however long the sequence claims to be.
std::vector<py::object> counts_of(py::handle counts) {
  PyObject* o = counts.ptr();
  if (PyUnicode_Check(o) || PyBytes_Check(o) || PyByteArray_Check(o) || !PySequence_Check(o))
    throw py::type_error("counts: a sequence of numbers is needed, not " + type_name(counts));
  std::vector<py::object> items;
  for (py::handle item : counts) {
    items.push_back(py::reinterpret_borrow<py::object>(item));
    if (items.size() > static_cast<std::size_t>(kMostClasses) + 1) break;
  }
  return items;
}

Stand from_counts(py::object age, py::object site_class, py::object dominant_height,
                  py::object counts) {
  StandDescription d = site_of(age, site_class, dominant_height);
  const std::vector<py::object> items = counts_of(counts);
  d.counts.emplace();
  for (std::size_t i = 0; i < items.size(); ++i)
    d.counts->push_back(single(items[i], "counts[" + std::to_string(i) + "]"));
  const py::dict args("age"_a = age, "site_class"_a = site_class,
                      "dominant_height"_a = dominant_height);
  return completed(d, args, items);
}

Stand from_weibull(py::object age, py::object site_class, py::object dominant_height,
                   py::object trees, py::object a, py::object b, py::object c) {
  StandDescription d = site_of(age, site_class, dominant_height);
  d.weibull =
      WeibullDescription{single(trees, "trees"), single(a, "a"), single(b, "b"), single(c, "c")};
  const py::dict args("age"_a = age, "site_class"_a = site_class,
                      "dominant_height"_a = dominant_height, "trees"_a = trees, "a"_a = a,
                      "b"_a = b, "c"_a = c);
  return completed(d, args);
}

Stand from_attributes(py::object age, py::object site_class, py::object dominant_height,
                      py::object trees, py::object basal_area, py::object dmin, py::object p90) {
  StandDescription d = site_of(age, site_class, dominant_height);
  d.attributes = AttributesDescription{single(trees, "trees"), single(basal_area, "basal_area"),
                                       single(dmin, "dmin"), single(p90, "p90")};
  const py::dict args("age"_a = age, "site_class"_a = site_class,
                      "dominant_height"_a = dominant_height, "trees"_a = trees,
                      "basal_area"_a = basal_area, "dmin"_a = dmin, "p90"_a = p90);
  return completed(d, args);
}

// One step from the stand, or the model's reason to refuse it, shown with
// the argument that gave it.
Stand stepped(const Stand& s, const Step& step, const char* name, py::handle value) {
  const StandAfter after = stand_after(s, step, false);
  if (!after.stand) refuse(name, value, after.refusal);
  return *after.stand;
}

Stand thinned_by_rows(const Stand& s, py::object one_in) {
  const long long n = whole(one_in, "one_in");
  // Beyond an int no number is one row in 2 to 6: the step's check refuses 0.
  const int k = n >= 0 && n <= 6 ? static_cast<int>(n) : 0;
  return stepped(s, Step{.kind = Step::Kind::rows, .one_in = k}, "one_in", one_in);
}

Stand thinned_selectively(const Stand& s, py::object residual_basal_area) {
  const Step step{.kind = Step::Kind::selective,
                  .value = single(residual_basal_area, "residual_basal_area")};
  return stepped(s, step, "residual_basal_area", residual_basal_area);
}

Stand projected(const Stand& s, py::object age) {
  return stepped(s, Step{.kind = Step::Kind::grow_to, .value = single(age, "age")}, "age", age);
}

// Report and console bytes are Latin-1 (the report's one non-ASCII byte is
// the Â of "PARÂMETROS"): decoded byte for byte, so that encoding the text as
// Latin-1 gives the file's bytes back.
py::str latin1(const std::string& bytes) {
  auto s = py::reinterpret_steal<py::str>(
      PyUnicode_DecodeLatin1(bytes.data(), static_cast<Py_ssize_t>(bytes.size()), nullptr));
  if (!s) throw py::error_already_set();
  return s;
}

// A message that may quote the scenario's own bytes: UTF-8, with any byte
// that is not shown as \xNN.
py::str message(const std::string& bytes) {
  auto s = py::reinterpret_steal<py::str>(PyUnicode_DecodeUTF8(
      bytes.data(), static_cast<Py_ssize_t>(bytes.size()), "backslashreplace"));
  if (!s) throw py::error_already_set();
  return s;
}

// A vector handed to numpy without a copy: the array owns it.
template <typename T>
py::array_t<T> array_of(std::vector<T>&& v) {
  auto owned = std::make_unique<std::vector<T>>(std::move(v));
  py::capsule owner(owned.get(), [](void* p) { delete static_cast<std::vector<T>*>(p); });
  std::vector<T>* data = owned.release();
  return py::array_t<T>(static_cast<py::ssize_t>(data->size()), data->data(), owner);
}

// A table's columns as a dict for pandas.DataFrame: numbers as int64 and
// float64 arrays (an integer column with empty cells as pandas' nullable
// Int64), texts as lists of str (one str shared by a run of equal texts: a
// stand's id over its rows).
py::dict frame_dict(std::vector<batch::ColumnData>&& columns) {
  py::dict d;
  for (batch::ColumnData& c : columns) {
    const py::str name(std::string(c.name));
    if (c.type == batch::Type::integer && c.has_missing()) {
      py::object mask = array_of(std::move(c.missing)).attr("astype")("bool");
      d[name] = py::module_::import("pandas").attr("arrays").attr("IntegerArray")(
          array_of(std::move(c.integers)), mask);
    } else if (c.type == batch::Type::integer) {
      d[name] = array_of(std::move(c.integers));
    } else if (c.type == batch::Type::real) {
      d[name] = array_of(std::move(c.reals));
    } else {
      py::list texts(c.text.size());
      py::str last;
      for (std::size_t i = 0; i < c.text.size(); ++i) {
        if (i == 0 || c.text[i] != c.text[i - 1]) last = py::str(c.text[i]);
        texts[i] = last;
      }
      d[name] = texts;
    }
  }
  return d;
}

py::object class_frame(const StandTable& t) {
  batch::Columns<batch::ClassRow> columns(batch::kClassesTable, batch::kClassKeys);
  batch::for_each_class_row(t, [&](const batch::ClassRow& row) { columns.add(row); });
  return py::module_::import("pandas").attr("DataFrame")(frame_dict(std::move(columns.data())));
}

// ---------------------------------------------------------------------------
// Regimes in batch.

// A scenario given as a dict: plain data, turned into the scenario file's text
// by the one writer and read by the one reader. `where` names the value in
// messages.
batch::Plain plain(py::handle value, const std::string& where) {
  PyObject* o = value.ptr();
  if (PyBool_Check(o)) return batch::Plain::of(o == Py_True);
  if (is_instance(value, integral_type)) {
    auto i = py::reinterpret_steal<py::object>(PyNumber_Index(o));
    if (!i) throw py::error_already_set();
    return batch::Plain::number(py::str(i));
  }
  if (is_instance(value, real_type)) {
    const double d = PyFloat_AsDouble(o);
    if (d == -1.0 && PyErr_Occurred()) throw py::error_already_set();
    return batch::Plain::number(batch::double_text(d));
  }
  if (PyUnicode_Check(o)) return batch::Plain::string(py::cast<std::string>(value));
  if (PyDict_Check(o) || is_instance(value, mapping_type)) {
    batch::Plain t = batch::Plain::table();
    for (auto [k, v] : py::dict(py::reinterpret_borrow<py::object>(value))) {
      if (!PyUnicode_Check(k.ptr()))
        throw py::type_error(where + ": keys are str, not " + type_name(k));
      const std::string key = py::cast<std::string>(k);
      t.add(key, plain(v, where.empty() ? key : where + "." + key));
    }
    return t;
  }
  if (PyList_Check(o) || PyTuple_Check(o)) {
    batch::Plain a = batch::Plain::array();
    std::size_t i = 0;
    for (py::handle item : value)
      a.items.push_back(plain(item, where + "[" + std::to_string(i++) + "]"));
    return a;
  }
  throw py::type_error(where + ": " + type_name(value) + " cannot be written in a scenario");
}

std::string scenario_toml(py::handle scenario) {
  if (!(PyDict_Check(scenario.ptr()) || is_instance(scenario, mapping_type)))
    throw py::type_error("scenario: a dict is needed, not " + type_name(scenario));
  return batch::toml_text(plain(scenario, "")).text;
}

// Plain data as Python values: a table a dict (its keys in order), an array a
// list, a number an int when its text is whole digits and a float otherwise.
// Each number's text reads back to the same value, so the writer writes the
// dict as the same text again.
py::object python_of(const batch::Plain& p) {
  switch (p.kind) {
    case batch::Plain::Kind::boolean:
      return py::bool_(p.boolean);
    case batch::Plain::Kind::number: {
      const std::size_t digits = p.text.starts_with('-') || p.text.starts_with('+') ? 1 : 0;
      const bool whole = p.text.size() > digits &&
                         p.text.find_first_not_of("0123456789", digits) == std::string::npos;
      PyObject* o = whole ? PyLong_FromString(p.text.c_str(), nullptr, 10)
                          : PyFloat_FromString(py::str(p.text).ptr());
      if (!o) throw py::error_already_set();
      return py::reinterpret_steal<py::object>(o);
    }
    case batch::Plain::Kind::string:
      return message(p.text);
    case batch::Plain::Kind::array: {
      py::list items;
      for (const batch::Plain& item : p.items) items.append(python_of(item));
      return items;
    }
    case batch::Plain::Kind::table:
      break;
  }
  py::dict entries;
  for (const auto& [key, value] : p.entries) entries[message(key)] = python_of(value);
  return entries;
}

// The plots of a scenario given as CSV text, in place of the file its
// stands_csv names (a partition of a Dask frame). Problems in them are told
// under `name`, their lines counted in this text.
struct Plots {
  std::string text;
  std::string name;
};

std::optional<Plots> plots_of(const py::object& text, const std::string& name) {
  if (text.is_none()) return std::nullopt;
  return Plots{py::cast<std::string>(text), name};
}

// The scenario read with `plots` as the file its stands_csv names. One that
// names none takes them all the same: it is read again with the key put
// before its first line, and its problems told at its own lines.
std::optional<Scenario> read_with_plots(std::string_view text, const std::string& file,
                                        const Plots& plots, std::vector<batch::Problem>& found) {
  std::optional<std::string> asked;
  const batch::FileReader given = [&](const std::string& path, std::string&) {
    asked = path;
    return std::optional<std::string>(plots.text);
  };
  std::optional<Scenario> scenario = batch::read_scenario(text, file, given, found);
  if (!asked) {
    constexpr std::string_view kMark = "\xEF\xBB\xBF";  // the byte-order mark goes first
    if (text.starts_with(kMark)) text.remove_prefix(kMark.size());
    std::vector<batch::Problem> again;
    std::optional<Scenario> placed =
        batch::read_scenario("stands_csv = \"<plots>\"\n" + std::string(text), file, given, again);
    // Not asked again: the key could not be put there (the text is no TOML,
    // or holds a stands_csv that is not a file name); the first reading tells why.
    if (asked) {
      for (batch::Problem& p : again)
        if (p.where.file == file && p.where.line > 1) --p.where.line;
      found = std::move(again);
      scenario = std::move(placed);
    }
  }
  for (batch::Problem& p : found)
    if (p.where.file == asked) p.where.file = plots.name;
  return scenario;
}

// Reads the scenario (`file` names it in messages, and relative stands_csv
// paths start from its folder), its stands_csv from the file, or from
// `plots` when given. The scenario, or nothing with every problem found in
// `problems` ("FILE:LINE:COLUMN: what" lines).
std::optional<Scenario> read(const std::string& text, const std::string& file,
                             const std::optional<Plots>& plots,
                             std::vector<std::string>& problems) {
  std::vector<batch::Problem> found;
  std::optional<Scenario> scenario =
      plots ? read_with_plots(text, file, *plots, found)
            : batch::read_scenario(text, file, batch::read_plots_file, found);
  for (const batch::Problem& p : found) problems.push_back(batch::to_string(p));
  return scenario;
}

// The scenario read as above, and then checked for what a command needs of
// it besides (`more`: its problems, each told as "FILE: what").
std::optional<Scenario> read(const std::string& text, const std::string& file,
                             const std::optional<Plots>& plots, std::vector<std::string>& problems,
                             std::vector<std::string> (*more)(const Scenario&)) {
  std::optional<Scenario> scenario = read(text, file, plots, problems);
  if (!scenario) return scenario;
  for (const std::string& p : more(*scenario)) problems.push_back(file + ": " + p);
  if (!problems.empty()) scenario.reset();
  return scenario;
}

// (problems, None): a scenario that cannot be run.
py::tuple refused(const std::vector<std::string>& problems) {
  py::list lines;
  for (const std::string& p : problems) lines.append(message(p));
  return py::make_tuple(lines, py::none());
}

// Ctrl-C, looked for on the calling thread as results come in, at most every
// 100 ms: the signal's exception stops the runner.
class Interrupts {
 public:
  void check() {
    const auto now = std::chrono::steady_clock::now();
    if (now - checked_ < std::chrono::milliseconds(100)) return;
    checked_ = now;
    py::gil_scoped_acquire held;
    if (PyErr_CheckSignals() != 0) throw py::error_already_set();
  }

 private:
  std::chrono::steady_clock::time_point checked_ = std::chrono::steady_clock::now();
};

// Reads the scenario and runs it. Returns the problems and None, or an empty
// list and the tables.
py::tuple run_scenario(const py::bytes& text_bytes, const py::bytes& file_bytes, int jobs,
                       bool with_reports, const py::object& plots_text,
                       const std::string& plots_name) {
  const std::string text = text_bytes;
  const std::string file = file_bytes;
  const std::optional<Plots> plots = plots_of(plots_text, plots_name);
  std::vector<std::string> problems;
  std::optional<Scenario> scenario;
  batch::Columns<batch::StateRow> stands(batch::kStandsTable);
  batch::Columns<batch::ClassRow> classes(batch::kClassesTable);
  batch::Columns<batch::Run> runs(batch::kRunsTable);
  batch::Columns<batch::Run> values(batch::kValuesTable);
  batch::Columns<batch::CashFlowRow> cash_flows(batch::kCashFlowsTable);
  std::vector<std::pair<std::string, std::string>> run_ids;
  std::vector<std::string> reports;
  {
    py::gil_scoped_release released;
    scenario = read(text, file, plots, problems);
    if (scenario) {
      const RunPlan planned(*scenario);
      Interrupts interrupts;
      run_in_order<batch::Run>(
          planned.size(), jobs,
          [&](std::size_t i) { return batch::run_planned(*scenario, planned[i], with_reports); },
          [&](batch::Run&& r) {
            batch::for_each_state_row(r, [&](const batch::StateRow& row) { stands.add(row); });
            batch::for_each_class_row(r, [&](const batch::ClassRow& row) { classes.add(row); });
            runs.add(r);
            if (scenario->economics) {
              values.add(r);
              batch::for_each_cash_flow_row(
                  r, [&](const batch::CashFlowRow& row) { cash_flows.add(row); });
            }
            if (with_reports) {
              run_ids.emplace_back(r.stand_id, r.regime_id);
              reports.push_back(std::move(r.report));
            }
            interrupts.check();
          });
    }
  }
  if (!scenario) return refused(problems);
  py::dict by_run;
  for (std::size_t i = 0; i < reports.size(); ++i)
    by_run[py::make_tuple(run_ids[i].first, run_ids[i].second)] = latin1(reports[i]);
  py::dict out;
  out["stands"] = frame_dict(std::move(stands.data()));
  out["classes"] = frame_dict(std::move(classes.data()));
  out["runs"] = frame_dict(std::move(runs.data()));
  out["values"] = frame_dict(std::move(values.data()));
  out["cashflows"] = frame_dict(std::move(cash_flows.data()));
  out["reports"] = by_run;
  return py::make_tuple(py::list(), out);
}

// Reads the scenario and searches the best regime of each stand, as
// `zireze optimize` does. Returns the problems and None, or an empty list
// and the rows of optimum.csv, the scenario that re-runs the optima as a dict
// and as text (best.toml).
py::tuple optimize_scenario(const py::bytes& text_bytes, const py::bytes& file_bytes, int jobs,
                            const py::object& plots_text, const std::string& plots_name) {
  const std::string text = text_bytes;
  const std::string file = file_bytes;
  const std::optional<Plots> plots = plots_of(plots_text, plots_name);
  std::vector<std::string> problems;
  std::optional<Scenario> scenario;
  std::vector<batch::StandOptimum> optima;
  {
    py::gil_scoped_release released;
    // Without an [optimize] table the defaults hold: they must fit the scenario.
    scenario = read(text, file, plots, problems, [](const Scenario& s) {
      std::vector<std::string> lines;
      for (const SpaceProblem& p : batch::space_problems(s)) lines.push_back(batch::to_string(p));
      return lines;
    });
    if (scenario) {
      Interrupts interrupts;
      run_in_order<batch::StandOptimum>(
          scenario->stands.size(), jobs,
          [&](std::size_t i) { return batch::optimize_stand_of(*scenario, i); },
          [&](batch::StandOptimum&& o) {
            optima.push_back(std::move(o));
            interrupts.check();
          });
    }
  }
  if (!scenario) return refused(problems);
  batch::Columns<batch::StandOptimum> rows(batch::kOptimumTable);
  for (const batch::StandOptimum& o : optima) rows.add(o);
  const batch::Plain best = batch::plain_of(batch::best_scenario(*scenario, optima));
  py::dict out;
  out["optimum"] = frame_dict(std::move(rows.data()));
  out["best"] = python_of(best);
  out["best_toml"] = message(batch::toml_text(best).text);
  return py::make_tuple(py::list(), out);
}

// Reads the scenario and plans the whole forest: (problems, None) or ([],
// {the plan's tables, plan, plan_toml}).
py::tuple plan_scenario(const py::bytes& text_bytes, const py::bytes& file_bytes, int jobs,
                        const py::object& plots_text, const std::string& plots_name) {
  const std::string text = text_bytes;
  const std::string file = file_bytes;
  const std::optional<Plots> plots = plots_of(plots_text, plots_name);
  std::vector<std::string> problems;
  std::optional<Scenario> scenario;
  std::optional<batch::PlanOutcome> outcome;
  {
    py::gil_scoped_release released;
    scenario = read(text, file, plots, problems, batch::plan_problems);
    if (scenario) {
      Interrupts interrupts;
      try {
        outcome = batch::plan_of(*scenario, jobs, [&] { interrupts.check(); });
      } catch (const batch::PlanRefused& e) {
        problems.push_back(file + ": " + e.what());
        scenario.reset();
      }
    }
  }
  if (!scenario) return refused(problems);
  py::dict out;
  for (batch::NamedTable& t : batch::plan_tables(*scenario, *outcome))
    out[py::str(std::string(t.name))] = frame_dict(std::move(t.columns));
  const batch::Plain plan = batch::plain_of(batch::plan_scenario(*scenario, *outcome));
  out["plan_scenario"] = python_of(plan);
  out["plan_toml"] = message(batch::toml_text(plan).text);
  return py::make_tuple(py::list(), out);
}

// Each table's columns and their types ("text", "integer" or "real"), as
// declared once for every front end.
template <typename Row>
py::list column_types(const batch::Table<Row>& t) {
  py::list columns;
  for (const batch::Column<Row>& c : t.columns) {
    const char* type = c.type == batch::Type::text      ? "text"
                       : c.type == batch::Type::integer ? "integer"
                                                        : "real";
    columns.append(py::make_tuple(std::string(c.name), type));
  }
  return columns;
}

py::dict table_types() {
  py::dict tables;
  batch::for_each_table(
      [&](const auto& t) { tables[py::str(std::string(t.name))] = column_types(t); });
  return tables;
}

std::string stand_repr(const Stand& s) {
  return py::str(
             "Stand(age={!r}, site_class={!r}, dominant_height={!r}, trees={!r}, "
             "basal_area={!r}, unthinned={!r})")
      .format(s.IDADE, s.SI, s.HD, s.TS, s.BA, s.unthinned);
}

}  // namespace
}  // namespace zireze::python

PYBIND11_MODULE(_zireze, m) {
  using namespace zireze;
  using namespace zireze::python;
  m.doc() =
      "The Zireze growth-and-yield model of even-aged maritime pine stands (the compiled part "
      "of the zireze package).";
  m.attr("__version__") = ZIREZE_VERSION;
  py::module_ numbers = py::module_::import("numbers");
  real_type = py::object(numbers.attr("Real")).release().ptr();
  integral_type = py::object(numbers.attr("Integral")).release().ptr();
  mapping_type = py::object(py::module_::import("collections.abc").attr("Mapping")).release().ptr();

  py::class_<TableClass>(m, "TableClass",
                         "One diameter class of a stand table: per hectare, as the model works "
                         "them out in single precision.")
      .def_readonly("dap", &TableClass::dap, "Centre of the 5-cm class, cm (int).")
      .def_readonly("n", &TableClass::n, "Trees per ha.")
      .def_readonly("g", &TableClass::g, "Basal area, m2/ha.")
      .def_readonly("h", &TableClass::h, "Height of the tree at the class centre, m.")
      .def_readonly("vol_tot", &TableClass::vol_tot, "Total stem volume, m3/ha.")
      .def_readonly("vol_rol", &TableClass::vol_rol, "Roundwood volume, m3/ha.")
      .def_readonly("vol_mad", &TableClass::vol_mad, "Sawlog volume, m3/ha.")
      .def("__repr__", [](const TableClass& c) {
        return py::str(
                   "TableClass(dap={!r}, n={!r}, g={!r}, h={!r}, vol_tot={!r}, "
                   "vol_rol={!r}, vol_mad={!r})")
            .format(c.dap, c.n, c.g, c.h, c.vol_tot, c.vol_rol, c.vol_mad);
      });

  py::class_<TableTotals>(m, "TableTotals",
                          "The totals line of a stand table: sums over the classes shown, in "
                          "the order shown, and the mean height weighted by trees.")
      .def_readonly("n", &TableTotals::n, "Trees per ha.")
      .def_readonly("g", &TableTotals::g, "Basal area, m2/ha.")
      .def_readonly("h", &TableTotals::h, "Mean height weighted by trees, m (0 without trees).")
      .def_readonly("vol_tot", &TableTotals::vol_tot, "Total stem volume, m3/ha.")
      .def_readonly("vol_rol", &TableTotals::vol_rol, "Roundwood volume, m3/ha.")
      .def_readonly("vol_mad", &TableTotals::vol_mad, "Sawlog volume, m3/ha.")
      .def("__repr__", [](const TableTotals& t) {
        return py::str(
                   "TableTotals(n={!r}, g={!r}, h={!r}, vol_tot={!r}, vol_rol={!r}, "
                   "vol_mad={!r})")
            .format(t.n, t.g, t.h, t.vol_tot, t.vol_rol, t.vol_mad);
      });

  py::class_<StandTable>(m, "StandTable",
                         "The stand table by 5-cm diameter class, as the dialogue prints it: "
                         "str(table) is its console form, report_text() its report form.")
      .def_property_readonly(
          "age", [](const StandTable& t) { return t.age_shown(); },
          "The age as the table shows it, rounded (int); None where it cannot be shown.")
      .def_property_readonly(
          "site_class", [](const StandTable& t) { return t.site_class_shown(); },
          "The site class the table shows: the one the age and dominant height give, rounded "
          "(int); None where it cannot be shown.")
      .def_readonly("age_value", &StandTable::IDADE, "The age, unrounded.")
      .def_readonly("site_class_value", &StandTable::SI,
                    "The site class of the age and dominant height, unrounded.")
      .def_readonly("dominant_height", &StandTable::HD, "Dominant height, m.")
      .def_readonly("dq", &StandTable::DQ, "Quadratic mean diameter, cm.")
      .def_readonly("a", &StandTable::A, "Weibull location, cm.")
      .def_readonly("b", &StandTable::B, "Weibull scale, cm.")
      .def_readonly("c", &StandTable::C, "Weibull shape.")
      .def_property_readonly(
          "bark", [](const StandTable& t) { return t.bark != 0; },
          "True: volumes with bark; False: without.")
      .def_property_readonly(
          "classes", [](const StandTable& t) { return t.classes; },
          "The classes shown, smallest first (a list of TableClass).")
      .def_property_readonly(
          "totals", [](const StandTable& t) { return t.totals; }, "The totals line (TableTotals).")
      .def("to_frame", &class_frame,
           "The classes as a pandas DataFrame, one row per class: dap (int), n, g, h, vol_tot, "
           "vol_rol, vol_mad (float64 holding the single-precision values).")
      .def(
          "report_text", [](const StandTable& t) { return latin1(io::stand_table_text(t, false)); },
          "The table as the dialogue writes it to its report (Latin-1 text).")
      .def("__str__", [](const StandTable& t) { return latin1(io::stand_table_text(t, true)); })
      .def("__repr__", [](const StandTable& t) {
        return py::str("<StandTable age={!r} site_class={!r} classes={}>")
            .format(t.age_shown(), t.site_class_shown(), t.classes.size());
      });

  py::class_<Stand>(m, "Stand",
                    "A stand at its current age, as a value: thin_rows, thin_selective and "
                    "project return a new stand and leave this one as it is. Made by "
                    "Stand.unthinned, Stand.from_counts, Stand.from_weibull or "
                    "Stand.from_attributes.")
      // Stand.unthinned is both this and the flag _is_unthinned: the package
      // makes it one attribute, the factory on the class, the flag on a stand.
      .def_static("unthinned", &unthinned, py::kw_only(), py::arg("age"),
                  py::arg("site_class") = py::none(), py::arg("dominant_height") = py::none(),
                  py::arg("trees") = py::none(), py::arg("basal_area") = py::none(),
                  py::arg("trees_planted") = py::none(),
                  "A stand never thinned: its age (years), its site (exactly one of "
                  "site_class, the dominant height at 50 years in m, and dominant_height, in m) "
                  "and one density figure (exactly one of trees per ha, basal_area in m2/ha and "
                  "trees_planted per ha). The model completes the rest.")
      .def_static("from_counts", &from_counts, py::kw_only(), py::arg("age"),
                  py::arg("site_class") = py::none(), py::arg("dominant_height") = py::none(),
                  py::arg("counts"),
                  "A stand thinned in the past, from its trees per ha by 5-cm diameter class: "
                  "counts[0] the class centred on 5 cm, counts[i] the one centred on 5(i+1) cm; "
                  "at most 50 classes, holding trees.")
      .def_static("from_weibull", &from_weibull, py::kw_only(), py::arg("age"),
                  py::arg("site_class") = py::none(), py::arg("dominant_height") = py::none(),
                  py::arg("trees"), py::arg("a"), py::arg("b"), py::arg("c"),
                  "A stand thinned in the past, from its trees per ha and the Weibull location "
                  "a (cm, not negative), scale b (cm) and shape c of its diameters.")
      .def_static("from_attributes", &from_attributes, py::kw_only(), py::arg("age"),
                  py::arg("site_class") = py::none(), py::arg("dominant_height") = py::none(),
                  py::arg("trees"), py::arg("basal_area"), py::arg("dmin"), py::arg("p90"),
                  "A stand thinned in the past, from its trees per ha, basal area (m2/ha), "
                  "minimum diameter dmin (cm, not negative) and the diameter at the 90th "
                  "percentile p90 (cm, above dmin).")
      .def_readonly("age", &Stand::IDADE, "Age, years.")
      .def_readonly("site_class", &Stand::SI, "Site class: the dominant height at 50 years, m.")
      .def_readonly("dominant_height", &Stand::HD, "Dominant height, m.")
      .def_readonly("trees", &Stand::TS, "Live trees per ha.")
      .def_readonly("basal_area", &Stand::BA, "Basal area, m2/ha.")
      .def_property_readonly(
          "trees_planted",
          [](const Stand& s) -> std::optional<float> {
            if (s.TP <= 0.0f) return std::nullopt;
            return s.TP;
          },
          "Trees planted per ha; None for a stand described as thinned in the past.")
      .def_readonly("dmin", &Stand::DMIN, "Minimum diameter, cm.")
      .def_readonly("a", &Stand::A, "Weibull location, cm.")
      .def_readonly("b", &Stand::B, "Weibull scale, cm.")
      .def_readonly("c", &Stand::C, "Weibull shape.")
      .def_readonly("_is_unthinned", &Stand::unthinned,
                    "True until the first selective thinning of a stand described as never "
                    "thinned: a selective thinning then uses the equations of a first thinning. "
                    "A row thinning leaves it as it is.")
      .def(
          "table",
          [](const Stand& s, py::object bark) {
            return stand_table(s, flag(bark, "bark") ? 1 : 0);
          },
          py::arg("bark") = true,
          "The stand table by 5-cm diameter class, volumes with bark (bark=True) or without.")
      .def("thin_rows", &thinned_by_rows, py::arg("one_in"),
           "The stand after a row thinning at the current age: one row in every one_in (2 to 6) "
           "taken out.")
      .def("thin_selective", &thinned_selectively, py::arg("residual_basal_area"),
           "The stand after a selective thinning at the current age down to the residual basal "
           "area (m2/ha; above zero and not above the current basal area).")
      .def("project", &projected, py::arg("age"),
           "The stand grown to the age given (years; not below the current age).")
      .def("__repr__", &stand_repr);

  m.def("_run_scenario", &run_scenario, py::arg("text"), py::arg("file"), py::arg("jobs"),
        py::arg("reports"), py::arg("plots") = py::none(), py::arg("plots_name") = "",
        "Reads a scenario (TOML bytes; `file` names it in messages and is where relative "
        "stands_csv paths start) and runs it: (problems, None) or ([], tables). With `plots` "
        "(CSV bytes), those are the stands of stands_csv, told as `plots_name` in problems.");
  m.def("_optimize_scenario", &optimize_scenario, py::arg("text"), py::arg("file"), py::arg("jobs"),
        py::arg("plots") = py::none(), py::arg("plots_name") = "",
        "Reads a scenario as _run_scenario does and searches the best regime of each stand: "
        "(problems, None) or ([], {optimum, best, best_toml}).");
  m.def("_plan_scenario", &plan_scenario, py::arg("text"), py::arg("file"), py::arg("jobs"),
        py::arg("plots") = py::none(), py::arg("plots_name") = "",
        "Reads a scenario as _run_scenario does and plans the whole forest: (problems, None) "
        "or ([], {candidates, candidate_flows, plan, periods, constraints, solution, "
        "plan_scenario, plan_toml}).");
  m.def("_table_types", &table_types,
        "Each table's columns as (name, type) pairs, type \"text\", \"integer\" or \"real\".");
  m.def("_scenario_toml", &scenario_toml, py::arg("scenario"),
        "The scenario file a dict stands for, as the one writer of scenario files writes it.");
}
