// The solver of a plan's linear or mixed-integer program, behind a small
// interface: the plan is built and read without knowing which solver it is.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "program.h"

namespace zireze {

struct SolveLimits {
  double gap = 0.0001;   // mixed-integer: the relative gap at which to stop
  double seconds = 600;  // the time the solver may take
};

struct LpSolution {
  // optimal: proved (for an integer program, within the gap); infeasible:
  // no columns satisfy the rows; time_limit: stopped by the limit, with the
  // best solution found if any (`found`).
  enum class Status { optimal, infeasible, time_limit };
  Status status = Status::infeasible;
  bool found = false;
  std::vector<double> x;      // the columns' values, when found
  std::vector<double> duals;  // per row: d objective / d rhs (linear programs only)
  double objective = 0;       // when found
  double bound = 0;           // the best the objective can be, as proved
};

class LpSolver {
 public:
  virtual ~LpSolver() = default;
  virtual LpSolution solve(const LinearProgram& lp, const SolveLimits& limits) const = 0;
  // The solver's name and version, as the plan's outputs tell it.
  virtual std::string name(bool integer) const = 0;
};

// CLP for linear programs, CBC for mixed-integer ones, on one thread and
// silent, so that a program gives the same solution on any machine.
std::unique_ptr<LpSolver> coin_solver();

}  // namespace zireze
