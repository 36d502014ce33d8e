#include "io/layout.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "table/stand_table.h"

namespace zireze::io {

void Layout::put(std::string_view s) {
  std::size_t n = s.size() < capacity - len_ ? s.size() : capacity - len_;
  std::memcpy(buf_ + len_, s.data(), n);
  len_ += n;
}

void Layout::fill(char c, int n) {
  for (; n > 0 && len_ < capacity; --n) buf_[len_++] = c;
}

Layout& Layout::text(std::string_view s) {
  put(s);
  return *this;
}

Layout& Layout::X(int n) {
  fill(' ', n);
  return *this;
}

Layout& Layout::slash(int k) {
  fill('\n', k);
  return *this;
}

namespace {

// Right-justifies s in w columns, or fills them with asterisks when s is wider.
void right_justified(Layout& out, std::string_view s, int w) {
  if (static_cast<int>(s.size()) > w) {
    for (int i = 0; i < w; ++i) out.text("*");
    return;
  }
  out.X(w - static_cast<int>(s.size())).text(s);
}

// Writes the decimal digits of n, most significant first, ending at `end`.
char* digits_before(char* end, std::uint64_t n) {
  do {
    *--end = static_cast<char>('0' + n % 10);
    n /= 10;
  } while (n != 0);
  return end;
}

constexpr std::uint64_t kPow10[] = {1,      10,      100,      1000,      10000,
                                    100000, 1000000, 10000000, 100000000, 1000000000};

// |value| rounded to d decimals as "digits.decimals" (with a minus sign when
// the sign bit is set), the decimal value of the float rounded exactly, ties
// to even: the result printf gives. A float is m * 2^k with m < 2^24, so for
// |value| < 2^30 and d <= 9 the scaled value m * 10^d * 2^k is worked out
// exactly in 64-bit integers. Returns the length written into s, or 0 when
// the value is outside that range.
int fixed_point(float value, int d, char* s) {
  if (d < 0 || d > 9) return 0;
  int e = 0;
  float fraction = std::frexp(std::fabs(value), &e);  // |value| = fraction * 2^e
  if (e > 30) return 0;
  std::uint64_t m = static_cast<std::uint64_t>(std::ldexp(fraction, 24));  // exact
  int k = e - 24;
  std::uint64_t scaled = m * kPow10[d];  // below 2^54
  std::uint64_t n = 0;
  if (k >= 0) {
    n = scaled << k;
  } else if (-k < 64) {
    int shift = -k;
    n = scaled >> shift;
    std::uint64_t rest = scaled & ((std::uint64_t{1} << shift) - 1);
    std::uint64_t half = std::uint64_t{1} << (shift - 1);
    if (rest > half || (rest == half && (n & 1) != 0)) ++n;
  }
  char buf[32];
  char* end = buf + sizeof buf;
  char* p = end;
  if (d > 0) {
    std::uint64_t decimals = n % kPow10[d];
    for (int i = 0; i < d; ++i) {
      *--p = static_cast<char>('0' + decimals % 10);
      decimals /= 10;
    }
  }
  *--p = '.';
  p = digits_before(p, n / kPow10[d]);
  if (std::signbit(value)) *--p = '-';
  int len = static_cast<int>(end - p);
  std::memcpy(s, p, static_cast<std::size_t>(len));
  return len;
}

}  // namespace

Layout& Layout::I(int w, int value) {
  char buf[16];
  char* end = buf + sizeof buf;
  std::int64_t v = value;
  char* p = digits_before(end, static_cast<std::uint64_t>(v < 0 ? -v : v));
  if (v < 0) *--p = '-';
  right_justified(*this, std::string_view(p, static_cast<std::size_t>(end - p)), w);
  return *this;
}

Layout& Layout::I(int w, float value) {
  std::optional<int> shown = display_round(value);
  if (!shown) {
    fill('*', w);
    return *this;
  }
  return I(w, *shown);
}

namespace {

// NaN and the infinities as a Fortran compiler spells them in Fw.d.
void not_finite(Layout& l, bool nan, bool negative, int w) {
  std::string_view word = nan ? "NaN" : negative ? "-Infinity" : "Infinity";
  if (!nan && static_cast<int>(word.size()) > w) word = negative ? "-Inf" : "Inf";
  right_justified(l, word, w);
}

// A real's d decimals through to_chars, which rounds the exact value as
// printf does and knows no locale; the point stays even without decimals.
// 0 where they do not fit in the buffer.
int fixed_text(double value, int d, char* s, std::size_t size) {
  auto [end, ec] = std::to_chars(s, s + size - 1, value, std::chars_format::fixed, d);
  if (ec != std::errc()) return 0;
  if (d == 0) *end++ = '.';
  return static_cast<int>(end - s);
}

// The digits in a field of w: the zero before the point dropped when only
// that makes them fit ("0.50" -> ".50"), asterisks when even that does not.
void fixed_field(Layout& l, char* s, int n, int w) {
  std::string_view digits(s, static_cast<std::size_t>(n));
  if (n > w) {
    if (digits.starts_with("0.")) {
      digits.remove_prefix(1);
    } else if (digits.starts_with("-0.")) {
      s[1] = '-';
      digits = std::string_view(s + 1, static_cast<std::size_t>(n - 1));
    }
  }
  right_justified(l, digits, w);
}

}  // namespace

// Fw.d: the float's exact value rounded to d decimals (exact ties to even, as
// the C library does), the zero before the point dropped when only that makes
// it fit, NaN and infinities spelt as a Fortran compiler spells them.
Layout& Layout::F(int w, int d, float value) {
  if (!std::isfinite(value)) {
    not_finite(*this, std::isnan(value), value < 0, w);
    return *this;
  }
  char s[64];
  int n = fixed_point(value, d, s);
  // 2^30 and beyond: the exact value through to_chars.
  if (n == 0) n = fixed_text(value, d, s, sizeof s);
  fixed_field(*this, s, n, w);
  return *this;
}

// The same field for a value worked out in double precision (money): its
// exact value rounded to d decimals.
Layout& Layout::F(int w, int d, double value) {
  if (!std::isfinite(value)) {
    not_finite(*this, std::isnan(value), value < 0, w);
    return *this;
  }
  char s[64];
  const int n = fixed_text(value, d, s, sizeof s);
  if (n == 0) {
    fill('*', w);
    return *this;
  }
  fixed_field(*this, s, n, w);
  return *this;
}

Layout& Layout::A(int w, std::string_view s) {
  if (static_cast<int>(s.size()) >= w) return text(s.substr(0, static_cast<std::size_t>(w)));
  return X(w - static_cast<int>(s.size())).text(s);
}

}  // namespace zireze::io
