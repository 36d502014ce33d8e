// The CSV file of plots: one stand per row, under a header naming the
// columns (id, age, site_class, dominant_height, trees, basal_area,
// trees_planted, dmin, p90, a, b, c) in any order. An empty cell is not given.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "batch/scenario.h"

namespace zireze::batch {

// Adds the stands of `text` (named `file` in problems) to `stands`, and
// where each stands to `places`. A row with
// any of a, b, c is a Weibull stand; with dmin or p90, a stand by attributes;
// otherwise a stand never thinned. CRLF line ends and a UTF-8 byte-order mark
// are taken.
void read_stands_csv(std::string_view text, const std::string& file,
                     std::vector<StandDescription>& stands, std::vector<Where>& places,
                     std::vector<Problem>& problems);

}  // namespace zireze::batch
