#include "batch/rows.h"

#include <charconv>
#include <cmath>

namespace zireze::batch {

std::array<std::optional<float>, 21> stand_values(const State& s) {
  const Stand& st = s.stand;
  const StandTable& t = s.table;
  std::array<std::optional<float>, 21> v = {st.IDADE,
                                            st.SI,
                                            st.HD,
                                            st.TS,
                                            st.BA,
                                            t.DQ,
                                            st.DMIN,
                                            st.A,
                                            st.B,
                                            st.C,
                                            t.totals.n,
                                            t.totals.g,
                                            t.totals.h,
                                            t.totals.vol_tot,
                                            t.totals.vol_rol,
                                            t.totals.vol_mad};
  if (s.removed) {
    v[16] = s.removed->ts;
    v[17] = s.removed->ba;
    v[18] = s.removed->vol_tot;
    v[19] = s.removed->vol_rol;
    v[20] = s.removed->vol_mad;
  }
  return v;
}

std::array<float, 7> class_values(const TableClass& c) {
  return {static_cast<float>(c.dap), c.n, c.g, c.h, c.vol_tot, c.vol_rol, c.vol_mad};
}

const char* run_status(const Run& r) { return r.refusal.empty() ? "ok" : "refused"; }

void append_number(std::string& out, float x) {
  if (std::isnan(x)) {
    out += "NaN";
  } else if (std::isinf(x)) {
    out += x < 0 ? "-Inf" : "Inf";
  } else {
    char buf[32];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, x);
    out.append(buf, end);
  }
}

namespace {

// A text cell: quoted when it holds a comma, a quote or a line end.
void append_text(std::string& out, std::string_view s) {
  if (s.find_first_of(",\"\r\n") == std::string_view::npos) {
    out += s;
    return;
  }
  out += '"';
  for (char c : s) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

void append_key(std::string& out, const Run& r, const State& s) {
  append_text(out, r.stand_id);
  out += ',';
  append_text(out, r.regime_id);
  out += ',';
  out += std::to_string(s.step);
  out += ',';
  out += event_name(s.event);
}

template <std::size_t N>
std::string join(const std::array<std::string_view, N>& names) {
  std::string out;
  for (std::string_view name : names) {
    if (!out.empty()) out += ',';
    out += name;
  }
  return out;
}

}  // namespace

std::string stands_header() { return join(kKeyColumns) + ',' + join(kStandColumns) + '\n'; }
std::string classes_header() { return join(kKeyColumns) + ',' + join(kClassColumns) + '\n'; }
std::string runs_header() { return join(kRunColumns) + '\n'; }

void append_stand_rows(std::string& out, const Run& r) {
  for (const State& s : r.states) {
    append_key(out, r, s);
    for (const std::optional<float>& v : stand_values(s)) {
      out += ',';
      if (v) append_number(out, *v);
    }
    out += '\n';
  }
}

void append_class_rows(std::string& out, const Run& r) {
  for (const State& s : r.states)
    for (const TableClass& c : s.table.classes) {
      append_key(out, r, s);
      for (float v : class_values(c)) {
        out += ',';
        append_number(out, v);
      }
      out += '\n';
    }
}

void append_run_row(std::string& out, const Run& r) {
  append_text(out, r.stand_id);
  out += ',';
  append_text(out, r.regime_id);
  out += ',';
  out += run_status(r);
  out += ',';
  append_text(out, r.refusal);
  out += '\n';
}

}  // namespace zireze::batch
