// Floating-point to_chars and from_chars for the C++ library of Debian's
// emscripten (libc++ 13), which has them for integers only. The program
// writes and reads numbers through them (the table's fields past 2^30, the
// CSV figures, the replies and the scenario's numbers), and the page must
// give the same bytes as the native program. They rest on the C library's
// printf and strtof/strtod, which round exactly in the "C" locale that a
// WebAssembly module always has.
//
// web/CMakeLists.txt includes this header first in every file of the
// WebAssembly build (-include); a libc++ that has these functions skips it.
#pragma once

#include <charconv>

#if defined(__EMSCRIPTEN__) && defined(_LIBCPP_VERSION) && _LIBCPP_VERSION < 14000

#include <cctype>
#include <cerrno>
#include <cmath>
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

// The shortest significant digits that read back to x (x finite, not zero),
// and the decimal exponent of the first: x ~ 0.DIGITS * 10^(exp10 + 1). Of
// the candidates with that many digits, the nearest to x.
inline void shortest_digits(float x, std::string& digits, int& exp10) {
  char buf[48];
  for (int p = 1; p <= 9; ++p) {
    std::snprintf(buf, sizeof buf, "%.*e", p - 1, static_cast<double>(x));
    // buf: "d.ddde+XX"; the nearest p-digit number. Where x sits just above a
    // power of two its interval is narrower below, so the neighbours are
    // tried too.
    std::string mant;
    for (const char* c = buf; *c && *c != 'e'; ++c)
      if (*c >= '0' && *c <= '9') mant += *c;
    const int e = std::atoi(std::strchr(buf, 'e') + 1);
    for (int delta : {0, 1, -1}) {
      std::string m = mant;
      int ex = e;
      if (delta != 0) {
        // m as an integer, plus delta, still p digits (else skip).
        long long v = std::atoll(m.c_str()) + delta;
        std::string s = std::to_string(v);
        if (v <= 0 || s.size() != m.size()) continue;
        m = s;
      }
      std::string text = m.substr(0, 1) + "." + m.substr(1) + "e" + std::to_string(ex);
      if (std::strtof(text.c_str(), nullptr) == std::fabs(x)) {
        digits = m;
        exp10 = ex;
        return;
      }
    }
  }
  std::snprintf(buf, sizeof buf, "%.8e", static_cast<double>(x));
  digits.clear();
  for (const char* c = buf; *c && *c != 'e'; ++c)
    if (*c >= '0' && *c <= '9') digits += *c;
  exp10 = std::atoi(std::strchr(buf, 'e') + 1);
}

// Plain to_chars: the shorter of the fixed and the scientific forms of the
// shortest digits, fixed on a tie; a whole number in fixed form shows all
// its digits exactly (the nearest text of that length).
inline std::to_chars_result shortest(char* first, char* last, float x) {
  if (std::isnan(x) || std::isinf(x)) {
    char buf[8];
    const int n = std::snprintf(buf, sizeof buf, "%g", static_cast<double>(x));
    return copy_out(first, last, buf, static_cast<std::size_t>(n));
  }
  const std::string sign = std::signbit(x) ? "-" : "";
  if (x == 0.0f) return copy_out(first, last, (sign + "0").data(), sign.size() + 1);
  std::string d;
  int e = 0;
  shortest_digits(x, d, e);
  const int n = static_cast<int>(d.size());

  std::string sci = sign + d.substr(0, 1);
  if (n > 1) sci += "." + d.substr(1);
  char exp[8];
  std::snprintf(exp, sizeof exp, "e%c%02d", e < 0 ? '-' : '+', e < 0 ? -e : e);
  sci += exp;

  std::string fixed = sign;
  if (e >= n - 1) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.0f", static_cast<double>(std::fabs(x)));
    fixed += buf;
  } else if (e >= 0) {
    fixed += d.substr(0, static_cast<std::size_t>(e + 1)) + "." +
             d.substr(static_cast<std::size_t>(e + 1));
  } else {
    fixed += "0." + std::string(static_cast<std::size_t>(-e - 1), '0') + d;
  }
  const std::string& out = fixed.size() <= sci.size() ? fixed : sci;
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

// Fixed notation with `precision` decimals, rounded exactly as printf rounds.
inline to_chars_result to_chars(char* first, char* last, float value, chars_format fmt,
                                int precision) {
  char buf[400];
  const char* spec = fmt == chars_format::fixed        ? "%.*f"
                     : fmt == chars_format::scientific ? "%.*e"
                                                       : "%.*g";
  const int n = std::snprintf(buf, sizeof buf, spec, precision, static_cast<double>(value));
  if (n < 0 || n >= static_cast<int>(sizeof buf)) return {last, errc::value_too_large};
  return zireze::compat::copy_out(first, last, buf, static_cast<std::size_t>(n));
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
