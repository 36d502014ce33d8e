#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "dialogue/questions.h"
#include "io/reply.h"
#include "io/unit.h"

namespace zireze {
namespace {

// The questions on a thinned stand (age 30, site class 16) run on typed
// replies, with their console and report.
struct Input {
  explicit Input(const std::string& typed) : in(typed), replies(in, con) {}
  void ask() { stand = ask_thinned_stand(session, 30.0f, 16.0f, -9.0f); }
  std::istringstream in;
  std::ostringstream con_s, rep_s;
  io::Unit con{&con_s, "a consola"}, rep{&rep_s, "o relatorio"};
  io::Replies replies;
  Session session{replies, {con, rep}};
  Stand stand;
};

int count(const std::string& s, const std::string& part) {
  int n = 0;
  for (auto i = s.find(part); i != std::string::npos; i = s.find(part, i + 1)) ++n;
  return n;
}

TEST(ThinnedStandQuestions, AnyChoiceButTwoOrThreeAsksForCounts) {
  for (const char* choice : {"1", "0", "7", "-1"}) {
    Input t(std::string(choice) + "\n100\n-9\n");
    t.ask();
    EXPECT_EQ(t.rep_s.str(), "INTRODUZIDAS TS/CLASSE DE DAP\n") << choice;
  }
  Input weibull("2\n1000\n5\n10\n2\n");
  weibull.ask();
  EXPECT_EQ(weibull.rep_s.str().rfind("INTRODUZIDOS OS PAR\xC2METROS DE WEIBUL\n", 0), 0u);
}

TEST(ThinnedStandQuestions, FiftyCountsEndTheInputWithoutATerminator) {
  std::string typed = "1\n";
  for (int i = 0; i < 50; ++i) typed += "2\n";
  Input t(typed + "7\n");
  t.ask();
  EXPECT_EQ(t.stand.TS, 100.0f);
  EXPECT_EQ(count(t.con_s.str(), "CLASSE DE DIAMETRO DE 5 CTMS. ?"), 50);
  EXPECT_NE(t.con_s.str().find("     50 -A   CLASSE"), std::string::npos);
  EXPECT_EQ(t.stand.DMIN, 2.5f);
  // 2 trees in each class centred on 5i: 0.000078539 * 2 * 25 * (sum of i^2 = 42925)
  EXPECT_NEAR(t.stand.BA, 168.564f, 0.01f);
  EXPECT_EQ(t.replies.integer(), 7);  // the reply after the fiftieth class is left alone
}

TEST(ThinnedStandQuestions, SmallNegativeCountCountsAndOneBelowMinusPoint0001EndsTheInput) {
  Input t("1\n10\n-0.00005\n20\n-0.001\n30\n");
  t.ask();
  EXPECT_FLOAT_EQ(t.stand.TS, 30.0f - 0.00005f);
  EXPECT_EQ(t.replies.integer(), 30);
}

TEST(ThinnedStandQuestions, CountsWithoutTreesAreAskedAgainFromClassOneWithCountsCleared) {
  // TS ends at -0.00005; after the refusal a slash reads 0, not the old count.
  Input t("1\n0.00005\n-0.0001\n-9\n/\n/\n100\n-9\n");
  t.ask();
  EXPECT_EQ(count(t.con_s.str(),
                  "VALOR NAO ACEITE: NENHUMA CLASSE DE DIAMETRO TEM ARVORES\n"
                  "      1 -A   CLASSE"),
            1);
  EXPECT_EQ(count(t.con_s.str(), "INTRODUZA O NUMERO"), 1);
  EXPECT_EQ(t.stand.TS, 100.0f);
  EXPECT_EQ(t.stand.DMIN, 12.5f);
  EXPECT_EQ(t.rep_s.str(), "INTRODUZIDAS TS/CLASSE DE DAP\n");
}

TEST(ThinnedStandQuestions, WeibullSlashBeforeAnyTreesIsRefusedAndZeroLocationAccepted) {
  Input t("2\n/\n800\n0\n12\n2.5\n");  // the slash keeps TS at -9
  t.ask();
  EXPECT_EQ(count(t.con_s.str(),
                  "VALOR NAO ACEITE: TEM DE SER MAIOR QUE ZERO\n"
                  "INTRODUZA O NUM. DE ARVORES VIVAS POR HECTARE\n"),
            1);
  EXPECT_EQ(count(t.con_s.str(), "VALOR NAO ACEITE"), 1);
  EXPECT_EQ(t.rep_s.str(),
            "INTRODUZIDOS OS PAR\xC2METROS DE WEIBUL\n"
            "TS = 800     A = 0.00     B =12.00     C = 2.50\n");
}

TEST(ThinnedStandQuestions, AttributesSlashBeforeAnyBasalAreaAndP90EqualToDminAreRefused) {
  Input t("3\n900\n/\n25\n0\n0\n28\n");  // the slash keeps BA at -9
  t.ask();
  EXPECT_EQ(count(t.con_s.str(),
                  "VALOR NAO ACEITE: TEM DE SER MAIOR QUE ZERO\n"
                  "INTRODUZA A AREA BASAL POR HECTARE\n"),
            1);
  EXPECT_EQ(count(t.con_s.str(),
                  "VALOR NAO ACEITE: TEM DE SER MAIOR QUE O DIAMETRO MINIMO\n"
                  "INTRODUZA O DIAMETRO CORRESPONDENTE AO 90 PERCENTIL\n"),
            1);
  EXPECT_EQ(count(t.con_s.str(), "VALOR NAO ACEITE"), 2);
  EXPECT_EQ(t.stand.A, 0.0f);
  EXPECT_EQ(t.rep_s.str(),
            "INTRODUZIDOS OS PAR\xC2METROS DO POVOAMENTO\n"
            "TS = 900     BA =25.0     DMIN = 0.0     P90 =28.0\n");
}

}  // namespace
}  // namespace zireze
