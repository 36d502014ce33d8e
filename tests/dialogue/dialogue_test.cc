#include "dialogue/dialogue.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "growth/unthinned.h"

namespace zireze {
namespace {

// Accepts `room` bytes, then fails every write: a disk that fills up.
class FullDisk : public std::streambuf {
 public:
  explicit FullDisk(std::size_t room) : room_(room) {}

 protected:
  int_type overflow(int_type c) override {
    if (room_ == 0) return traits_type::eof();
    --room_;
    return traits_type::not_eof(c);
  }

 private:
  std::size_t room_;
};

// Takes every write but fails when flushed: an error that shows only when
// the buffered bytes go out.
class FailsOnFlush : public std::stringbuf {
 protected:
  int sync() override { return -1; }
};

struct Session {
  int status = -1;
  std::string out, err, report;
  std::vector<std::string> names;  // the names the report was opened under
};

std::string replies(std::initializer_list<const char*> lines) {
  std::string s;
  for (const char* l : lines) s += std::string(l) + "\n";
  return s;
}

Session run(const std::string& input, std::streambuf* report_buf = nullptr,
            std::streambuf* out_buf = nullptr) {
  Session r;
  std::istringstream in(input);
  std::ostringstream out, err;
  std::stringbuf report;
  std::ostream console(out_buf ? out_buf : out.rdbuf());
  r.status = MAIN(in, console, err, [&](const std::string& name, std::string&) {
    r.names.push_back(name);
    return std::make_unique<std::ostream>(report_buf ? report_buf : &report);
  });
  r.out = out.str();
  r.err = err.str();
  r.report = report.str();
  return r;
}

int count(const std::string& s, const std::string& part) {
  int n = 0;
  for (auto i = s.find(part); i != std::string::npos; i = s.find(part, i + 1)) ++n;
  return n;
}

bool ends_with(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

void expect_failure_end(const Session& r) {
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(count(r.err, "\n"), 1) << r.err;
  EXPECT_EQ(r.err.rfind("zireze: ", 0), 0u) << r.err;
}

TEST(ReportName, IsTheFirstTwentyBytesWithoutTrailingSpaces) {
  EXPECT_EQ(run("  a_report_name_longer_than_twenty\n1\n").names,
            std::vector<std::string>{"  a_report_name_long"});
  EXPECT_EQ(run("ab                  cd\n1\n").names, std::vector<std::string>{"ab"});
}

TEST(ReportName, UncreatableFileEndsTheRunAfterThePrompt) {
  std::istringstream in("x/y.txt\n1\n30\n");
  std::ostringstream out, err;
  int status = MAIN(in, out, err, [](const std::string&, std::string& why) {
    why = "No such file or directory";
    return std::unique_ptr<std::ostream>();
  });
  EXPECT_EQ(status, 1);
  EXPECT_EQ(out.str(), "NOME DE FICHEIRO DE SAIDA: ");
  EXPECT_EQ(count(err.str(), "\n"), 1);
  EXPECT_NE(err.str().find("\"x/y.txt\": No such file or directory"), std::string::npos);

  std::string why;
  EXPECT_EQ(open_report_file("/no/such/folder/rep.txt", why), nullptr);
  EXPECT_FALSE(why.empty());
}

TEST(Rejections, AskAgainOnTheConsoleAndLeaveTheReportAlone) {
  Session plain =
      run(replies({"rep", "1", "30", "16", "1", "1000", "0", "1", "2", "20", "35", "1"}));
  Session refused = run(replies({"rep", "1", "0",  "-3", "/",    "30",  // age
                                 "0",   "0", "-1", "/",  "16",          // site class and height
                                 "1",   "0", "0",  "0",  "1000",        // density
                                 "0",   "1", "2",  "0",  "999",  "/",  "20",  // residual basal area
                                 "10",  "/", "35", "1"}));                    // projection age
  ASSERT_EQ(plain.status, 0);
  ASSERT_EQ(refused.status, 0);
  EXPECT_EQ(refused.report, plain.report);
  // Every refusal shows its line; the console bytes are pinned by the reference runs.
  EXPECT_EQ(count(refused.out, "VALOR NAO ACEITE: "), 3 + 2 + 1 + 3 + 2);
}

TEST(Rejections, CurrentAgeAndBasalAreaAreAcceptedAsLimits) {
  float SI = 16.0f, HD = -9.0f, TS = 1000.0f, BA = -9.0f, TP = -9.0f, DMIN, A, B, C;
  USTAND(30.0f, SI, HD, TS, BA, TP, DMIN, A, B, C);
  char current[32];
  std::snprintf(current, sizeof current, "%.9g", static_cast<double>(BA));
  Session r =
      run(replies({"rep", "1", "30", "16", "1", "1000", "0", "1", "2", current, "30", "1"}));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(count(r.out, "VALOR NAO ACEITE"), 0);
}

TEST(Rejections, SlashStartsFromZeroThenFromThePreviousReply) {
  Session r = run(replies({"rep", "1", "30", "16", "1", "1000", "0", "1", "2", "/", "20", "/", "35",
                           "0",                         // first pass: slashes read 0
                           "1", "2", "/", "/", "1"}));  // second: 20 and 35 again
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(count(r.out, "VALOR NAO ACEITE: A AREA BASAL RESIDUAL"), 1);
  EXPECT_EQ(count(r.out, "VALOR NAO ACEITE: A IDADE DE PROJECCAO"), 1);
  EXPECT_EQ(count(r.report, "AREA BASAL RESIDUAL = 20.0"), 2);
  EXPECT_EQ(count(r.report, "CARACTERISTICAS DO POVOAMENTO PROJECTADO"), 2);
}

TEST(ProjectionLoop, FirstRowAnswerThatIsNotZeroChoosesTheFraction) {
  Session r =
      run(replies({"rep", "1", "30", "16", "1", "1000", "0", "1", "3", "0", "0", "-1", "35", "1"}));
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("UMA EM CADA QUATRO LINHAS ?\n\n"), std::string::npos);
  EXPECT_EQ(r.out.find("CINCO"), std::string::npos);
  EXPECT_NE(r.report.find("DESBASTE MECANICO : RETIRADO 25.0%"), std::string::npos);
}

TEST(FailureEnd, UnreadableReplyKeepsEverythingWrittenBeforeIt) {
  Session stopped = run(replies({"rep", "1", "30", "16", "1", "1000", "1"}));
  Session letter = run(replies({"rep", "1", "30", "16", "1", "1000", "x"}));
  expect_failure_end(letter);
  EXPECT_EQ(letter.out, stopped.out);  // nothing is echoed, nothing follows
  EXPECT_EQ(letter.report, stopped.report);

  // Mid-loop, after a thinned table: the same bytes as when the input ends there.
  const char* thinned[] = {"rep", "1", "30", "16", "1", "1000", "0", "1", "1", "1"};
  std::string head;
  for (const char* l : thinned) head += std::string(l) + "\n";
  Session letter_in_loop = run(head + "3O\n");
  Session ended = run(head);
  expect_failure_end(letter_in_loop);
  expect_failure_end(ended);
  EXPECT_EQ(letter_in_loop.out, ended.out);
  EXPECT_EQ(letter_in_loop.report, ended.report);
  EXPECT_TRUE(ends_with(letter_in_loop.out, "INTRODUZA A IDADE DE PROJECCAO DO POVOAMENTO\n"));
  EXPECT_NE(letter_in_loop.report.find("CARACTERISTICAS DO POVOAMENTO APOS DESBASTE"),
            std::string::npos);
}

TEST(FailureEnd, InputEndingEndsTheRun) {
  Session empty = run("");
  expect_failure_end(empty);
  EXPECT_TRUE(empty.names.empty());
  EXPECT_EQ(empty.out, "NOME DE FICHEIRO DE SAIDA: ");

  Session counts = run(replies({"rep", "1", "30", "16", "2", "1", "100"}));
  expect_failure_end(counts);
  EXPECT_TRUE(ends_with(counts.report, "INTRODUZIDAS TS/CLASSE DE DAP\n"));
  EXPECT_TRUE(ends_with(counts.out, "      2 -A   CLASSE DE DIAMETRO DE 5 CTMS. ?\n"));
}

TEST(FailureEnd, ReportThatCannotBeWrittenIsNeverANormalEnd) {
  const std::string session = replies({"rep", "1", "30", "16", "1", "1000", "1"});
  FullDisk full(100);
  expect_failure_end(run(session, &full));
  FailsOnFlush unflushed;
  expect_failure_end(run(session, &unflushed));
  FullDisk closed_console(50);
  expect_failure_end(run(session, nullptr, &closed_console));
}

}  // namespace
}  // namespace zireze
