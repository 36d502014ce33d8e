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

}  // namespace zireze::io
