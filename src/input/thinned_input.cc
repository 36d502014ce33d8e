#include "input/thinned_input.h"

#include <cmath>

#include "distribution/recovery.h"
#include "distribution/weibull.h"
#include "io/layout.h"
#include "io/unit.h"

namespace zireze {

using io::Layout;

namespace {

// A reply the models cannot use: the reason on the console, and the
// question is asked again.
void refuse(const char* reason) {
  io::console().line(Layout().text("VALOR NAO ACEITE: ").text(reason));
}

// Asks `prompt` until a reply passes: `why_not` gives the reason a value is
// refused, or null. `value` is what a slash keeps.
template <typename WhyNot>
float ask(io::Replies& replies, const char* prompt, float value, WhyNot why_not) {
  for (;;) {
    io::console().line(Layout().text(prompt));
    value = replies.real(value);
    const char* reason = why_not(value);
    if (!reason) return value;
    refuse(reason);
  }
}

const char* positive(float x) { return x > 0.0f ? nullptr : "TEM DE SER MAIOR QUE ZERO"; }
const char* not_negative(float x) { return x < 0.0f ? "NAO PODE SER NEGATIVO" : nullptr; }

}  // namespace

void ITINP(io::Replies& replies, float& TS, float& BA, float& DMIN, float& A, float& B, float& C) {
  io::console().line(Layout().text("PARA POVOAMENTOS PREVIAMENTE DESBASTADOS ESCOLHA INTRODUZIR"));
  io::console().line(Layout().text("(1) NUMERO DE ARVORES POR CLASSE DE DIAMETRO,"));
  io::console().line(Layout().text("(2) PARAMETROS DE WEIBUL OU"));
  io::console().line(Layout().text("(3) PARAMETROS DO POVOAMENTO."));
  int choice = replies.integer();
  if (choice == 2) {
    WPINP(replies, TS, BA, DMIN, A, B, C);
  } else if (choice == 3) {
    SAINP(replies, TS, BA, DMIN, A, B, C);
  } else {
    STINP(replies, TS, BA, DMIN, A, B, C);
  }
}

// Trees per hectare in 5-cm classes (class i centred on 5i cm), ended by a
// count below -0.0001 or after the fiftieth class. P90 is interpolated
// linearly inside the class where 90 % of the trees is reached.
void STINP(io::Replies& replies, float& TS, float& BA, float& DMIN, float& A, float& B, float& C) {
  io::report().line(Layout().text("INTRODUZIDAS TS/CLASSE DE DAP"));
  io::console().line(Layout().text(
      "INTRODUZA O NUMERO DE ARVORES POR HECT. EM CADA          CLASSE DE DIAMETRO."));
  io::console().line(
      Layout().text(" UM -9 INDICA NAO HAVER ARVORES NESSA E PARA ALEM DESSA   CLASSE DE DAP."));

  float RN[50];
  int n = 0;  // classes entered
  for (;;) {
    for (float& count : RN) count = 0.0f;
    TS = 0.0f;
    n = 0;
    for (int i = 1; i <= 50; ++i) {
      io::console().line(
          Layout().X(5).I(2, i).X(1).text("-A").X(3).text("CLASSE DE DIAMETRO DE 5 CTMS. ?"));
      RN[i - 1] = replies.real(RN[i - 1]);
      if (RN[i - 1] < -0.0001f) {
        RN[i - 1] = 0.0f;
        break;
      }
      TS = TS + RN[i - 1];
      n = i;
    }
    if (TS > 0.0f) break;
    refuse("NENHUMA CLASSE DE DIAMETRO TEM ARVORES");
  }

  // k is the first class where the running sum is no longer below t; S is
  // the sum of the classes before it. The loop stops at the last class
  // entered, which the running sum reaches since it ends at TS.
  float t = 0.9f * TS;
  float S = 0.0f;
  int k = 1;
  while (k < n && S + RN[k - 1] < t) {
    S = S + RN[k - 1];
    ++k;
  }
  float R = t - S;
  float P90 = 5.0f * (static_cast<float>(k - 1) + 0.5f + R / RN[k - 1]);

  BA = 0.0f;
  for (int i = 1; i <= n; ++i) {
    float D = 5.0f * static_cast<float>(i);
    BA = BA + 0.000078539f * RN[i - 1] * (D * D);
  }

  int first = 1;
  while (first < n && RN[first - 1] == 0.0f) ++first;
  DMIN = 5.0f * static_cast<float>(first) - 2.5f;
  A = 0.9f * DMIN;
  CFIND(BA, TS, A, P90, C);
  B = (P90 - A) / std::pow(2.99573f, 1.0f / C);
}

// The three Weibull parameters and the trees typed; the minimum diameter and
// the basal area follow from them.
void WPINP(io::Replies& replies, float& TS, float& BA, float& DMIN, float& A, float& B, float& C) {
  io::report().line(Layout().text("INTRODUZIDOS OS PAR\xC2METROS DE WEIBUL"));
  // Before its first reply TS is not given (-9); the others are 0.
  TS = ask(replies, "INTRODUZA O NUM. DE ARVORES VIVAS POR HECTARE", -9.0f, positive);
  A = ask(replies, "INTRODUZA O PARAMETRO DE LOCALIZACAO DE WEIBUL  A", 0.0f, not_negative);
  B = ask(replies, "INTRODUZA O PARAMETRO DE ESCALA DE WEIBUL  B", 0.0f, positive);
  C = ask(replies, "INTRODUZA O PARAMETRO DE FORMA DE WEIBUL  C", 0.0f, positive);

  DMIN = 1.111111f * A;  // a multiplication, not a division by 0.9
  float G1 = GAMMA(1.0f + 1.0f / C);
  float G2 = GAMMA(1.0f + 2.0f / C);
  float DQ2 = A * A + 2.0f * A * B * G1 + B * B * G2;
  BA = 0.000078539f * TS * DQ2;

  Layout echo;
  echo.text("TS =").I(4, TS).X(5).text("A =").F(5, 2, A).X(5);
  echo.text("B =").F(5, 2, B).X(5).text("C =").F(5, 2, C);
  io::report().line(echo);
}

// Trees, basal area, minimum diameter and P90 typed; the Weibull parameters
// are recovered from them.
void SAINP(io::Replies& replies, float& TS, float& BA, float& DMIN, float& A, float& B, float& C) {
  io::report().line(Layout().text("INTRODUZIDOS OS PAR\xC2METROS DO POVOAMENTO"));
  // Before their first reply TS and BA are not given (-9); DMIN and P90 are 0.
  TS = ask(replies, "INTRODUZA O NUM. DE ARVORES VIVAS POR HECTARE", -9.0f, positive);
  BA = ask(replies, "INTRODUZA A AREA BASAL POR HECTARE", -9.0f, positive);
  DMIN = ask(replies, "INTRODUZA O DIAMETRO MINIMO", 0.0f, not_negative);
  float P90 = ask(
      replies, "INTRODUZA O DIAMETRO CORRESPONDENTE AO 90 PERCENTIL", 0.0f,
      [DMIN](float x) { return x > DMIN ? nullptr : "TEM DE SER MAIOR QUE O DIAMETRO MINIMO"; });

  A = 0.9f * DMIN;
  CFIND(BA, TS, A, P90, C);
  B = (P90 - A) / std::pow(2.99573f, 1.0f / C);

  Layout echo;
  echo.text("TS =").I(4, TS).X(5).text("BA =").F(4, 1, BA).X(5);
  echo.text("DMIN =").F(4, 1, DMIN).X(5).text("P90 =").F(4, 1, P90);
  io::report().line(echo);
}

}  // namespace zireze
