// The questions on a stand thinned in the past (the menu ITINP and the
// questions of STINP, WPINP and SAINP); the model derives the stand.
#include "input/thinned_input.h"

#include <array>

#include "dialogue/questions.h"
#include "io/session_lines.h"
#include "refusals.h"
#include "stand.h"

namespace zireze {

using io::Layout;

namespace {

// Trees per hectare in 5-cm classes, ended by a count below -0.0001 or after
// the fiftieth class. Counts without a tree are asked again from class 1.
Stand counts(Session& s, float IDADE, float SI, float HD) {
  io::counts_heading(s.out.report);
  // The blanks inside the two lines are the program's own.
  s.out.console.line(Layout().text(
      "INTRODUZA O NUMERO DE ARVORES POR HECT. EM CADA          CLASSE DE DIAMETRO."));
  s.out.console.line(
      Layout().text(" UM -9 INDICA NAO HAVER ARVORES NESSA E PARA ALEM DESSA   CLASSE DE DAP."));

  std::array<float, kMostClasses> RN;
  int n = 0;  // classes entered
  for (;;) {
    RN.fill(0.0f);
    n = 0;
    for (int i = 1; i <= kMostClasses; ++i) {
      s.out.console.line(
          Layout().X(5).I(2, i).X(1).text("-A").X(3).text("CLASSE DE DIAMETRO DE 5 CTMS. ?"));
      const float count = s.replies.real(RN[i - 1]);
      if (count < -0.0001f) break;
      RN[i - 1] = count;
      n = i;
    }
    const char* reason = counts_refusal(std::span(RN.data(), n));
    if (!reason) break;
    refuse(s, reason);
  }
  return stand_from_counts(IDADE, SI, HD, std::span(RN.data(), n));
}

// The trees and the three Weibull parameters.
Stand weibull(Session& s, float IDADE, float SI, float HD) {
  io::weibull_heading(s.out.report);
  // Before its first reply TS is not given (-9); the others are 0.
  const float TS =
      ask_real(s, "INTRODUZA O NUM. DE ARVORES VIVAS POR HECTARE", -9.0f, positive_refusal);
  // Two blanks before the parameter's letter, as the program has them.
  const float A =
      ask_real(s, "INTRODUZA O PARAMETRO DE LOCALIZACAO DE WEIBUL  A", 0.0f, negative_refusal);
  const float B =
      ask_real(s, "INTRODUZA O PARAMETRO DE ESCALA DE WEIBUL  B", 0.0f, positive_refusal);
  const float C =
      ask_real(s, "INTRODUZA O PARAMETRO DE FORMA DE WEIBUL  C", 0.0f, positive_refusal);
  GammaComplaints complaints;
  Stand stand = stand_from_weibull(IDADE, SI, HD, TS, A, B, C, &complaints);
  io::gamma_lines(s.out.report, complaints);
  io::weibull_echo(s.out.report, TS, A, B, C);
  return stand;
}

// Trees, basal area, minimum diameter and P90.
Stand attributes(Session& s, float IDADE, float SI, float HD) {
  io::attributes_heading(s.out.report);
  // Before their first reply TS and BA are not given (-9); DMIN and P90 are 0.
  const float TS =
      ask_real(s, "INTRODUZA O NUM. DE ARVORES VIVAS POR HECTARE", -9.0f, positive_refusal);
  const float BA = ask_real(s, "INTRODUZA A AREA BASAL POR HECTARE", -9.0f, positive_refusal);
  const float DMIN = ask_real(s, "INTRODUZA O DIAMETRO MINIMO", 0.0f, negative_refusal);
  const float P90 = ask_real(s, "INTRODUZA O DIAMETRO CORRESPONDENTE AO 90 PERCENTIL", 0.0f,
                             [DMIN](float x) { return p90_refusal(x, DMIN); });
  io::attributes_echo(s.out.report, TS, BA, DMIN, P90);
  return stand_from_attributes(IDADE, SI, HD, TS, BA, DMIN, P90);
}

}  // namespace

// Any choice but 2 or 3 (0, 4, -1 ...) asks for the counts, without a word.
Stand ask_thinned_stand(Session& s, float IDADE, float SI, float HD) {
  s.out.console.line(Layout().text("PARA POVOAMENTOS PREVIAMENTE DESBASTADOS ESCOLHA INTRODUZIR"));
  s.out.console.line(Layout().text("(1) NUMERO DE ARVORES POR CLASSE DE DIAMETRO,"));
  s.out.console.line(Layout().text("(2) PARAMETROS DE WEIBUL OU"));
  s.out.console.line(Layout().text("(3) PARAMETROS DO POVOAMENTO."));
  const int choice = s.replies.integer();
  if (choice == 2) return weibull(s, IDADE, SI, HD);
  if (choice == 3) return attributes(s, IDADE, SI, HD);
  return counts(s, IDADE, SI, HD);
}

}  // namespace zireze
