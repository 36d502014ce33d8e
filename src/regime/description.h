// A stand as the user describes it: the values given, before the model
// completes them. Never thinned: a site and one density figure. Thinned in
// the past: a site and one description of the diameters (counts by class,
// Weibull parameters or stand attributes).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Relative to this file, so that the installed header finds its neighbours.
#include "../distribution/weibull.h"
#include "../stand.h"

namespace zireze {

struct WeibullDescription {
  float trees, a, b, c;  // trees per ha; location and scale in cm; shape
};

struct AttributesDescription {
  float trees, basal_area, dmin, p90;  // trees per ha, m2/ha, cm, cm
};

struct StandDescription {
  std::string id;  // how the outputs name the stand (empty where nothing names it)
  float age = 0.0f;
  std::optional<float> site_class, dominant_height;       // exactly one
  std::optional<float> trees, basal_area, trees_planted;  // never thinned: exactly one
  // Thinned in the past: one of these. Counts are trees per ha by 5-cm class,
  // the first centred on 5 cm; a last count below -0.0001 only ends the list,
  // as a typed -9 ends it in the dialogue.
  std::optional<std::vector<float>> counts;
  std::optional<WeibullDescription> weibull;
  std::optional<AttributesDescription> attributes;
  // The hectares it covers, where given: a forest plan weighs the stand by
  // them; every figure of a run stays per hectare.
  std::optional<double> area;

  bool never_thinned() const { return !counts && !weibull && !attributes; }
};

// The classes of the counts: without the count that ends the list.
std::vector<float> classes_of(const std::vector<float>& counts);

// What is wrong with a description. `key` names the value in question, as a
// scenario file spells it ("age", "trees", "a", ...), inside `group`
// ("counts", "weibull", "attributes" or none); `index` the class of a count.
// A problem of a value (`of_value`) is the model's reason to refuse the value
// given; the others say what the description lacks or has too much of, and
// name a key only where one value is in excess.
struct DescriptionProblem {
  std::string_view group;
  std::string_view key;
  int index = -1;
  bool of_value = false;
  std::string what;
};

// Every problem of the description, in the order of its values: the age,
// the site, then the density or the diameters. Empty when the model can
// complete it.
std::vector<DescriptionProblem> check_description(const StandDescription& d);

// The stand the model completes from a description it can use. The Weibull
// description may give the gamma function arguments it cannot take.
Stand initial_stand(const StandDescription& d, GammaComplaints* complaints = nullptr);

}  // namespace zireze
