// A regime: the steps a stand is taken through (thinnings, growth, the final
// felling), and the one runner that applies them, state by state, for every
// front end. The runner hands each state it reaches to an observer (a report
// writer, a collector of rows, a search), and computes stand tables only
// where they are asked for, with the same arithmetic either way.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

// Relative to this file, so that the installed header finds its neighbours.
#include "../stand.h"
#include "../table/stand_table.h"
#include "description.h"

namespace zireze {

struct Step {
  enum class Kind { rows, selective, grow_to, grow_by, fell };
  Kind kind = Kind::grow_to;
  int one_in = 0;      // rows: one row in every 2 to 6 taken out
  float value = 0.0f;  // selective: the residual basal area; grow_to: the age; grow_by: years
};

struct Regime {
  std::string id;
  std::vector<Step> steps;
  std::vector<std::string> stands;  // the stands it runs on; empty: every stand
};

// Why a step cannot be taken whatever the stand (`last`: it ends the
// regime): a row thinning other than one row in 2 to 6, growth by a negative
// or unknown number of years, a felling that is not the last step. Null when
// it can be.
const char* step_refusal(const Step& step, bool last);

// The stand after one step from `current`, or the model's reason to refuse
// the step there (a residual basal area above the current one, an age below
// the current age; see also step_refusal). A felling leaves no trees.
struct StandAfter {
  std::optional<Stand> stand;
  const char* refusal = nullptr;
  std::optional<float> row_percent;  // a row thinning: the trees taken out, percent
};
// `cache`: the shape recovery's, for a caller that takes many steps.
StandAfter stand_after(const Stand& current, const Step& step, bool last,
                       ShapeCache* cache = nullptr);

enum class Event { initial, thinned, projected, felled };

// What a thinning or the felling took out: the stand before it less the
// stand after it (trees per ha, m2/ha, m3/ha).
struct Removal {
  float ts, ba, vol_tot, vol_rol, vol_mad;
};

struct State {
  int step = 0;  // 0 for the stand as described, then the number of the step (from 1)
  Event event = Event::initial;
  Stand stand;
  std::optional<StandTable> table;   // where it was asked for (never for a felled stand)
  std::optional<Removal> removed;    // thinnings and the felling
  std::optional<float> row_percent;  // a row thinning: the trees taken out, percent
};

// Which states get their stand table: every one, or only those a thinning or
// the felling starts from or leaves (what their removals need).
enum class Tables { every_state, harvests };

// Whether every figure a state shows (the stand's values, its table's, its
// removals) is a number: false where the model has left its range.
bool within_range(const State& s);

// One step from the current state. A thinning or felling needs the current
// state's table: it is computed into `current` when it is missing. The next
// state, or the model's reason to refuse the step where it is reached.
struct StepResult {
  std::optional<State> next;
  const char* refusal = nullptr;
};
StepResult take_step(State& current, const Step& step, bool last, int bark, Tables tables,
                     ShapeCache* cache = nullptr);

// Hands each state reached to whoever asks; `step` is the step that led to it
// (null for the first state).
class RunObserver {
 public:
  virtual ~RunObserver() = default;
  virtual void reached(const State& state, const Step* step) = 0;
};

// Keeps every state of the run, in order.
struct StatesKept : RunObserver {
  std::vector<State> states;
  void reached(const State& s, const Step*) override { states.push_back(s); }
};

// How a run ended: every step taken, or stopped where a step was refused.
// `out_of_range_step` is the first state whose figures are not all numbers,
// if any (the run goes on through it).
struct RunEnd {
  int refused_step = 0;  // 0: none refused
  const char* refusal = nullptr;
  std::optional<int> out_of_range_step;
};

// The regime's steps from the stand as described (its first state is step 0,
// whose table is taken as `tables` says), or from a state reached before (not
// handed to the observer again; the steps are numbered on from it). The
// Weibull description may give the gamma function arguments it cannot take.
RunEnd run_regime(const StandDescription& d, std::span<const Step> steps, int bark, Tables tables,
                  RunObserver& observer, GammaComplaints* complaints = nullptr);
RunEnd run_regime(State start, std::span<const Step> steps, int bark, Tables tables,
                  RunObserver& observer);

}  // namespace zireze
