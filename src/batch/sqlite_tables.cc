#include "batch/sqlite_tables.h"

#include <sqlite3.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "batch/output.h"
#include "batch/schema.h"

namespace zireze::batch {

namespace {

const char* sql_type(Type t) {
  switch (t) {
    case Type::text:
      return "TEXT";
    case Type::integer:
      return "INTEGER";
    case Type::real:
      return "REAL";
  }
  return "";
}

// A name as SQL takes it: quoted where it is one of SQL's words ("values").
std::string sql_name(std::string_view name) {
  if (!sqlite3_keyword_check(name.data(), static_cast<int>(name.size()))) return std::string(name);
  return '"' + std::string(name) + '"';
}

template <typename Row>
std::string create_sql(const Table<Row>& t) {
  std::string sql = "CREATE TABLE " + sql_name(t.name) + " (";
  for (std::size_t i = 0; i < t.columns.size(); ++i)
    sql += (i ? ", " : "") + sql_name(t.columns[i].name) + " " + sql_type(t.columns[i].type);
  return sql + ")";
}

template <typename Row>
std::string insert_sql(const Table<Row>& t) {
  std::string sql = "INSERT INTO " + sql_name(t.name) + " VALUES (?";
  for (std::size_t i = 1; i < t.columns.size(); ++i) sql += ", ?";
  return sql + ")";
}

// A cell bound to its parameter. SQLite keeps a NaN as NULL. A text is bound
// without a copy: every insert binds every parameter before it steps.
struct Bind {
  sqlite3_stmt* s;
  int i;
  void operator()(std::monostate) const { sqlite3_bind_null(s, i); }
  void operator()(std::string_view t) const {
    sqlite3_bind_text(s, i, t.data(), static_cast<int>(t.size()), SQLITE_STATIC);
  }
  void operator()(std::int64_t v) const { sqlite3_bind_int64(s, i, v); }
  void operator()(float v) const { sqlite3_bind_double(s, i, v); }
  void operator()(double v) const { sqlite3_bind_double(s, i, v); }
};

}  // namespace

SqliteTables::SqliteTables(const std::string& path, const std::string& scenario_text,
                           const std::string& version, bool values, bool optimum)
    : path_(path), temporary_(temporary_name(path)) {
  slot_ = remember_temporary(temporary_);
  try {
    create(scenario_text, version, values, optimum);
  } catch (...) {
    close();
    std::remove(temporary_.c_str());
    forget_temporary(slot_);
    throw;
  }
}

void SqliteTables::create(const std::string& scenario_text, const std::string& version, bool values,
                          bool optimum) {
  std::remove(temporary_.c_str());
  if (sqlite3_open_v2(temporary_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                      nullptr) != SQLITE_OK)
    fail("create");
  exec("PRAGMA journal_mode = OFF");
  exec("PRAGMA synchronous = OFF");
  exec(create_sql(kStandsTable));
  exec(create_sql(kClassesTable));
  exec(create_sql(kRunsTable));
  if (values) {
    exec(create_sql(kValuesTable));
    exec(create_sql(kCashFlowsTable));
  }
  if (optimum) exec(create_sql(kOptimumTable));
  exec("CREATE TABLE scenario (text TEXT, version TEXT)");
  exec("BEGIN");
  sqlite3_stmt* s = prepare("INSERT INTO scenario VALUES (?, ?)");
  Bind{s, 1}(scenario_text);
  Bind{s, 2}(version);
  const int rc = sqlite3_step(s);
  sqlite3_finalize(s);
  if (rc != SQLITE_DONE) fail("write");
  stands_ = prepare(insert_sql(kStandsTable));
  classes_ = prepare(insert_sql(kClassesTable));
  runs_ = prepare(insert_sql(kRunsTable));
  if (values) {
    values_ = prepare(insert_sql(kValuesTable));
    cash_flows_ = prepare(insert_sql(kCashFlowsTable));
  }
  if (optimum) optimum_ = prepare(insert_sql(kOptimumTable));
}

int SqliteTables::close() {
  for (sqlite3_stmt** s : {&stands_, &classes_, &runs_, &values_, &cash_flows_, &optimum_}) {
    sqlite3_finalize(*s);
    *s = nullptr;
  }
  const int rc = sqlite3_close(db_);
  db_ = nullptr;
  return rc;
}

SqliteTables::~SqliteTables() {
  close();
  if (!committed_) std::remove(temporary_.c_str());
  forget_temporary(slot_);
}

void SqliteTables::fail(const char* doing) {
  throw std::runtime_error("cannot " + std::string(doing) + " " + path_ + ": " +
                           (db_ ? sqlite3_errmsg(db_) : "out of memory"));
}

void SqliteTables::exec(const std::string& sql) {
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) fail("write");
}

sqlite3_stmt* SqliteTables::prepare(const std::string& sql) {
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) fail("write");
  return s;
}

namespace {

// Binds the row's cells and inserts it; false when SQLite fails.
template <typename Row>
bool insert(sqlite3_stmt* s, const Table<Row>& t, const Row& row) {
  for (std::size_t i = 0; i < t.columns.size(); ++i)
    std::visit(Bind{s, static_cast<int>(i + 1)}, t.columns[i].cell(row));
  const bool done = sqlite3_step(s) == SQLITE_DONE;
  sqlite3_reset(s);
  return done;
}

}  // namespace

void SqliteTables::add(const Run& r) {
  bool ok = true;
  for_each_state_row(r,
                     [&](const StateRow& row) { ok = ok && insert(stands_, kStandsTable, row); });
  for_each_class_row(r,
                     [&](const ClassRow& row) { ok = ok && insert(classes_, kClassesTable, row); });
  ok = ok && insert(runs_, kRunsTable, r);
  if (values_) {
    ok = ok && insert(values_, kValuesTable, r);
    for_each_cash_flow_row(
        r, [&](const CashFlowRow& row) { ok = ok && insert(cash_flows_, kCashFlowsTable, row); });
  }
  if (!ok) fail("write");
}

void SqliteTables::add(const StandOptimum& s) {
  if (!insert(optimum_, kOptimumTable, s)) fail("write");
}

void SqliteTables::add(const Scenario& scenario, const PlanOutcome& o) {
  auto table = [&]<typename Row>(const Table<Row>& t, auto rows) {
    exec(create_sql(t));
    sqlite3_stmt* s = prepare(insert_sql(t));
    bool ok = true;
    rows([&](const Row& row) { ok = ok && insert(s, t, row); });
    sqlite3_finalize(s);
    if (!ok) fail("write");
  };
  for_each_plan_table(scenario, o, table);
}

void SqliteTables::finish() {
  exec("COMMIT");
  if (close() != SQLITE_OK) throw std::runtime_error("cannot write " + path_);
}

void SqliteTables::publish() {
  if (std::rename(temporary_.c_str(), path_.c_str()) != 0)
    throw std::runtime_error("cannot write " + path_ + ": " + std::strerror(errno));
  committed_ = true;
}

}  // namespace zireze::batch
