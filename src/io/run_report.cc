#include "io/run_report.h"

#include "io/events.h"
#include "io/session_lines.h"

namespace zireze::io {

// The lines the dialogue writes around its questions on the initial stand:
// the title block, the history, the site as completed before the stand is
// described, the density or the description typed.
void RunReport::describe() {
  const StandDescription& d = description_;
  title_block(out_);
  history_line(out_.report, d.never_thinned());
  float SI = d.site_class.value_or(-9.0f), HD = d.dominant_height.value_or(-9.0f);
  complete_site(d.age, SI, HD);
  site_line(out_.report, SI, HD);
  if (d.counts) {
    counts_heading(out_.report);
  } else if (d.weibull) {
    weibull_heading(out_.report);
    gamma_lines(out_.report, complaints_);
    weibull_echo(out_.report, d.weibull->trees, d.weibull->a, d.weibull->b, d.weibull->c);
  } else if (d.attributes) {
    const AttributesDescription& a = *d.attributes;
    attributes_heading(out_.report);
    attributes_echo(out_.report, a.trees, a.basal_area, a.dmin, a.p90);
  } else {
    density_line(out_.report, d.trees.value_or(-9.0f), d.basal_area.value_or(-9.0f),
                 d.trees_planted.value_or(-9.0f));
  }
}

void RunReport::reached(const State& s, const Step* step) {
  if (s.event == Event::felled) return;
  if (s.event == Event::initial) describe();
  if (step && step->kind == Step::Kind::rows) row_thinning_line(out_.report, *s.row_percent);
  if (step && step->kind == Step::Kind::selective)
    selective_thinning_line(out_.report, step->value);
  stand_heading(out_, state_heading(s));
  stand_table(out_, *s.table);
}

}  // namespace zireze::io
