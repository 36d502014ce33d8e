#include <CbcConfig.h>
#include <ClpConfig.h>

#include <CbcModel.hpp>
#include <CbcSolver.hpp>
#include <ClpSimplex.hpp>
#include <CoinPackedMatrix.hpp>
#include <OsiClpSolverInterface.hpp>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "solver.h"

namespace zireze {

namespace {

// The program as COIN-OR's solvers take it: the matrix by columns, the rows'
// and columns' bounds, the objective.
struct CoinForm {
  CoinPackedMatrix matrix;
  std::vector<double> column_lower, column_upper, row_lower, row_upper;

  explicit CoinForm(const LinearProgram& lp) : matrix(false, 0, 0) {
    const int columns = static_cast<int>(lp.objective.size());
    matrix.setDimensions(0, columns);
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    for (const LinearProgram::Row& row : lp.rows) {
      matrix.appendRow(static_cast<int>(row.columns.size()), row.columns.data(), row.values.data());
      const bool below = row.sense != LinearProgram::Sense::at_least;
      const bool above = row.sense != LinearProgram::Sense::at_most;
      row_lower.push_back(above ? row.rhs : -kInfinity);
      row_upper.push_back(below ? row.rhs : kInfinity);
    }
    column_lower.assign(lp.objective.size(), 0.0);
    column_upper.assign(lp.objective.size(), COIN_DBL_MAX);
    for (double& l : row_lower)
      if (std::isinf(l)) l = -COIN_DBL_MAX;
    for (double& u : row_upper)
      if (std::isinf(u)) u = COIN_DBL_MAX;
  }
};

// The objective at the columns' values, summed in their order.
double objective_at(const LinearProgram& lp, const std::vector<double>& x) {
  double sum = 0;
  for (std::size_t j = 0; j < x.size(); ++j) sum += lp.objective[j] * x[j];
  return sum;
}

// CLP's dual simplex on the linear program, maximising.
LpSolution solve_linear(const LinearProgram& lp, const SolveLimits& limits) {
  const CoinForm form(lp);
  ClpSimplex model;
  model.setLogLevel(0);
  model.loadProblem(form.matrix, form.column_lower.data(), form.column_upper.data(),
                    lp.objective.data(), form.row_lower.data(), form.row_upper.data());
  model.setOptimizationDirection(-1);
  model.setMaximumSeconds(limits.seconds);
  model.dual();
  LpSolution out;
  if (model.isProvenPrimalInfeasible()) return out;
  if (!model.isProvenOptimal()) {
    out.status = LpSolution::Status::time_limit;
    return out;
  }
  out.status = LpSolution::Status::optimal;
  out.found = true;
  const int n = model.numberColumns(), m = model.numberRows();
  out.x.assign(model.primalColumnSolution(), model.primalColumnSolution() + n);
  // CLP gives the row duals of the maximisation itself: what the objective
  // gains per unit of each row's bound.
  out.duals.assign(model.dualRowSolution(), model.dualRowSolution() + m);
  out.objective = objective_at(lp, out.x);
  out.bound = out.objective;
  return out;
}

// A number as CBC's command line reads it (without the locale).
std::string number_text(double x) {
  char text[64];
  return std::string(text, std::to_chars(text, text + sizeof text, x).ptr);
}

// Silences CBC's callback: it is asked nothing.
int no_callback(CbcModel*, int) { return 0; }

// CBC with its standard cuts and heuristics (its own command's defaults), on
// one thread and silent, stopping at the gap or the time limit.
LpSolution solve_integer(const LinearProgram& lp, const SolveLimits& limits) {
  const CoinForm form(lp);
  OsiClpSolverInterface solver;
  solver.messageHandler()->setLogLevel(0);
  solver.loadProblem(form.matrix, form.column_lower.data(), form.column_upper.data(),
                     lp.objective.data(), form.row_lower.data(), form.row_upper.data());
  solver.setObjSense(-1);
  for (std::size_t j = 0; j < lp.integer.size(); ++j)
    if (lp.integer[j]) solver.setInteger(static_cast<int>(j));
  CbcModel model(solver);
  model.messageHandler()->setLogLevel(0);
  CbcSolverUsefulData data;
  data.noPrinting_ = true;
  CbcMain0(model, data);
  const std::string gap = number_text(limits.gap), seconds = number_text(limits.seconds);
  const char* argv[] = {"zireze",        "-log",   "0",         "-slog",     "0",
                        "-threads",      "0",      "-ratioGap", gap.c_str(), "-seconds",
                        seconds.c_str(), "-solve", "-quit"};
  CbcMain1(static_cast<int>(std::size(argv)), argv, model, no_callback, data);

  LpSolution out;
  const bool found = model.bestSolution() != nullptr;
  if (model.isProvenInfeasible() || (!found && model.isProvenOptimal())) return out;
  out.status =
      model.isProvenOptimal() ? LpSolution::Status::optimal : LpSolution::Status::time_limit;
  if (!found) return out;
  out.found = true;
  out.x.assign(model.bestSolution(), model.bestSolution() + model.getNumCols());
  out.objective = objective_at(lp, out.x);
  // CBC's bound is of the maximisation, as its objective.
  out.bound = model.getBestPossibleObjValue();
  return out;
}

class CoinSolver : public LpSolver {
 public:
  LpSolution solve(const LinearProgram& lp, const SolveLimits& limits) const override {
    return lp.has_integers() ? solve_integer(lp, limits) : solve_linear(lp, limits);
  }
  std::string name(bool integer) const override {
    return integer ? "CBC " CBC_VERSION : "CLP " CLP_VERSION;
  }
};

}  // namespace

std::unique_ptr<LpSolver> coin_solver() { return std::make_unique<CoinSolver>(); }

}  // namespace zireze
