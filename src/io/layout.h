// Line layouts: literal texts and fixed-width fields written left to right,
// as the program's console and report lines are described (Iw, Fw.d, Aw, nX, /).
#pragma once

#include <cstddef>
#include <string_view>

namespace zireze::io {

// The bytes of one write: fields and texts appended in order. A slash ends
// the current line. Whether the layout's last line ends is up to the unit
// that writes it (a prompt keeps it open).
class Layout {
 public:
  Layout& text(std::string_view s);
  Layout& X(int n);                       // n blanks
  Layout& I(int w, int value);            // integer, right-justified
  Layout& I(int w, float value);          // real shown with display rounding, or asterisks
  Layout& F(int w, int d, float value);   // real with d decimals
  Layout& F(int w, int d, double value);  // the same for a value worked out in double
  Layout& A(int w, std::string_view s);   // text in w columns
  Layout& slash(int k = 1);               // k line ends

  std::string_view bytes() const { return {buf_, len_}; }

  // No layout of the program comes near this; longer ones are cut here.
  static constexpr std::size_t capacity = 256;

 private:
  void put(std::string_view s);
  void fill(char c, int n);
  char buf_[capacity];
  std::size_t len_ = 0;
};

}  // namespace zireze::io
