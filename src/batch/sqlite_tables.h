// The batch's tables in an SQLite database (one table per output table, with
// its columns and their types), and the scenario's text with the program's
// version (table scenario).
#pragma once

#include <string>

#include "batch/optimum.h"
#include "batch/plan.h"
#include "batch/run.h"

struct sqlite3;
struct sqlite3_stmt;

namespace zireze::batch {

class SqliteTables {
 public:
  // Creates the database under a temporary name beside `path`, with the
  // tables, and starts one transaction. Throws std::runtime_error, having
  // closed and removed what it made.
  // `values`: the tables of values and cash flows too; `optimum`: the table
  // of the stands' best regimes.
  SqliteTables(const std::string& path, const std::string& scenario_text,
               const std::string& version, bool values, bool optimum);
  ~SqliteTables();
  SqliteTables(const SqliteTables&) = delete;
  SqliteTables& operator=(const SqliteTables&) = delete;

  void add(const Run& r);
  void add(const StandOptimum& s);
  // The plan's tables: candidates, candidate_flows, plan, periods,
  // constraints, solution.
  void add(const Scenario& s, const PlanOutcome& plan);
  // Ends the transaction and closes the database; then renames it to `path`
  // (replacing any file there). Without both the temporary file is removed.
  void finish();
  void publish();

 private:
  void create(const std::string& scenario_text, const std::string& version, bool values,
              bool optimum);
  int close();  // finalizes, closes; sqlite3_close's result
  [[noreturn]] void fail(const char* doing);
  void exec(const std::string& sql);
  sqlite3_stmt* prepare(const std::string& sql);
  std::string path_;
  std::string temporary_;
  int slot_ = -1;
  bool committed_ = false;
  sqlite3* db_ = nullptr;
  sqlite3_stmt* stands_ = nullptr;
  sqlite3_stmt* classes_ = nullptr;
  sqlite3_stmt* runs_ = nullptr;
  sqlite3_stmt* values_ = nullptr;
  sqlite3_stmt* cash_flows_ = nullptr;
  sqlite3_stmt* optimum_ = nullptr;
};

}  // namespace zireze::batch
