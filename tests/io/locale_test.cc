// Replies are read and lines written in the same bytes whatever the locale of
// the process: a decimal-comma locale (pt_PT.UTF-8) changes nothing.
#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <sstream>
#include <string>
#include <vector>

#include "io/layout.h"
#include "io/reply.h"
#include "io/session_lines.h"
#include "stand.h"
#include "table/stand_table.h"

namespace zireze::io {
namespace {

constexpr const char* kDecimalComma = "pt_PT.UTF-8";

struct Results {
  std::vector<float> values;
  std::string bytes;
};

// Everything the program reads and writes that a locale could touch.
Results read_and_write() {
  Results r;
  for (const char* item : {"3.0E1", "-.5", "1.6D1", "0.333333343267", "1e-40", "2,5"})
    r.values.push_back(parse_real(item).value_or(-1.0f));

  std::ostringstream console_text, report_text;
  Unit console(&console_text, "a consola"), report(&report_text, "o relatorio");
  std::istringstream in("rel.txt\n 12.5 7\n3,5\n/\n1.25D1\n");
  Replies replies(in, console);
  r.bytes += replies.name() + "|";
  r.values.push_back(replies.real(0));
  r.values.push_back(replies.real(0));
  r.values.push_back(replies.real(2.5f));
  r.values.push_back(replies.real(0));

  r.bytes += Layout().F(10, 4, 1234.5625f).F(6, 1, -0.25f).I(5, 99.5f).I(7, -1234).bytes();
  Stand s = unthinned_stand(30, 16, -9, 1000, -9, -9);
  stand_table(Units{console, report}, STABLE(s.IDADE, s.HD, s.TS, s.BA, s.A, s.B, s.C, 1));
  r.bytes += console_text.str() + report_text.str();
  return r;
}

TEST(Locale, ADecimalCommaLocaleChangesNoValueAndNoByte) {
  Results in_c = read_and_write();

  // The C locale and the C++ global locale (that of every stream made from
  // now on) both take a decimal comma.
  ASSERT_NE(std::setlocale(LC_ALL, kDecimalComma), nullptr)
      << "the locale " << kDecimalComma
      << " is missing: tools/install-deps.sh --tests generates it";
  std::locale::global(std::locale(kDecimalComma));
  std::string point = std::localeconv()->decimal_point;
  Results in_pt = read_and_write();
  std::locale::global(std::locale::classic());  // sets the C locale back too

  ASSERT_EQ(point, ",");
  EXPECT_STREQ(std::setlocale(LC_ALL, nullptr), "C");
  EXPECT_EQ(in_pt.values, in_c.values);
  EXPECT_EQ(in_pt.bytes, in_c.bytes);
  // The same values as written, with the point: in_c is the C locale's reading.
  EXPECT_EQ(in_c.values, (std::vector<float>{30.0f, -0.5f, 16.0f, 0.33333334f, 1e-40f, -1.0f, 12.5f,
                                             3.0f, 2.5f, 12.5f}));
  EXPECT_NE(in_c.bytes.find(" 1234.5625  -0.2  100  -1234"), std::string::npos) << in_c.bytes;
}

}  // namespace
}  // namespace zireze::io
