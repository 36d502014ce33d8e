// The compiled part of the R package: stands, their tables, regimes in batch,
// the search for the best regime and the forest plan, over the model library
// and the batch
// that every front end shares. Every figure is the model's single-precision
// value, handed over as the R double equal to it. Arguments are converted
// here; the stand's description and each step are checked by the model's own
// checks before the model computes anything. A value the model cannot use, or
// an argument of the wrong kind, comes back as a "zireze_failure" (its lines,
// and its kind as an attribute) that the R side raises as an error.

// The figures are exact only in IEEE arithmetic: no value-changing
// optimisation (and, from the package's flags, no fused multiply-add).
#ifdef __FAST_MATH__
#error "zireze computes in IEEE single precision: compile it without -ffast-math"
#endif

// The library first, then R, whose headers define short macros.
#include <algorithm>
#include <cfloat>
#include <charconv>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <variant>
#include <vector>

#include "batch/columns.h"
#include "batch/optimum.h"
#include "batch/plain.h"
#include "batch/plan.h"
#include "batch/plan_tables.h"
#include "batch/run.h"
#include "batch/scenario.h"
#include "batch/schema.h"
#include "input/thinned_input.h"
#include "io/reply.h"
#include "io/session_lines.h"
#include "regime/ordered.h"
#include "regime/regime.h"
#include "stand.h"

#define STRICT_R_HEADERS
#include <Rcpp.h>

namespace zireze::r {
namespace {

// Why a call cannot go on: the kind of R error ("type", "value", "scenario",
// "interrupt") and its lines.
struct Refused {
  std::string kind;
  std::vector<std::string> lines;
};

// What R calls the argument's kind: its class, or its type.
std::string kind_of(SEXP x) {
  if (OBJECT(x)) {
    SEXP cls = Rf_getAttrib(x, R_ClassSymbol);
    if (TYPEOF(cls) == STRSXP && Rf_xlength(cls) > 0) return CHAR(STRING_ELT(cls, 0));
  }
  return Rf_type2char(TYPEOF(x));
}

// A number as R would print it in full: whole numbers as digits, others as
// the shortest text that reads back to the same double.
std::string number_shown(double d) {
  if (ISNA(d)) return "NA";
  if (std::isnan(d)) return "NaN";
  if (std::isinf(d)) return d < 0 ? "-Inf" : "Inf";
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, d);
  return std::string(buf, end);
}

// Element i of an atomic vector, as given, for a message.
std::string shown_at(SEXP x, R_xlen_t i) {
  switch (TYPEOF(x)) {
    case INTSXP:
      return INTEGER(x)[i] == NA_INTEGER ? "NA" : std::to_string(INTEGER(x)[i]);
    case REALSXP:
      return number_shown(REAL(x)[i]);
    case LGLSXP:
      return LOGICAL(x)[i] == NA_LOGICAL ? "NA" : LOGICAL(x)[i] ? "TRUE" : "FALSE";
    case STRSXP:
      return STRING_ELT(x, i) == NA_STRING
                 ? "NA"
                 : "\"" + io::printable(Rf_translateCharUTF8(STRING_ELT(x, i))) + "\"";
    default:
      return "<" + kind_of(x) + ">";
  }
}

std::string shown(SEXP x) {
  if (x == R_NilValue) return "NULL";
  if (Rf_isFactor(x) || !Rf_isVectorAtomic(x) || Rf_xlength(x) != 1) return "<" + kind_of(x) + ">";
  return shown_at(x, 0);
}

[[noreturn]] void wrong_type(const std::string& what) { throw Refused{"type", {what}}; }

[[noreturn]] void refuse(const std::string& name, const std::string& value,
                         const std::string& reason) {
  throw Refused{"value", {name + "=" + value + ": " + reason}};
}

bool numeric(SEXP x) { return (TYPEOF(x) == REALSXP || TYPEOF(x) == INTSXP) && !Rf_isFactor(x); }

// Element i of a numeric vector as the model takes it: the nearest
// single-precision value. Past the largest float only what still rounds to
// it is taken (below the midpoint to 2^128).
float single_at(SEXP x, R_xlen_t i, const std::string& name) {
  if (TYPEOF(x) == INTSXP) {
    if (INTEGER(x)[i] == NA_INTEGER) refuse(name, "NA", "a number is needed");
    return static_cast<float>(INTEGER(x)[i]);
  }
  const double d = REAL(x)[i];
  if (ISNA(d)) refuse(name, "NA", "a number is needed");
  if (!std::isfinite(d)) refuse(name, shown_at(x, i), "not a finite number");
  const std::optional<float> f = io::nearest_float(d);
  if (!f) refuse(name, shown_at(x, i), "beyond the range of a single-precision number");
  return *f;
}

void one_number(SEXP x, const std::string& name) {
  if (!numeric(x)) wrong_type(name + ": a number is needed, not " + kind_of(x));
  if (Rf_xlength(x) != 1)
    wrong_type(name + ": one number is needed, not " + std::to_string(Rf_xlength(x)));
}

float single(SEXP x, const std::string& name) {
  one_number(x, name);
  return single_at(x, 0, name);
}

std::optional<float> given(SEXP x, const std::string& name) {
  if (x == R_NilValue) return std::nullopt;
  return single(x, name);
}

// A whole number (one_in, jobs): an integer, or a double without a
// fraction. Beyond the range of a long long, the nearest end of it.
long long whole(SEXP x, const std::string& name) {
  one_number(x, name);
  if (TYPEOF(x) == INTSXP) {
    if (INTEGER(x)[0] == NA_INTEGER) refuse(name, "NA", "a whole number is needed");
    return INTEGER(x)[0];
  }
  const double d = REAL(x)[0];
  if (std::isnan(d) || d != std::trunc(d)) refuse(name, shown(x), "a whole number is needed");
  if (d >= 0x1p63) return LLONG_MAX;
  if (d < -0x1p63) return LLONG_MIN;
  return static_cast<long long>(d);
}

bool flag(SEXP x, const std::string& name) {
  if (TYPEOF(x) != LGLSXP || Rf_xlength(x) != 1 || LOGICAL(x)[0] == NA_LOGICAL)
    wrong_type(name + ": TRUE or FALSE is needed, not " + shown(x));
  return LOGICAL(x)[0] != 0;
}

// The element of a list under `name`; NULL when there is none.
SEXP element(SEXP list, const char* name) {
  if (TYPEOF(list) != VECSXP) return R_NilValue;
  SEXP names = Rf_getAttrib(list, R_NamesSymbol);
  if (TYPEOF(names) != STRSXP) return R_NilValue;
  for (R_xlen_t i = 0; i < Rf_xlength(list); ++i)
    if (std::string_view(CHAR(STRING_ELT(names, i))) == name) return VECTOR_ELT(list, i);
  return R_NilValue;
}

std::string text_of(SEXP x, const std::string& name) {
  if (TYPEOF(x) != STRSXP || Rf_xlength(x) != 1 || STRING_ELT(x, 0) == NA_STRING)
    wrong_type(name + ": one string is needed, not " + shown(x));
  return Rf_translateCharUTF8(STRING_ELT(x, 0));
}

// Bytes that may quote a scenario's own text, as valid UTF-8: a byte that
// is not part of a well-formed character is shown as \xNN.
std::string utf8(std::string_view bytes) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (std::size_t i = 0; i < bytes.size();) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    std::size_t n = b < 0x80                ? 1
                    : b >= 0xC2 && b < 0xE0 ? 2
                    : b >= 0xE0 && b < 0xF0 ? 3
                    : b >= 0xF0 && b < 0xF5 ? 4
                                            : 0;
    bool ok = n > 0 && i + n <= bytes.size();
    for (std::size_t k = 1; ok && k < n; ++k)
      ok = (static_cast<unsigned char>(bytes[i + k]) & 0xC0) == 0x80;
    if (ok && n == 3) {  // no overlong forms, no surrogates
      const auto c = static_cast<unsigned char>(bytes[i + 1]);
      ok = !(b == 0xE0 && c < 0xA0) && !(b == 0xED && c >= 0xA0);
    }
    if (ok && n == 4) {
      const auto c = static_cast<unsigned char>(bytes[i + 1]);
      ok = !(b == 0xF0 && c < 0x90) && !(b == 0xF4 && c >= 0x90);
    }
    if (ok) {
      out.append(bytes.substr(i, n));
      i += n;
    } else {
      out += "\\x";
      out += hex[b >> 4];
      out += hex[b & 15];
      ++i;
    }
  }
  return out;
}

SEXP utf8_string(std::string_view s) {
  return Rf_mkCharLenCE(s.data(), static_cast<int>(s.size()), CE_UTF8);
}

// A character vector of one string.
Rcpp::CharacterVector utf8_text(std::string_view s) {
  Rcpp::CharacterVector v(1);
  SET_STRING_ELT(v, 0, utf8_string(s));
  return v;
}

Rcpp::RawVector raw_of(const std::string& bytes) {
  Rcpp::RawVector out(bytes.size());
  std::copy(bytes.begin(), bytes.end(), out.begin());
  return out;
}

// ---------------------------------------------------------------------------
// The stand as a value: its description and the steps taken since, from
// which the model works it out again at each call.

// The description as the R functions give it, shaped like a scenario's
// [[stand]]: age, site_class or dominant_height, and trees, basal_area or
// trees_planted; or counts, weibull = list(trees, a, b, c) or attributes =
// list(trees, basal_area, dmin, p90).
StandDescription description_of(SEXP list) {
  if (TYPEOF(list) != VECSXP) wrong_type("stand: not a stand of this package");
  StandDescription d;
  d.age = single(element(list, "age"), "age");
  d.site_class = given(element(list, "site_class"), "site_class");
  d.dominant_height = given(element(list, "dominant_height"), "dominant_height");
  d.trees = given(element(list, "trees"), "trees");
  d.basal_area = given(element(list, "basal_area"), "basal_area");
  d.trees_planted = given(element(list, "trees_planted"), "trees_planted");
  if (SEXP counts = element(list, "counts"); counts != R_NilValue) {
    if (!numeric(counts)) wrong_type("counts: numbers are needed, not " + kind_of(counts));
    // Never more than the most classes there can be and the count that ends
    // them: the check refuses more.
    const R_xlen_t n = std::min<R_xlen_t>(Rf_xlength(counts), kMostClasses + 1);
    d.counts.emplace();
    for (R_xlen_t i = 0; i < n; ++i)
      d.counts->push_back(single_at(counts, i, "counts[" + std::to_string(i + 1) + "]"));
  }
  if (SEXP w = element(list, "weibull"); w != R_NilValue)
    d.weibull =
        WeibullDescription{single(element(w, "trees"), "trees"), single(element(w, "a"), "a"),
                           single(element(w, "b"), "b"), single(element(w, "c"), "c")};
  if (SEXP a = element(list, "attributes"); a != R_NilValue)
    d.attributes = AttributesDescription{
        single(element(a, "trees"), "trees"), single(element(a, "basal_area"), "basal_area"),
        single(element(a, "dmin"), "dmin"), single(element(a, "p90"), "p90")};
  return d;
}

// The stand the model completes from the description, or the first problem
// its check finds: a type error where the description lacks or repeats
// something, a value error with the model's reason for a value, shown as
// given.
Stand completed(SEXP list) {
  const StandDescription d = description_of(list);
  const std::vector<DescriptionProblem> problems = check_description(d);
  if (problems.empty()) return initial_stand(d);
  const DescriptionProblem& p = problems.front();
  if (!p.of_value) wrong_type(p.what);
  if (p.key.empty()) throw Refused{"value", {std::string(p.group) + ": " + p.what}};
  if (p.key == "counts") {
    const R_xlen_t i = p.index;
    refuse("counts[" + std::to_string(i + 1) + "]", shown_at(element(list, "counts"), i), p.what);
  }
  const std::string key(p.key);
  SEXP where = p.group.empty() ? list : element(list, std::string(p.group).c_str());
  refuse(key, shown(element(where, key.c_str())), p.what);
}

// A step as the R functions keep it, shaped like a regime's step:
// list(thin = "rows", one_in = K), list(thin = "selective",
// residual_basal_area = X) or list(grow_to = AGE); with the argument that
// gave it, for a refusal.
struct GivenStep {
  Step step;
  std::string name;
  SEXP value;
};

GivenStep step_of(SEXP s) {
  if (SEXP age = element(s, "grow_to"); age != R_NilValue)
    return {Step{.kind = Step::Kind::grow_to, .value = single(age, "age")}, "age", age};
  SEXP thin = element(s, "thin");
  const std::string how = thin == R_NilValue ? "" : text_of(thin, "thin");
  if (how == "rows") {
    SEXP one_in = element(s, "one_in");
    const long long n = whole(one_in, "one_in");
    // Any number but 2 to 6 is refused by the step's check, as 0 is.
    const int k = n >= 0 && n <= 6 ? static_cast<int>(n) : 0;
    return {Step{.kind = Step::Kind::rows, .one_in = k}, "one_in", one_in};
  }
  if (how == "selective") {
    SEXP residual = element(s, "residual_basal_area");
    return {Step{.kind = Step::Kind::selective, .value = single(residual, "residual_basal_area")},
            "residual_basal_area", residual};
  }
  wrong_type("stand: not a stand of this package (a step it does not know)");
}

// The stand now: described, then each step taken in turn, as the dialogue
// takes them. A step the model refuses is told with the argument that gave it.
Stand stand_now(SEXP description, SEXP steps) {
  Stand s = completed(description);
  if (TYPEOF(steps) != VECSXP) wrong_type("stand: not a stand of this package");
  for (R_xlen_t i = 0; i < Rf_xlength(steps); ++i) {
    const GivenStep g = step_of(VECTOR_ELT(steps, i));
    const StandAfter after = stand_after(s, g.step, false);
    if (!after.stand) refuse(g.name, shown(g.value), after.refusal);
    s = *after.stand;
  }
  return s;
}

Rcpp::List figures(const Stand& s) {
  using Rcpp::_;
  return Rcpp::List::create(_["age"] = double{s.IDADE}, _["site_class"] = double{s.SI},
                            _["dominant_height"] = double{s.HD}, _["trees"] = double{s.TS},
                            _["basal_area"] = double{s.BA},
                            _["trees_planted"] = s.TP > 0.0f ? double{s.TP} : NA_REAL,
                            _["dmin"] = double{s.DMIN}, _["a"] = double{s.A}, _["b"] = double{s.B},
                            _["c"] = double{s.C}, _["unthinned"] = s.unthinned);
}

// ---------------------------------------------------------------------------
// Tables as data frames, from the declared columns held column by column:
// text as character, whole numbers as integer (double where one is beyond an
// R integer), figures as double; an empty cell is NA (a figure that is not a
// number stays NaN, as the CSV files write it).

SEXP data_frame_of(const std::vector<batch::ColumnData>& columns) {
  Rcpp::List out(columns.size());
  Rcpp::CharacterVector names(columns.size());
  std::size_t rows = 0;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const batch::ColumnData& c = columns[i];
    names[i] = std::string(c.name);
    if (c.type == batch::Type::text) {
      Rcpp::CharacterVector v(c.text.size());
      for (std::size_t k = 0; k < c.text.size(); ++k) SET_STRING_ELT(v, k, utf8_string(c.text[k]));
      out[i] = v;
      rows = c.text.size();
      continue;
    }
    rows = c.missing.size();
    const bool fits_int = c.type == batch::Type::integer &&
                          std::all_of(c.integers.begin(), c.integers.end(),
                                      [](std::int64_t x) { return x > INT_MIN && x <= INT_MAX; });
    if (fits_int) {
      Rcpp::IntegerVector v(rows);
      for (std::size_t k = 0; k < rows; ++k)
        v[k] = c.missing[k] ? NA_INTEGER : static_cast<int>(c.integers[k]);
      out[i] = v;
    } else {
      Rcpp::NumericVector v(rows);
      for (std::size_t k = 0; k < rows; ++k)
        v[k] = c.missing[k]                     ? NA_REAL
               : c.type == batch::Type::integer ? static_cast<double>(c.integers[k])
                                                : c.reals[k];
      out[i] = v;
    }
  }
  out.attr("names") = names;
  out.attr("class") = "data.frame";
  out.attr("row.names") = Rcpp::IntegerVector::create(NA_INTEGER, -static_cast<int>(rows));
  return out;
}

template <typename Row>
struct Frame : batch::Columns<Row> {
  using batch::Columns<Row>::Columns;
  SEXP data_frame() { return data_frame_of(this->data()); }
};

Rcpp::List table_of(const StandTable& t) {
  using Rcpp::_;
  Frame<batch::ClassRow> classes(batch::kClassesTable, batch::kClassKeys);
  batch::for_each_class_row(t, [&](const batch::ClassRow& row) { classes.add(row); });
  const TableTotals& s = t.totals;
  Rcpp::NumericVector totals = Rcpp::NumericVector::create(
      _["n"] = s.n, _["g"] = s.g, _["h"] = s.h, _["vol_tot"] = s.vol_tot, _["vol_rol"] = s.vol_rol,
      _["vol_mad"] = s.vol_mad);
  const std::optional<int> age = t.age_shown(), site = t.site_class_shown();
  Rcpp::List out = Rcpp::List::create(
      _["age"] = age ? *age : NA_INTEGER, _["site_class"] = site ? *site : NA_INTEGER,
      _["age_value"] = double{t.IDADE}, _["site_class_value"] = double{t.SI},
      _["dominant_height"] = double{t.HD}, _["dq"] = double{t.DQ}, _["a"] = double{t.A},
      _["b"] = double{t.B}, _["c"] = double{t.C}, _["bark"] = t.bark != 0,
      _["classes"] = classes.data_frame(), _["totals"] = totals);
  // The console's and the report's bytes: Latin-1 (the report's one byte
  // beyond ASCII is the 0xC2 of "PARÂMETROS").
  const std::string console = io::stand_table_text(t, true);
  Rcpp::CharacterVector console_text(1);
  SET_STRING_ELT(console_text, 0,
                 Rf_mkCharLenCE(console.data(), static_cast<int>(console.size()), CE_LATIN1));
  out.attr("console") = console_text;
  out.attr("report") = raw_of(io::stand_table_text(t, false));
  return out;
}

// ---------------------------------------------------------------------------
// Scenarios: a file, or an R list written as a scenario file by the one
// writer and read by the one reader, so that its problems are told as a
// file's are.

// Keys whose value is always an array: a value given alone there is an
// array of one (R has no scalar apart from a vector of one).
bool array_key(std::string_view k) {
  return k == "stand" || k == "regime" || k == "stands" || k == "steps" || k == "counts" ||
         k == "rotation";
}

bool missing_at(SEXP x, R_xlen_t i) {
  switch (TYPEOF(x)) {
    case LGLSXP:
      return LOGICAL(x)[i] == NA_LOGICAL;
    case INTSXP:
      return INTEGER(x)[i] == NA_INTEGER;
    case REALSXP:
      return ISNA(REAL(x)[i]);
    case STRSXP:
      return STRING_ELT(x, i) == NA_STRING;
    default:
      return false;
  }
}

// Element i of an atomic vector as one value of the scenario. A double
// without a fraction is written as an integer (the reader wants one for
// one_in and thinnings; for the rest it reads as the same number); any
// other as the text that reads back to it, and rounded once to single
// precision as the double is.
batch::Plain scalar_at(SEXP x, R_xlen_t i, const std::string& where) {
  if (missing_at(x, i)) wrong_type(where + ": NA cannot be written in a scenario");
  if (Rf_isFactor(x)) {
    SEXP levels = Rf_getAttrib(x, R_LevelsSymbol);
    return batch::Plain::string(Rf_translateCharUTF8(STRING_ELT(levels, INTEGER(x)[i] - 1)));
  }
  switch (TYPEOF(x)) {
    case LGLSXP:
      return batch::Plain::of(LOGICAL(x)[i] != 0);
    case INTSXP:
      return batch::Plain::number(std::to_string(INTEGER(x)[i]));
    case REALSXP: {
      const double d = REAL(x)[i];
      if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 0x1p53 &&
          !(d == 0 && std::signbit(d)))
        return batch::Plain::number(std::to_string(static_cast<long long>(d)));
      return batch::Plain::number(batch::double_text(d));
    }
    case STRSXP:
      return batch::Plain::string(Rf_translateCharUTF8(STRING_ELT(x, i)));
    default:
      wrong_type(where + ": a " + kind_of(x) + " cannot be written in a scenario");
  }
}

batch::Plain plain(SEXP x, const std::string& where, bool as_array);

// A data frame: one table per row, its columns the keys; a missing cell (NA)
// is not given, as an empty cell of the CSV of plots.
batch::Plain rows_of(SEXP df, const std::string& where) {
  SEXP names = Rf_getAttrib(df, R_NamesSymbol);
  const R_xlen_t columns = Rf_xlength(df);
  const R_xlen_t rows = columns > 0 ? Rf_xlength(VECTOR_ELT(df, 0)) : 0;
  batch::Plain a = batch::Plain::array();
  for (R_xlen_t r = 0; r < rows; ++r) {
    batch::Plain t = batch::Plain::table();
    for (R_xlen_t c = 0; c < columns; ++c) {
      const std::string key = Rf_translateCharUTF8(STRING_ELT(names, c));
      SEXP column = VECTOR_ELT(df, c);
      const std::string at = where + "$" + key + "[" + std::to_string(r + 1) + "]";
      if (TYPEOF(column) == VECSXP) {  // a list column: counts, say
        SEXP cell = VECTOR_ELT(column, r);
        if (cell != R_NilValue) t.add(key, plain(cell, at, array_key(key)));
      } else if (Rf_isVectorAtomic(column)) {
        if (!missing_at(column, r)) t.add(key, scalar_at(column, r, at));
      } else {
        wrong_type(at + ": a " + kind_of(column) + " cannot be written in a scenario");
      }
    }
    a.items.push_back(std::move(t));
  }
  return a;
}

// Named lists are tables, unnamed lists and vectors of more than one value
// arrays, vectors of one value (unless I()) single values. An empty list is
// an empty table, except where an array is always wanted. NULL under a name
// is not given.
batch::Plain plain(SEXP x, const std::string& where, bool as_array) {
  if (Rf_inherits(x, "data.frame")) return rows_of(x, where);
  if (TYPEOF(x) == VECSXP) {
    const R_xlen_t n = Rf_xlength(x);
    SEXP names = Rf_getAttrib(x, R_NamesSymbol);
    R_xlen_t named = 0;
    for (R_xlen_t i = 0; names != R_NilValue && i < n; ++i)
      named += STRING_ELT(names, i) != NA_STRING && CHAR(STRING_ELT(names, i))[0] != '\0';
    if (named > 0 && named < n) wrong_type(where + ": name every element of a list, or none");
    if (named > 0 || (n == 0 && !as_array)) {
      batch::Plain t = batch::Plain::table();
      for (R_xlen_t i = 0; i < n; ++i) {
        if (VECTOR_ELT(x, i) == R_NilValue) continue;
        const std::string key = Rf_translateCharUTF8(STRING_ELT(names, i));
        t.add(key, plain(VECTOR_ELT(x, i), where + "$" + key, array_key(key)));
      }
      if (!as_array) return t;
      batch::Plain a = batch::Plain::array();
      a.items.push_back(std::move(t));
      return a;
    }
    batch::Plain a = batch::Plain::array();
    for (R_xlen_t i = 0; i < n; ++i) {
      const std::string at = where + "[[" + std::to_string(i + 1) + "]]";
      if (VECTOR_ELT(x, i) == R_NilValue) wrong_type(at + ": NULL cannot be written in a scenario");
      a.items.push_back(plain(VECTOR_ELT(x, i), at, false));
    }
    return a;
  }
  if (Rf_isVectorAtomic(x) && TYPEOF(x) != CPLXSXP && TYPEOF(x) != RAWSXP) {
    const R_xlen_t n = Rf_xlength(x);
    if (n == 1 && !as_array && !Rf_inherits(x, "AsIs")) return scalar_at(x, 0, where);
    batch::Plain a = batch::Plain::array();
    for (R_xlen_t i = 0; i < n; ++i)
      a.items.push_back(scalar_at(x, i, where + "[" + std::to_string(i + 1) + "]"));
    return a;
  }
  wrong_type(where + ": a " + kind_of(x) + " cannot be written in a scenario");
}

std::string toml_of(SEXP x) {
  if (TYPEOF(x) != VECSXP || Rf_inherits(x, "data.frame"))
    wrong_type("x: a list shaped like a scenario is needed, not " + kind_of(x));
  const batch::Plain top = plain(x, "x", false);
  if (top.kind != batch::Plain::Kind::table)
    wrong_type("x: a scenario's parts are named (bark, stand, regime, economics, ...)");
  return batch::toml_text(top).text;
}

// The scenario's text and the name its problems go by: a file's (read as
// `zireze run` reads it), or "<list>" for a list.
std::pair<std::string, std::string> scenario_text(SEXP x) {
  if (TYPEOF(x) == STRSXP) {
    if (Rf_xlength(x) != 1 || STRING_ELT(x, 0) == NA_STRING)
      wrong_type("x: one file name is needed, not " + shown(x));
    const std::string path = Rf_translateChar(STRING_ELT(x, 0));
    std::string why;
    std::optional<std::string> text = batch::read_file(path, batch::kLargestScenario, why);
    if (!text) throw Refused{"scenario", {utf8("cannot read " + path + ": " + why)}};
    return {std::move(*text), path};
  }
  return {toml_of(x), "<list>"};
}

// The scenario, and the name its problems go by.
std::pair<Scenario, std::string> read_named(SEXP x) {
  const auto [text, file] = scenario_text(x);
  std::vector<batch::Problem> problems;
  std::optional<Scenario> s = batch::read_scenario(text, file, batch::read_plots_file, problems);
  if (s) return {std::move(*s), file};
  Refused r{"scenario", {}};
  for (const batch::Problem& p : problems) r.lines.push_back(utf8(batch::to_string(p)));
  throw r;
}

Scenario read(SEXP x) { return read_named(x).first; }

// Values the scenario holds as doubles, not as the model's figures: money,
// the search space, the plan's settings and a stand's area.
bool of_doubles(std::string_view key) {
  return key == "economics" || key == "optimize" || key == "plan" || key == "area";
}

// Plain data as R values: tables as named lists, arrays of numbers or of
// strings as vectors, other arrays as lists. A figure of the model (a
// stand's or a step's number) is the single-precision value its text reads
// as; the values of_doubles names, the double their text reads as.
SEXP r_of(const batch::Plain& p, bool figures) {
  using Kind = batch::Plain::Kind;
  auto number = [&](const std::string& text) -> double {
    if (text == "nan") return R_NaN;
    if (text == "inf" || text == "-inf") return text[0] == '-' ? R_NegInf : R_PosInf;
    if (figures) {
      if (std::optional<float> f = io::parse_real(text)) return *f;
    }
    double d = 0;
    std::from_chars(text.data(), text.data() + text.size(), d);
    return d;
  };
  switch (p.kind) {
    case Kind::boolean:
      return Rcpp::LogicalVector::create(p.boolean);
    case Kind::number:
      return Rcpp::NumericVector::create(number(p.text));
    case Kind::string:
      return utf8_text(p.text);
    case Kind::array: {
      const auto all = [&](Kind k) {
        return !p.items.empty() && std::all_of(p.items.begin(), p.items.end(),
                                               [k](const batch::Plain& i) { return i.kind == k; });
      };
      if (all(Kind::number)) {
        Rcpp::NumericVector v(p.items.size());
        for (std::size_t i = 0; i < p.items.size(); ++i) v[i] = number(p.items[i].text);
        return v;
      }
      if (all(Kind::string)) {
        Rcpp::CharacterVector v(p.items.size());
        for (std::size_t i = 0; i < p.items.size(); ++i)
          SET_STRING_ELT(v, i, utf8_string(p.items[i].text));
        return v;
      }
      Rcpp::List v(p.items.size());
      for (std::size_t i = 0; i < p.items.size(); ++i) v[i] = r_of(p.items[i], figures);
      return v;
    }
    case Kind::table: {
      Rcpp::List v(p.entries.size());
      Rcpp::CharacterVector names(p.entries.size());
      for (std::size_t i = 0; i < p.entries.size(); ++i) {
        const auto& [key, value] = p.entries[i];
        SET_STRING_ELT(names, i, utf8_string(key));
        v[i] = r_of(value, figures && !of_doubles(key));
      }
      v.attr("names") = names;
      return v;
    }
  }
  return R_NilValue;
}

// Threads for the runs: all the machine has unless told.
int jobs_of(SEXP jobs) {
  if (jobs == R_NilValue)
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  const long long n = whole(jobs, "jobs");
  if (n < 1) refuse("jobs", shown(jobs), "at least 1");
  return static_cast<int>(std::min<long long>(n, 1 << 16));
}

void check_interrupt(void*) { R_CheckUserInterrupt(); }

// Whether the user has asked to stop (Ctrl-C), seen without leaving C++ by
// a jump, so that every destructor runs; on R's thread only, every tenth of
// a second at most.
class Interrupts {
 public:
  void check() {
    if (std::this_thread::get_id() != r_thread_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    if (R_ToplevelExec(check_interrupt, nullptr) == FALSE)
      throw Refused{"interrupt", {"interrupted"}};
  }

 private:
  std::thread::id r_thread_ = std::this_thread::get_id();
  std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

template <typename F>
SEXP guarded(F&& f) {
  try {
    return f();
  } catch (const Refused& r) {
    Rcpp::CharacterVector lines(r.lines.size());
    for (std::size_t i = 0; i < r.lines.size(); ++i)
      SET_STRING_ELT(lines, i, utf8_string(r.lines[i]));
    lines.attr("kind") = r.kind;
    lines.attr("class") = "zireze_failure";
    return lines;
  }
}

}  // namespace
}  // namespace zireze::r

using namespace zireze;
using zireze::r::guarded;

// The stand's figures: described, then through its steps.
// [[Rcpp::export]]
SEXP cpp_stand(SEXP description, SEXP steps) {
  return guarded([&] { return r::figures(r::stand_now(description, steps)); });
}

// The stand table of the stand, with bark or without.
// [[Rcpp::export]]
SEXP cpp_stand_table(SEXP description, SEXP steps, SEXP bark) {
  return guarded([&] {
    const bool with_bark = r::flag(bark, "bark");
    return r::table_of(stand_table(r::stand_now(description, steps), with_bark ? 1 : 0));
  });
}

// Every stand of the scenario under every regime, as `zireze run` runs them:
// its tables, and each run's report when asked.
// [[Rcpp::export]]
SEXP cpp_run_scenario(SEXP x, SEXP jobs, SEXP reports) {
  return guarded([&]() -> SEXP {
    const int threads = r::jobs_of(jobs);
    const bool with_reports = r::flag(reports, "reports");
    const Scenario s = r::read(x);
    r::Frame<batch::StateRow> stands(batch::kStandsTable);
    r::Frame<batch::ClassRow> classes(batch::kClassesTable);
    r::Frame<batch::Run> runs(batch::kRunsTable);
    r::Frame<batch::Run> values(batch::kValuesTable);
    r::Frame<batch::CashFlowRow> cash_flows(batch::kCashFlowsTable);
    std::vector<std::string> names, report_bytes;
    const Economics* economics = s.economics ? &*s.economics : nullptr;
    const RunPlan planned(s);
    r::Interrupts interrupts;
    run_in_order<batch::Run>(
        planned.size(), threads,
        [&](std::size_t i) { return batch::run_planned(s, planned[i], with_reports); },
        [&](batch::Run&& run) {
          batch::for_each_state_row(run, [&](const batch::StateRow& row) { stands.add(row); });
          batch::for_each_class_row(run, [&](const batch::ClassRow& row) { classes.add(row); });
          runs.add(run);
          if (economics) {
            values.add(run);
            batch::for_each_cash_flow_row(
                run, [&](const batch::CashFlowRow& row) { cash_flows.add(row); });
          }
          if (with_reports) {
            names.push_back(batch::report_name(run));
            report_bytes.push_back(std::move(run.report));
          }
          interrupts.check();
        });
    Rcpp::List out = Rcpp::List::create(Rcpp::_["stands"] = stands.data_frame(),
                                        Rcpp::_["classes"] = classes.data_frame(),
                                        Rcpp::_["runs"] = runs.data_frame());
    if (economics) {
      out["values"] = values.data_frame();
      out["cashflows"] = cash_flows.data_frame();
    }
    if (with_reports) {
      Rcpp::List reports_of(report_bytes.size());
      for (std::size_t i = 0; i < report_bytes.size(); ++i)
        reports_of[i] = r::raw_of(report_bytes[i]);
      reports_of.attr("names") = names;
      out["reports"] = reports_of;
    }
    return out;
  });
}

// The best regime of every stand of the scenario, as `zireze optimize` finds
// it: optimum.csv's rows, and the scenario that re-runs the optima (best.toml).
// [[Rcpp::export]]
SEXP cpp_optimize(SEXP x, SEXP jobs) {
  return guarded([&]() -> SEXP {
    const int threads = r::jobs_of(jobs);
    const Scenario s = r::read(x);
    r::Refused refused{"scenario", {}};
    for (const SpaceProblem& p : batch::space_problems(s))
      refused.lines.push_back(batch::to_string(p));
    if (!refused.lines.empty()) throw refused;
    r::Interrupts interrupts;
    const SearchProgress progress = [&](double) { interrupts.check(); };
    std::vector<batch::StandOptimum> optima;
    run_in_order<batch::StandOptimum>(
        s.stands.size(), threads,
        [&](std::size_t i) { return batch::optimize_stand_of(s, i, progress); },
        [&](batch::StandOptimum&& o) {
          optima.push_back(std::move(o));
          interrupts.check();
        });
    r::Frame<batch::StandOptimum> optimum(batch::kOptimumTable);
    for (const batch::StandOptimum& o : optima) optimum.add(o);
    const batch::Plain best = batch::plain_of(batch::best_scenario(s, optima));
    return Rcpp::List::create(Rcpp::_["optimum"] = optimum.data_frame(),
                              Rcpp::_["scenario"] = r::r_of(best, true));
  });
}

// The forest plan of the scenario, as `zireze plan` makes it: its tables
// (candidates.csv, candidate_flows.csv, plan.csv, periods.csv,
// constraints.csv, solution.csv), and the scenario that re-runs it (plan.toml)
// as R values and as text. Ctrl-C stops it between stands.
// [[Rcpp::export]]
SEXP cpp_plan(SEXP x, SEXP jobs) {
  return guarded([&]() -> SEXP {
    const int threads = r::jobs_of(jobs);
    const auto [s, file] = r::read_named(x);
    r::Refused refused{"scenario", {}};
    for (const std::string& p : batch::plan_problems(s))
      refused.lines.push_back(r::utf8(file + ": " + p));
    if (!refused.lines.empty()) throw refused;
    r::Interrupts interrupts;
    std::optional<batch::PlanOutcome> solved;
    try {
      solved = batch::plan_of(s, threads, [&] { interrupts.check(); });
    } catch (const batch::PlanRefused& e) {
      throw r::Refused{"scenario", {r::utf8(file + ": " + e.what())}};
    }
    const batch::PlanOutcome& outcome = *solved;
    Rcpp::List out;
    for (const batch::NamedTable& t : batch::plan_tables(s, outcome))
      out[std::string(t.name)] = r::data_frame_of(t.columns);
    const batch::Plain plan = batch::plain_of(batch::plan_scenario(s, outcome));
    out["scenario"] = r::r_of(plan, true);
    out["plan_toml"] = r::utf8_text(batch::toml_text(plan).text);
    return out;
  });
}

// The scenario as R values, as the reader reads it: every stand, regime and
// table, with the values the model takes.
// [[Rcpp::export]]
SEXP cpp_read_scenario(SEXP x) {
  return guarded([&] { return r::r_of(batch::plain_of(r::read(x)), true); });
}

// The scenario file a list stands for, as the one writer writes it.
// [[Rcpp::export]]
SEXP cpp_scenario_toml(SEXP x) {
  return guarded([&]() -> SEXP { return Rcpp::wrap(r::toml_of(x)); });
}

// Every column of the tables: which table, its name, type, unit and meaning.
// [[Rcpp::export]]
SEXP cpp_columns() {
  std::vector<std::string> table, name, type, unit, definition;
  auto each = [&](const auto& t) {
    for (const auto& c : t.columns) {
      table.emplace_back(t.name);
      name.emplace_back(c.name);
      type.emplace_back(c.type == batch::Type::text      ? "character"
                        : c.type == batch::Type::integer ? "integer"
                                                         : "double");
      unit.emplace_back(c.unit);
      definition.emplace_back(c.definition);
    }
  };
  batch::for_each_table(each);
  return Rcpp::DataFrame::create(Rcpp::_["table"] = table, Rcpp::_["column"] = name,
                                 Rcpp::_["type"] = type, Rcpp::_["unit"] = unit,
                                 Rcpp::_["definition"] = definition,
                                 Rcpp::_["stringsAsFactors"] = false);
}
