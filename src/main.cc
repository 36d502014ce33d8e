// zireze: growth and yield of even-aged maritime pine stands. Without
// arguments, the console dialogue; `zireze run SCENARIO.toml`, regimes in
// batch; `zireze optimize SCENARIO.toml`, the best regime for each stand;
// `zireze plan SCENARIO.toml`, the plan of the whole forest.
#include <CLI/CLI.hpp>
#include <csignal>
#include <iostream>
#include <thread>

#include "batch/command.h"
#include "dialogue/dialogue.h"
#include "io/fd_stream.h"

namespace {

int dialogue() {
  zireze::io::hold_standard_descriptors();
  zireze::io::FdInBuf in_buf(0);
  zireze::io::FdOutBuf out_buf(1);
  std::istream in(&in_buf);
  std::ostream out(&out_buf);
  int status = zireze::MAIN(in, out, std::cerr);
  out.flush();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  // A closed console is a write error to report, not a signal that kills the run.
  std::signal(SIGPIPE, SIG_IGN);
  // A file past the file-size limit is a failed write, like a full disk.
  std::signal(SIGXFSZ, SIG_IGN);
  if (argc <= 1) return dialogue();

  CLI::App app(
      "Zireze: growth and yield of even-aged maritime pine stands.\n"
      "Without arguments: the dialogue in Portuguese, which asks for a report file's name, "
      "describes a stand, thins and projects it pass by pass.",
      "zireze");
  app.set_version_flag("--version", "zireze " ZIREZE_VERSION);
  app.require_subcommand(0, 1);

  zireze::batch::Options options;
  options.jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  CLI::App* run = app.add_subcommand(
      "run",
      "Run every stand of a scenario file under every thinning regime, and write the stand "
      "states, the diameter classes and the runs (and, with prices, what each run is worth) as "
      "CSV files. Exit status: 0 all runs went through, 3 a run was refused at a step or left "
      "the model's range, 2 the scenario cannot be used (nothing is written), 1 an output "
      "could not be written.");
  CLI::App* optimize = app.add_subcommand(
      "optimize",
      "Find, for every stand of a scenario, the thinnings and felling age that give the most by "
      "the objective of its [optimize] table, and write best.toml (the scenario that re-runs "
      "them), optimum.csv and the outputs of 'zireze run' for the best regimes. Exit status as "
      "'zireze run'; 3 also when a stand has no regime of the space, or the objective cannot "
      "value it.");
  CLI::App* plan = app.add_subcommand(
      "plan",
      "Plan the whole forest: choose each stand's regime among its candidates (the scenario's "
      "regimes that run on it and, with an [optimize] table, the best regime of the space for "
      "each period of felling) by linear programming, to maximise the objective of its [plan] "
      "table under even flow and the other forest-wide limits; write the outputs of 'zireze "
      "run' for every candidate, the plan's tables (candidates, candidate_flows, plan, "
      "periods, constraints, solution) and plan.toml, the scenario that re-runs the plan. "
      "Exit status as 'zireze run'; 3 also when a stand has no candidate, or the plan is "
      "infeasible (the constraints to relax are named).");
  // The commands take the same scenario and write the same outputs.
  for (CLI::App* command : {run, optimize, plan}) {
    command->add_option("scenario", options.scenario, "The scenario (TOML)")->required();
    command->add_option("--out", options.out, "Folder of the outputs (created if missing)")
        ->capture_default_str();
    command
        ->add_option(
            "--jobs", options.jobs,
            "Runs (or stands searched or planned) in parallel (default: the number of cores; at "
            "most 256 threads)")
        ->check(CLI::PositiveNumber);
    command->add_flag("--reports", options.reports,
                      "Also write each run's report, as the dialogue writes it, to OUT/reports/");
    command->add_option("--sqlite", options.sqlite,
                        "Also write the tables into this SQLite database");
    command->add_option("--xlsx", options.xlsx,
                        "Also write the tables into this workbook (.xlsx), a sheet per table");
  }

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "zireze: " << e.what() << "\nRun 'zireze --help' for how to call it.\n";
    return 2;
  }
  if (*optimize) return zireze::batch::optimize_command(options);
  if (*plan) return zireze::batch::plan_command(options);
  if (!*run) {
    std::cerr << "zireze: nothing to do: the commands are 'run', 'optimize' and 'plan'; without "
                 "arguments zireze starts the dialogue\nRun 'zireze --help' for how to call it.\n";
    return 2;
  }
  return zireze::batch::run_command(options);
}
