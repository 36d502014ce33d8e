// One stand as read from the scenario file or the CSV of plots, each value
// with where it stands, before it becomes a stand description.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "batch/scenario.h"

namespace zireze::batch {

// A value given in the file: the float its text reads as, its text, where.
struct Field {
  bool given = false;
  bool readable = false;  // a number was read (otherwise a problem was already reported)
  float value = 0.0f;
  std::string text;
  Where where;
};

// A group of values given together: the counts, the Weibull parameters, the
// attributes.
struct Group {
  bool given = false;
  Where where;
};

struct StandFields {
  std::string id;
  bool id_given = false;
  Where id_where;
  Where where;  // the stand as a whole
  Field age, site_class, dominant_height, trees, basal_area, trees_planted;
  Group counts_group;
  std::vector<Field> counts;
  Group weibull;
  Field weibull_trees, a, b, c;
  Group attributes;
  Field attributes_trees, attributes_basal_area, dmin, p90;
  std::optional<double> area;  // hectares, read and checked as a double
};

// The stand's area, read as a double from its text: empty (with a problem
// "area = TEXT: ...") when it is not a number, or not one a stand can have.
std::optional<double> area_field(std::string_view text, const Where& where,
                                 std::vector<Problem>& problems);

// The field's number, read by the dialogue's rules for a real reply, or a
// problem ("KEY = TEXT: ...") when it has none.
Field number_field(std::string_view text, const Where& where, std::string_view key,
                   std::vector<Problem>& problems);

// The stand's description, when it has an id and its values are numbers the
// model can use (the description's check); otherwise empty, and what is
// wrong is added to `problems`, each at the value it is about.
std::optional<StandDescription> describe_stand(const StandFields& f,
                                               std::vector<Problem>& problems);

}  // namespace zireze::batch
