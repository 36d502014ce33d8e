#include "batch/plain.h"

#include <cfloat>
#include <charconv>
#include <cmath>

#include "batch/csv.h"
#include "io/reply.h"

namespace zireze::batch {

namespace {

Plain made(Plain::Kind kind, bool b, std::string text) {
  Plain p;
  p.kind = kind;
  p.boolean = b;
  p.text = std::move(text);
  return p;
}

}  // namespace

Plain Plain::of(bool b) { return made(Kind::boolean, b, {}); }
Plain Plain::number(std::string text) { return made(Kind::number, false, std::move(text)); }
Plain Plain::string(std::string s) { return made(Kind::string, false, std::move(s)); }
Plain Plain::array() { return made(Kind::array, false, {}); }
Plain Plain::table() { return made(Kind::table, false, {}); }

Plain& Plain::add(std::string key, Plain value) {
  entries.push_back({std::move(key), std::move(value)});
  return *this;
}

namespace {

bool bare_key(std::string_view k) {
  if (k.empty()) return false;
  for (char c : k)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
          c == '_'))
      return false;
  return true;
}

std::string quoted(std::string_view s) {
  static const char hex[] = "0123456789abcdef";
  std::string out = "\"";
  for (char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (ch == '"' || ch == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20 || c == 0x7F) {
      out += "\\u00";
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += ch;
    }
  }
  return out + '"';
}

bool table_list(const Plain& v) {
  if (v.kind != Plain::Kind::array || v.items.empty()) return false;
  for (const Plain& item : v.items)
    if (item.kind != Plain::Kind::table) return false;
  return true;
}

class Writer {
 public:
  void key(std::string_view k) { out_ += bare_key(k) ? std::string(k) : quoted(k); }
  void text(std::string_view s) { out_ += s; }
  void newline() {
    out_ += '\n';
    ++line_;
    line_start_ = out_.size();
  }
  void mark(const std::string& path) {
    places_.push_back({line_, static_cast<int>(out_.size() - line_start_) + 1, path});
  }

  // A value on one line: inline tables and arrays.
  void value(const Plain& v, const std::string& path) {
    mark(path);
    switch (v.kind) {
      case Plain::Kind::boolean:
        text(v.boolean ? "true" : "false");
        break;
      case Plain::Kind::number:
        text(v.text);
        break;
      case Plain::Kind::string:
        text(quoted(v.text));
        break;
      case Plain::Kind::table:
        if (v.entries.empty()) {
          text("{}");
          break;
        }
        text("{ ");
        for (std::size_t i = 0; i < v.entries.size(); ++i) {
          if (i) text(", ");
          entry(v.entries[i], path);
        }
        text(" }");
        break;
      case Plain::Kind::array:
        text("[");
        for (std::size_t i = 0; i < v.items.size(); ++i) {
          if (i) text(", ");
          value(v.items[i], path + "." + std::to_string(i));
        }
        text("]");
        break;
    }
  }

  void entry(const Plain::Entry& e, const std::string& path) {
    key(e.key);
    text(" = ");
    value(e.value, path + "." + e.key);
  }

  // The entries of a section, one a line; an array of tables one table a line.
  void section(const Plain& t, const std::string& path) {
    for (const Plain::Entry& e : t.entries) {
      if (table_list(e.value)) {
        key(e.key);
        text(" = [");
        newline();
        for (std::size_t i = 0; i < e.value.items.size(); ++i) {
          text("  ");
          value(e.value.items[i], path + "." + e.key + "." + std::to_string(i));
          text(",");
          newline();
        }
        text("]");
      } else {
        entry(e, path);
      }
      newline();
    }
  }

  TomlText take() { return {std::move(out_), std::move(places_)}; }

 private:
  std::string out_;
  std::vector<Place> places_;
  int line_ = 1;
  std::size_t line_start_ = 0;
};

}  // namespace

TomlText toml_text(const Plain& top) {
  Writer w;
  for (const auto& [k, v] : top.entries) {
    if (table_list(v) || v.kind == Plain::Kind::table) continue;
    w.key(k);
    w.text(" = ");
    w.value(v, k);
    w.newline();
  }
  for (const auto& [k, v] : top.entries) {
    if (v.kind != Plain::Kind::table) continue;
    w.newline();
    w.mark(k);
    w.text("[");
    w.key(k);
    w.text("]");
    w.newline();
    w.section(v, k);
  }
  for (const auto& [k, v] : top.entries) {
    if (!table_list(v)) continue;
    for (std::size_t i = 0; i < v.items.size(); ++i) {
      const std::string path = k + "." + std::to_string(i);
      w.newline();
      w.mark(path);
      w.text("[[");
      w.key(k);
      w.text("]]");
      w.newline();
      w.section(v.items[i], path);
    }
  }
  return w.take();
}

std::string path_at(const std::vector<Place>& places, int line, int column) {
  std::string path;
  for (const Place& p : places)
    if (p.line == line && p.column <= column) path = p.path;
  return path;
}

namespace {

// A figure of the model: the shortest text that reads back to the same float.
Plain figure(float x) {
  if (std::isnan(x)) return Plain::number("nan");
  if (std::isinf(x)) return Plain::number(x < 0 ? "-inf" : "inf");
  std::string text;
  append_number(text, x);
  return Plain::number(text);
}

Plain stand_plain(const StandDescription& d) {
  Plain t = Plain::table();
  t.add("id", Plain::string(d.id));
  t.add("age", figure(d.age));
  if (d.site_class) t.add("site_class", figure(*d.site_class));
  if (d.dominant_height) t.add("dominant_height", figure(*d.dominant_height));
  if (d.trees) t.add("trees", figure(*d.trees));
  if (d.basal_area) t.add("basal_area", figure(*d.basal_area));
  if (d.trees_planted) t.add("trees_planted", figure(*d.trees_planted));
  if (d.counts) {
    Plain counts = Plain::array();
    for (float c : *d.counts) counts.items.push_back(figure(c));
    t.add("counts", counts);
  }
  if (d.weibull) {
    const WeibullDescription& w = *d.weibull;
    t.add("weibull", Plain::table()
                         .add("trees", figure(w.trees))
                         .add("a", figure(w.a))
                         .add("b", figure(w.b))
                         .add("c", figure(w.c)));
  }
  if (d.attributes) {
    const AttributesDescription& a = *d.attributes;
    t.add("attributes", Plain::table()
                            .add("trees", figure(a.trees))
                            .add("basal_area", figure(a.basal_area))
                            .add("dmin", figure(a.dmin))
                            .add("p90", figure(a.p90)));
  }
  if (d.area) t.add("area", Plain::number(double_text(*d.area)));
  return t;
}

Plain step_plain(const Step& s) {
  Plain t = Plain::table();
  switch (s.kind) {
    case Step::Kind::rows:
      t.add("thin", Plain::string("rows")).add("one_in", Plain::number(std::to_string(s.one_in)));
      break;
    case Step::Kind::selective:
      t.add("thin", Plain::string("selective")).add("residual_basal_area", figure(s.value));
      break;
    case Step::Kind::grow_to:
      t.add("grow_to", figure(s.value));
      break;
    case Step::Kind::grow_by:
      t.add("grow_by", figure(s.value));
      break;
    case Step::Kind::fell:
      t.add("fell", Plain::of(true));
      break;
  }
  return t;
}

Plain steps_plain(const std::vector<Step>& steps) {
  Plain list = Plain::array();
  for (const Step& step : steps) list.items.push_back(step_plain(step));
  return list;
}

Plain plan_plain(const PlanSettings& p) {
  Plain plan = Plain::table();
  plan.add("horizon", Plain::number(std::to_string(p.horizon)));
  plan.add("period", Plain::number(std::to_string(p.period)));
  plan.add("objective", Plain::string(quantity_name(p.objective)));
  plan.add("flow", Plain::string(quantity_name(p.flow)));
  for (auto [key, value] : {std::pair{"tolerance", p.tolerance},
                            {"min_flow", p.min_flow},
                            {"max_flow", p.max_flow},
                            {"max_felled_area", p.max_felled_area},
                            {"ending_volume", p.ending_volume}})
    plan.add(key, Plain::number(double_text(value)));
  plan.add("integer", Plain::of(p.integer));
  plan.add("gap", Plain::number(double_text(p.gap)));
  plan.add("time_limit", Plain::number(double_text(p.time_limit)));
  return plan;
}

}  // namespace

std::string steps_text(const std::vector<Step>& steps) {
  Writer w;
  w.value(steps_plain(steps), "");
  return w.take().text;
}

Plain plain_of(const Regime& r) {
  Plain regime = Plain::table();
  regime.add("id", Plain::string(r.id));
  if (!r.stands.empty()) {
    Plain ids = Plain::array();
    for (const std::string& id : r.stands) ids.items.push_back(Plain::string(id));
    regime.add("stands", ids);
  }
  regime.add("steps", steps_plain(r.steps));
  return regime;
}

Plain plain_of(const Scenario& s) {
  Plain top = Plain::table();
  top.add("bark", Plain::of(s.bark != 0));
  Plain stands = Plain::array(), regimes = Plain::array();
  for (const StandDescription& d : s.stands) stands.items.push_back(stand_plain(d));
  for (const Regime& r : s.regimes) regimes.items.push_back(plain_of(r));
  if (s.economics) {
    const Economics& e = *s.economics;
    Plain money = Plain::table();
    for (auto [key, value] : {std::pair{"discount_rate", e.discount_rate},
                              {"sawlog", e.sawlog},
                              {"roundwood", e.roundwood},
                              {"residue", e.residue},
                              {"thinning", e.thinning},
                              {"thinning_per_m3", e.thinning_per_m3},
                              {"felling", e.felling},
                              {"felling_per_m3", e.felling_per_m3},
                              {"annual", e.annual},
                              {"establishment", e.establishment},
                              {"land_value", e.land_value}})
      money.add(key, Plain::number(double_text(value)));
    // Written only with a hazard: a scenario without one reads and writes as before.
    if (e.fire_hazard != 0) money.add("fire_hazard", Plain::number(double_text(e.fire_hazard)));
    top.add("economics", money);
  }
  if (s.optimize) {
    const SearchSpace& o = *s.optimize;
    Plain space = Plain::table();
    space.add("objective", Plain::string(objective_name(o.objective)));
    space.add("thinnings", Plain::number(std::to_string(o.thinnings)));
    space.add("row_thinning", Plain::of(o.row_thinning));
    for (auto [key, value] : {std::pair{"earliest_thinning", o.earliest_thinning},
                              {"min_interval", o.min_interval},
                              {"min_removal", o.min_removal},
                              {"max_removal", o.max_removal},
                              {"min_residual_basal_area", o.min_residual_basal_area}})
      space.add(key, Plain::number(double_text(value)));
    Plain rotation = Plain::array();
    rotation.items = {Plain::number(double_text(o.rotation_min)),
                      Plain::number(double_text(o.rotation_max))};
    space.add("rotation", rotation);
    top.add("optimize", space);
  }
  if (s.plan) top.add("plan", plan_plain(*s.plan));
  top.add("stand", stands);
  if (!regimes.items.empty()) top.add("regime", regimes);
  return top;
}

std::optional<std::string> toml_number(std::string_view typed) {
  while (!typed.empty() && (typed.front() == ' ' || typed.front() == '\t')) typed.remove_prefix(1);
  while (!typed.empty() && (typed.back() == ' ' || typed.back() == '\t')) typed.remove_suffix(1);
  std::size_t i = 0;
  auto digits = [&] {
    const std::size_t from = i;
    while (i < typed.size() && typed[i] >= '0' && typed[i] <= '9') ++i;
    return typed.substr(from, i - from);
  };
  std::string sign;
  if (i < typed.size() && (typed[i] == '+' || typed[i] == '-')) sign = typed[i++];
  std::string_view whole = digits(), fraction;
  const bool point = i < typed.size() && typed[i] == '.';
  if (point) {
    ++i;
    fraction = digits();
  }
  if (whole.empty() && fraction.empty()) return std::nullopt;
  std::string exponent;
  if (i < typed.size() && std::string_view("eEdD").find(typed[i]) != std::string_view::npos) {
    ++i;
    if (i < typed.size() && (typed[i] == '+' || typed[i] == '-')) exponent = typed[i++];
    const std::string_view e = digits();
    if (e.empty()) return std::nullopt;
    exponent += e;
  }
  if (i != typed.size()) return std::nullopt;
  // TOML wants no leading zeros, and digits on both sides of a point.
  while (whole.size() > 1 && whole.front() == '0') whole.remove_prefix(1);
  std::string out = sign;
  out += whole.empty() ? "0" : whole;
  if (point) {
    out += '.';
    out += fraction.empty() ? "0" : fraction;
  }
  if (!exponent.empty()) {
    out += 'e';
    out += exponent;
  }
  return out;
}

std::string double_text(double x) {
  if (std::isnan(x)) return "nan";
  if (std::isinf(x)) return x < 0 ? "-inf" : "inf";
  char buf[1100];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, x);
  std::string text(buf, end);
  // The shortest text may lie across a midpoint between two floats that x
  // is exactly: then every digit of x, so that read as a float it rounds as
  // x does.
  if (std::fabs(x) <= static_cast<double>(FLT_MAX)) {
    const std::optional<float> read = io::parse_real(text);
    if (!read || *read != static_cast<float>(x)) {
      auto [exact, ec2] =
          std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, 767);
      std::string_view digits(buf, static_cast<std::size_t>(exact - buf));
      const std::size_t e = digits.find('e');
      std::string_view mantissa = digits.substr(0, e);
      while (mantissa.ends_with('0')) mantissa.remove_suffix(1);
      if (mantissa.ends_with('.')) mantissa.remove_suffix(1);
      text = std::string(mantissa) + std::string(digits.substr(e));
    }
  }
  if (text.find_first_of(".e") == std::string::npos) text += ".0";
  return text;
}

}  // namespace zireze::batch
