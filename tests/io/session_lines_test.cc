#include "io/session_lines.h"

#include <gtest/gtest.h>

#include <sstream>

namespace zireze::io {
namespace {

TEST(SessionLines, ThinningAndGammaLinesGoToTheReport) {
  std::ostringstream rep_s;
  Unit rep(&rep_s, "o relatorio");
  for (float percent : {50.0f, 100.0f * 0.33333334f, 100.0f * 0.16666667f})
    row_thinning_line(rep, percent);
  selective_thinning_line(rep, 7.5f);
  selective_thinning_line(rep, 99.96f);                                // 100.0 does not fit F4.1
  GammaComplaints complaints{.count = 3, .arguments = {-1.0f, 0.0f}};  // two kept
  gamma_lines(rep, complaints);
  const std::string gamma = "0          ARGUMENTO DADO A FUNCAO GAMA .LE. ZERO, ARGUMENTO = ";
  EXPECT_EQ(rep_s.str(),
            "DESBASTE MECANICO : RETIRADO 50.0%\n"
            "DESBASTE MECANICO : RETIRADO 33.3%\n"
            "DESBASTE MECANICO : RETIRADO 16.7%\n"
            "DESBASTE SELECTIVO : AREA BASAL RESIDUAL =  7.5\n"
            "DESBASTE SELECTIVO : AREA BASAL RESIDUAL = ****\n" +
                gamma + "    -1.00000000\n" + gamma + "     0.00000000\n");
}

}  // namespace
}  // namespace zireze::io
