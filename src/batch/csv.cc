#include "batch/csv.h"

#include <charconv>
#include <cmath>

namespace zireze::batch {

namespace {

// The shortest text that reads back to the same float or double.
template <typename T>
void append_shortest(std::string& out, T x) {
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

struct CellText {
  std::string& out;
  void operator()(std::monostate) const {}
  void operator()(std::string_view s) const { append_text(out, s); }
  void operator()(std::int64_t i) const {
    char buf[24];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, i);
    out.append(buf, end);
  }
  void operator()(float x) const { append_shortest(out, x); }
  void operator()(double x) const { append_shortest(out, x); }
};

}  // namespace

void append_number(std::string& out, float x) { append_shortest(out, x); }

void append_cell(std::string& out, const Cell& cell) { std::visit(CellText{out}, cell); }

std::string cell_text(const Cell& cell) {
  if (const auto* text = std::get_if<std::string_view>(&cell)) return std::string(*text);
  std::string out;
  append_cell(out, cell);
  return out;
}

void append_stand_rows(std::string& out, const Run& r) {
  for_each_state_row(r, [&](const StateRow& row) { append_csv_row(out, kStandsTable, row); });
}

void append_class_rows(std::string& out, const Run& r) {
  for_each_class_row(r, [&](const ClassRow& row) { append_csv_row(out, kClassesTable, row); });
}

void append_run_row(std::string& out, const Run& r) { append_csv_row(out, kRunsTable, r); }

void append_value_row(std::string& out, const Run& r) { append_csv_row(out, kValuesTable, r); }

void append_cash_flow_rows(std::string& out, const Run& r) {
  for_each_cash_flow_row(
      r, [&](const CashFlowRow& row) { append_csv_row(out, kCashFlowsTable, row); });
}

std::span<const char* const> run_files(const Scenario& s) {
  return std::span(kRunFiles).first(s.economics ? 5 : 3);
}

std::string run_file_header(std::size_t file) {
  switch (file) {
    case 0:
      return csv_header(kStandsTable);
    case 1:
      return csv_header(kClassesTable);
    case 2:
      return csv_header(kRunsTable);
    case 3:
      return csv_header(kValuesTable);
    default:
      return csv_header(kCashFlowsTable);
  }
}

void append_run_rows(std::span<std::string> files, const Run& r) {
  append_stand_rows(files[0], r);
  append_class_rows(files[1], r);
  append_run_row(files[2], r);
  if (files.size() > 3) {
    append_value_row(files[3], r);
    append_cash_flow_rows(files[4], r);
  }
}

}  // namespace zireze::batch
