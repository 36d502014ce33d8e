#include "io/reply.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

namespace zireze::io {
namespace {

TEST(ParseReal, AcceptsTheFortranForms) {
  EXPECT_EQ(parse_real("30"), 30.0f);
  EXPECT_EQ(parse_real("3.0E1"), 30.0f);
  EXPECT_EQ(parse_real("1.6d1"), 16.0f);
  EXPECT_EQ(parse_real("1.6D+1"), 16.0f);
  EXPECT_EQ(parse_real("-.5"), -0.5f);
  EXPECT_EQ(parse_real("5."), 5.0f);
  EXPECT_EQ(parse_real("+1000"), 1000.0f);
  EXPECT_EQ(parse_real("2e-1"), 0.2f);
}

TEST(ParseReal, RoundsOnceToTheNearestFloat) {
  // 0.1 + half an ulp of float, written out: a double rounding would differ.
  EXPECT_EQ(parse_real("16777217"), 16777216.0f);  // the tie goes to even
  EXPECT_EQ(parse_real("16777219"), 16777220.0f);
  EXPECT_EQ(parse_real("0.333333343267"), 0.33333334f);
  EXPECT_EQ(parse_real("1.00000005960464477539062501"), 1.00000012f);  // just above the tie
}

TEST(ParseReal, ReadsTinyValuesAsZeroOrSubnormal) {
  EXPECT_EQ(parse_real("1e-50"), 0.0f);
  EXPECT_EQ(parse_real("1e-40"), 1e-40f);
  EXPECT_TRUE(std::signbit(*parse_real("-1e-50")));
}

TEST(ParseReal, RejectsWhatIsNotARealOrOverflows) {
  for (const char* s : {"", "abc", "1e39", "-1e39", "inf", "nan", "1e", "1e+", ".", "-", "+.",
                        "1.2.3", "0x10", "1,5", "12abc", "1 2", "e5", "1.5+3"})
    EXPECT_FALSE(parse_real(s).has_value()) << s;
  EXPECT_EQ(parse_real("3.4028234e38"), 3.4028234e38f);
}

TEST(ParseInteger, AcceptsSignedDigitsWithinThirtyTwoBits) {
  EXPECT_EQ(parse_integer("1"), 1);
  EXPECT_EQ(parse_integer("-1"), -1);
  EXPECT_EQ(parse_integer("+5"), 5);
  EXPECT_EQ(parse_integer("007"), 7);
  EXPECT_EQ(parse_integer("2147483647"), 2147483647);
  EXPECT_EQ(parse_integer("-2147483648"), -2147483647 - 1);
  for (const char* s : {"", "-", "1.5", "1.", "1e2", "2147483648", "-2147483649",
                        "99999999999999999999999", "a", "1a"})
    EXPECT_FALSE(parse_integer(s).has_value()) << s;
}

struct Console {
  std::ostringstream text;
  Unit unit{&text, "a consola"};
};

TEST(Replies, TakesTheFirstItemOfTheNextLineThatIsNotBlank) {
  std::istringstream in("\n   \n,,\n 3.0E1 40\n\t\t1.6d1,99\n 1,\n+1000/\n");
  Console c;
  Replies r(in, c.unit);
  EXPECT_EQ(r.real(0), 30.0f);
  EXPECT_EQ(r.real(0), 16.0f);
  EXPECT_EQ(r.integer(), 1);
  EXPECT_EQ(r.real(0), 1000.0f);
}

TEST(Replies, ASlashLeavesARealAndReadsZeroForAnInteger) {
  std::istringstream in("/\n  /5\n/\n5/\n");
  Console c;
  Replies r(in, c.unit);
  EXPECT_EQ(r.real(-9.0f), -9.0f);
  EXPECT_EQ(r.real(2.5f), 2.5f);
  EXPECT_EQ(r.integer(), 0);
  EXPECT_EQ(r.integer(), 5);
}

TEST(Replies, DropsTheCarriageReturnOfAWindowsLineEnd) {
  std::istringstream in("rel.txt\r\n20\r\n");
  Console c;
  Replies r(in, c.unit);
  EXPECT_EQ(r.name(), "rel.txt");
  EXPECT_EQ(r.real(0), 20.0f);
}

TEST(Replies, NameIsTheFirstTwentyBytesWithoutTrailingSpaces) {
  std::istringstream in("a_very_long_report_file_name.txt\n  rep forms.txt   \n   \n\t \nx\n");
  Console c;
  Replies r(in, c.unit);
  EXPECT_EQ(r.name(), "a_very_long_report_f");
  EXPECT_EQ(r.name(), "  rep forms.txt");
  EXPECT_EQ(r.name(), "");
  EXPECT_EQ(r.name(), "");
  EXPECT_EQ(r.name(), "x");
}

TEST(Replies, UnreadableRepliesAndTheEndOfInputFail) {
  Console c;
  std::istringstream letter("abc\n");
  EXPECT_THROW(Replies(letter, c.unit).real(0), Failure);
  std::istringstream fraction("1.5\n");
  EXPECT_THROW(Replies(fraction, c.unit).integer(), Failure);
  std::istringstream blank_then_end("\n  \n");
  EXPECT_THROW(Replies(blank_then_end, c.unit).integer(), Failure);
  std::istringstream empty("");
  EXPECT_THROW(Replies(empty, c.unit).name(), Failure);
}

TEST(Replies, TheMessageNamesTheReplyAndTheKindOfNumber) {
  Console c;
  std::istringstream in(std::string("x\x01\xff") + std::string(100, 'y') + "\n");
  try {
    Replies(in, c.unit).integer();
    FAIL();
  } catch (const Failure& f) {
    std::string what = f.what();
    EXPECT_NE(what.find("x\\x01\\xFF"), std::string::npos) << what;
    EXPECT_NE(what.find("inteiro"), std::string::npos) << what;
    EXPECT_LT(what.size(), 120u);
  }
}

TEST(Replies, CopesWithHugeLinesAndArbitraryBytes) {
  Console c;
  std::string big(4 << 20, '7');
  std::istringstream in(big + "\n" + std::string(3 << 20, '1') + "e-9999999\n" +
                        std::string("\0\xff\n", 3) + std::string(" 12\0\n", 5));
  Replies r(in, c.unit);
  EXPECT_THROW(r.real(0), Failure);  // four million digits overflow a float
  EXPECT_EQ(r.real(1), 0.0f);
  EXPECT_THROW(r.integer(), Failure);
  EXPECT_THROW(r.integer(), Failure);  // the NUL is part of the item
}

TEST(Replies, FlushesTheConsoleOnlyWhenTheInputMustBeRead) {
  std::istringstream in("1\n");
  std::ostringstream out;
  Unit console(&out, "a consola");
  Replies r(in, console);
  console.prompt(Layout().text("? "));
  EXPECT_EQ(r.integer(), 1);
  EXPECT_EQ(out.str(), "? ");
}

}  // namespace
}  // namespace zireze::io
