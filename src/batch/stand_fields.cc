#include "batch/stand_fields.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "io/reply.h"

namespace zireze::batch {

namespace {

// What is wrong with a text that reads as no number.
std::string number_problem(std::string_view text) {
  double d = 0.0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), d);
  if (end != text.data() + text.size()) return "not a number";
  if (ec == std::errc() && !std::isfinite(d)) return "not a finite number";
  return "beyond the range of a single-precision number";
}

}  // namespace

Field number_field(std::string_view text, const Where& where, std::string_view key,
                   std::vector<Problem>& problems) {
  Field f{.given = true, .text = std::string(text), .where = where};
  if (std::optional<float> v = io::parse_real(text)) {
    f.readable = true;
    f.value = *v;
  } else {
    problems.push_back(
        {where, std::string(key) + " = " + io::printable(f.text) + ": " + number_problem(text)});
  }
  return f;
}

std::optional<double> area_field(std::string_view text, const Where& where,
                                 std::vector<Problem>& problems) {
  double hectares = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), hectares);
  const char* reason = end != text.data() + text.size() ? "not a number"
                       : ec != std::errc()              ? "not a finite number"
                                                        : area_refusal(hectares);
  if (!reason) return hectares;
  problems.push_back({where, "area = " + io::printable(text) + ": " + reason});
  return std::nullopt;
}

namespace {

// The description as the file gives it. A value the file gives but cannot
// be read (its problem is told already), or one a group lacks, stands in as
// one the description's check takes, so that it is not told of twice.
class Describer {
 public:
  Describer(const StandFields& f, std::vector<Problem>& problems) : f_(f), problems_(problems) {}

  void problem(const Where& where, std::string what) {
    problems_.push_back({where, std::move(what)});
    ok_ = false;
  }

  std::optional<float> value(const Field& x, float stand_in) {
    if (!x.given) return std::nullopt;
    if (!x.readable) {
      ok_ = false;
      return stand_in;
    }
    return x.value;
  }

  // A value the group needs.
  float need(const Field& x, std::string_view key, const Group& group, std::string_view in,
             float stand_in) {
    if (!x.given) problem(group.where, std::string(in) + " needs " + std::string(key));
    return value(x, stand_in).value_or(stand_in);
  }

  StandDescription describe() {
    StandDescription d;
    d.id = f_.id;
    d.area = f_.area;
    if (!f_.id_given) {
      problem(f_.where, "a stand without an id");
    } else if (!plain_id(f_.id)) {
      problem(f_.id_where,
              "id \"" + io::printable(f_.id) + "\": only letters, digits, '-' and '_'");
    }
    if (!f_.age.given) problem(f_.where, "a stand needs age");
    d.age = value(f_.age, 1.0f).value_or(1.0f);
    d.site_class = value(f_.site_class, 1.0f);
    d.dominant_height = value(f_.dominant_height, 1.0f);
    d.trees = value(f_.trees, 1.0f);
    d.basal_area = value(f_.basal_area, 1.0f);
    d.trees_planted = value(f_.trees_planted, 1.0f);
    if (f_.counts_group.given) {
      d.counts.emplace();
      for (const Field& count : f_.counts) d.counts->push_back(*value(count, 1.0f));
    }
    if (f_.weibull.given) {
      const Group& g = f_.weibull;
      d.weibull = WeibullDescription{
          need(f_.weibull_trees, "trees", g, "weibull", 1.0f), need(f_.a, "a", g, "weibull", 0.0f),
          need(f_.b, "b", g, "weibull", 1.0f), need(f_.c, "c", g, "weibull", 1.0f)};
    }
    if (f_.attributes.given) {
      const Group& g = f_.attributes;
      // P90 is checked against a minimum diameter the file gives.
      const float no_p90 = std::numeric_limits<float>::infinity();
      AttributesDescription a{need(f_.attributes_trees, "trees", g, "attributes", 1.0f),
                              need(f_.attributes_basal_area, "basal_area", g, "attributes", 1.0f),
                              need(f_.dmin, "dmin", g, "attributes", 0.0f),
                              need(f_.p90, "p90", g, "attributes", no_p90)};
      if (!f_.dmin.readable) a.p90 = no_p90;
      d.attributes = a;
    }
    return d;
  }

  // The field a problem of the description's check is about.
  const Field* field(const DescriptionProblem& p) const {
    if (p.group == "counts") {
      if (p.index < 0) return nullptr;
      return &f_.counts[static_cast<std::size_t>(p.index)];
    }
    if (p.group == "weibull")
      return p.key == "trees" ? &f_.weibull_trees
             : p.key == "a"   ? &f_.a
             : p.key == "b"   ? &f_.b
                              : &f_.c;
    if (p.group == "attributes")
      return p.key == "trees"        ? &f_.attributes_trees
             : p.key == "basal_area" ? &f_.attributes_basal_area
             : p.key == "dmin"       ? &f_.dmin
                                     : &f_.p90;
    if (p.key == "age") return &f_.age;
    if (p.key == "site_class") return &f_.site_class;
    if (p.key == "dominant_height") return &f_.dominant_height;
    if (p.key == "trees") return &f_.trees;
    if (p.key == "basal_area") return &f_.basal_area;
    if (p.key == "trees_planted") return &f_.trees_planted;
    return nullptr;
  }

  // A problem of the check, told at the value it is about: "KEY = TEXT:
  // reason" for a value the model refuses.
  void tell(const DescriptionProblem& p) {
    const Field* x = field(p);
    if (p.of_value && x) {
      problem(x->where, std::string(p.key) + " = " + io::printable(x->text) + ": " + p.what);
    } else if (p.of_value) {
      problem(f_.counts_group.where, std::string(p.group) + ": " + p.what);
    } else {
      problem(x ? x->where : f_.where, p.what);
    }
  }

  bool ok() const { return ok_; }

 private:
  const StandFields& f_;
  std::vector<Problem>& problems_;
  bool ok_ = true;
};

}  // namespace

std::optional<StandDescription> describe_stand(const StandFields& f,
                                               std::vector<Problem>& problems) {
  Describer describer(f, problems);
  StandDescription d = describer.describe();
  for (const DescriptionProblem& p : check_description(d)) describer.tell(p);
  if (!describer.ok()) return std::nullopt;
  return d;
}

}  // namespace zireze::batch
