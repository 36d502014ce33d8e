// The tables as CSV text. Numbers are the model's floats written as the
// shortest text that reads back to the same float (NaN, Inf, -Inf where the
// model gives them); a text is quoted when it holds a comma, a quote or a
// line end.
#pragma once

#include <array>
#include <span>
#include <string>

#include "batch/schema.h"
#include "scenario/scenario.h"

namespace zireze::batch {

// A float as the shortest text that reads back to it; NaN, Inf, -Inf.
void append_number(std::string& out, float x);

void append_cell(std::string& out, const Cell& cell);

// A cell as its CSV file holds it, unquoted: a number's shortest text, a
// text as it is, nothing for an empty cell.
std::string cell_text(const Cell& cell);

template <typename Row>
std::string csv_header(const Table<Row>& t) {
  std::string out;
  for (const Column<Row>& c : t.columns) {
    if (!out.empty()) out += ',';
    out += c.name;
  }
  return out + '\n';
}

template <typename Row>
void append_csv_row(std::string& out, const Table<Row>& t, const Row& row) {
  bool first = true;
  for (const Column<Row>& c : t.columns) {
    if (!first) out += ',';
    first = false;
    append_cell(out, c.cell(row));
  }
  out += '\n';
}

// The CSV files of a scenario's runs, in this order: the values and the cash
// flows only with prices and costs (`run_files`).
constexpr std::array<const char*, 5> kRunFiles = {"stands.csv", "classes.csv", "runs.csv",
                                                  "values.csv", "cashflows.csv"};
std::span<const char* const> run_files(const Scenario& s);
// The header line of each of them.
std::string run_file_header(std::size_t file);
// One run's rows, appended to each file's text (as many as `run_files`).
void append_run_rows(std::span<std::string> files, const Run& r);

// The rows of one run in each table.
void append_stand_rows(std::string& out, const Run& r);
void append_class_rows(std::string& out, const Run& r);
void append_run_row(std::string& out, const Run& r);
void append_value_row(std::string& out, const Run& r);
void append_cash_flow_rows(std::string& out, const Run& r);

}  // namespace zireze::batch
