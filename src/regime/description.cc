#include "description.h"

#include "../input/thinned_input.h"
#include "../refusals.h"

namespace zireze {

std::vector<float> classes_of(const std::vector<float>& counts) {
  std::vector<float> classes = counts;
  if (!classes.empty() && classes.back() < -0.0001f) classes.pop_back();
  return classes;
}

namespace {

class Problems {
 public:
  // The model's refusal of a value, when it has one.
  void refuse(std::string_view group, std::string_view key, const char* reason, int index = -1) {
    if (reason) list.push_back({group, key, index, true, reason});
  }
  void lacks(std::string what, std::string_view key = {}) {
    list.push_back({{}, key, -1, false, std::move(what)});
  }
  std::vector<DescriptionProblem> list;
};

// Not given: -9, as in the dialogue.
float typed(const std::optional<float>& x) { return x.value_or(-9.0f); }

void check_site(Problems& p, const StandDescription& d) {
  if (d.site_class.has_value() == d.dominant_height.has_value()) {
    p.lacks(d.site_class ? "give site_class or dominant_height, not both"
                         : "give site_class or dominant_height");
    return;
  }
  p.refuse({}, d.site_class ? "site_class" : "dominant_height",
           site_refusal(typed(d.site_class), typed(d.dominant_height)));
}

void check_density(Problems& p, const StandDescription& d) {
  const int densities =
      d.trees.has_value() + d.basal_area.has_value() + d.trees_planted.has_value();
  if (densities != 1) {
    p.lacks(densities == 0 ? "give one of trees, basal_area and trees_planted"
                           : "give only one of trees, basal_area and trees_planted");
    return;
  }
  const char* key = d.trees ? "trees" : d.basal_area ? "basal_area" : "trees_planted";
  p.refuse({}, key, density_refusal(typed(d.trees), typed(d.basal_area), typed(d.trees_planted)));
}

void check_counts(Problems& p, const std::vector<float>& counts) {
  const std::vector<float> classes = classes_of(counts);
  for (std::size_t i = 0; i < classes.size(); ++i)
    if (classes[i] < -0.0001f)
      p.refuse("counts", "counts",
               "a count below -0.0001 ends the classes; only the last may be one",
               static_cast<int>(i));
  if (classes.size() > static_cast<std::size_t>(kMostClasses)) {
    p.refuse("counts", {}, "at most 50 classes (the last centred on 250 cm)");
    return;
  }
  // Counts without a tree are told only of a stand with nothing else wrong.
  if (p.list.empty()) p.refuse("counts", {}, counts_refusal(classes));
}

void check_weibull(Problems& p, const WeibullDescription& w) {
  p.refuse("weibull", "trees", positive_refusal(w.trees));
  p.refuse("weibull", "a", negative_refusal(w.a));
  p.refuse("weibull", "b", positive_refusal(w.b));
  p.refuse("weibull", "c", positive_refusal(w.c));
}

void check_attributes(Problems& p, const AttributesDescription& a) {
  p.refuse("attributes", "trees", positive_refusal(a.trees));
  p.refuse("attributes", "basal_area", positive_refusal(a.basal_area));
  p.refuse("attributes", "dmin", negative_refusal(a.dmin));
  p.refuse("attributes", "p90", p90_refusal(a.p90, a.dmin));
}

}  // namespace

std::vector<DescriptionProblem> check_description(const StandDescription& d) {
  Problems p;
  p.refuse({}, "age", age_refusal(d.age));
  check_site(p, d);
  const int descriptions = d.counts.has_value() + d.weibull.has_value() + d.attributes.has_value();
  if (descriptions > 1) {
    p.lacks("give only one of counts, weibull and attributes");
  } else if (descriptions == 1) {
    const char* kind = d.counts    ? "a stand by counts"
                       : d.weibull ? "a Weibull stand"
                                   : "a stand by attributes";
    if (d.trees) p.lacks(std::string("trees is not used by ") + kind, "trees");
    if (d.basal_area) p.lacks(std::string("basal_area is not used by ") + kind, "basal_area");
    if (d.trees_planted)
      p.lacks(std::string("trees_planted is not used by ") + kind, "trees_planted");
    if (d.counts) check_counts(p, *d.counts);
    if (d.weibull) check_weibull(p, *d.weibull);
    if (d.attributes) check_attributes(p, *d.attributes);
  } else {
    check_density(p, d);
  }
  return std::move(p.list);
}

Stand initial_stand(const StandDescription& d, GammaComplaints* complaints) {
  const float SI = typed(d.site_class), HD = typed(d.dominant_height);
  if (d.counts) return stand_from_counts(d.age, SI, HD, classes_of(*d.counts));
  if (d.weibull)
    return stand_from_weibull(d.age, SI, HD, d.weibull->trees, d.weibull->a, d.weibull->b,
                              d.weibull->c, complaints);
  if (d.attributes)
    return stand_from_attributes(d.age, SI, HD, d.attributes->trees, d.attributes->basal_area,
                                 d.attributes->dmin, d.attributes->p90);
  return unthinned_stand(d.age, SI, HD, typed(d.trees), typed(d.basal_area),
                         typed(d.trees_planted));
}

}  // namespace zireze
