// Arbitrary bytes to the reply reader. The first byte picks the kind of each
// question after the file name: bit k % 8 set asks question k for an integer,
// clear for a real. The other bytes are the console input. Questions are
// asked until the reader fails, as it must once the input ends.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "check.h"
#include "io/reply.h"
#include "io/unit.h"

namespace zireze::fuzz {
namespace {

// The name of the report file: at most 20 bytes, no trailing space, one line,
// and empty rather than blank.
void check_name(const std::string& name) {
  check(name.size() <= 20, "a file name is at most 20 bytes");
  check(name.find('\n') == std::string::npos, "a file name is one line");
  check(name.empty() || name.back() != ' ', "a file name has no trailing space");
  check(name.empty() || name.find_first_not_of(" \t") != std::string::npos,
        "a blank file name reads as empty");
}

// A failure ends the run with its message as the one line on standard error.
void check_message(std::string_view message) {
  check(!message.empty() && message.size() <= 256, "a failure message is short");
  for (char c : message)
    check(c >= 0x20 && c < 0x7F, "a failure message is one line of printable ASCII");
}

// The parsers on the whole input as one item: a real read is finite, and an
// integer also reads as the same real while floats hold it exactly.
void check_parsers(std::string_view item) {
  std::optional<float> real = io::parse_real(item);
  check(!real || std::isfinite(*real), "a real read is finite");
  std::optional<int> integer = io::parse_integer(item);
  if (!integer) return;
  check(real.has_value(), "an integer reads as a real too");
  if (*integer > -(1 << 24) && *integer < (1 << 24))
    check(*real == static_cast<float>(*integer), "a small integer reads as the same real");
}

}  // namespace
}  // namespace zireze::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zireze;
  using fuzz::check;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  fuzz::check_parsers(bytes);
  if (size == 0) return 0;

  const unsigned kinds = data[0];
  std::string_view input = bytes.substr(1);
  std::istringstream in{std::string(input)};
  io::Unit console(nullptr, "na consola");
  io::Replies replies(in, console);

  // Every question uses up one line at least, the last one maybe unended.
  const std::size_t lines =
      static_cast<std::size_t>(std::count(input.begin(), input.end(), '\n')) + 1;
  try {
    fuzz::check_name(replies.name());
    float current = -9.0f;
    for (std::size_t k = 0;; ++k) {
      if ((kinds >> (k % 8)) & 1u) {
        replies.integer();
      } else {
        current = replies.real(current);
        check(std::isfinite(current), "a real reply is finite");
      }
      check(k + 2 <= lines, "each reply uses up a line of input");
    }
  } catch (const io::Failure& failure) {
    fuzz::check_message(failure.what());
  }
  return 0;
}
