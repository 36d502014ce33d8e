#include "io/unit.h"

#include <ostream>

namespace zireze::io {

Unit::Unit(std::ostream* os, std::string what) : os_(os), what_(std::move(what)) {}

void Unit::write(std::string_view bytes) {
  if (!os_) return;
  os_->write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!*os_) throw Failure("nao foi possivel escrever " + what_);
}

void Unit::line(const Layout& l) {
  write(l.bytes());
  write("\n");
}

void Unit::prompt(const Layout& l) { write(l.bytes()); }

void Unit::flush() {
  if (!os_) return;
  os_->flush();
  if (!*os_) throw Failure("nao foi possivel escrever " + what_);
}

namespace {
Unit discard(nullptr, "");
thread_local Unit* current_console = &discard;
thread_local Unit* current_report = &discard;
}  // namespace

Unit& console() { return *current_console; }
Unit& report() { return *current_report; }

void both(const Layout& l) {
  console().line(l);
  report().line(l);
}

UseUnits::UseUnits(Unit& console, Unit& report)
    : saved_console_(current_console), saved_report_(current_report) {
  current_console = &console;
  current_report = &report;
}

UseUnits::~UseUnits() {
  current_console = saved_console_;
  current_report = saved_report_;
}

}  // namespace zireze::io
