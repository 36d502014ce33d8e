// Output units: the console and the report file, each a byte stream of lines.
// A line ends where its layout ends, except a prompt's, which stays open so
// that the next write continues it.
#pragma once

#include <iosfwd>
#include <stdexcept>
#include <string>

#include "io/layout.h"

namespace zireze::io {

// Ends the run with a message on standard error and a failure status: an
// unreadable reply, the end of the input, a report that cannot be written.
class Failure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Unit {
 public:
  // `what` names the unit in failure messages; a null stream discards everything.
  Unit(std::ostream* os, std::string what);

  void line(const Layout& l);    // the layout, then a line end
  void prompt(const Layout& l);  // the layout; the line stays open
  void flush();                  // throws Failure when the stream has failed

 private:
  void write(std::string_view bytes);
  std::ostream* os_;
  std::string what_;
};

// The console and the report of one session.
struct Units {
  Unit& console;
  Unit& report;

  // Console first, then report: the order of every line that goes to both.
  void both(const Layout& l) {
    console.line(l);
    report.line(l);
  }
};

}  // namespace zireze::io
