// The forest plan's tables column by column, for the packages' data frames.
#pragma once

#include <string_view>
#include <vector>

#include "batch/columns.h"
#include "batch/plan.h"

namespace zireze::batch {

struct NamedTable {
  std::string_view name;
  std::vector<ColumnData> columns;
};

// Each table with its name, in this order: candidates, candidate_flows,
// plan, periods, constraints, solution.
std::vector<NamedTable> plan_tables(const Scenario& s, const PlanOutcome& outcome);

}  // namespace zireze::batch
