// What the dialogue's questions share: the replies, the console and the
// report of the session, and the way a reply the model cannot use is refused.
#pragma once

#include "io/layout.h"
#include "io/reply.h"
#include "io/unit.h"
#include "stand.h"

namespace zireze {

struct Session {
  io::Replies& replies;
  io::Units out;
};

// A reply the model cannot use: the reason on the console only, and the
// question is asked again.
void refuse(Session& s, const char* reason);

// Asks `prompt` (on a line of its own) until the real typed passes `check`,
// which gives the reason a value is refused or null. `value` is what a slash
// keeps.
template <typename Check>
float ask_real(Session& s, const char* prompt, float value, Check check) {
  for (;;) {
    s.out.console.line(io::Layout().text(prompt));
    value = s.replies.real(value);
    const char* reason = check(value);
    if (!reason) return value;
    refuse(s, reason);
  }
}

// The questions on a stand thinned in the past: the choice of description
// and its own questions, the heading and echo lines in the report. Returns
// the stand from the model.
Stand ask_thinned_stand(Session& s, float IDADE, float SI, float HD);

}  // namespace zireze
