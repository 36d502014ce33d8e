#include "batch/command.h"

#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <span>
#include <stdexcept>
#include <tuple>
#include <variant>

#include "batch/csv.h"
#include "batch/optimum.h"
#include "batch/output.h"
#include "batch/plain.h"
#include "batch/plan.h"
#include "batch/run.h"
#include "batch/scenario.h"
#include "batch/schema.h"
#include "batch/sqlite_tables.h"
#include "batch/workbook.h"
#include "regime/ordered.h"

namespace zireze::batch {

namespace {

namespace fs = std::filesystem;

// What `zireze optimize` and `zireze plan` write besides the runs' files.
constexpr const char* kOptimumFiles[] = {"best.toml", "optimum.csv"};
constexpr const char* kPlanFiles[] = {"plan.toml",   "candidates.csv", "candidate_flows.csv",
                                      "plan.csv",    "periods.csv",    "constraints.csv",
                                      "solution.csv"};

// A run, with its rows already as CSV text: formatted on the worker threads.
struct Chunk {
  Run run;
  std::array<std::string, kRunFiles.size()> csv;
};

Chunk chunk_of(const Scenario& s, Run run) {
  Chunk c;
  c.run = std::move(run);
  append_run_rows(std::span(c.csv).first(run_files(s).size()), c.run);
  return c;
}

Chunk work(const Scenario& s, const PlannedRun& planned, bool reports) {
  return chunk_of(s, run_planned(s, planned, reports));
}

// Work done of the total, and the rate, on standard error when it is a
// terminal; nothing otherwise.
class Progress {
 public:
  Progress(std::size_t total, const char* what)
      : total_(total), what_(what), shown_(isatty(2) == 1) {}
  void done(std::size_t n) {
    if (!shown_) return;
    const auto now = std::chrono::steady_clock::now();
    if (n < total_ && now - last_ < std::chrono::milliseconds(200)) return;
    last_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    std::fprintf(stderr, "\rzireze: %zu/%zu %s (%.0f/s)%s", n, total_, what_,
                 seconds > 0 ? static_cast<double>(n) / seconds : 0.0, n == total_ ? "\n" : "");
  }

 private:
  std::size_t total_;
  const char* what_;
  bool shown_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point last_;
};

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

// A file named by the user that would replace or hold another output of the
// run: what it collides with, or empty.
std::string collision(const Options& o, const std::string& file, const std::string& other) {
  if (file.empty()) return "";
  const fs::path out(o.out), path(file);
  for (const char* name : kRunFiles)
    if (same_place(path, out / name)) return (out / name).string();
  for (const char* name : kOptimumFiles)
    if (same_place(path, out / name)) return (out / name).string();
  for (const char* name : kPlanFiles)
    if (same_place(path, out / name)) return (out / name).string();
  if (same_place(path, out)) return o.out;
  if (o.reports && inside(path, out / "reports")) return (out / "reports").string();
  if (!other.empty() && same_place(path, other)) return other;
  return "";
}

// The scenario of the command line, read and checked, or the status to end
// with (its problems told).
std::variant<int, std::pair<Scenario, std::string>> scenario_of(const Options& o) {
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
  for (auto [option, file, other] :
       {std::tuple{"--sqlite", o.sqlite, o.xlsx}, std::tuple{"--xlsx", o.xlsx, o.sqlite}}) {
    if (const std::string over = collision(o, file, other); !over.empty()) {
      std::cerr << "zireze: " << option << " " << file << " would write over " << over
                << ", another output of this run\n";
      return 2;
    }
  }
  return std::pair{std::move(*scenario), std::move(*text)};
}

// The outputs of a command, each under a temporary name until all are
// complete: the runs' CSV files, the reports, the database and the workbook
// when asked for, and the files a command adds.
class Outputs {
 public:
  Outputs(const Scenario& scenario, const std::string& text, const Options& o, bool optimum)
      : out_(o.out), reports_(o.reports) {
    fs::create_directories(out_);
    if (reports_) fs::create_directories(out_ / "reports");
    const std::span<const char* const> run_csv = run_files(scenario);
    for (std::size_t i = 0; i < run_csv.size(); ++i) file(run_csv[i]).write(run_file_header(i));
    runs_ = run_csv.size();
    const bool values = scenario.economics.has_value();
    if (!o.sqlite.empty())
      db_ = std::make_unique<SqliteTables>(o.sqlite, text, ZIREZE_VERSION, values, optimum);
    if (!o.xlsx.empty()) book_ = std::make_unique<Workbook>(o.xlsx, values, optimum);
  }

  // A file of the command's own, open.
  OutputFile& file(const char* name) {
    files_.push_back(std::make_unique<OutputFile>((out_ / name).string()));
    files_.back()->open();
    return *files_.back();
  }
  SqliteTables* db() { return db_.get(); }
  Workbook* book() { return book_.get(); }

  // A run's rows in every output.
  void add(const Chunk& c) {
    for (std::size_t i = 0; i < runs_; ++i) files_[i]->write(c.csv[i]);
    if (db_) db_->add(c.run);
    if (book_) book_->add(c.run);
    if (reports_) {
      OutputFile report((out_ / "reports" / report_name(c.run)).string());
      report.open();
      report.write(c.run.report);
      report.commit();
    }
    ++added_;
    unsound_ += c.run.status != Run::Status::ok;
  }

  // On standard error, how many runs were not sound, so that status 3 does
  // not come unexplained; whether there were any.
  bool told_unsound() const {
    if (unsound_ > 0)
      std::cerr << "zireze: " << unsound_ << " of " << added_
                << " runs were refused at a step or left the model's range (runs.csv)\n";
    return unsound_ > 0;
  }

  // Every output complete under its temporary name (closing the workbook,
  // which compresses it, takes longest), then all renamed: an interruption
  // before the renames leaves no output of this run under a final name.
  void publish() {
    if (book_) book_->finish();
    if (db_) db_->finish();
    for (auto& f : files_) f->finish();
    if (book_) book_->publish();
    if (db_) db_->publish();
    for (auto& f : files_) f->publish();
  }

 private:
  fs::path out_;
  bool reports_;
  std::size_t runs_ = 0;
  std::size_t added_ = 0, unsound_ = 0;  // runs
  std::vector<std::unique_ptr<OutputFile>> files_;
  std::unique_ptr<SqliteTables> db_;
  std::unique_ptr<Workbook> book_;
};

// Every run of the scenario, written as `zireze run` writes them; with
// `optima`, the best regimes' scenario (text) and optimum.csv too. Status 0,
// or 3 when a run (or a stand's search) was not sound.
int write_runs(const Scenario& scenario, const std::string& text, const Options& o,
               const std::vector<StandOptimum>* optima) {
  Outputs outputs(scenario, text, o, optima != nullptr);
  std::size_t without_optimum = 0;
  if (optima) {
    outputs.file(kOptimumFiles[0]).write(text);
    OutputFile& optimum = outputs.file(kOptimumFiles[1]);
    std::string rows = csv_header(kOptimumTable);
    for (const StandOptimum& s : *optima) {
      append_csv_row(rows, kOptimumTable, s);
      if (outputs.db()) outputs.db()->add(s);
      if (outputs.book()) outputs.book()->add(s);
      without_optimum += s.optimum.status != Optimum::Status::ok;
    }
    optimum.write(rows);
  }

  const RunPlan planned(scenario);
  Progress progress(planned.size(), "runs");
  std::size_t done = 0;
  run_in_order<Chunk>(
      planned.size(), o.jobs, [&](std::size_t i) { return work(scenario, planned[i], o.reports); },
      [&](Chunk&& c) {
        outputs.add(c);
        progress.done(++done);
      });
  outputs.publish();
  if (without_optimum > 0)
    std::cerr << "zireze: " << without_optimum << " of " << optima->size()
              << " stands have no optimum (optimum.csv)\n";
  return outputs.told_unsound() || without_optimum > 0 ? 3 : 0;
}

// A table's CSV text: its header, then each row `rows` gives.
template <typename Row, typename Rows>
std::string csv_table(const Table<Row>& t, Rows rows) {
  std::string text = csv_header(t);
  rows([&](const Row& row) { append_csv_row(text, t, row); });
  return text;
}

// The plan's files: plan.toml, then a CSV file for each of its tables.
void write_plan_files(Outputs& outputs, const Scenario& s, const PlanOutcome& outcome) {
  outputs.file("plan.toml").write(toml_text(plain_of(plan_scenario(s, outcome))).text);
  for_each_plan_table(s, outcome, [&](const auto& table, auto rows) {
    const std::string name = std::string(table.name) + ".csv";
    outputs.file(name.c_str()).write(csv_table(table, rows));
  });
}

// What the user is told of a plan that does not hold: the stands left out,
// and what to relax.
void tell_unsound(const PlanOutcome& outcome) {
  for (const PlannedStand& s : outcome.stands) {
    if (!s.plan.candidates.empty()) continue;
    std::cerr << "zireze: stand " << s.plan.id << ": infeasible, no candidate regime";
    for (const std::string& why : s.left_out) std::cerr << "; " << why;
    std::cerr << " (left out of the plan)\n";
  }
  if (std::string_view(outcome.solution.status) == "infeasible") {
    std::cerr << "zireze: the plan is infeasible: its constraints cannot all hold";
    bool named = false;
    for (const ConstraintFigures& c : outcome.constraints) {
      if (!c.violation || *c.violation <= 0) continue;
      std::cerr << (named ? "; " : ". Relax ") << c.name << " (short by " << *c.violation << ")";
      named = true;
    }
    std::cerr << "\n";
  } else if (!outcome.solved()) {
    std::cerr << "zireze: the solver found no plan within time_limit: raise it, or relax a "
                 "constraint (with integer = false a stand may be shared)\n";
  }
}

// A plan found but not proved within the gap when the solver's time ran out.
void tell_unproved(const PlanOutcome& outcome) {
  if (!outcome.solved() || std::string_view(outcome.solution.status) != "time_limit") return;
  std::cerr << "zireze: the solver stopped at time_limit with a plan not proved within the gap";
  if (outcome.solution.gap) std::cerr << " (its gap: " << *outcome.solution.gap << ")";
  std::cerr << "\n";
}

}  // namespace

int run_command(const Options& o) {
  auto read = scenario_of(o);
  if (const int* status = std::get_if<int>(&read)) return *status;
  const auto& [scenario, text] = std::get<1>(read);
  remove_temporaries_on_signal();
  try {
    return write_runs(scenario, text, o, nullptr);
  } catch (const std::exception& e) {
    std::cerr << "zireze: " << e.what() << '\n';
    return 1;
  }
}

int optimize_command(const Options& o) {
  auto read = scenario_of(o);
  if (const int* status = std::get_if<int>(&read)) return *status;
  const Scenario& scenario = std::get<1>(read).first;
  if (const std::vector<SpaceProblem> problems = space_problems(scenario); !problems.empty()) {
    std::cerr << "zireze: " << o.scenario << ": " << to_string(problems.front()) << '\n';
    return 2;
  }
  remove_temporaries_on_signal();
  try {
    std::vector<StandOptimum> optima;
    Progress progress(scenario.stands.size(), "stands optimised");
    run_in_order<StandOptimum>(
        scenario.stands.size(), o.jobs,
        [&](std::size_t i) { return optimize_stand_of(scenario, i); },
        [&](StandOptimum&& s) {
          optima.push_back(std::move(s));
          progress.done(optima.size());
        });
    const Scenario best = best_scenario(scenario, optima);
    const std::string text = toml_text(plain_of(best)).text;
    return write_runs(best, text, o, &optima);
  } catch (const std::exception& e) {
    std::cerr << "zireze: " << e.what() << '\n';
    return 1;
  }
}

namespace {

// The plan solved, and on a terminal the time its solver took: an integer
// plan of many stands may take minutes.
PlanOutcome timed_solve(const PlanSettings& p, std::vector<PlannedStand> stands) {
  const bool shown = isatty(2) == 1;
  if (shown) std::fputs("zireze: solving the plan\n", stderr);
  const auto start = std::chrono::steady_clock::now();
  PlanOutcome outcome = solve_plan(p, std::move(stands));
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  if (shown) std::fprintf(stderr, "zireze: solved in %.2f s\n", took.count());
  return outcome;
}

}  // namespace

int plan_command(const Options& o) {
  auto read = scenario_of(o);
  if (const int* status = std::get_if<int>(&read)) return *status;
  const auto& [scenario, text] = std::get<1>(read);
  if (const std::vector<std::string> problems = plan_problems(scenario); !problems.empty()) {
    for (const std::string& p : problems)
      std::cerr << "zireze: " << o.scenario << ": " << p << '\n';
    return 2;
  }
  remove_temporaries_on_signal();
  try {
    Outputs outputs(scenario, text, o, false);
    // A stand's candidates, and its runs' rows formatted on the worker threads.
    struct StandChunks {
      PlannedStand stand;
      std::vector<Chunk> runs;
    };
    std::vector<PlannedStand> stands;
    Progress progress(scenario.stands.size(), "stands planned");
    run_in_order<StandChunks>(
        scenario.stands.size(), o.jobs,
        [&](std::size_t i) {
          StandWork w = plan_stand(scenario, i, o.reports);
          StandChunks c{std::move(w.stand), {}};
          for (Run& r : w.runs) c.runs.push_back(chunk_of(scenario, std::move(r)));
          return c;
        },
        [&](StandChunks&& c) {
          for (const Chunk& run : c.runs) outputs.add(run);
          stands.push_back(std::move(c.stand));
          progress.done(stands.size());
        });
    std::optional<PlanOutcome> solved;
    try {
      solved = timed_solve(*scenario.plan, std::move(stands));
    } catch (const PlanRefused& e) {
      std::cerr << "zireze: " << o.scenario << ": " << e.what() << '\n';
      return 2;
    }
    const PlanOutcome& outcome = *solved;
    write_plan_files(outputs, scenario, outcome);
    if (outputs.db()) outputs.db()->add(scenario, outcome);
    if (outputs.book()) outputs.book()->add(scenario, outcome);
    outputs.publish();
    const bool runs_unsound = outputs.told_unsound();
    tell_unproved(outcome);
    if (!plan_sound(outcome)) {
      tell_unsound(outcome);
      return 3;
    }
    return runs_unsound ? 3 : 0;
  } catch (const std::exception& e) {
    std::cerr << "zireze: " << e.what() << '\n';
    return 1;
  }
}

}  // namespace zireze::batch
