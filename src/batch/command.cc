#include "batch/command.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <stdexcept>

#include "batch/output.h"
#include "batch/rows.h"
#include "batch/run.h"
#include "batch/runner.h"
#include "batch/scenario.h"
#include "batch/sqlite_tables.h"

namespace zireze::batch {

namespace {

// A run, with its rows already as CSV text: formatted on the worker threads.
struct Chunk {
  Run run;
  std::string stands, classes, runs;
};

Chunk work(const StandEntry& stand, const Regime* regime, int bark, bool reports) {
  Chunk c;
  c.run = run(stand, regime, bark, reports);
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

}  // namespace

int run_command(const Options& o) {
  std::string why;
  std::optional<std::string> text = read_file(o.scenario, why);
  if (!text) {
    std::cerr << "zireze: cannot read " << o.scenario << ": " << why << '\n';
    return 2;
  }
  std::vector<Problem> problems;
  std::optional<Scenario> scenario = read_scenario(*text, o.scenario, read_file, problems);
  if (!scenario) {
    for (const Problem& p : problems) std::cerr << to_string(p) << '\n';
    return 2;
  }

  remove_temporaries_on_signal();
  try {
    const std::filesystem::path out(o.out);
    std::filesystem::create_directories(out);
    if (o.reports) std::filesystem::create_directories(out / "reports");
    OutputFile stands((out / "stands.csv").string());
    OutputFile classes((out / "classes.csv").string());
    OutputFile runs((out / "runs.csv").string());
    for (OutputFile* f : {&stands, &classes, &runs}) f->open();
    stands.write(stands_header());
    classes.write(classes_header());
    runs.write(runs_header());
    std::unique_ptr<SqliteTables> db;
    if (!o.sqlite.empty())
      db = std::make_unique<SqliteTables>(o.sqlite, scenario->text, ZIREZE_VERSION);

    const int bark = scenario->bark;
    Progress progress(run_count(*scenario));
    std::size_t done = 0;
    bool refused = false;
    run_all<Chunk>(
        *scenario, o.jobs,
        [&](const StandEntry& s, const Regime* r) { return work(s, r, bark, o.reports); },
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
