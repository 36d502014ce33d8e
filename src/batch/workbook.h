// The tables in one spreadsheet workbook (.xlsx): a sheet per table, numbers
// as numeric cells so that a spreadsheet in any locale shows them as numbers.
// Written row by row in constant memory, under a temporary name renamed into
// place when complete.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "batch/optimum.h"
#include "batch/plan.h"
#include "batch/run.h"

namespace zireze::batch {

class Workbook {
 public:
  // Throws std::runtime_error. `values`: the sheets of values and cash flows
  // too; `optimum`: the sheet of the stands' best regimes. `most_rows`: the
  // data rows a sheet holds before the next one starts.
  Workbook(const std::string& path, bool values, bool optimum, long most_rows = kMostRows);
  ~Workbook();  // removes the temporary file unless committed
  Workbook(const Workbook&) = delete;
  Workbook& operator=(const Workbook&) = delete;

  void add(const Run& r);
  void add(const StandOptimum& s);
  // The plan's sheets, after the runs': candidates, candidate_flows, plan,
  // periods, constraints, solution.
  void add(const Scenario& s, const PlanOutcome& plan);
  void finish();   // writes the workbook under its temporary name
  void publish();  // renames it into place
  void commit() {
    finish();
    publish();
  }

  // The sheets made so far, in order.
  const std::vector<std::string>& sheet_names() const;

  // The most data rows a sheet holds (a spreadsheet's 1,048,576 rows less the
  // header): rows past it continue on sheets "NAME 2", "NAME 3", ...
  static constexpr long kMostRows = 1048575;

 private:
  struct Sheets;
  std::unique_ptr<Sheets> sheets_;
};

}  // namespace zireze::batch
