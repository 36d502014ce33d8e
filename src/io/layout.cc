#include "io/layout.h"

#include <cmath>
#include <cstdio>

namespace zireze::io {

std::optional<int> display_round(float x) {
  float r = x + 0.5f;
  // Compared as floats: -2^31 is exact, and 2^31 is the first float too large.
  if (!(r >= -2147483648.0f && r < 2147483648.0f)) return std::nullopt;
  return static_cast<int>(r);
}

void Layout::put(std::string_view s) {
  std::size_t n = s.size() < capacity - len_ ? s.size() : capacity - len_;
  for (std::size_t i = 0; i < n; ++i) buf_[len_ + i] = s[i];
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

// Right-justifies s in w columns, or fills them with asterisks when s is wider.
static void right_justified(Layout& out, std::string_view s, int w) {
  if (static_cast<int>(s.size()) > w) {
    for (int i = 0; i < w; ++i) out.text("*");
    return;
  }
  out.X(w - static_cast<int>(s.size())).text(s);
}

Layout& Layout::I(int w, int value) {
  char s[16];
  int n = std::snprintf(s, sizeof s, "%d", value);
  right_justified(*this, std::string_view(s, static_cast<std::size_t>(n)), w);
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

// Fw.d: the float's exact value rounded to d decimals (exact ties to even, as
// the C library does), the zero before the point dropped when only that makes
// it fit, NaN and infinities spelt as a Fortran compiler spells them.
Layout& Layout::F(int w, int d, float value) {
  if (std::isnan(value)) {
    right_justified(*this, "NaN", w);
    return *this;
  }
  if (std::isinf(value)) {
    bool neg = value < 0;
    std::string_view word = neg ? "-Infinity" : "Infinity";
    if (static_cast<int>(word.size()) > w) word = neg ? "-Inf" : "Inf";
    right_justified(*this, word, w);
    return *this;
  }
  char s[64];
  int n = std::snprintf(s, sizeof s, "%#.*f", d, static_cast<double>(value));
  std::string_view digits(s, static_cast<std::size_t>(n));
  if (n > w) {
    // "0.50" -> ".50", "-0.50" -> "-.50"
    if (digits.starts_with("0.")) {
      digits.remove_prefix(1);
    } else if (digits.starts_with("-0.")) {
      s[1] = '-';
      digits = std::string_view(s + 1, static_cast<std::size_t>(n - 1));
    }
  }
  right_justified(*this, digits, w);
  return *this;
}

Layout& Layout::A(int w, std::string_view s) {
  if (static_cast<int>(s.size()) >= w) return text(s.substr(0, static_cast<std::size_t>(w)));
  return X(w - static_cast<int>(s.size())).text(s);
}

}  // namespace zireze::io
