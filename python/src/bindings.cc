// The module _zireze: stands, their tables and regimes in batch, for Python.
// Every figure is the model's single-precision value, handed over as the
// Python float it is exactly; every argument is checked here, before the
// model sees it, with the refusals every front end uses, so that no value
// from Python reaches the model unchecked.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <array>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "batch/rows.h"
#include "batch/run.h"
#include "batch/runner.h"
#include "batch/scenario.h"
#include "input/thinned_input.h"
#include "io/reply.h"
#include "io/session_lines.h"
#include "io/unit.h"
#include "refusals.h"
#include "stand.h"

namespace py = pybind11;

namespace zireze::python {
namespace {

// numbers.Real and numbers.Integral, looked up once when the module is
// imported and kept for the life of the process.
PyObject* real_type = nullptr;
PyObject* integral_type = nullptr;

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

// A refusal of the model's checks, when there is one.
void check(const char* reason, const std::string& name, py::handle value) {
  if (reason) refuse(name, value, reason);
}

// A Python float: the nearest single-precision value. Past the largest float
// only what still rounds to it is taken (below the midpoint to 2^128).
float single_of_double(double d, const std::string& name, py::handle value) {
  if (!std::isfinite(d)) refuse(name, value, "not a finite number");
  if (std::fabs(d) > static_cast<double>(FLT_MAX)) {
    if (std::fabs(d) < 0x1.ffffffp127) return d < 0 ? -FLT_MAX : FLT_MAX;
    refuse(name, value, "beyond the range of a single-precision number");
  }
  return static_cast<float>(d);
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

float age_of(py::handle value) {
  const float IDADE = single(value, "age");
  check(age_refusal(IDADE), "age", value);
  return IDADE;
}

// The site: a site class or a dominant height, exactly one; the other not
// given (-9), as the model takes it.
struct Site {
  float SI = -9.0f, HD = -9.0f;
};

Site site_of(py::handle site_class, py::handle dominant_height) {
  const bool by_class = !site_class.is_none();
  if (by_class == !dominant_height.is_none())
    throw py::type_error(by_class ? "give site_class or dominant_height, not both"
                                  : "give site_class or dominant_height");
  Site s;
  if (by_class) {
    s.SI = single(site_class, "site_class");
    check(site_refusal(s.SI, s.HD), "site_class", site_class);
  } else {
    s.HD = single(dominant_height, "dominant_height");
    check(site_refusal(s.SI, s.HD), "dominant_height", dominant_height);
  }
  return s;
}

float positive(py::handle value, const std::string& name) {
  const float x = single(value, name);
  check(positive_refusal(x), name, value);
  return x;
}

float not_negative(py::handle value, const std::string& name) {
  const float x = single(value, name);
  check(negative_refusal(x), name, value);
  return x;
}

Stand unthinned(py::object age, py::object site_class, py::object dominant_height, py::object trees,
                py::object basal_area, py::object trees_planted) {
  const float IDADE = age_of(age);
  const Site site = site_of(site_class, dominant_height);
  const int densities = !trees.is_none() + !basal_area.is_none() + !trees_planted.is_none();
  if (densities != 1)
    throw py::type_error(densities == 0 ? "give one of trees, basal_area and trees_planted"
                                        : "give only one of trees, basal_area and trees_planted");
  float TS = -9.0f, BA = -9.0f, TP = -9.0f;
  if (!trees.is_none()) {
    TS = single(trees, "trees");
    check(density_refusal(TS, BA, TP), "trees", trees);
  } else if (!basal_area.is_none()) {
    BA = single(basal_area, "basal_area");
    check(density_refusal(TS, BA, TP), "basal_area", basal_area);
  } else {
    TP = single(trees_planted, "trees_planted");
    check(density_refusal(TS, BA, TP), "trees_planted", trees_planted);
  }
  return unthinned_stand(IDADE, site.SI, site.HD, TS, BA, TP);
}

// Trees per hectare by 5-cm class from the class of 5 cm: a sequence of at
// most kMostClasses numbers, holding trees. A count below -0.0001 is what
// ends the classes in the dialogue and the scenario files; here the length
// does, so such a count is refused.
std::vector<float> counts_of(py::handle counts) {
  PyObject* o = counts.ptr();
  if (PyUnicode_Check(o) || PyBytes_Check(o) || PyByteArray_Check(o) || !PySequence_Check(o))
    throw py::type_error("counts: a sequence of numbers is needed, not " + type_name(counts));
  const Py_ssize_t n = PySequence_Size(o);
  if (n < 0) throw py::error_already_set();
  if (n > kMostClasses)
    throw py::value_error("counts: " + std::to_string(n) + " classes; at most " +
                          std::to_string(kMostClasses) + " (the last centred on 250 cm)");
  // Taken in the order iteration gives (a pandas Series by position, not by
  // label), and never past kMostClasses whatever the length claimed.
  std::vector<float> RN;
  for (py::handle item : counts) {
    if (RN.size() == static_cast<std::size_t>(kMostClasses))
      throw py::value_error("counts: more than " + std::to_string(kMostClasses) + " classes");
    const std::string name = "counts[" + std::to_string(RN.size()) + "]";
    const float count = single(item, name);
    if (count < -0.0001f) check(negative_refusal(count), name, item);
    RN.push_back(count);
  }
  check(counts_refusal(RN), "counts", counts);
  return RN;
}

Stand from_counts(py::object age, py::object site_class, py::object dominant_height,
                  py::object counts) {
  const float IDADE = age_of(age);
  const Site site = site_of(site_class, dominant_height);
  const std::vector<float> RN = counts_of(counts);
  return stand_from_counts(IDADE, site.SI, site.HD, RN);
}

Stand from_weibull(py::object age, py::object site_class, py::object dominant_height,
                   py::object trees, py::object a, py::object b, py::object c) {
  const float IDADE = age_of(age);
  const Site site = site_of(site_class, dominant_height);
  const float TS = positive(trees, "trees");
  const float A = not_negative(a, "a");
  const float B = positive(b, "b");
  const float C = positive(c, "c");
  return stand_from_weibull(IDADE, site.SI, site.HD, TS, A, B, C);
}

Stand from_attributes(py::object age, py::object site_class, py::object dominant_height,
                      py::object trees, py::object basal_area, py::object dmin, py::object p90) {
  const float IDADE = age_of(age);
  const Site site = site_of(site_class, dominant_height);
  const float TS = positive(trees, "trees");
  const float BA = positive(basal_area, "basal_area");
  const float DMIN = not_negative(dmin, "dmin");
  const float P90 = single(p90, "p90");
  check(p90_refusal(P90, DMIN), "p90", p90);
  return stand_from_attributes(IDADE, site.SI, site.HD, TS, BA, DMIN, P90);
}

Stand thinned_by_rows(const Stand& s, py::object one_in) {
  const long long n = whole(one_in, "one_in");
  if (n < 2 || n > 6) refuse("one_in", one_in, "one row in every 2 to 6 is taken out");
  return thin_rows(s, row_fraction(static_cast<int>(n))).stand;
}

Stand thinned_selectively(const Stand& s, py::object residual_basal_area) {
  const float residual = single(residual_basal_area, "residual_basal_area");
  check(residual_refusal(residual, s.BA), "residual_basal_area", residual_basal_area);
  return thin_selective(s, residual);
}

Stand projected(const Stand& s, py::object age) {
  const float IDADE2 = single(age, "age");
  check(projection_age_refusal(IDADE2, s.IDADE), "age", age);
  return project(s, IDADE2);
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

// The table's lines as the dialogue writes them: to the console (console
// true) or to the report.
std::string table_text(const StandTable& t, bool console) {
  std::ostringstream text;
  io::Unit written(&text, "the table");
  io::Unit discarded(nullptr, "");
  if (console) {
    io::stand_table(io::Units{written, discarded}, t);
  } else {
    io::stand_table(io::Units{discarded, written}, t);
  }
  return text.str();
}

// A vector handed to numpy without a copy: the array owns it.
template <typename T>
py::array_t<T> array_of(std::vector<T>&& v) {
  auto owned = std::make_unique<std::vector<T>>(std::move(v));
  py::capsule owner(owned.get(), [](void* p) { delete static_cast<std::vector<T>*>(p); });
  std::vector<T>* data = owned.release();
  return py::array_t<T>(static_cast<py::ssize_t>(data->size()), data->data(), owner);
}

py::object class_frame(const StandTable& t) {
  static_assert(batch::kClassColumns[0] == "dap");
  std::vector<std::int64_t> dap;
  std::array<std::vector<double>, batch::kClassColumns.size() - 1> values;
  for (const TableClass& c : t.classes) {
    dap.push_back(c.dap);
    const std::array<float, 7> v = batch::class_values(c);
    for (std::size_t k = 1; k < v.size(); ++k) values[k - 1].push_back(v[k]);
  }
  py::dict columns;
  columns[py::str(std::string(batch::kClassColumns[0]))] = array_of(std::move(dap));
  for (std::size_t k = 1; k < batch::kClassColumns.size(); ++k)
    columns[py::str(std::string(batch::kClassColumns[k]))] = array_of(std::move(values[k - 1]));
  return py::module_::import("pandas").attr("DataFrame")(columns);
}

// ---------------------------------------------------------------------------
// Regimes in batch.

// The rows of the three tables, column by column, as the runs are delivered.
// Text cells are kept once per run and shared by its rows.
struct Tables {
  std::vector<std::string> stand_id, regime_id, status, message, report;  // one per run

  std::vector<std::size_t> stand_run;
  std::vector<std::int64_t> stand_step;
  std::vector<batch::Event> stand_event;
  std::array<std::vector<double>, batch::kStandColumns.size()> stand_values;

  std::vector<std::size_t> class_run;
  std::vector<std::int64_t> class_step, class_dap;
  std::vector<batch::Event> class_event;
  std::array<std::vector<double>, batch::kClassColumns.size() - 1> class_values;

  void add(batch::Run&& r, bool with_report) {
    const std::size_t run = stand_id.size();
    for (const batch::State& s : r.states) {
      stand_run.push_back(run);
      stand_step.push_back(s.step);
      stand_event.push_back(s.event);
      const std::array<std::optional<float>, 21> v = batch::stand_values(s);
      for (std::size_t k = 0; k < v.size(); ++k)
        stand_values[k].push_back(v[k] ? static_cast<double>(*v[k])
                                       : std::numeric_limits<double>::quiet_NaN());
      for (const TableClass& c : s.table.classes) {
        class_run.push_back(run);
        class_step.push_back(s.step);
        class_event.push_back(s.event);
        class_dap.push_back(c.dap);
        const std::array<float, 7> cv = batch::class_values(c);
        for (std::size_t k = 1; k < cv.size(); ++k) class_values[k - 1].push_back(cv[k]);
      }
    }
    status.emplace_back(batch::run_status(r));
    stand_id.push_back(std::move(r.stand_id));
    regime_id.push_back(std::move(r.regime_id));
    message.push_back(std::move(r.refusal));
    if (with_report) report.push_back(std::move(r.report));
  }
};

py::str name_of(std::string_view column) { return py::str(std::string(column)); }

// The key columns (stand, regime, step, event) of rows that belong to the
// runs `run`.
void key_columns(py::dict& d, const std::vector<py::str>& stands,
                 const std::vector<py::str>& regimes, const std::vector<std::size_t>& run,
                 std::vector<std::int64_t>&& step, const std::vector<batch::Event>& event) {
  const py::str events[] = {py::str(batch::event_name(batch::Event::initial)),
                            py::str(batch::event_name(batch::Event::thinned)),
                            py::str(batch::event_name(batch::Event::projected))};
  py::list stand(run.size()), regime(run.size()), what(run.size());
  for (std::size_t i = 0; i < run.size(); ++i) {
    stand[i] = stands[run[i]];
    regime[i] = regimes[run[i]];
    what[i] = events[static_cast<int>(event[i])];
  }
  d[name_of(batch::kKeyColumns[0])] = stand;
  d[name_of(batch::kKeyColumns[1])] = regime;
  d[name_of(batch::kKeyColumns[2])] = array_of(std::move(step));
  d[name_of(batch::kKeyColumns[3])] = what;
}

py::dict columns_of(Tables&& t) {
  std::vector<py::str> stands, regimes;
  for (const std::string& s : t.stand_id) stands.emplace_back(s);
  for (const std::string& s : t.regime_id) regimes.emplace_back(s);

  py::dict stand_rows;
  key_columns(stand_rows, stands, regimes, t.stand_run, std::move(t.stand_step), t.stand_event);
  for (std::size_t k = 0; k < batch::kStandColumns.size(); ++k)
    stand_rows[name_of(batch::kStandColumns[k])] = array_of(std::move(t.stand_values[k]));

  py::dict class_rows;
  key_columns(class_rows, stands, regimes, t.class_run, std::move(t.class_step), t.class_event);
  class_rows[name_of(batch::kClassColumns[0])] = array_of(std::move(t.class_dap));
  for (std::size_t k = 1; k < batch::kClassColumns.size(); ++k)
    class_rows[name_of(batch::kClassColumns[k])] = array_of(std::move(t.class_values[k - 1]));

  py::dict run_rows;
  py::list status, text;
  for (const std::string& s : t.status) status.append(py::str(s));
  for (const std::string& s : t.message) text.append(py::str(s));
  run_rows[name_of(batch::kRunColumns[0])] = py::cast(stands);
  run_rows[name_of(batch::kRunColumns[1])] = py::cast(regimes);
  run_rows[name_of(batch::kRunColumns[2])] = status;
  run_rows[name_of(batch::kRunColumns[3])] = text;

  py::dict reports;
  for (std::size_t i = 0; i < t.report.size(); ++i)
    reports[py::make_tuple(stands[i], regimes[i])] = latin1(t.report[i]);

  py::dict out;
  out["stands"] = stand_rows;
  out["classes"] = class_rows;
  out["runs"] = run_rows;
  out["reports"] = reports;
  return out;
}

// More threads than runs would wait idle, and thousands would only exhaust
// the process: the runner starts at most this many.
constexpr std::size_t kMostThreads = 256;

// Reads the scenario (`file` names it in messages, and relative stands_csv
// paths start from its folder) and runs it. Returns the problems (a list of
// "FILE:LINE:COLUMN: what" lines) and None, or an empty list and the tables.
py::tuple run_scenario(const py::bytes& text_bytes, const py::bytes& file_bytes, int jobs,
                       bool with_reports) {
  const std::string text = text_bytes;
  const std::string file = file_bytes;
  std::vector<batch::Problem> problems;
  std::optional<batch::Scenario> scenario;
  Tables tables;
  {
    py::gil_scoped_release released;
    scenario = batch::read_scenario(text, file, batch::read_file, problems);
    if (scenario) {
      const std::size_t threads = std::min({static_cast<std::size_t>(jobs < 1 ? 1 : jobs),
                                            batch::run_count(*scenario), kMostThreads});
      const int bark = scenario->bark;
      // Ctrl-C is seen between runs: the signal's exception stops the runner.
      auto checked = std::chrono::steady_clock::now();
      batch::run_all<batch::Run>(
          *scenario, static_cast<int>(threads),
          [&](const batch::StandEntry& s, const batch::Regime* r) {
            return batch::run(s, r, bark, with_reports);
          },
          [&](batch::Run&& r) {
            tables.add(std::move(r), with_reports);
            const auto now = std::chrono::steady_clock::now();
            if (now - checked < std::chrono::milliseconds(100)) return;
            checked = now;
            py::gil_scoped_acquire held;
            if (PyErr_CheckSignals() != 0) throw py::error_already_set();
          });
    }
  }
  if (!scenario) {
    py::list lines;
    for (const batch::Problem& p : problems) lines.append(message(batch::to_string(p)));
    return py::make_tuple(lines, py::none());
  }
  return py::make_tuple(py::list(), columns_of(std::move(tables)));
}

// The text a number is written as in a scenario: the shortest that reads
// back to the float the model takes for it, always with a point or an
// exponent so that TOML keeps it a float.
std::string number_text(py::object value, const std::string& name) {
  std::string out;
  batch::append_number(out, single(value, name));
  if (out.find_first_of(".e") == std::string::npos) out += ".0";
  return out;
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
          "report_text", [](const StandTable& t) { return latin1(table_text(t, false)); },
          "The table as the dialogue writes it to its report (Latin-1 text).")
      .def("__str__", [](const StandTable& t) { return latin1(table_text(t, true)); })
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
        py::arg("reports"),
        "Reads a scenario (TOML bytes; `file` names it in messages and is where relative "
        "stands_csv paths start) and runs it: (problems, None) or ([], tables).");
  m.def("_number_text", &number_text, py::arg("value"), py::arg("name"),
        "The shortest text that reads back to the single-precision value the model takes for "
        "a number, as a TOML float.");
}
