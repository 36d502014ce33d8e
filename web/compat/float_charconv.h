// Floating-point to_chars and from_chars for the C++ library of Debian's
// emscripten (libc++ 13), which has them for integers only. The program
// writes and reads numbers through them (the table's fields past 2^30, the
// CSV figures, the replies and the scenario's numbers), and the page must
// give the same bytes as the native program. The shortest text of a float is
// worked out exactly in integers below; that of a double (the figures worked
// out in double precision), fixed decimals and reading rest on the C
// library's printf and strtof/strtod, which round exactly in the "C" locale
// that a WebAssembly module always has.
//
// web/CMakeLists.txt includes this header first in every file of the
// WebAssembly build (-include); a libc++ that has these functions skips it.
#pragma once

#include <charconv>

#if defined(__EMSCRIPTEN__) && defined(_LIBCPP_VERSION) && _LIBCPP_VERSION < 14000

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace zireze::compat {

inline std::to_chars_result copy_out(char* first, char* last, const char* s, std::size_t n) {
  if (static_cast<std::size_t>(last - first) < n) return {last, std::errc::value_too_large};
  std::memcpy(first, s, n);
  return {first + n, std::errc()};
}

// A non-negative integer of up to 448 bits: what the digit generation below
// needs for any float (at most 2^150 times a power of ten below 10^46).
class Big {
 public:
  explicit Big(std::uint64_t v = 0) {
    w_[0] = static_cast<std::uint32_t>(v);
    w_[1] = static_cast<std::uint32_t>(v >> 32);
  }
  Big& shl(int bits) {
    for (; bits >= 32; bits -= 32) {
      for (int i = kWords - 1; i > 0; --i) w_[i] = w_[i - 1];
      w_[0] = 0;
    }
    if (bits > 0) {
      for (int i = kWords - 1; i > 0; --i) w_[i] = (w_[i] << bits) | (w_[i - 1] >> (32 - bits));
      w_[0] <<= bits;
    }
    return *this;
  }
  Big& mul(std::uint32_t f) {
    std::uint64_t carry = 0;
    for (auto& w : w_) {
      const std::uint64_t v = static_cast<std::uint64_t>(w) * f + carry;
      w = static_cast<std::uint32_t>(v);
      carry = v >> 32;
    }
    return *this;
  }
  Big& add(const Big& b) {
    std::uint64_t carry = 0;
    for (int i = 0; i < kWords; ++i) {
      const std::uint64_t v = static_cast<std::uint64_t>(w_[i]) + b.w_[i] + carry;
      w_[i] = static_cast<std::uint32_t>(v);
      carry = v >> 32;
    }
    return *this;
  }
  Big& sub(const Big& b) {  // *this >= b
    std::int64_t borrow = 0;
    for (int i = 0; i < kWords; ++i) {
      std::int64_t v = static_cast<std::int64_t>(w_[i]) - b.w_[i] - borrow;
      borrow = v < 0;
      w_[i] = static_cast<std::uint32_t>(v + (borrow << 32));
    }
    return *this;
  }
  friend int compare(const Big& a, const Big& b) {
    for (int i = kWords - 1; i >= 0; --i)
      if (a.w_[i] != b.w_[i]) return a.w_[i] < b.w_[i] ? -1 : 1;
    return 0;
  }

 private:
  static constexpr int kWords = 14;
  std::uint32_t w_[kWords] = {};
};

// The shortest significant digits that read back to x (x finite, above
// zero), and the decimal exponent of the first: x ~ D.IGITS * 10^exp10. Of
// the candidates of that length, the nearest to x. Exact arithmetic, after
// Steele and White's free-format digit generation: the value is r/s, the
// halves of the gaps to the neighbouring floats m-/s and m+/s; a bound is
// reached (and so read back to x) inclusively when the mantissa is even.
inline void shortest_digits(float x, std::string& digits, int& exp10) {
  int e2 = 0;
  const float fraction = std::frexp(x, &e2);  // x = fraction * 2^e2, fraction in [0.5, 1)
  std::uint64_t m = static_cast<std::uint64_t>(std::ldexp(fraction, 24));
  int e = e2 - 24;
  if (e < -149) {  // subnormal: the mantissa holds fewer bits
    m >>= (-149 - e);
    e = -149;
  }
  // A power of two above the smallest normal has a gap below half the one above.
  const bool uneven = m == (std::uint64_t{1} << 23) && e > -149;
  Big r(m), s(1), mminus(1), mplus(1);
  // r/s = x; mminus/s and mplus/s: half the gaps below and above, all doubled
  // (quadrupled when uneven) to stay whole.
  const int scale = uneven ? 2 : 1;
  r.shl(1 + scale - 1 + (e > 0 ? e : 0));
  s.shl(1 + scale - 1 + (e < 0 ? -e : 0));
  mminus.shl(e > 0 ? e : 0);
  mplus.shl((e > 0 ? e : 0) + (uneven ? 1 : 0));
  // Scale by a power of ten so that the first digit comes first: k with
  // 10^(k-1) <= x < 10^k, estimated and then corrected.
  int k = static_cast<int>(std::ceil(std::log10(static_cast<double>(x)) - 1e-10));
  if (k >= 0) {
    for (int i = 0; i < k; ++i) s.mul(10);
  } else {
    for (int i = 0; i < -k; ++i) {
      r.mul(10);
      mminus.mul(10);
      mplus.mul(10);
    }
  }
  const bool even = (m & 1) == 0;
  auto high_ok = [&](const Big& rr) {  // rr + mplus reaches s
    Big t = rr;
    t.add(mplus);
    const int c = compare(t, s);
    return even ? c >= 0 : c > 0;
  };
  // r + m+ at or past s: k is one too small (the estimate is never too
  // large); then the digits may start with 0 and end as 10^k.
  if (high_ok(r)) {
    s.mul(10);
    ++k;
  }
  digits.clear();
  exp10 = k - 1;
  for (;;) {
    r.mul(10);
    mminus.mul(10);
    mplus.mul(10);
    int d = 0;
    while (compare(r, s) >= 0) {
      r.sub(s);
      ++d;
    }
    const int lc = compare(r, mminus);
    const bool low = even ? lc <= 0 : lc < 0;
    const bool high = high_ok(r);
    if (!low && !high) {
      digits += static_cast<char>('0' + d);
      continue;
    }
    if (low && high) {
      // Both d and d + 1 read back: the nearer; from exactly half way, the
      // even one.
      Big twice = r;
      twice.shl(1);
      const int c = compare(twice, s);
      if (c > 0 || (c == 0 && d % 2 == 1)) ++d;
    } else if (high) {
      ++d;
    }
    digits += static_cast<char>('0' + d);
    break;
  }
}

// The shorter of the fixed and the scientific forms of the shortest digits
// `d` of a value, the first at 10^e, fixed on a tie; `whole` is the fixed
// form of a whole number (all its digits, exactly).
inline std::string shorter_form(const std::string& sign, const std::string& d, int e,
                                const std::string& whole) {
  const int n = static_cast<int>(d.size());
  std::string sci = sign + d.substr(0, 1);
  if (n > 1) sci += "." + d.substr(1);
  char exp[8];
  std::snprintf(exp, sizeof exp, "e%c%02d", e < 0 ? '-' : '+', e < 0 ? -e : e);
  sci += exp;

  std::string fixed = sign;
  if (e >= n - 1) {
    fixed += whole;
  } else if (e >= 0) {
    fixed += d.substr(0, static_cast<std::size_t>(e + 1)) + "." +
             d.substr(static_cast<std::size_t>(e + 1));
  } else {
    fixed += "0." + std::string(static_cast<std::size_t>(-e - 1), '0') + d;
  }
  return fixed.size() <= sci.size() ? fixed : sci;
}

inline std::to_chars_result not_finite(char* first, char* last, double x) {
  char buf[8];
  const int n = std::snprintf(buf, sizeof buf, "%g", x);
  return copy_out(first, last, buf, static_cast<std::size_t>(n));
}

// Plain to_chars: the shorter of the fixed and the scientific forms of the
// shortest digits, fixed on a tie; a whole number in fixed form shows all
// its digits exactly (the nearest text of that length).
inline std::to_chars_result shortest(char* first, char* last, float x) {
  if (std::isnan(x) || std::isinf(x)) return not_finite(first, last, x);
  const std::string sign = std::signbit(x) ? "-" : "";
  if (x == 0.0f) return copy_out(first, last, (sign + "0").data(), sign.size() + 1);
  std::string d;
  int e = 0;
  shortest_digits(std::fabs(x), d, e);
  // A whole number below 10^16 in fixed form (past it the scientific form is
  // shorter): all its digits, exactly.
  const std::string whole =
      e < 16 ? std::to_string(static_cast<std::uint64_t>(std::fabs(x))) : std::string(40, '9');
  const std::string out = shorter_form(sign, d, e, whole);
  return copy_out(first, last, out.data(), out.size());
}

// The digits and exponent of a scientific text "D.DDDe+X" that strtod reads
// back to x; false when it does not.
inline bool reads_back(const char* text, double x, std::string& digits, int& exp10) {
  if (std::strtod(text, nullptr) != x) return false;
  digits.clear();
  const char* c = text;
  for (; *c && *c != 'e'; ++c)
    if (*c >= '0' && *c <= '9') digits += *c;
  exp10 = std::atoi(c + 1);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  return true;
}

// The shortest significant digits that read back to the double x (finite,
// above zero): for each length, the correctly rounded digits, else (next to
// a power of two, where the gap below is half the gap above) the texts one
// unit in the last digit either side.
inline void shortest_digits(double x, std::string& digits, int& exp10) {
  char buf[40];
  for (int p = 1; p <= 17; ++p) {
    std::snprintf(buf, sizeof buf, "%.*e", p - 1, x);
    if (reads_back(buf, x, digits, exp10)) return;
    std::string m;
    const char* c = buf;
    for (; *c != 'e'; ++c)
      if (*c != '.') m += *c;
    const long long units = std::atoll(m.c_str());
    const int e = std::atoi(c + 1) - (p - 1);
    for (long long u : {units - 1, units + 1}) {
      std::snprintf(buf, sizeof buf, "%llde%d", u, e);
      if (std::strtod(buf, nullptr) == x) {
        const std::string s = std::to_string(u);
        digits = s;
        exp10 = e + static_cast<int>(s.size()) - 1;
        while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
        return;
      }
    }
  }
  std::snprintf(buf, sizeof buf, "%.16e", x);
  reads_back(buf, x, digits, exp10);
}

inline std::to_chars_result shortest(char* first, char* last, double x) {
  if (std::isnan(x) || std::isinf(x)) return not_finite(first, last, x);
  const std::string sign = std::signbit(x) ? "-" : "";
  if (x == 0.0) return copy_out(first, last, (sign + "0").data(), sign.size() + 1);
  std::string d;
  int e = 0;
  shortest_digits(std::fabs(x), d, e);
  char whole[400];
  std::snprintf(whole, sizeof whole, "%.0f", std::fabs(x));
  const std::string out = shorter_form(sign, d, e, whole);
  return copy_out(first, last, out.data(), out.size());
}

// The longest prefix of [first, last) that from_chars reads in the general
// format: an optional minus, then inf, infinity, nan, nan(chars), or digits
// with an optional point and an optional exponent. Empty when none.
inline std::size_t number_prefix(const char* first, const char* last) {
  const std::size_t size = static_cast<std::size_t>(last - first);
  std::size_t i = 0;
  if (i < size && first[i] == '-') ++i;
  auto word = [&](const char* w) {
    const std::size_t n = std::strlen(w);
    if (size - i < n) return false;
    for (std::size_t k = 0; k < n; ++k)
      if ((first[i + k] | 0x20) != w[k]) return false;
    return true;
  };
  if (word("infinity")) return i + 8;
  if (word("inf")) return i + 3;
  if (word("nan")) {
    i += 3;
    std::size_t j = i;
    if (j < size && first[j] == '(') {
      ++j;
      while (j < size && (std::isalnum(static_cast<unsigned char>(first[j])) || first[j] == '_'))
        ++j;
      if (j < size && first[j] == ')') return j + 1;
    }
    return i;
  }
  std::size_t digits = 0;
  while (i < size && first[i] >= '0' && first[i] <= '9') ++i, ++digits;
  if (i < size && first[i] == '.') {
    ++i;
    while (i < size && first[i] >= '0' && first[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < size && (first[i] == 'e' || first[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < size && (first[j] == '+' || first[j] == '-')) ++j;
    const std::size_t exp_start = j;
    while (j < size && first[j] >= '0' && first[j] <= '9') ++j;
    if (j > exp_start) i = j;
  }
  return i;
}

// Reads the prefix with strtof or strtod. Out of range: a result that is
// infinite from digits, or zero from digits that are not all zero; a
// subnormal result is taken, as the native library takes it.
template <typename T, typename Read>
std::from_chars_result read_float(const char* first, const char* last, T& value, Read read) {
  const std::size_t n = number_prefix(first, last);
  if (n == 0) return {first, std::errc::invalid_argument};
  const std::string text(first, n);
  errno = 0;
  const T v = read(text.c_str());
  const bool digits = text.find_first_of("0123456789") != std::string::npos;
  if (digits && errno == ERANGE && (std::isinf(v) || v == 0)) {
    return {first + n, std::errc::result_out_of_range};
  }
  value = v;
  return {first + n, std::errc()};
}

}  // namespace zireze::compat

_LIBCPP_BEGIN_NAMESPACE_STD

inline to_chars_result to_chars(char* first, char* last, float value) {
  return zireze::compat::shortest(first, last, value);
}

inline to_chars_result to_chars(char* first, char* last, double value) {
  return zireze::compat::shortest(first, last, value);
}

// Fixed or scientific notation with `precision` decimals, rounded exactly as
// printf rounds.
inline to_chars_result to_chars(char* first, char* last, double value, chars_format fmt,
                                int precision) {
  char buf[1200];
  const char* format = fmt == chars_format::fixed        ? "%.*f"
                       : fmt == chars_format::scientific ? "%.*e"
                                                         : "%.*g";
  const int n = std::snprintf(buf, sizeof buf, format, precision, value);
  if (n < 0 || n >= static_cast<int>(sizeof buf)) return {last, errc::value_too_large};
  return zireze::compat::copy_out(first, last, buf, static_cast<std::size_t>(n));
}

inline to_chars_result to_chars(char* first, char* last, float value, chars_format fmt,
                                int precision) {
  return to_chars(first, last, static_cast<double>(value), fmt, precision);
}

inline from_chars_result from_chars(const char* first, const char* last, float& value,
                                    chars_format = chars_format::general) {
  return zireze::compat::read_float(first, last, value,
                                    [](const char* s) { return std::strtof(s, nullptr); });
}

inline from_chars_result from_chars(const char* first, const char* last, double& value,
                                    chars_format = chars_format::general) {
  return zireze::compat::read_float(first, last, value,
                                    [](const char* s) { return std::strtod(s, nullptr); });
}

_LIBCPP_END_NAMESPACE_STD

#endif
