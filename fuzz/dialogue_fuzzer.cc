// Arbitrary bytes as the whole console input of one session, run in-process.
// The console is measured and dropped; the report goes to memory, where
// writes past a limit fail as on a full disk; no file is made. Besides what the
// sanitizers catch, every session must
//  - end with status 0 and nothing on standard error, or 1 and one line;
//  - never end 0 when the report could not be created or a write to it failed;
//  - write only printable text, and a bounded console output per input byte;
//  - show no stand table of more than 32 class lines;
//  - give the same status, console and report when run again.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <string_view>

#include "check.h"
#include "dialogue/dialogue.h"

namespace zireze::fuzz {
namespace {

// A table has at most 31 classes (centres 0 to 150); 32 leaves one spare.
constexpr int kMostClassLines = 32;
// A stand table is 3 KB of console at most, and a pass of ten input bytes
// ("1", "2", "/", "/", "0") shows two: some 600 bytes per input byte. The
// bound is generous, and still fails any output that runs on without input.
constexpr std::size_t kConsoleBytesPerInputByte = 2048;
constexpr std::size_t kConsoleBytesAtStart = 64 * 1024;
constexpr std::size_t kReportLimit = 256 * 1024;

bool printable(char c) { return (c >= 0x20 && c < 0x7F) || c == '\n'; }

// 64-bit FNV-1a: compares two runs without keeping their output.
struct Hash {
  std::uint64_t value = 14695981039346656037ull;
  void add(char c) {
    value ^= static_cast<unsigned char>(c);
    value *= 1099511628211ull;
  }
};

// Bytes go through put() one at a time.
class ByteSink : public std::streambuf {
 protected:
  virtual bool put(char c) = 0;

  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    return put(traits_type::to_char_type(c)) ? c : traits_type::eof();
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    std::streamsize done = 0;
    while (done < n && put(s[done])) ++done;
    return done;
  }
};

// The console: counted and hashed, not kept. The class lines of each stand
// table, the lines between its two rule lines, are counted.
class ConsoleSink : public ByteSink {
 public:
  std::size_t bytes = 0;
  int longest_table = 0;
  Hash hash;

 protected:
  bool put(char c) override {
    check(printable(c), "the console shows printable text only");
    ++bytes;
    hash.add(c);
    if (c != '\n') {
      if (line_.size() < kRule.size()) line_ += c;
      return true;
    }
    if (line_ == kRule) {
      in_table_ = !in_table_;
      rows_ = 0;
    } else if (in_table_) {
      longest_table = std::max(longest_table, ++rows_);
    }
    line_.clear();
    return true;
  }

 private:
  static constexpr std::string_view kRule = " ---     ------";
  std::string line_;  // the start of the current line
  bool in_table_ = false;
  int rows_ = 0;
};

// The report: hashed up to kReportLimit bytes, then every write fails.
class ReportSink : public ByteSink {
 public:
  std::size_t bytes = 0;
  bool full = false;
  Hash hash;

 protected:
  bool put(char c) override {
    // Two report headings hold a capital A with circumflex, 0xC2 in Latin-1.
    check(printable(c) || c == '\xC2', "the report holds printable Latin-1 text only");
    if (bytes == kReportLimit) {
      full = true;
      return false;
    }
    ++bytes;
    hash.add(c);
    return true;
  }
};

struct Outcome {
  int status = 0;
  std::string err;
  std::size_t console_bytes = 0;
  std::uint64_t console_hash = 0;
  std::uint64_t report_hash = 0;
  bool operator==(const Outcome&) const = default;
};

Outcome run(std::string_view input) {
  std::istringstream in{std::string(input)};
  ConsoleSink console;
  std::ostream out(&console);
  std::ostringstream err;
  ReportSink report;
  int opened = 0;
  bool created = false;
  auto open_report = [&](const std::string& name,
                         std::string& why) -> std::unique_ptr<std::ostream> {
    ++opened;
    check(!name.empty() && name.size() <= 20, "the report name is 1 to 20 bytes");
    // A name with a slash stands for one in a folder that does not exist.
    if (name.find('/') != std::string::npos) {
      why = "No such file or directory";
      return nullptr;
    }
    created = true;
    return std::make_unique<std::ostream>(&report);
  };

  Outcome o;
  o.status = MAIN(in, out, err, open_report);
  o.err = err.str();
  o.console_bytes = console.bytes;
  o.console_hash = console.hash.value;
  o.report_hash = report.hash.value;

  check(o.status == 0 || o.status == 1, "the status is 0 or 1");
  if (o.status == 0) {
    check(o.err.empty(), "a normal end writes nothing on standard error");
  } else {
    check(o.err.size() > 1 && o.err.find('\n') == o.err.size() - 1,
          "a failure end writes one line on standard error");
  }
  check(opened <= 1, "the report is created once");
  check(created || (o.status == 1 && report.bytes == 0), "without a report the run fails");
  check(!report.full || o.status == 1, "a failed report write ends the run with status 1");
  check(console.bytes <= kConsoleBytesPerInputByte * (input.size() + 1) + kConsoleBytesAtStart,
        "console output stays within a bound per input byte");
  check(console.longest_table <= kMostClassLines, "a stand table has at most 32 class lines");
  return o;
}

}  // namespace
}  // namespace zireze::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  zireze::fuzz::Outcome first = zireze::fuzz::run(input);
  zireze::fuzz::Outcome again = zireze::fuzz::run(input);
  zireze::fuzz::check(first == again, "a session gives the same output when run again");
  return 0;
}
