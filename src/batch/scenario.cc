#include "batch/scenario.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <initializer_list>
#include <map>
#include <set>

#include "batch/stand_fields.h"
#include "batch/stands_csv.h"
#include "io/reply.h"

// Errors come back as values: the parser says where the text goes wrong.
#define TOML_EXCEPTIONS 0
#include <toml++/toml.h>

namespace zireze::batch {

namespace {

// Text on one line: control bytes (line ends among them) written as \\xNN.
// The parser's descriptions quote the bytes it stopped at; a file name may
// hold anything.
std::string one_line(std::string_view text) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : text) {
    const unsigned char b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) {
      out += "\\x";
      out += hex[b >> 4];
      out += hex[b & 15];
    } else {
      out += c;
    }
  }
  return out;
}

// The text the parser is given: the scenario with every character beyond
// ASCII in a comment written as one '?', so that lines and columns (counted
// in characters) stay where they were. Such a character anywhere else, in a
// string or not, is refused and its place returned: the parser, asked
// whether some of them (accented Latin letters, Greek, Cyrillic, kana) are
// blanks, reaches a point it holds unreachable, with undefined results. What
// a scenario holds in strings (ids, the thinning kinds, the plots' file
// name) is plain ASCII.
std::optional<Where> ascii_for_parser(std::string_view text, const std::string& file,
                                      std::string& out) {
  enum class In { code, comment, string };
  In in = In::code;
  std::string_view closing;  // of the string: one quote or three
  bool escapes = false;      // a basic string ("): a backslash escapes what follows
  int line = 1;
  std::size_t line_start = 0;
  out.clear();
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (static_cast<unsigned char>(c) >= 0x80) {
      if (in != In::comment) return Where{file, line, static_cast<int>(i - line_start) + 1};
      out += '?';
      while (i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) ++i;
      continue;
    }
    out += c;
    if (c == '\n') {
      ++line;
      line_start = i + 1;
      // A comment ends here, and so does a one-line string left open (the
      // parser says what is wrong with it).
      if (in == In::comment || (in == In::string && closing.size() == 1)) in = In::code;
    } else if (in == In::code && c == '#') {
      in = In::comment;
    } else if (in == In::code && (c == '"' || c == '\'')) {
      closing = text.substr(i, 3) == std::string(3, c) ? text.substr(i, 3) : text.substr(i, 1);
      escapes = c == '"';
      out += text.substr(i + 1, closing.size() - 1);
      i += closing.size() - 1;
      in = In::string;
    } else if (in == In::string && escapes && c == '\\' && i + 1 < text.size() &&
               static_cast<unsigned char>(text[i + 1]) < 0x80 && text[i + 1] != '\n') {
      out += text[++i];
    } else if (in == In::string && text.substr(i, closing.size()) == closing) {
      out += text.substr(i + 1, closing.size() - 1);
      i += closing.size() - 1;
      in = In::code;
    }
  }
  return std::nullopt;
}

}  // namespace

std::string to_string(const Problem& p) {
  return one_line(p.where.file) + ':' + std::to_string(p.where.line) + ':' +
         std::to_string(p.where.column) + ": " + p.what;
}

bool number_key(std::string_view key) {
  static constexpr std::string_view kNumbers[] = {
      "age", "site_class", "dominant_height", "trees", "basal_area", "trees_planted", "counts", "a",
      "b", "c", "dmin", "p90", "one_in", "residual_basal_area", "grow_to", "grow_by",
      // [economics]
      "discount_rate", "sawlog", "roundwood", "residue", "thinning", "thinning_per_m3", "felling",
      "felling_per_m3", "annual", "establishment", "land_value", "fire_hazard",
      // [optimize]
      "thinnings", "earliest_thinning", "min_interval", "min_removal", "max_removal",
      "min_residual_basal_area", "rotation",
      // [plan], and a stand's area
      "horizon", "period", "tolerance", "min_flow", "max_flow", "max_felled_area", "ending_volume",
      "gap", "time_limit", "area"};
  return std::find(std::begin(kNumbers), std::end(kNumbers), key) != std::end(kNumbers);
}

bool plain_id(std::string_view id) {
  if (id.empty()) return false;
  return std::all_of(id.begin(), id.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_';
  });
}

namespace {

// The scenario file: its lines, to find values' text and byte columns, and
// the problems found so far.
class Toml {
 public:
  Toml(std::string_view text, const std::string& file, std::vector<Problem>& problems)
      : file_(file), problems_(problems) {
    for (std::size_t start = 0; start <= text.size();) {
      std::size_t end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      lines_.push_back(text.substr(start, end - start));
      start = end + 1;
    }
  }

  Where where(const toml::source_position& p) const {
    if (p.line == 0 || p.line > lines_.size())
      return Where{file_, static_cast<int>(p.line), static_cast<int>(p.column)};
    return Where{file_, static_cast<int>(p.line),
                 static_cast<int>(byte_offset(lines_[p.line - 1], p.column)) + 1};
  }
  Where where(const toml::node& n) const { return where(n.source().begin); }

  void problem(const Where& where, std::string what) {
    problems_.push_back(Problem{where, std::move(what)});
  }

  // A number, read from its text in the file as the dialogue reads the same
  // text: the float nearest to it, rounded once. Underscores between digits
  // are dropped; hexadecimal, octal and binary integers are rounded once from
  // their value.
  Field number(const toml::node& n, std::string_view key) {
    if (!n.is_number()) {
      problem(where(n), std::string(key) + ": not a number");
      Field unreadable;
      unreadable.given = true;
      unreadable.where = where(n);
      return unreadable;
    }
    std::string text;
    for (char c : source_text(n))
      if (c != '_') text += c;
    const bool based = n.is_integer() && text.size() > 2 && text[0] == '0' &&
                       (text[1] == 'x' || text[1] == 'o' || text[1] == 'b');
    if (!based) return number_field(text, where(n), key, problems_);
    return Field{.given = true,
                 .readable = true,
                 .value = static_cast<float>(n.as_integer()->get()),
                 .text = text,
                 .where = where(n)};
  }

  // A number read as a double, from its text: the double nearest to it.
  std::optional<double> real(const toml::node& n, std::string_view key) {
    if (!n.is_number()) {
      problem(where(n), std::string(key) + ": not a number");
      return std::nullopt;
    }
    std::string text;
    for (char c : source_text(n))
      if (c != '_') text += c;
    if (n.is_integer()) return static_cast<double>(n.as_integer()->get());
    double d = 0.0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), d);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(d)) {
      problem(where(n), std::string(key) + " = " + io::printable(text) + ": not a finite number");
      return std::nullopt;
    }
    return d;
  }

  std::optional<bool> boolean(const toml::node& n, std::string_view key) {
    if (const auto* b = n.as_boolean()) return b->get();
    problem(where(n), std::string(key) + ": true or false");
    return std::nullopt;
  }

  // Each of `keys` that `t` gives, read as a double into its member of
  // `into`; false where one is not a number.
  template <typename T>
  bool reals(const toml::table& t, std::initializer_list<std::pair<const char*, double T::*>> keys,
             T& into) {
    bool ok = true;
    for (auto [key, member] : keys) {
      const toml::node* x = t.get(key);
      if (!x) continue;
      const std::optional<double> v = real(*x, key);
      ok = ok && v;
      if (v) into.*member = *v;
    }
    return ok;
  }

  // The number under `key` in `t`, when there is one.
  Field number(const toml::table& t, std::string_view key) {
    const toml::node* n = t.get(key);
    return n ? number(*n, key) : Field{};
  }

  std::optional<std::string> string(const toml::node& n, std::string_view key) {
    if (const auto* s = n.as_string()) return s->get();
    problem(where(n), std::string(key) + ": not a string");
    return std::nullopt;
  }

  const toml::table* table(const toml::node& n, std::string_view key) {
    if (const toml::table* t = n.as_table()) return t;
    problem(where(n), std::string(key) + ": not a table");
    return nullptr;
  }

  const toml::array* array(const toml::node& n, std::string_view key) {
    if (const toml::array* a = n.as_array()) return a;
    problem(where(n), std::string(key) + ": not an array");
    return nullptr;
  }

  // Reports every key of `t` that is not among `known`.
  void only(const toml::table& t, std::initializer_list<std::string_view> known,
            std::string_view in) {
    for (auto&& [k, v] : t)
      if (std::find(known.begin(), known.end(), k.str()) == known.end())
        problem(where(k.source().begin),
                "unknown key '" + io::printable(k.str()) + "' in " + std::string(in));
  }

 private:
  // toml++ counts columns in characters; messages count bytes, as editors do.
  static std::size_t byte_offset(std::string_view line, std::size_t column) {
    std::size_t i = 0;
    for (std::size_t c = 1; c < column && i < line.size(); ++c) {
      ++i;
      while (i < line.size() && (static_cast<unsigned char>(line[i]) & 0xC0) == 0x80) ++i;
    }
    return i;
  }

  // The text of a value as it stands in the file, on one line.
  std::string_view source_text(const toml::node& n) const {
    const toml::source_region& r = n.source();
    if (r.begin.line != r.end.line || r.begin.line == 0 || r.begin.line > lines_.size()) return {};
    const std::string_view line = lines_[r.begin.line - 1];
    const std::size_t from = byte_offset(line, r.begin.column);
    const std::size_t to = byte_offset(line, r.end.column);
    return line.substr(from, to - from);
  }

  std::string file_;
  std::vector<Problem>& problems_;
  std::vector<std::string_view> lines_;
};

StandFields stand_fields(Toml& in, const toml::table& t) {
  in.only(t,
          {"id", "age", "site_class", "dominant_height", "trees", "basal_area", "trees_planted",
           "counts", "weibull", "attributes", "area"},
          "[[stand]]");
  StandFields f;
  f.where = in.where(t);
  if (const toml::node* n = t.get("id")) {
    f.id_given = true;
    f.id_where = in.where(*n);
    if (auto id = in.string(*n, "id")) f.id = *id;
  }
  f.age = in.number(t, "age");
  f.site_class = in.number(t, "site_class");
  f.dominant_height = in.number(t, "dominant_height");
  f.trees = in.number(t, "trees");
  f.basal_area = in.number(t, "basal_area");
  f.trees_planted = in.number(t, "trees_planted");
  if (const toml::node* n = t.get("area")) {
    const std::optional<double> hectares = in.real(*n, "area");
    const char* reason = hectares ? area_refusal(*hectares) : nullptr;
    if (reason) in.problem(in.where(*n), std::string("area: ") + reason);
    if (hectares && !reason) f.area = hectares;
  }
  if (const toml::node* n = t.get("counts")) {
    f.counts_group = Group{true, in.where(*n)};
    if (const toml::array* counts = in.array(*n, "counts"))
      for (const toml::node& count : *counts) f.counts.push_back(in.number(count, "counts"));
  }
  if (const toml::node* n = t.get("weibull")) {
    f.weibull = Group{true, in.where(*n)};
    if (const toml::table* w = in.table(*n, "weibull")) {
      in.only(*w, {"trees", "a", "b", "c"}, "weibull");
      f.weibull_trees = in.number(*w, "trees");
      f.a = in.number(*w, "a");
      f.b = in.number(*w, "b");
      f.c = in.number(*w, "c");
    }
  }
  if (const toml::node* n = t.get("attributes")) {
    f.attributes = Group{true, in.where(*n)};
    if (const toml::table* a = in.table(*n, "attributes")) {
      in.only(*a, {"trees", "basal_area", "dmin", "p90"}, "attributes");
      f.attributes_trees = in.number(*a, "trees");
      f.attributes_basal_area = in.number(*a, "basal_area");
      f.dmin = in.number(*a, "dmin");
      f.p90 = in.number(*a, "p90");
    }
  }
  return f;
}

// One step: { thin = "rows", one_in = N }, { thin = "selective",
// residual_basal_area = X }, { grow_to = AGE }, { grow_by = YEARS } or
// { fell = true }. `last`: it ends the regime.
std::optional<Step> step(Toml& in, const toml::node& n, bool last) {
  const toml::table* t = in.table(n, "step");
  if (!t) return std::nullopt;
  const Where where = in.where(n);
  const char* kinds[] = {"thin", "grow_to", "grow_by", "fell"};
  const int given = std::count_if(std::begin(kinds), std::end(kinds),
                                  [&](const char* k) { return t->get(k) != nullptr; });
  if (given != 1) {
    in.problem(where,
               "a step is thin = \"rows\" or \"selective\", grow_to = AGE, grow_by = YEARS or "
               "fell = true");
    return std::nullopt;
  }
  Step s;
  // A refusal of the step's own check, told at `at`.
  auto checked = [&](const Where& at) -> std::optional<Step> {
    if (const char* reason = step_refusal(s, last)) {
      in.problem(at, reason);
      return std::nullopt;
    }
    return s;
  };
  for (auto [key, kind] :
       {std::pair{"grow_to", Step::Kind::grow_to}, std::pair{"grow_by", Step::Kind::grow_by}}) {
    const toml::node* years = t->get(key);
    if (!years) continue;
    in.only(*t, {key}, "a growth step");
    const Field f = in.number(*years, key);
    if (!f.readable) return std::nullopt;
    s.kind = kind;
    s.value = f.value;
    if (const char* reason = step_refusal(s, last)) {
      in.problem(f.where, std::string(key) + " = " + io::printable(f.text) + ": " + reason);
      return std::nullopt;
    }
    return s;
  }
  if (const toml::node* fell = t->get("fell")) {
    in.only(*t, {"fell"}, "a felling");
    const auto* yes = fell->as_boolean();
    if (!yes || !yes->get()) {
      in.problem(in.where(*fell), "fell = true is the final felling");
      return std::nullopt;
    }
    s.kind = Step::Kind::fell;
    return checked(where);
  }
  const toml::node* thin = t->get("thin");
  std::optional<std::string> how = in.string(*thin, "thin");
  if (how == "rows") {
    in.only(*t, {"thin", "one_in"}, "a row thinning");
    s.kind = Step::Kind::rows;
    const toml::node* one_in = t->get("one_in");
    const auto* n_in = one_in ? one_in->as_integer() : nullptr;
    s.one_in = n_in && n_in->get() >= 2 && n_in->get() <= 6 ? static_cast<int>(n_in->get()) : 0;
    return checked(one_in ? in.where(*one_in) : where);
  }
  if (how == "selective") {
    in.only(*t, {"thin", "residual_basal_area"}, "a selective thinning");
    s.kind = Step::Kind::selective;
    const toml::node* residual = t->get("residual_basal_area");
    if (!residual) {
      in.problem(where, "a selective thinning needs residual_basal_area");
      return std::nullopt;
    }
    Field value = in.number(*residual, "residual_basal_area");
    s.value = value.value;
    return value.readable ? std::optional(s) : std::nullopt;
  }
  if (how)
    in.problem(in.where(*thin),
               "thin = \"" + io::printable(*how) + "\": \"rows\" or \"selective\"");
  return std::nullopt;
}

// A regime as read, where it stands (for a second one of the same id) and
// where each stand it names stands in the file.
struct ReadRegime {
  Regime regime;
  Where where;
  std::vector<Where> stand_places;
};

std::optional<ReadRegime> regime(Toml& in, const toml::table& t) {
  in.only(t, {"id", "stands", "steps"}, "[[regime]]");
  Regime r;
  std::vector<Where> stand_places;
  bool ok = true;
  if (const toml::node* n = t.get("id")) {
    if (const toml::value<std::string>* id = n->as_string()) {
      r.id = id->get();
      ok = plain_id(r.id);
      if (!ok)
        in.problem(in.where(*n),
                   "id \"" + io::printable(r.id) + "\": only letters, digits, '-' and '_'");
    } else {
      in.problem(in.where(*n), "id: not a string");
      ok = false;
    }
  } else {
    in.problem(in.where(t), "a regime without an id");
    ok = false;
  }
  if (const toml::node* n = t.get("stands")) {
    const toml::array* ids = in.array(*n, "stands");
    ok = ok && ids && !ids->empty();
    if (ids && ids->empty())
      in.problem(in.where(*n), "stands: name the stands it runs on (without stands: every stand)");
    for (std::size_t i = 0; ids && i < ids->size(); ++i) {
      std::optional<std::string> id = in.string(*ids->get(i), "stands");
      ok = ok && id.has_value();
      if (id) {
        r.stands.push_back(*id);
        stand_places.push_back(in.where(*ids->get(i)));
      }
    }
  }
  if (const toml::node* n = t.get("steps")) {
    if (const toml::array* steps = in.array(*n, "steps")) {
      for (std::size_t i = 0; i < steps->size(); ++i) {
        std::optional<Step> one = step(in, *steps->get(i), i + 1 == steps->size());
        ok = ok && one.has_value();
        if (one) r.steps.push_back(*one);
      }
    } else {
      ok = false;
    }
  }
  if (!ok) return std::nullopt;
  return ReadRegime{r, in.where(t), stand_places};
}

// [economics]: prices and costs, each 0 unless given.
std::optional<Economics> economics(Toml& in, const toml::node& n) {
  const toml::table* t = in.table(n, "economics");
  if (!t) return std::nullopt;
  Economics e;
  const std::pair<const char*, double Economics::*> keys[] = {
      {"discount_rate", &Economics::discount_rate},
      {"sawlog", &Economics::sawlog},
      {"roundwood", &Economics::roundwood},
      {"residue", &Economics::residue},
      {"thinning", &Economics::thinning},
      {"thinning_per_m3", &Economics::thinning_per_m3},
      {"felling", &Economics::felling},
      {"felling_per_m3", &Economics::felling_per_m3},
      {"annual", &Economics::annual},
      {"establishment", &Economics::establishment},
      {"land_value", &Economics::land_value},
      {"fire_hazard", &Economics::fire_hazard}};
  bool ok = true;
  for (auto&& [k, v] : *t) {
    const std::string_view name = k.str();
    const auto* key = std::find_if(std::begin(keys), std::end(keys),
                                   [name](const auto& known) { return name == known.first; });
    if (key == std::end(keys)) {
      in.problem(in.where(k.source().begin),
                 "unknown key '" + io::printable(name) + "' in [economics]");
      ok = false;
      continue;
    }
    const std::optional<double> x = in.real(v, key->first);
    const char* reason = !x                                         ? nullptr
                         : key->second == &Economics::discount_rate ? discount_rate_refusal(*x)
                         : key->second == &Economics::fire_hazard   ? fire_hazard_refusal(*x)
                                                                    : money_refusal(*x);
    if (reason) in.problem(in.where(v), std::string(key->first) + ": " + reason);
    ok = ok && x && !reason;
    if (x) e.*(key->second) = *x;
  }
  if (!ok) return std::nullopt;
  return e;
}

// [optimize]: the space `zireze optimize` searches. Checked here (whether
// it needs prices is told once the whole file is read).
std::optional<SearchSpace> search_space(Toml& in, const toml::node& n) {
  const toml::table* t = in.table(n, "optimize");
  if (!t) return std::nullopt;
  in.only(*t,
          {"objective", "thinnings", "row_thinning", "earliest_thinning", "min_interval",
           "min_removal", "max_removal", "min_residual_basal_area", "rotation"},
          "[optimize]");
  SearchSpace space;
  bool ok = true;
  if (const toml::node* o = t->get("objective")) {
    const std::optional<std::string> name = in.string(*o, "objective");
    const std::optional<Objective> objective = name ? objective_named(*name) : std::nullopt;
    if (name && !objective)
      in.problem(in.where(*o), "objective = \"" + io::printable(*name) +
                                   "\": lev, npv, mai_vol_tot, mai_vol_rol or mai_vol_mad");
    ok = ok && objective;
    if (objective) space.objective = *objective;
  }
  if (const toml::node* k = t->get("thinnings")) {
    const auto* whole = k->as_integer();
    if (!whole) in.problem(in.where(*k), "thinnings: a whole number from 0 to 4");
    ok = ok && whole;
    if (whole) space.thinnings = static_cast<int>(std::clamp<std::int64_t>(whole->get(), -1, 5));
  }
  if (const toml::node* rows = t->get("row_thinning")) {
    const std::optional<bool> yes = in.boolean(*rows, "row_thinning");
    ok = ok && yes;
    if (yes) space.row_thinning = *yes;
  }
  ok = in.reals<SearchSpace>(*t,
                             {{"earliest_thinning", &SearchSpace::earliest_thinning},
                              {"min_interval", &SearchSpace::min_interval},
                              {"min_removal", &SearchSpace::min_removal},
                              {"max_removal", &SearchSpace::max_removal},
                              {"min_residual_basal_area", &SearchSpace::min_residual_basal_area}},
                             space) &&
       ok;
  if (const toml::node* r = t->get("rotation")) {
    const toml::array* ages = r->as_array();
    if (!ages || ages->size() != 2) {
      in.problem(in.where(*r), "rotation: [MIN, MAX], the felling ages searched");
      ok = false;
    } else {
      const std::optional<double> lo = in.real(*ages->get(0), "rotation");
      const std::optional<double> hi = in.real(*ages->get(1), "rotation");
      ok = ok && lo && hi;
      if (lo && hi) {
        space.rotation_min = *lo;
        space.rotation_max = *hi;
      }
    }
  }
  if (!ok) return std::nullopt;
  return space;
}

// [plan]: the forest plan of `zireze plan`. Its values are checked once the
// whole file is read (npv and revenue need prices).
std::optional<PlanSettings> plan_settings(Toml& in, const toml::node& n) {
  const toml::table* t = in.table(n, "plan");
  if (!t) return std::nullopt;
  in.only(*t,
          {"horizon", "period", "objective", "flow", "tolerance", "min_flow", "max_flow",
           "max_felled_area", "ending_volume", "integer", "gap", "time_limit"},
          "[plan]");
  PlanSettings plan;
  bool ok = true;
  for (auto [key, years] :
       {std::pair{"horizon", &PlanSettings::horizon}, std::pair{"period", &PlanSettings::period}}) {
    const toml::node* x = t->get(key);
    if (!x) continue;
    const auto* whole = x->as_integer();
    if (!whole) in.problem(in.where(*x), std::string(key) + ": a whole number of years");
    ok = ok && whole;
    if (whole) plan.*years = static_cast<int>(std::clamp<std::int64_t>(whole->get(), -1, 100000));
  }
  for (auto [key, quantity] :
       {std::pair{"objective", &PlanSettings::objective}, std::pair{"flow", &PlanSettings::flow}}) {
    const toml::node* x = t->get(key);
    if (!x) continue;
    const std::optional<std::string> name = in.string(*x, key);
    const std::optional<PlanQuantity> q = name ? quantity_named(*name) : std::nullopt;
    if (name && !q)
      in.problem(in.where(*x), std::string(key) + " = \"" + io::printable(*name) +
                                   "\": npv, vol_tot, vol_rol, vol_mad, revenue or none");
    ok = ok && q;
    if (q) plan.*quantity = *q;
  }
  ok = in.reals<PlanSettings>(*t,
                              {{"tolerance", &PlanSettings::tolerance},
                               {"min_flow", &PlanSettings::min_flow},
                               {"max_flow", &PlanSettings::max_flow},
                               {"max_felled_area", &PlanSettings::max_felled_area},
                               {"ending_volume", &PlanSettings::ending_volume},
                               {"gap", &PlanSettings::gap},
                               {"time_limit", &PlanSettings::time_limit}},
                              plan) &&
       ok;
  if (const toml::node* x = t->get("integer")) {
    const std::optional<bool> yes = in.boolean(*x, "integer");
    ok = ok && yes;
    if (yes) plan.integer = *yes;
  }
  if (!ok) return std::nullopt;
  return plan;
}

// The folder of the scenario file, where a relative stands_csv path starts.
std::string beside(const std::string& file, const std::string& path) {
  if (path.starts_with('/')) return path;
  const std::size_t slash = file.rfind('/');
  return slash == std::string::npos ? path : file.substr(0, slash + 1) + path;
}

// Array-of-tables entries, with a problem for anything else.
template <typename Each>
void each_table(Toml& in, const toml::node* n, std::string_view key, Each each) {
  if (!n) return;
  const toml::array* a = in.array(*n, key);
  if (!a) return;
  for (const toml::node& e : *a)
    if (const toml::table* t = in.table(e, key)) each(*t);
}

void sort(std::vector<Problem>& problems, std::size_t from) {
  std::stable_sort(problems.begin() + static_cast<std::ptrdiff_t>(from), problems.end(),
                   [](const Problem& a, const Problem& b) {
                     if (a.where.file != b.where.file) return false;
                     return std::pair(a.where.line, a.where.column) <
                            std::pair(b.where.line, b.where.column);
                   });
}

}  // namespace

std::optional<Scenario> read_scenario(std::string_view text, const std::string& file,
                                      const FileReader& read_file, std::vector<Problem>& problems) {
  const std::size_t first = problems.size();
  // A byte-order mark says the text is UTF-8, as a scenario always is.
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::string ascii;
  if (std::optional<Where> where = ascii_for_parser(text, file, ascii)) {
    problems.push_back(Problem{
        *where, "a character beyond ASCII outside a comment (ids and file names are ASCII)"});
    return std::nullopt;
  }
  toml::parse_result parsed = toml::parse(ascii, std::string_view(file));
  if (!parsed) {
    const toml::parse_error& e = parsed.error();
    problems.push_back(Problem{Where{file, static_cast<int>(e.source().begin.line),
                                     static_cast<int>(e.source().begin.column)},
                               one_line(e.description())});
    return std::nullopt;
  }
  const toml::table& top = parsed.table();
  Toml in(text, file, problems);
  in.only(top, {"bark", "stands_csv", "stand", "regime", "economics", "optimize", "plan"},
          "the scenario");

  Scenario s;
  if (const toml::node* bark = top.get("bark"))
    if (const std::optional<bool> b = in.boolean(*bark, "bark")) s.bark = *b ? 1 : 0;

  if (const toml::node* e = top.get("economics")) s.economics = economics(in, *e);
  if (const toml::node* o = top.get("optimize")) {
    s.optimize = search_space(in, *o);
    if (s.optimize) {
      for (const SpaceProblem& p : check_space(*s.optimize, top.get("economics") != nullptr)) {
        // Told at the key it is about, or at the table when the key is not given.
        const toml::node* key = o->as_table()->get(p.key);
        in.problem(in.where(key ? *key : *o), p.key + ": " + p.what);
      }
    }
  }

  if (const toml::node* p = top.get("plan")) {
    s.plan = plan_settings(in, *p);
    if (s.plan) {
      for (const PlanProblem& problem : check_plan(*s.plan, top.get("economics") != nullptr)) {
        const toml::node* key = p->as_table()->get(problem.key);
        in.problem(in.where(key ? *key : *p), problem.key + ": " + problem.what);
      }
    }
  }

  std::vector<StandFields> fields;
  std::vector<ReadRegime> regimes;
  each_table(in, top.get("stand"), "stand",
             [&](const toml::table& t) { fields.push_back(stand_fields(in, t)); });
  each_table(in, top.get("regime"), "regime", [&](const toml::table& t) {
    if (std::optional<ReadRegime> r = regime(in, t)) regimes.push_back(*r);
  });
  std::vector<Where> stand_places;
  for (const StandFields& f : fields) {
    if (std::optional<StandDescription> d = describe_stand(f, problems)) {
      s.stands.push_back(std::move(*d));
      stand_places.push_back(f.where);
    }
  }
  sort(problems, first);

  if (const toml::node* csv = top.get("stands_csv")) {
    if (std::optional<std::string> path = in.string(*csv, "stands_csv")) {
      const std::string name = beside(file, *path);
      std::string why;
      if (std::optional<std::string> content = read_file(name, why)) {
        const std::size_t from = problems.size();
        read_stands_csv(*content, name, s.stands, stand_places, problems);
        sort(problems, from);
      } else {
        in.problem(in.where(*csv),
                   "stands_csv: cannot read \"" + io::printable(name) + "\": " + why);
      }
    }
  }

  std::set<std::string> ids;
  for (std::size_t i = 0; i < s.stands.size(); ++i)
    if (!ids.insert(s.stands[i].id).second)
      problems.push_back(
          {stand_places[i], "a second stand with the id \"" + s.stands[i].id + "\""});
  // Two regimes may share an id only where they run on different stands (a
  // plan gives each stand its own `fell-3`): a stand's runs stay named apart.
  struct Claimed {
    bool every = false;
    std::set<std::string> stands;
  };
  std::map<std::string, Claimed> regime_ids;
  for (ReadRegime& r : regimes) {
    auto [known, fresh] = regime_ids.try_emplace(r.regime.id);
    Claimed& claimed = known->second;
    std::string shared;
    for (const std::string& id : r.regime.stands)
      if (shared.empty() && !claimed.stands.insert(id).second) shared = id;
    if (!fresh && (claimed.every || r.regime.stands.empty() || !shared.empty()))
      problems.push_back({r.where, "a second regime with the id \"" + r.regime.id + "\"" +
                                       (shared.empty() ? "" : " on the stand \"" + shared + "\"")});
    claimed.every = claimed.every || r.regime.stands.empty();
    // Every stand a regime names is a stand of the scenario (not one refused).
    for (std::size_t i = 0; i < r.regime.stands.size(); ++i)
      if (!ids.contains(r.regime.stands[i]) && problems.size() == first)
        problems.push_back(
            {r.stand_places[i],
             "stands: no stand \"" + io::printable(r.regime.stands[i]) + "\" in the scenario"});
    s.regimes.push_back(std::move(r.regime));
  }
  if (problems.size() == first && s.stands.empty())
    problems.push_back({Where{file, 1, 1}, "no stand: give [[stand]] tables or stands_csv"});
  if (problems.size() > first) return std::nullopt;
  return s;
}

}  // namespace zireze::batch
