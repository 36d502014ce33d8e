// The events a stand state comes from: how the output files name each, and
// the heading the dialogue and its reports give the stand it leads to.
#pragma once

#include "regime/regime.h"

namespace zireze::io {

struct EventWords {
  const char* name;     // in the output files: "initial", "thinned", "projected", "felled"
  const char* heading;  // null for the felling, which the dialogue does not have
};

// `described_unthinned`: the initial stand was described as never thinned.
inline EventWords event_words(Event e, bool described_unthinned = true) {
  switch (e) {
    case Event::initial:
      return {"initial", described_unthinned ? "CARACTERISTICAS DO POVOAMENTO NAO DESBASTADO"
                                             : "CARACTERISTICAS DO POVOAMENTO DESBASTADO"};
    case Event::thinned:
      return {"thinned", "CARACTERISTICAS DO POVOAMENTO APOS DESBASTE"};
    case Event::projected:
      return {"projected", "CARACTERISTICAS DO POVOAMENTO PROJECTADO"};
    case Event::felled:
      return {"felled", nullptr};
  }
  return {"", nullptr};
}

inline const char* event_name(Event e) { return event_words(e).name; }

// The heading of a state: an initial state's says whether its stand was
// described as never thinned.
inline const char* state_heading(const State& s) {
  return event_words(s.event, s.stand.unthinned).heading;
}

}  // namespace zireze::io
