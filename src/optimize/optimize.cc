#include "optimize.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <set>
#include <tuple>
#include <utility>

namespace zireze {

const char* objective_name(Objective o) {
  switch (o) {
    case Objective::lev:
      return "lev";
    case Objective::npv:
      return "npv";
    case Objective::mai_vol_tot:
      return "mai_vol_tot";
    case Objective::mai_vol_rol:
      return "mai_vol_rol";
    case Objective::mai_vol_mad:
      return "mai_vol_mad";
  }
  return "";
}

std::optional<Objective> objective_named(std::string_view name) {
  for (Objective o : {Objective::lev, Objective::npv, Objective::mai_vol_tot,
                      Objective::mai_vol_rol, Objective::mai_vol_mad})
    if (name == objective_name(o)) return o;
  return std::nullopt;
}

bool needs_never_thinned(Objective o) { return o != Objective::npv; }

std::optional<double> objective_value(const RunValue& v, Objective o) {
  switch (o) {
    case Objective::lev:
      return v.lev;
    case Objective::npv:
      return v.npv;
    case Objective::mai_vol_tot:
      return v.mai_vol_tot;
    case Objective::mai_vol_rol:
      return v.mai_vol_rol;
    case Objective::mai_vol_mad:
      return v.mai_vol_mad;
  }
  return std::nullopt;
}

std::vector<SpaceProblem> check_space(const SearchSpace& s, bool has_economics) {
  std::vector<SpaceProblem> p;
  auto need = [&](bool ok, const char* key, const char* what) {
    if (!ok) p.push_back({key, what});
  };
  const bool money = s.objective == Objective::lev || s.objective == Objective::npv;
  need(!money || has_economics, "objective", "this objective needs an [economics] table");
  need(s.thinnings >= 0 && s.thinnings <= 4, "thinnings", "from 0 to 4");
  need(s.earliest_thinning >= 0, "earliest_thinning", "an age, not negative");
  need(s.min_interval >= 0 && s.min_interval <= 1000, "min_interval",
       "years between interventions, from 0 to 1000");
  need(s.min_removal >= 0 && s.min_removal <= 1, "min_removal", "a share from 0 to 1");
  need(s.max_removal >= 0 && s.max_removal <= 1, "max_removal", "a share from 0 to 1");
  need(s.max_removal >= s.min_removal, "max_removal", "not below min_removal");
  need(s.min_residual_basal_area >= 0, "min_residual_basal_area", "m2/ha, not negative");
  need(s.rotation_min > 0 && s.rotation_max >= s.rotation_min && s.rotation_max <= 1000, "rotation",
       "[MIN, MAX] felling ages, 0 < MIN <= MAX <= 1000");
  return p;
}

namespace {

constexpr double kNone = -std::numeric_limits<double>::infinity();

// A number of years or of tenths of m2/ha as an int. A stand's figures may lie
// far beyond any the space can take (an age of 1e30); they are held at
// +-1e9, outside every bound, so that the conversion is always defined.
int whole(double x) {
  constexpr double kFar = 1e9;
  if (!(x > -kFar)) return static_cast<int>(-kFar);
  return static_cast<int>(std::min(x, kFar));
}

// A thinning of a candidate: `k` whole years after the stand's age; a row
// thinning of one row in `one_in`, or (one_in 0) a selective thinning to
// `tenths` tenths of m2/ha.
struct Thinning {
  int k;
  int one_in;
  int tenths;
  bool operator==(const Thinning&) const = default;
  bool operator<(const Thinning& o) const {
    return std::tie(k, one_in, tenths) < std::tie(o.k, o.one_in, o.tenths);
  }
};

struct Candidate {
  std::vector<Thinning> thinnings;
  int felling = 0;  // years after the stand's age
  bool operator==(const Candidate&) const = default;
  bool operator<(const Candidate& o) const {
    return std::tie(thinnings, felling) < std::tie(o.thinnings, o.felling);
  }
};

struct Scored {
  Candidate c;
  double value = kNone;
};

// The regime a candidate stands for: one growth step before each
// intervention (none where it falls at the age already reached).
std::vector<Step> steps_of(const Candidate& c) {
  std::vector<Step> steps;
  int at = 0;
  auto grow_to_offset = [&](int k) {
    if (k > at) steps.push_back(Step{Step::Kind::grow_by, 0, static_cast<float>(k - at)});
    at = k;
  };
  for (const Thinning& t : c.thinnings) {
    grow_to_offset(t.k);
    if (t.one_in > 0)
      steps.push_back(Step{Step::Kind::rows, t.one_in, 0});
    else
      steps.push_back(Step{Step::Kind::selective, 0, static_cast<float>(t.tenths) / 10.0f});
  }
  grow_to_offset(c.felling);
  steps.push_back(Step{Step::Kind::fell, 0, 0});
  return steps;
}

// A state kept for the valuation: its age, event and removals.
State kept(const State& s) {
  State k;
  k.step = s.step;
  k.event = s.event;
  k.stand.IDADE = s.stand.IDADE;
  k.removed = s.removed;
  return k;
}

double finite_or_none(const std::optional<double>& x) {
  return x && std::isfinite(*x) ? *x : kNone;
}

class Search {
 public:
  Search(const StandDescription& d, int bark, const Economics& e, const SearchSpace& space,
         const Measure& measure)
      : bark_(bark),
        economics_(e),
        space_(space),
        measure_(measure),
        never_thinned_(d.never_thinned()) {
    start_.stand = initial_stand(d);
    a0_ = start_.stand.IDADE;
    start_ok_ = within_range(start_);
  }

  // The space searched; its rotation narrowed to another window of felling
  // ages, regimes felled outside it have no value. The states the thinnings
  // reach, and the shapes found, serve every window.
  const SearchSpace& space() const { return space_; }
  void narrow(const Rotation& r) {
    space_.rotation_min = r.min;
    space_.rotation_max = r.max;
  }

  long evaluations() const { return evaluations_; }
  const State& start() const { return start_; }

  // The candidate's value by the objective, with its selective thinnings'
  // residuals moved into their bounds at the basal area they meet (`c` is
  // changed to that); kNone where it is outside the space or the model
  // refuses it or leaves its range.
  double evaluate(Candidate& c) {
    Node* node = &root();
    for (std::size_t i = 0; i < c.thinnings.size() && node; ++i) node = thinned(*node, c, i);
    if (!node) return kNone;
    auto known = memo_.find(c);
    if (known == memo_.end()) {
      ++evaluations_;
      known = memo_.emplace(c, felled(*node, c)).first;
    }
    const auto [value, T] = known->second;
    return T < space_.rotation_min || T > space_.rotation_max ? kNone : value;
  }

  // Whole years after the stand's age, rounded toward the inside of a bound
  // (the ages themselves are checked when they are reached).
  int offset_at_least(double age) const { return std::max(0, whole(std::ceil(age - a0_ - 1e-6))); }
  int offset_at_most(double age) const { return whole(std::floor(age - a0_ + 1e-6)); }
  int min_gap() const { return static_cast<int>(std::ceil(space_.min_interval - 1e-9)); }

  // The residuals a selective thinning may leave at basal area BA, in tenths:
  // the share it removes within bounds, and no less than the least residual.
  std::pair<int, int> residual_range(float BA) const {
    const double ba = BA;
    int lo = whole(std::ceil(
                 10 * std::max(space_.min_residual_basal_area, ba * (1 - space_.max_removal)))) -
             1;
    int hi = whole(std::floor(10 * ba * (1 - space_.min_removal))) + 1;
    while (lo <= hi && !residual_fits(BA, lo)) ++lo;
    while (hi >= lo && !residual_fits(BA, hi)) --hi;
    return {lo, hi};
  }

  bool residual_fits(float BA, int tenths) const {
    if (tenths <= 0) return false;
    const float residual = static_cast<float>(tenths) / 10.0f;
    const double share = (static_cast<double>(BA) - residual) / BA;
    return residual >= space_.min_residual_basal_area && share >= space_.min_removal &&
           share <= space_.max_removal;
  }

  bool row_fits(int one_in) const {
    const double share = 1.0 / one_in;
    return share >= space_.min_removal && share <= space_.max_removal;
  }

  // The basal area a thinning of the candidate meets: its state grown to it.
  std::optional<float> basal_area_before(Candidate& c, std::size_t i) {
    Node* node = &root();
    for (std::size_t j = 0; j < i && node; ++j) node = thinned(*node, c, j);
    if (!node) return std::nullopt;
    const State* before = grown(*node, c.thinnings[i].k);
    if (!before) return std::nullopt;
    return before->stand.BA;
  }

 private:
  // The state after a candidate's first thinnings, the harvests so far, the
  // offset it stands at.
  struct Node {
    State state;
    std::vector<State> history;
    int k;
    std::map<Thinning, std::optional<Node>> next;  // after one more thinning
    std::map<int, std::optional<State>> grown;     // grown by some years from here
  };

  Node& root() {
    if (!root_) {
      root_.emplace();
      root_->state = start_;
      root_->history = {kept(start_)};
      root_->k = 0;
    }
    return *root_;
  }

  // The node's state grown to offset k (itself at its own offset), with the
  // table a thinning needs; null outside the space.
  const State* grown(Node& node, int k) {
    if (!start_ok_) return nullptr;
    if (k == node.k) {
      if (!node.state.table) node.state.table = stand_table(node.state.stand, bark_);
      return within_range(node.state) ? &node.state : nullptr;
    }
    if (k < node.k) return nullptr;
    auto [it, fresh] = node.grown.try_emplace(k);
    if (fresh) {
      State s = node.state;
      const Step grow{Step::Kind::grow_by, 0, static_cast<float>(k - node.k)};
      StepResult r = take_step(s, grow, false, bark_, Tables::harvests, &shapes_);
      if (r.next) {
        r.next->table = stand_table(r.next->stand, bark_);
        if (within_range(*r.next)) it->second = std::move(*r.next);
      }
    }
    return it->second ? &*it->second : nullptr;
  }

  // The node after the candidate's thinning i, its residual moved into bounds.
  Node* thinned(Node& node, Candidate& c, std::size_t i) {
    Thinning& t = c.thinnings[i];
    const bool first = i == 0;
    if (!first && t.k - node.k < space_.min_interval) return nullptr;
    if (t.one_in > 0 && !(first && space_.row_thinning && row_fits(t.one_in))) return nullptr;
    const State* before = grown(node, t.k);
    if (!before || before->stand.IDADE < space_.earliest_thinning) return nullptr;
    if (t.one_in == 0) {
      const auto [lo, hi] = residual_range(before->stand.BA);
      if (lo > hi) return nullptr;
      t.tenths = std::clamp(t.tenths, lo, hi);
    } else {
      t.tenths = 0;
    }
    auto [it, fresh] = node.next.try_emplace(t);
    if (fresh) {
      State from = *before;
      const Step step = t.one_in > 0
                            ? Step{Step::Kind::rows, t.one_in, 0}
                            : Step{Step::Kind::selective, 0, static_cast<float>(t.tenths) / 10.0f};
      StepResult r = take_step(from, step, false, bark_, Tables::harvests, &shapes_);
      if (r.next && within_range(*r.next)) {
        Node n;
        n.state = std::move(*r.next);
        n.history = node.history;
        n.history.push_back(kept(n.state));
        n.k = t.k;
        it->second = std::move(n);
      }
    }
    return it->second ? &*it->second : nullptr;
  }

  // The value of felling at the candidate's offset after its last thinning,
  // and the felling's age T (NaN where it is not reached).
  std::pair<double, double> felled(Node& node, const Candidate& c) {
    constexpr std::pair<double, double> kNoValue{kNone, NAN};
    if (!c.thinnings.empty() && c.felling - node.k < space_.min_interval) return kNoValue;
    State s = node.state;
    if (c.felling > node.k) {
      const Step grow{Step::Kind::grow_by, 0, static_cast<float>(c.felling - node.k)};
      StepResult r = take_step(s, grow, false, bark_, Tables::harvests, &shapes_);
      if (!r.next) return kNoValue;
      s = std::move(*r.next);
    } else if (c.felling < node.k) {
      return kNoValue;
    }
    const double T = s.stand.IDADE;
    StepResult r =
        take_step(s, Step{Step::Kind::fell, 0, 0}, true, bark_, Tables::harvests, &shapes_);
    if (!r.next || !within_range(s) || !within_range(*r.next)) return kNoValue;
    std::vector<State> history = node.history;
    history.push_back(kept(*r.next));
    if (measure_) return {finite_or_none(measure_(history)), T};
    // The figures of a never-thinned stand (lev, irr's bisection, mai) only
    // where the objective is one of them.
    const bool whole_rotation = never_thinned_ && needs_never_thinned(space_.objective);
    const std::optional<RunValue> v = value_run(history, economics_, whole_rotation);
    if (!v) return kNoValue;
    return {finite_or_none(objective_value(*v, space_.objective)), T};
  }

  int bark_;
  const Economics& economics_;
  SearchSpace space_;
  Measure measure_;
  bool never_thinned_;
  State start_;
  float a0_ = 0;
  bool start_ok_ = true;
  std::optional<Node> root_;
  ShapeCache shapes_;
  std::map<Candidate, std::pair<double, double>> memo_;  // value and felling age
  long evaluations_ = 0;
};

// The felling offsets of a candidate: every whole year from the first
// rotation age (and the interval after its last thinning) to the last.
std::pair<int, int> felling_range(const Search& s, const SearchSpace& space, const Candidate& c) {
  int lo = s.offset_at_least(space.rotation_min);
  if (!c.thinnings.empty()) lo = std::max(lo, c.thinnings.back().k + s.min_gap());
  return {lo, s.offset_at_most(space.rotation_max)};
}

// The best felling for a candidate's thinnings: every fifth year from the
// first of its range, and the last, which is often the best of a short
// range (or every year, with `every_year`).
Scored best_felling(Search& s, const SearchSpace& space, Candidate c, bool every_year) {
  const auto [lo, hi] = felling_range(s, space, c);
  Scored best;
  auto consider = [&](int T) {
    c.felling = T;
    const double v = s.evaluate(c);
    if (v > best.value) best = {c, v};
  };
  const int step = every_year ? 1 : 5;
  for (int T = lo; T <= hi; T += step) consider(T);
  if (hi > lo && (hi - lo) % step != 0) consider(hi);
  return best;
}

// The best felling near the candidate's own (moved into its range): a year
// either side, then on in the direction that raises the value while it does.
Scored best_felling_near(Search& s, const SearchSpace& space, Candidate c) {
  const std::pair<int, int> range = felling_range(s, space, c);
  const int lo = range.first, hi = range.second;  // not bindings: the lambda captures them
  Scored best;
  if (lo > hi) return best;
  auto rises = [&](int T) {
    if (T < lo || T > hi) return false;
    c.felling = T;
    const double v = s.evaluate(c);
    if (!(v > best.value)) return false;
    best = {c, v};
    return true;
  };
  const int around = std::clamp(c.felling, lo, hi);
  for (int T = around - 1; T <= around + 1; ++T) rises(T);
  if (best.value > kNone && best.c.felling != around) {
    const int dir = best.c.felling > around ? 1 : -1;
    while (rises(best.c.felling + dir)) {
    }
  }
  return best;
}

// Local search on the candidate's whole-year ages, residual tenths, rows
// taken and felling age (a compass search, Hooke and Jeeves's exploratory
// moves): each coordinate is moved up and down by a step and the move kept
// when the value rises, going on in a direction while it does; with no move
// left that raises it, the steps are halved, from 4 years and 1.6 m2/ha to 1
// year and 0.1 m2/ha. A move of a thinning's age, or of its residual, is
// also tried with every later one moved by as much.
constexpr int kLevels = 5;

Scored refine(Search& s, const SearchSpace& space, Scored x, int from_level, int to_level) {
  constexpr int kAgeSteps[kLevels] = {4, 2, 1, 1, 1};
  constexpr int kTenthSteps[kLevels] = {16, 8, 4, 2, 1};
  constexpr int kMostSweeps = 40;
  for (int level = from_level; level < to_level; ++level) {
    const int age = kAgeSteps[level], tenths = kTenthSteps[level];
    for (int sweep = 0; sweep < kMostSweeps; ++sweep) {
      bool improved = false;
      const Candidate before = x.c;
      // Tries the move, with the felling age best near where it was, and
      // goes on moving the same way while the value rises.
      auto go = [&](auto move) {
        for (;;) {
          Candidate moved = x.c;
          if (!move(moved)) return;
          const Scored y = best_felling_near(s, space, moved);
          if (!(y.value > x.value)) return;
          x = y;
          improved = true;
        }
      };
      const std::size_t m = x.c.thinnings.size();
      for (std::size_t i = 0; i < m; ++i) {
        for (int dir : {1, -1}) {
          go([&](Candidate& c) {
            c.thinnings[i].k += dir * age;
            return c.thinnings[i].k >= 0;
          });
          go([&](Candidate& c) {
            for (std::size_t j = i; j < m; ++j) c.thinnings[j].k += dir * age;
            c.felling += dir * age;
            return c.thinnings[i].k >= 0;
          });
          go([&](Candidate& c) {
            Thinning& t = c.thinnings[i];
            if (t.one_in > 0) {
              t.one_in += dir;
              return t.one_in >= 2 && t.one_in <= 6;
            }
            t.tenths += dir * tenths;
            return t.tenths > 0;
          });
          // The age and the residual together: a ridge the single moves miss.
          for (int other : {1, -1})
            go([&](Candidate& c) {
              Thinning& t = c.thinnings[i];
              t.k += dir * age;
              t.tenths += other * tenths;
              return t.one_in == 0 && t.k >= 0 && t.tenths > 0;
            });
          // The residual and every later one together: after a heavier
          // thinning the later ones must be heavier too to stay on a ridge.
          if (i + 1 < m)
            go([&](Candidate& c) {
              for (std::size_t j = i; j < m; ++j)
                if (c.thinnings[j].one_in == 0) c.thinnings[j].tenths += dir * tenths;
              return c.thinnings[i].one_in == 0 && c.thinnings[i].tenths > 0;
            });
        }
      }
      for (int dir : {1, -1})
        go([&](Candidate& c) {
          c.felling += dir * age;
          return c.felling >= 0;
        });
      if (!improved) break;
      // Hooke and Jeeves's pattern move: the sweep's whole way again, while
      // it raises the value.
      const Candidate after = x.c;
      go([&](Candidate& c) {
        for (std::size_t i = 0; i < m; ++i) {
          Thinning& t = c.thinnings[i];
          t.k += after.thinnings[i].k - before.thinnings[i].k;
          t.one_in += after.thinnings[i].one_in - before.thinnings[i].one_in;
          t.tenths += after.thinnings[i].tenths - before.thinnings[i].tenths;
          if (t.k < 0 || t.tenths < 0 || (t.one_in != 0 && (t.one_in < 2 || t.one_in > 6)))
            return false;
        }
        c.felling += after.felling - before.felling;
        return c.felling >= 0 && !(c == after);
      });
    }
  }
  return x;
}

// The last look at the best regime: each residual at every tenth within
// 1 m2/ha of its own, and each age within 3 years, the felling best near;
// the best of those moves kept until none raises the value. The value has
// steps of a few tenths of a per cent where trees cross diameter classes and
// assortment tops, and a step up may lie beyond a lower point one move of
// the finest search away.
Scored scan(Search& s, const SearchSpace& space, Scored x) {
  constexpr int kTenths = 10, kYears = 3, kMostRounds = 10;
  for (int round = 0; round < kMostRounds; ++round) {
    Scored best = x;
    auto consider = [&](const Candidate& moved) {
      const Scored y = best_felling_near(s, space, moved);
      if (y.value > best.value) best = y;
    };
    for (std::size_t i = 0; i < x.c.thinnings.size(); ++i) {
      for (int d = -kYears; d <= kYears; ++d) {
        Candidate c = x.c;
        c.thinnings[i].k += d;
        if (d != 0 && c.thinnings[i].k >= 0) consider(c);
      }
      for (int d = -kTenths; d <= kTenths && x.c.thinnings[i].one_in == 0; ++d) {
        Candidate c = x.c;
        c.thinnings[i].tenths += d;
        if (d != 0 && c.thinnings[i].tenths > 0) consider(c);
      }
    }
    if (!(best.value > x.value)) break;
    x = best;
  }
  return x;
}

// The candidate a regime of the space stands for: its interventions' offsets
// and removals. Empty where the regime is not of the space's form.
std::optional<Candidate> candidate_of(const State& start, std::span<const Step> steps) {
  Candidate c;
  int k = 0;
  float age = start.stand.IDADE;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const Step& s = steps[i];
    const bool last = i + 1 == steps.size();
    if (s.kind == Step::Kind::grow_by || s.kind == Step::Kind::grow_to) {
      // One growth step before each intervention, by whole years.
      const float to = s.kind == Step::Kind::grow_to ? s.value : age + s.value;
      const double years = static_cast<double>(to) - start.stand.IDADE;
      const double rounded = std::round(years);
      if (last || rounded <= k || std::fabs(years - rounded) > 1e-3) return std::nullopt;
      const Step& next = steps[i + 1];
      if (next.kind == Step::Kind::grow_by || next.kind == Step::Kind::grow_to) return std::nullopt;
      // Reached as the search reaches it: the years added to the age so far.
      if (to != age + static_cast<float>(whole(rounded) - k)) return std::nullopt;
      k = whole(rounded);
      age = to;
    } else if (s.kind == Step::Kind::fell) {
      if (!last) return std::nullopt;
      c.felling = k;
      return c;
    } else if (s.kind == Step::Kind::rows) {
      c.thinnings.push_back({k, s.one_in, 0});
    } else {
      const int tenths = whole(std::round(static_cast<double>(s.value) * 10));
      if (static_cast<float>(tenths) / 10.0f != s.value) return std::nullopt;
      c.thinnings.push_back({k, 0, tenths});
    }
  }
  return std::nullopt;
}

bool fits(const SearchSpace& space, const Candidate& c) {
  if (static_cast<int>(c.thinnings.size()) > space.thinnings) return false;
  for (std::size_t i = 0; i < c.thinnings.size(); ++i)
    if (c.thinnings[i].one_in > 0 && (i > 0 || !space.row_thinning)) return false;
  return true;
}

// A lattice of thinnings: every `age_step`-th year, at `shares` shares of
// the basal area.
struct Lattice {
  int age_step, shares;
};

// Regimes found on the lattices, each once, and the best first.
class Found {
 public:
  void add(const Scored& x) {
    if (x.value > kNone && seen_.insert(x.c).second) found_.push_back(x);
  }
  const std::vector<Scored>& sorted() {
    std::stable_sort(found_.begin(), found_.end(),
                     [](const Scored& a, const Scored& b) { return a.value > b.value; });
    return found_;
  }

 private:
  std::vector<Scored> found_;
  std::set<Candidate> seen_;
};

// Adds to `found` the prefix with one thinning more on the lattice, each
// valued at its best felling: the first thinning at the stand's age plus a
// multiple of the lattice's years (from the earliest thinning), a later one
// every lattice step from the interval after the one before; each at the
// lattice's shares of the basal area it meets, from the least to the most
// allowed (and, first, each row thinning allowed).
void add_thinning(Search& s, const SearchSpace& space, const Candidate& prefix, Lattice lattice,
                  Found& found) {
  const bool first = prefix.thinnings.empty();
  int from =
      first ? s.offset_at_least(space.earliest_thinning) : prefix.thinnings.back().k + s.min_gap();
  if (first) from = (from + lattice.age_step - 1) / lattice.age_step * lattice.age_step;
  const int to = s.offset_at_most(space.rotation_max) - s.min_gap();
  for (int k = from; k <= to; k += lattice.age_step) {
    Candidate c = prefix;
    c.thinnings.push_back({k, 0, 0});
    const std::optional<float> BA = s.basal_area_before(c, c.thinnings.size() - 1);
    if (!BA) continue;
    std::vector<Thinning> options;
    if (first && space.row_thinning)
      for (int one_in = 2; one_in <= 6; ++one_in)
        if (s.row_fits(one_in)) options.push_back({k, one_in, 0});
    const auto [lo, hi] = s.residual_range(*BA);
    for (int level = 0; level < lattice.shares && lo <= hi; ++level) {
      const int tenths = lo + (hi - lo) * level / (lattice.shares - 1);
      if (options.empty() || options.back().tenths != tenths) options.push_back({k, 0, tenths});
    }
    for (const Thinning& t : options) {
      c.thinnings.back() = t;
      found.add(best_felling(s, space, c, false));
    }
  }
}

// The first `n` first thinnings that the regimes found (best first) begin with.
std::vector<Candidate> best_prefixes(const std::vector<Scored>& found, std::size_t n) {
  std::vector<Candidate> prefixes;
  for (const Scored& x : found) {
    if (prefixes.size() == n) break;
    Candidate prefix{{x.c.thinnings.front()}, 0};
    if (std::find(prefixes.begin(), prefixes.end(), prefix) == prefixes.end())
      prefixes.push_back(prefix);
  }
  return prefixes;
}

// The share of the basal area a candidate's thinning removes.
double share_removed(Search& s, Candidate c, std::size_t i) {
  const Thinning& t = c.thinnings[i];
  if (t.one_in > 0) return 1.0 / t.one_in;
  const std::optional<float> BA = s.basal_area_before(c, i);
  return BA ? 1.0 - static_cast<double>(t.tenths) / 10.0 / *BA : 0.0;
}

// Whether two regimes of as many thinnings are neighbours on the first
// lattice: each thinning within its step of the other's age (3 years) and
// share (a third of the range allowed). A local search from the one would
// mostly climb the other's hill.
bool neighbours(Search& s, const SearchSpace& space, const Candidate& a, const Candidate& b) {
  constexpr int kYears = 3;
  const double share_step = (space.max_removal - space.min_removal) / 3 + 1e-9;
  for (std::size_t i = 0; i < a.thinnings.size(); ++i)
    if (std::abs(a.thinnings[i].k - b.thinnings[i].k) > kYears ||
        std::fabs(share_removed(s, a, i) - share_removed(s, b, i)) > share_step)
      return false;
  return true;
}

// The best `n` regimes found (best first) that lie apart: one that is a
// neighbour of one taken is passed over.
std::vector<Scored> apart(Search& s, const SearchSpace& space, const std::vector<Scored>& found,
                          std::size_t n) {
  std::vector<Scored> taken;
  for (const Scored& x : found) {
    if (taken.size() == n) break;
    if (std::none_of(taken.begin(), taken.end(),
                     [&](const Scored& y) { return neighbours(s, space, x.c, y.c); }))
      taken.push_back(x);
  }
  return taken;
}

// The best regime of the search's space, found on the lattices, then by the
// local searches and the last look.
Scored best_in(Search& s, std::span<const Regime* const> references,
               const SearchProgress& progress) {
  const SearchSpace& space = s.space();
  // The lattice takes about half the work, the local searches the rest.
  auto told = [&](double done) {
    if (progress) progress(done);
  };
  Scored best;
  auto keep = [&](const Scored& x) {
    if (x.value > best.value) best = x;
  };
  // No thinning: every felling age.
  keep(best_felling(s, space, Candidate{}, true));

  // One thinning more at a time, each on a lattice (`add_thinning`): the
  // first every third year at four shares, a later one every sixth year at
  // the least and the most allowed. The second thinning is added to every
  // selective first thinning of the lattice, whatever its value (the
  // thinning best to fell after is seldom the one best to thin again after:
  // a light early thinning, say), and to the best sixteen that lie apart
  // (row thinnings among them); the twelve first thinnings the best regimes
  // begin with have their second tried again every third year at three
  // shares. A third or fourth thinning is added to the best sixteen
  // sequences that lie apart. The best that lie apart of each number of
  // thinnings (eight of one or two, four of more) start a local search.
  constexpr Lattice kFirst{3, 4}, kLater{6, 2}, kFiner{3, 3};
  constexpr std::size_t kFirstsAgain = 12, kCarried = 16;
  constexpr std::size_t kStarts[] = {0, 8, 8, 4, 4};
  std::vector<Scored> starts;
  std::vector<Candidate> prefixes = {Candidate{}};
  for (int m = 1; m <= space.thinnings && !prefixes.empty(); ++m) {
    Found found;
    for (const Candidate& prefix : prefixes)
      add_thinning(s, space, prefix, m == 1 ? kFirst : kLater, found);
    if (m == 2)
      for (const Candidate& prefix : best_prefixes(found.sorted(), kFirstsAgain))
        add_thinning(s, space, prefix, kFiner, found);
    const std::vector<Scored>& sorted = found.sorted();
    // Those apart, best first: the starts are the first of those carried.
    const std::vector<Scored> spread = apart(s, space, sorted, kCarried);
    starts.insert(
        starts.end(), spread.begin(),
        spread.begin() + static_cast<std::ptrdiff_t>(std::min(kStarts[m], spread.size())));
    prefixes.clear();
    auto carry = [&](Candidate c) {
      c.felling = 0;
      if (std::find(prefixes.begin(), prefixes.end(), c) == prefixes.end()) prefixes.push_back(c);
    };
    for (const Scored& x : spread) carry(x.c);
    if (m == 1)
      for (const Scored& x : sorted)
        if (x.c.thinnings.front().one_in == 0) carry(x.c);
    told(0.5 * m / space.thinnings);
  }

  // The scenario's own regimes that lie in the space start searches too.
  for (const Regime* r : references) {
    std::optional<Candidate> c = candidate_of(s.start(), r->steps);
    if (!c || !fits(space, *c)) continue;
    const double v = s.evaluate(*c);
    if (v > kNone) starts.push_back({*c, v});
  }
  if (best.value > kNone) starts.insert(starts.begin(), best);
  // Every start is refined to steps of 1 year and 0.4 m2/ha; the best six
  // of those on to 0.1 m2/ha.
  constexpr std::size_t kFinished = 6;
  std::vector<Scored> refined;
  for (const Scored& x : starts) {
    refined.push_back(refine(s, space, x, 0, 3));
    told(0.5 + 0.4 * static_cast<double>(refined.size()) / starts.size());
  }
  std::stable_sort(refined.begin(), refined.end(),
                   [](const Scored& a, const Scored& b) { return a.value > b.value; });
  for (std::size_t i = 0; i < refined.size(); ++i)
    keep(i < kFinished ? refine(s, space, refined[i], 3, kLevels) : refined[i]);
  if (best.value > kNone) best = scan(s, space, best);

  told(1.0);
  return best;
}

// The search refused where the objective cannot value the stand.
std::optional<Optimum> refusal(const StandDescription& d, const SearchSpace& space) {
  if (!needs_never_thinned(space.objective) || d.never_thinned()) return std::nullopt;
  Optimum refused;
  refused.status = Optimum::Status::refused;
  refused.reason = std::string("the objective ") + objective_name(space.objective) +
                   " needs a stand described as never thinned: its past harvests are unknown";
  return refused;
}

Optimum optimum_of(const Search& s, const Scored& best) {
  Optimum out;
  out.evaluations = s.evaluations();
  if (!(best.value > kNone)) return out;
  out.status = Optimum::Status::ok;
  out.value = best.value;
  out.steps = steps_of(best.c);
  out.thinnings = static_cast<int>(best.c.thinnings.size());
  out.rotation_age = s.start().stand.IDADE;
  for (const Step& step : out.steps)
    if (step.kind == Step::Kind::grow_by) out.rotation_age += step.value;
  return out;
}

}  // namespace

Optimum optimize_stand(const StandDescription& d, int bark, const Economics& economics,
                       const SearchSpace& space, std::span<const Regime* const> references,
                       const SearchProgress& progress) {
  if (std::optional<Optimum> refused = refusal(d, space)) return *refused;
  Search s(d, bark, economics, space, Measure{});
  return optimum_of(s, best_in(s, references, progress));
}

std::vector<Optimum> optimize_stand_by_rotation(const StandDescription& d, int bark,
                                                const Economics& economics,
                                                const SearchSpace& space,
                                                std::span<const Rotation> rotations,
                                                std::span<const Regime* const> references,
                                                const Measure& measure) {
  std::vector<Optimum> out;
  if (std::optional<Optimum> refused = refusal(d, space)) {
    out.assign(rotations.size(), *refused);
    return out;
  }
  Search s(d, bark, economics, space, measure);
  for (const Rotation& r : rotations) {
    s.narrow(r);
    const long before = s.evaluations();
    Optimum o = optimum_of(s, best_in(s, references, {}));
    o.evaluations -= before;
    out.push_back(std::move(o));
  }
  return out;
}

}  // namespace zireze
