#include "batch/stand_fields.h"

#include <charconv>
#include <cmath>

#include "input/thinned_input.h"
#include "io/reply.h"
#include "refusals.h"

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

namespace {

class Checker {
 public:
  explicit Checker(std::vector<Problem>& problems) : problems_(problems) {}

  void problem(const Where& where, std::string what) {
    problems_.push_back({where, std::move(what)});
    ok_ = false;
  }

  // A refusal of the model's checks, shown with the value it refuses.
  void refuse(const Field& f, std::string_view key, const char* reason) {
    if (reason) problem(f.where, std::string(key) + " = " + io::printable(f.text) + ": " + reason);
  }

  // A field that must be given: its value, or a problem at `where`.
  float need(const Field& f, std::string_view key, const Where& where, std::string_view in) {
    if (!f.given) {
      problem(where, std::string(in) + " needs " + std::string(key));
    } else if (!f.readable) {
      ok_ = false;
    }
    return f.value;
  }

  // Given fields that the kind of stand does not use.
  void unused(std::initializer_list<std::pair<const Field*, std::string_view>> fields,
              std::string_view kind) {
    for (auto [f, key] : fields)
      if (f->given) problem(f->where, std::string(key) + " is not used by " + std::string(kind));
  }

  // A given field whose text read as no number (its problem is already
  // reported) makes the stand unusable.
  bool usable(const Field& f) {
    if (f.given && !f.readable) ok_ = false;
    return f.readable;
  }

  bool ok() const { return ok_; }

 private:
  std::vector<Problem>& problems_;
  bool ok_ = true;
};

// Not given: -9, as in the dialogue.
float typed(const Field& f) { return f.given ? f.value : -9.0f; }

void check_unthinned(Checker& c, const StandFields& f, StandEntry& s) {
  const int densities = f.trees.given + f.basal_area.given + f.trees_planted.given;
  if (densities != 1) {
    c.problem(f.where, densities == 0 ? "give one of trees, basal_area and trees_planted"
                                      : "give only one of trees, basal_area and trees_planted");
    return;
  }
  s.kind = StandEntry::Kind::unthinned;
  s.TS = typed(f.trees);
  s.BA = typed(f.basal_area);
  s.TP = typed(f.trees_planted);
  const Field& given = f.trees.given        ? f.trees
                       : f.basal_area.given ? f.basal_area
                                            : f.trees_planted;
  const char* key = f.trees.given ? "trees" : f.basal_area.given ? "basal_area" : "trees_planted";
  if (c.usable(given)) c.refuse(given, key, density_refusal(s.TS, s.BA, s.TP));
}

void check_counts(Checker& c, const StandFields& f, StandEntry& s) {
  s.kind = StandEntry::Kind::counts;
  std::size_t n = f.counts.size();
  // A count below -0.0001 ends the classes, as a typed -9 does; only the last may be one.
  if (n > 0 && f.counts[n - 1].readable && f.counts[n - 1].value < -0.0001f) --n;
  for (std::size_t i = 0; i < n; ++i) {
    const Field& count = f.counts[i];
    if (c.usable(count) && count.value < -0.0001f) {
      c.problem(count.where,
                "counts = " + io::printable(count.text) +
                    ": a count below -0.0001 ends the classes; only the last may be one");
    }
    s.counts.push_back(count.value);
  }
  if (n > static_cast<std::size_t>(kMostClasses)) {
    c.problem(f.counts_group.where, "counts: at most " + std::to_string(kMostClasses) +
                                        " classes (the last centred on 250 cm)");
    return;
  }
  if (c.ok()) {
    if (const char* reason = counts_refusal(s.counts))
      c.problem(f.counts_group.where, std::string("counts: ") + reason);
  }
}

void check_weibull(Checker& c, const StandFields& f, StandEntry& s) {
  s.kind = StandEntry::Kind::weibull;
  const Where& w = f.weibull.where;
  s.TS = c.need(f.weibull_trees, "trees", w, "weibull");
  s.A = c.need(f.a, "a", w, "weibull");
  s.B = c.need(f.b, "b", w, "weibull");
  s.C = c.need(f.c, "c", w, "weibull");
  if (c.usable(f.weibull_trees)) c.refuse(f.weibull_trees, "trees", positive_refusal(s.TS));
  if (c.usable(f.a)) c.refuse(f.a, "a", negative_refusal(s.A));
  if (c.usable(f.b)) c.refuse(f.b, "b", positive_refusal(s.B));
  if (c.usable(f.c)) c.refuse(f.c, "c", positive_refusal(s.C));
}

void check_attributes(Checker& c, const StandFields& f, StandEntry& s) {
  s.kind = StandEntry::Kind::attributes;
  const Where& w = f.attributes.where;
  s.TS = c.need(f.attributes_trees, "trees", w, "attributes");
  s.BA = c.need(f.attributes_basal_area, "basal_area", w, "attributes");
  s.DMIN = c.need(f.dmin, "dmin", w, "attributes");
  s.P90 = c.need(f.p90, "p90", w, "attributes");
  if (c.usable(f.attributes_trees)) c.refuse(f.attributes_trees, "trees", positive_refusal(s.TS));
  if (c.usable(f.attributes_basal_area))
    c.refuse(f.attributes_basal_area, "basal_area", positive_refusal(s.BA));
  if (c.usable(f.dmin)) c.refuse(f.dmin, "dmin", negative_refusal(s.DMIN));
  if (c.usable(f.p90) && f.dmin.readable) c.refuse(f.p90, "p90", p90_refusal(s.P90, s.DMIN));
}

}  // namespace

std::optional<StandEntry> check_stand(const StandFields& f, std::vector<Problem>& problems) {
  Checker c(problems);
  StandEntry s;
  s.where = f.where;
  if (!f.id_given) {
    c.problem(f.where, "a stand without an id");
  } else if (!plain_id(f.id)) {
    c.problem(f.id_where, "id \"" + io::printable(f.id) + "\": only letters, digits, '-' and '_'");
  }
  s.id = f.id;

  s.IDADE = c.need(f.age, "age", f.where, "a stand");
  if (c.usable(f.age)) c.refuse(f.age, "age", age_refusal(s.IDADE));

  if (f.site_class.given == f.dominant_height.given) {
    c.problem(f.where, f.site_class.given ? "give site_class or dominant_height, not both"
                                          : "give site_class or dominant_height");
  } else {
    const Field& site = f.site_class.given ? f.site_class : f.dominant_height;
    s.SI = typed(f.site_class);
    s.HD = typed(f.dominant_height);
    if (c.usable(site))
      c.refuse(site, f.site_class.given ? "site_class" : "dominant_height",
               site_refusal(s.SI, s.HD));
  }

  const int descriptions = f.counts_group.given + f.weibull.given + f.attributes.given;
  if (descriptions > 1) {
    c.problem(f.where, "give only one of counts, weibull and attributes");
  } else if (descriptions == 1) {
    const char* kind = f.counts_group.given ? "a stand by counts"
                       : f.weibull.given    ? "a Weibull stand"
                                            : "a stand by attributes";
    c.unused(
        {{&f.trees, "trees"}, {&f.basal_area, "basal_area"}, {&f.trees_planted, "trees_planted"}},
        kind);
    if (f.counts_group.given) check_counts(c, f, s);
    if (f.weibull.given) check_weibull(c, f, s);
    if (f.attributes.given) check_attributes(c, f, s);
  } else {
    check_unthinned(c, f, s);
  }
  if (!c.ok()) return std::nullopt;
  return s;
}

}  // namespace zireze::batch
