#include "io/reply.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <istream>

namespace zireze::io {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool ends_item(char c) { return is_blank(c) || c == ',' || c == '/'; }

// Skips the digits starting at i; returns how many there were.
std::size_t skip_digits(std::string_view s, std::size_t& i) {
  std::size_t start = i;
  while (i < s.size() && is_digit(s[i])) ++i;
  return i - start;
}

}  // namespace

// At most 40 bytes of `bytes`, those that are not printable ASCII written as
// \xNN, so that a reply or a file name stands in a one-line message.
std::string printable(std::string_view bytes) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (std::size_t i = 0; i < bytes.size() && i < 40; ++i) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  if (bytes.size() > 40) out += "...";
  return out;
}

namespace {

constexpr long long kBeyond = 1'000'000'000'000'000;

// The decimal exponent of the first significant digit of a real item that is
// not zero (its exponent in scientific notation): tells a value too large from
// one too small. The typed exponent is saturated beyond any length a line can
// have, so that it still outweighs the digits.
long long decimal_magnitude(std::string_view item) {
  std::size_t i = 0;
  if (item[i] == '+' || item[i] == '-') ++i;
  long long magnitude = -1;
  bool significant = false;
  for (; i < item.size() && is_digit(item[i]); ++i) {
    significant = significant || item[i] != '0';
    if (significant) ++magnitude;
  }
  if (i < item.size() && item[i] == '.') {
    for (++i; !significant && i < item.size() && is_digit(item[i]); ++i) {
      significant = item[i] != '0';
      if (!significant) --magnitude;
    }
    while (i < item.size() && is_digit(item[i])) ++i;
  }
  if (i < item.size()) {  // the exponent
    ++i;
    bool negative = item[i] == '-';
    if (item[i] == '+' || item[i] == '-') ++i;
    long long exponent = 0;
    for (; i < item.size(); ++i) exponent = std::min(exponent * 10 + (item[i] - '0'), kBeyond);
    magnitude += negative ? -exponent : exponent;
  }
  return magnitude;
}

}  // namespace

std::optional<float> nearest_float(double d) {
  if (std::fabs(d) > static_cast<double>(FLT_MAX)) {
    if (std::fabs(d) < 0x1.ffffffp127) return d < 0 ? -FLT_MAX : FLT_MAX;
    return std::nullopt;
  }
  return static_cast<float>(d);
}

std::optional<float> parse_real(std::string_view item) {
  std::size_t i = 0;
  if (i < item.size() && (item[i] == '+' || item[i] == '-')) ++i;
  std::size_t digits = skip_digits(item, i);
  if (i < item.size() && item[i] == '.') {
    ++i;
    digits += skip_digits(item, i);
  }
  if (digits == 0) return std::nullopt;
  std::size_t mantissa_end = i;
  if (i < item.size()) {
    char e = item[i];
    if (e != 'E' && e != 'e' && e != 'D' && e != 'd') return std::nullopt;
    ++i;
    if (i < item.size() && (item[i] == '+' || item[i] == '-')) ++i;
    if (skip_digits(item, i) == 0 || i != item.size()) return std::nullopt;
  }
  // from_chars rounds once, correctly, to the nearest float, in any locale.
  // It takes no plus sign and no Fortran exponent letter D: the text it reads
  // goes without the one and with e for the other.
  std::string text(item.substr(item[0] == '+' ? 1 : 0));
  if (mantissa_end < item.size()) text[mantissa_end - (item[0] == '+' ? 1 : 0)] = 'e';
  float value = 0.0f;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec == std::errc::result_out_of_range) {
    // Too large for a float cannot be read; too small reads as zero.
    if (decimal_magnitude(item) >= 0) return std::nullopt;
    value = item[0] == '-' ? -0.0f : 0.0f;
  } else if (ec != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

std::optional<int> parse_integer(std::string_view item) {
  std::size_t i = 0;
  bool negative = false;
  if (i < item.size() && (item[i] == '+' || item[i] == '-')) negative = item[i++] == '-';
  std::string_view digits = item.substr(i);
  if (digits.empty()) return std::nullopt;
  for (char c : digits)
    if (!is_digit(c)) return std::nullopt;
  // Read the magnitude as 64 bits so that -2147483648 fits; long digit
  // strings fail in from_chars itself.
  long long magnitude = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
  if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  long long value = negative ? -magnitude : magnitude;
  if (value < -2147483648LL || value > 2147483647LL) return std::nullopt;
  return static_cast<int>(value);
}

Replies::Replies(std::istream& in, Unit& console) : in_(in), console_(console) {}

void Replies::next_line() {
  // About to wait for the input: the console and the report are written out
  // first, so that a person sees the prompt and a run broken off here (by
  // Ctrl-C, say) keeps its report. A piped run rarely waits, and so writes
  // in large blocks.
  if (in_.rdbuf() == nullptr || in_.rdbuf()->in_avail() <= 0) {
    console_.flush();
    if (report_) report_->flush();
  }
  if (!std::getline(in_, line_)) throw Failure("a entrada terminou antes de uma resposta");
  // A line ended by CR LF (a reply file written on Windows) loses the CR.
  if (!in_.eof() && !line_.empty() && line_.back() == '\r') line_.pop_back();
}

std::optional<std::string_view> Replies::next_item() {
  for (;;) {
    next_line();
    std::string_view s(line_);
    std::size_t i = 0;
    while (i < s.size() && (is_blank(s[i]) || s[i] == ',')) ++i;
    if (i == s.size()) continue;  // blanks and commas only: not a reply
    if (s[i] == '/') return std::nullopt;
    std::size_t start = i;
    while (i < s.size() && !ends_item(s[i])) ++i;
    return s.substr(start, i - start);
  }
}

std::string Replies::name() {
  next_line();
  std::string name = line_.substr(0, 20);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (name.find_first_not_of(" \t") == std::string::npos) name.clear();
  return name;
}

int Replies::integer() {
  std::optional<std::string_view> item = next_item();
  if (!item) return 0;
  std::optional<int> value = parse_integer(*item);
  if (!value) throw Failure("a resposta \"" + printable(*item) + "\" nao e um numero inteiro");
  return *value;
}

float Replies::real(float current) {
  std::optional<std::string_view> item = next_item();
  if (!item) return current;
  std::optional<float> value = parse_real(*item);
  if (!value) throw Failure("a resposta \"" + printable(*item) + "\" nao e um numero real legivel");
  return *value;
}

}  // namespace zireze::io
