#include "program.h"

#include <algorithm>
#include <cmath>

namespace zireze {

bool LinearProgram::has_integers() const {
  return std::find(integer.begin(), integer.end(), 1) != integer.end();
}

namespace {

using Sense = LinearProgram::Sense;

// A forest-wide row: its coefficient on each column, given column by column.
class RowBuilder {
 public:
  RowBuilder(std::string name, Sense sense, double rhs)
      : row_{std::move(name), sense, rhs, {}, {}} {}
  void add(int column, double value) {
    if (value == 0) return;
    row_.columns.push_back(column);
    row_.values.push_back(value);
  }
  LinearProgram::Row take() { return std::move(row_); }

 private:
  LinearProgram::Row row_;
};

// Calls each(column, stand, candidate) over every column in order.
template <typename Each>
void for_each_column(std::span<const PlanStand> stands, Each each) {
  int column = 0;
  for (const PlanStand& s : stands)
    for (const CandidateFigures& c : s.candidates) each(column++, s, c);
}

}  // namespace

LinearProgram plan_program(const PlanSettings& p, std::span<const PlanStand> stands) {
  LinearProgram lp;
  int columns = 0;
  for (const PlanStand& s : stands) {
    RowBuilder shares("shares:" + s.id, Sense::equal, 1);
    for (const CandidateFigures& c : s.candidates) {
      lp.objective.push_back(s.area * c.coefficient);
      lp.integer.push_back(p.integer ? 1 : 0);
      shares.add(columns++, 1);
    }
    lp.rows.push_back(shares.take());
  }

  const int P = p.periods();
  // Each column's flow in period k over its stand's area.
  auto flow_row = [&](RowBuilder& row, int k) {
    for_each_column(stands, [&](int j, const PlanStand& s, const CandidateFigures& c) {
      row.add(j, s.area * c.flow(k, p.flow));
    });
  };
  if (p.flow != PlanQuantity::none) {
    for (int k = 2; k <= P; ++k) {
      for (auto [name, sense, bound] :
           {std::tuple{"flow_not_below:", Sense::at_least, 1 - p.tolerance},
            std::tuple{"flow_not_above:", Sense::at_most, 1 + p.tolerance}}) {
        // F_k - times F_(k-1), column by column (a copy: clang's lambdas take
        // no structured binding).
        const double times = bound;
        RowBuilder row(name + std::to_string(k), sense, 0);
        for_each_column(stands, [&](int j, const PlanStand& s, const CandidateFigures& c) {
          row.add(j, s.area * c.flow(k, p.flow) - times * (s.area * c.flow(k - 1, p.flow)));
        });
        lp.rows.push_back(row.take());
      }
    }
  }
  for (auto [name, sense, bound] : {std::tuple{"min_flow:", Sense::at_least, p.min_flow},
                                    std::tuple{"max_flow:", Sense::at_most, p.max_flow}}) {
    if (bound <= 0) continue;
    for (int k = 1; k <= P; ++k) {
      RowBuilder row(name + std::to_string(k), sense, bound);
      flow_row(row, k);
      lp.rows.push_back(row.take());
    }
  }
  if (p.max_felled_area > 0) {
    for (int k = 1; k <= P; ++k) {
      RowBuilder row("max_felled_area:" + std::to_string(k), Sense::at_most, p.max_felled_area);
      for_each_column(stands, [&](int j, const PlanStand& s, const CandidateFigures& c) {
        if (c.felling_period == k) row.add(j, s.area);
      });
      lp.rows.push_back(row.take());
    }
  }
  if (p.ending_volume > 0) {
    double today = 0;
    for (const PlanStand& s : stands) today += s.area * s.vol_tot_today;
    RowBuilder row("ending_volume", Sense::at_least, p.ending_volume * today);
    for_each_column(stands, [&](int j, const PlanStand& s, const CandidateFigures& c) {
      row.add(j, s.area * c.ending_vol_tot);
    });
    lp.rows.push_back(row.take());
  }
  return lp;
}

LinearProgram elastic_program(const LinearProgram& lp, std::size_t stand_rows) {
  LinearProgram e = lp;
  std::fill(e.objective.begin(), e.objective.end(), 0.0);
  for (std::size_t i = stand_rows; i < e.rows.size(); ++i) {
    LinearProgram::Row& row = e.rows[i];
    if (row.sense == Sense::equal) continue;
    // The largest the left side can be: each stand's largest coefficient.
    double scale = std::fabs(row.rhs);
    if (row.rhs == 0) {
      std::size_t at = 0;
      for (std::size_t s = 0; s < stand_rows; ++s) {
        double largest = 0;
        for (int j : lp.rows[s].columns) {
          while (at < row.columns.size() && row.columns[at] < j) ++at;
          if (at < row.columns.size() && row.columns[at] == j)
            largest = std::max(largest, std::fabs(row.values[at]));
        }
        scale += largest;
      }
    }
    // A violation counts in the row's units at most: a bound of 1e-300
    // hectares does not make a hectare's violation weigh 1e300.
    scale = std::max(scale, 1.0);
    const int column = static_cast<int>(e.objective.size());
    e.objective.push_back(-1 / scale);
    e.integer.push_back(0);
    row.columns.push_back(column);
    row.values.push_back(row.sense == Sense::at_least ? 1 : -1);
  }
  return e;
}

double largest_figure(const LinearProgram& lp) {
  double most = 0;
  auto see = [&](double x) { most = std::isnan(x) ? INFINITY : std::max(most, std::fabs(x)); };
  for (double c : lp.objective) see(c);
  for (const LinearProgram::Row& row : lp.rows) {
    see(row.rhs);
    for (double v : row.values) see(v);
  }
  return most;
}

double row_activity(const LinearProgram::Row& row, std::span<const double> x) {
  double sum = 0;
  for (std::size_t i = 0; i < row.columns.size(); ++i)
    sum += row.values[i] * x[static_cast<std::size_t>(row.columns[i])];
  return sum;
}

double row_slack(const LinearProgram::Row& row, double activity) {
  switch (row.sense) {
    case Sense::at_least:
      return activity - row.rhs;
    case Sense::at_most:
      return row.rhs - activity;
    case Sense::equal:
      return 0;
  }
  return 0;
}

std::vector<PeriodTotals> period_totals(const PlanSettings& p, std::span<const PlanStand> stands,
                                        std::span<const double> shares) {
  std::vector<PeriodTotals> out;
  for (int k = 1; k <= p.periods(); ++k) {
    PeriodTotals t;
    t.period = k;
    t.first_year = (k - 1) * p.period;
    t.last_year = k * p.period - 1;
    for_each_column(stands, [&](int j, const PlanStand& s, const CandidateFigures& c) {
      const double ha = s.area * shares[static_cast<std::size_t>(j)];
      const PeriodHarvest& h = c.periods[static_cast<std::size_t>(k - 1)];
      t.vol_tot += ha * h.vol_tot;
      t.vol_rol += ha * h.vol_rol;
      t.vol_mad += ha * h.vol_mad;
      t.revenue += ha * h.revenue;
      t.cost += ha * h.cost;
      if (c.felling_period == k) t.felled_area += ha;
      t.thinned_area += ha * h.thinnings;
      t.flow += ha * c.flow(k, p.flow);
    });
    t.net = t.revenue - t.cost;
    out.push_back(t);
  }
  return out;
}

}  // namespace zireze
