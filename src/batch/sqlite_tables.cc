#include "batch/sqlite_tables.h"

#include <sqlite3.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <span>
#include <stdexcept>

#include "batch/output.h"
#include "batch/rows.h"

namespace zireze::batch {

namespace {

// "name TYPE, ..." for the columns, and "?, ..." for their values.
std::string columns(std::span<const std::string_view> names, const char* type) {
  std::string out;
  for (std::string_view n : names) out += ", " + std::string(n) + " " + type;
  return out;
}

std::string placeholders(std::size_t n) {
  std::string out = "?";
  for (std::size_t i = 1; i < n; ++i) out += ", ?";
  return out;
}

const std::string kKey = "stand TEXT, regime TEXT, step INTEGER, event TEXT";

}  // namespace

SqliteTables::SqliteTables(const std::string& path, const std::string& scenario_text,
                           const std::string& version)
    : path_(path), temporary_(temporary_name(path)) {
  slot_ = remember_temporary(temporary_);
  std::remove(temporary_.c_str());
  if (sqlite3_open_v2(temporary_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                      nullptr) != SQLITE_OK)
    fail("create");
  exec("PRAGMA journal_mode = OFF");
  exec("PRAGMA synchronous = OFF");
  exec(("CREATE TABLE stands (" + kKey + columns(kStandColumns, "REAL") + ")").c_str());
  // The class centre is a whole number of centimetres.
  exec(("CREATE TABLE classes (" + kKey + ", dap INTEGER" +
        columns(std::span(kClassColumns).subspan(1), "REAL") + ")")
           .c_str());
  exec("CREATE TABLE runs (stand TEXT, regime TEXT, status TEXT, message TEXT)");
  exec("CREATE TABLE scenario (text TEXT, version TEXT)");
  exec("BEGIN");
  sqlite3_stmt* s = prepare("INSERT INTO scenario VALUES (?, ?)");
  sqlite3_bind_text(s, 1, scenario_text.data(), static_cast<int>(scenario_text.size()),
                    SQLITE_TRANSIENT);
  sqlite3_bind_text(s, 2, version.data(), static_cast<int>(version.size()), SQLITE_TRANSIENT);
  const int rc = sqlite3_step(s);
  sqlite3_finalize(s);
  if (rc != SQLITE_DONE) fail("write");
  stands_ = prepare("INSERT INTO stands VALUES (" + placeholders(4 + kStandColumns.size()) + ")");
  classes_ = prepare("INSERT INTO classes VALUES (" + placeholders(4 + kClassColumns.size()) + ")");
  runs_ = prepare("INSERT INTO runs VALUES (?, ?, ?, ?)");
}

SqliteTables::~SqliteTables() {
  sqlite3_finalize(stands_);
  sqlite3_finalize(classes_);
  sqlite3_finalize(runs_);
  sqlite3_close(db_);
  if (!committed_) std::remove(temporary_.c_str());
  forget_temporary(slot_);
}

void SqliteTables::fail(const char* doing) {
  throw std::runtime_error("cannot " + std::string(doing) + " " + path_ + ": " +
                           (db_ ? sqlite3_errmsg(db_) : "out of memory"));
}

void SqliteTables::exec(const char* sql) {
  if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) fail("write");
}

sqlite3_stmt* SqliteTables::prepare(const std::string& sql) {
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) fail("write");
  return s;
}

namespace {

void bind_key(sqlite3_stmt* s, const Run& r, const State& state) {
  sqlite3_bind_text(s, 1, r.stand_id.c_str(), -1, SQLITE_STATIC);
  sqlite3_bind_text(s, 2, r.regime_id.c_str(), -1, SQLITE_STATIC);
  sqlite3_bind_int(s, 3, state.step);
  sqlite3_bind_text(s, 4, event_name(state.event), -1, SQLITE_STATIC);
}

}  // namespace

void SqliteTables::add(const Run& r) {
  auto step = [&](sqlite3_stmt* s) {
    if (sqlite3_step(s) != SQLITE_DONE) fail("write");
    sqlite3_reset(s);
  };
  for (const State& state : r.states) {
    bind_key(stands_, r, state);
    int i = 5;
    for (const std::optional<float>& v : stand_values(state)) {
      if (v)
        sqlite3_bind_double(stands_, i++, *v);
      else
        sqlite3_bind_null(stands_, i++);
    }
    step(stands_);
    for (const TableClass& c : state.table.classes) {
      bind_key(classes_, r, state);
      // The centre as the whole number it is, then the class's figures.
      const std::array<float, 7> values = class_values(c);
      sqlite3_bind_int(classes_, 5, c.dap);
      for (std::size_t k = 1; k < values.size(); ++k)
        sqlite3_bind_double(classes_, static_cast<int>(5 + k), values[k]);
      step(classes_);
    }
  }
  sqlite3_bind_text(runs_, 1, r.stand_id.c_str(), -1, SQLITE_STATIC);
  sqlite3_bind_text(runs_, 2, r.regime_id.c_str(), -1, SQLITE_STATIC);
  sqlite3_bind_text(runs_, 3, run_status(r), -1, SQLITE_STATIC);
  sqlite3_bind_text(runs_, 4, r.refusal.c_str(), -1, SQLITE_STATIC);
  step(runs_);
}

void SqliteTables::commit() {
  exec("COMMIT");
  sqlite3_finalize(stands_);
  sqlite3_finalize(classes_);
  sqlite3_finalize(runs_);
  stands_ = classes_ = runs_ = nullptr;
  const int rc = sqlite3_close(db_);
  db_ = nullptr;
  if (rc != SQLITE_OK) throw std::runtime_error("cannot write " + path_);
  if (std::rename(temporary_.c_str(), path_.c_str()) != 0)
    throw std::runtime_error("cannot write " + path_ + ": " + std::strerror(errno));
  committed_ = true;
}

}  // namespace zireze::batch
