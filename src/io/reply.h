// Replies typed on the console: each question reads the first item of the
// next line that is not blank. Blanks (spaces, tabs) and commas separate
// items; an item ends at a blank, a comma or a slash; a slash as the first
// item leaves the quantity as it was.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "io/unit.h"

namespace zireze::io {

// An optional sign, digits with an optional point (one digit at least), an
// optional exponent (E, e, D or d); rounded once to the nearest float. Empty
// for anything else and for a value beyond the float range.
std::optional<float> parse_real(std::string_view item);

// A finite double rounded once to the nearest float, as a typed number is:
// past the largest float only what still rounds to it (below the midpoint to
// 2^128); empty beyond.
std::optional<float> nearest_float(double d);

// At most 40 bytes of `bytes`, those that are not printable ASCII written as
// \xNN, so that a reply or a file name stands in a one-line message.
std::string printable(std::string_view bytes);

// An optional sign and digits, within the range of a 32-bit integer.
std::optional<int> parse_integer(std::string_view item);

class Replies {
 public:
  // The console is flushed before the input is read whenever the reply is
  // not already buffered, so that a person at a terminal sees each prompt.
  Replies(std::istream& in, Unit& console);

  // The report is flushed then too, once it is open: a run broken off at a
  // prompt keeps everything written so far.
  void also_flush(Unit& report) { report_ = &report; }

  // The report file's name: the first 20 bytes of the next line, trailing
  // spaces removed. Empty when the line holds blanks only.
  std::string name();

  int integer();              // a slash reads 0
  float real(float current);  // a slash leaves `current`

  // Failures (thrown as io::Failure): an unreadable reply, or the input ending.

 private:
  void next_line();
  std::optional<std::string_view> next_item();  // empty for a slash
  std::istream& in_;
  Unit& console_;
  Unit* report_ = nullptr;
  std::string line_;
};

}  // namespace zireze::io
