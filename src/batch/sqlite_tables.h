// The batch's three tables in an SQLite database (tables stands, classes and
// runs, with the CSV files' columns), and the scenario's text with the
// program's version (table scenario).
#pragma once

#include <memory>
#include <string>

#include "batch/run.h"

struct sqlite3;
struct sqlite3_stmt;

namespace zireze::batch {

class SqliteTables {
 public:
  // Creates the database under a temporary name beside `path`, with the
  // tables, and starts one transaction. Throws std::runtime_error.
  SqliteTables(const std::string& path, const std::string& scenario_text,
               const std::string& version);
  ~SqliteTables();
  SqliteTables(const SqliteTables&) = delete;
  SqliteTables& operator=(const SqliteTables&) = delete;

  void add(const Run& r);
  // Ends the transaction, closes the database and renames it to `path`
  // (replacing any file there). Without it the temporary file is removed.
  void commit();

 private:
  [[noreturn]] void fail(const char* doing);
  void exec(const char* sql);
  sqlite3_stmt* prepare(const std::string& sql);
  std::string path_;
  std::string temporary_;
  int slot_ = -1;
  bool committed_ = false;
  sqlite3* db_ = nullptr;
  sqlite3_stmt* stands_ = nullptr;
  sqlite3_stmt* classes_ = nullptr;
  sqlite3_stmt* runs_ = nullptr;
};

}  // namespace zireze::batch
