#include "batch/command.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <stdexcept>

#include "batch/csv.h"
#include "batch/output.h"
#include "batch/run.h"
#include "batch/scenario.h"
#include "batch/sqlite_tables.h"
#include "regime/ordered.h"

namespace zireze::batch {

namespace {

namespace fs = std::filesystem;

// A run, with its rows already as CSV text: formatted on the worker threads.
struct Chunk {
  Run run;
  std::string stands, classes, runs;
};

Chunk work(const Scenario& s, const PlannedRun& planned, bool reports) {
  Chunk c;
  const Regime* regime = planned.regime ? &s.regimes[*planned.regime] : nullptr;
  c.run = run(s.stands[planned.stand], regime, s.bark, reports);
  append_stand_rows(c.stands, c.run);
  append_class_rows(c.classes, c.run);
  append_run_row(c.runs, c.run);
  return c;
}

// Runs done of the total, and the rate, on standard error when it is a
// terminal; nothing otherwise.
class Progress {
 public:
  explicit Progress(std::size_t total) : total_(total), shown_(isatty(2) == 1) {}
  void done(std::size_t n) {
    if (!shown_) return;
    const auto now = std::chrono::steady_clock::now();
    if (n < total_ && now - last_ < std::chrono::milliseconds(200)) return;
    last_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    std::fprintf(stderr, "\rzireze: %zu/%zu runs (%.0f/s)%s", n, total_,
                 seconds > 0 ? static_cast<double>(n) / seconds : 0.0, n == total_ ? "\n" : "");
  }

 private:
  std::size_t total_;
  bool shown_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point last_;
};

std::string report_name(const Run& r) {
  return r.regime_id.empty() ? r.stand_id + ".txt" : r.stand_id + "." + r.regime_id + ".txt";
}

// The same file or folder, by the path it will have (the folders need not
// exist yet).
bool same_place(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  return fs::weakly_canonical(a, ec) == fs::weakly_canonical(b, ec);
}

bool inside(const fs::path& path, const fs::path& folder) {
  std::error_code ec;
  const fs::path p = fs::weakly_canonical(path, ec), f = fs::weakly_canonical(folder, ec);
  auto [end, rest] = std::mismatch(f.begin(), f.end(), p.begin(), p.end());
  return end == f.end();
}

// An output named by the user that would replace or hold another output of
// the run: what it collides with, or empty.
std::string collision(const Options& o) {
  if (o.sqlite.empty()) return "";
  const fs::path out(o.out), db(o.sqlite);
  for (const char* name : {"stands.csv", "classes.csv", "runs.csv"})
    if (same_place(db, out / name)) return (out / name).string();
  if (same_place(db, out)) return o.out;
  if (o.reports && inside(db, out / "reports")) return (out / "reports").string();
  return "";
}

}  // namespace

int run_command(const Options& o) {
  std::string why;
  std::optional<std::string> text = read_file(o.scenario, kLargestScenario, why);
  if (!text) {
    std::cerr << "zireze: cannot read " << o.scenario << ": " << why << '\n';
    return 2;
  }
  std::vector<Problem> problems;
  std::optional<Scenario> scenario = read_scenario(*text, o.scenario, read_plots_file, problems);
  if (!scenario) {
    for (const Problem& p : problems) std::cerr << to_string(p) << '\n';
    return 2;
  }
  if (const std::string other = collision(o); !other.empty()) {
    std::cerr << "zireze: --sqlite " << o.sqlite << " would write over " << other
              << ", another output of this run\n";
    return 2;
  }

  remove_temporaries_on_signal();
  try {
    const fs::path out(o.out);
    fs::create_directories(out);
    if (o.reports) fs::create_directories(out / "reports");
    OutputFile stands((out / "stands.csv").string());
    OutputFile classes((out / "classes.csv").string());
    OutputFile runs((out / "runs.csv").string());
    for (OutputFile* f : {&stands, &classes, &runs}) f->open();
    stands.write(csv_header(kStandsTable));
    classes.write(csv_header(kClassesTable));
    runs.write(csv_header(kRunsTable));
    std::unique_ptr<SqliteTables> db;
    if (!o.sqlite.empty())
      db = std::make_unique<SqliteTables>(o.sqlite, *text, ZIREZE_VERSION);

    const std::vector<PlannedRun> planned = planned_runs(*scenario);
    Progress progress(planned.size());
    std::size_t done = 0;
    bool refused = false;
    run_in_order<Chunk>(
        planned.size(), o.jobs,
        [&](std::size_t i) { return work(*scenario, planned[i], o.reports); },
        [&](Chunk&& c) {
          stands.write(c.stands);
          classes.write(c.classes);
          runs.write(c.runs);
          if (db) db->add(c.run);
          if (o.reports) {
            OutputFile report((out / "reports" / report_name(c.run)).string());
            report.open();
            report.write(c.run.report);
            report.commit();
          }
          refused = refused || !c.run.refusal.empty();
          progress.done(++done);
        });
    stands.commit();
    classes.commit();
    runs.commit();
    if (db) db->commit();
    return refused ? 3 : 0;
  } catch (const std::exception& e) {
    std::cerr << "zireze: " << e.what() << '\n';
    return 1;
  }
}

}  // namespace zireze::batch
