#include "io/session_lines.h"

#include <sstream>

namespace zireze::io {

void title_block(Units out) {
  out.both(Layout()
               .text("MODELO DE CRESCIMENTO E PRODUCAO PARA O PINHEIRO BRAVO - MATA DE ZIREZE")
               .slash(5));
  out.both(Layout().text("PARAMETROS INICIAIS DO POVOAMENTO"));
  // Each group of hyphens stands one column right of the word it underlines.
  out.both(Layout().text(" ---------- -------- -- ----------"));
}

void history_line(Unit& report, bool unthinned) {
  report.line(Layout().slash(1).text(unthinned ? "POVOAMENTO NAO DESBASTADO"
                                               : "POVOAMENTO PREVIAMENTE DESBASTADO"));
}

void site_line(Unit& report, float SI, float HD) {
  report.line(Layout().text("SI = ").I(3, SI).X(5).text("HD = ").F(4, 1, HD));
}

void density_line(Unit& report, float TS, float BA, float TP) {
  if (TS > 0.0f) {
    report.line(Layout().text("TS = ").I(4, TS));
  } else if (BA > 0.0f) {
    report.line(Layout().text("BA = ").F(4, 1, BA));
  } else {
    report.line(Layout().text("TP = ").I(4, TP));
  }
}

void counts_heading(Unit& report) { report.line(Layout().text("INTRODUZIDAS TS/CLASSE DE DAP")); }

// The A with a circumflex is the Latin-1 byte 0xC2.
void weibull_heading(Unit& report) {
  report.line(Layout().text("INTRODUZIDOS OS PAR\xC2METROS DE WEIBUL"));
}

void weibull_echo(Unit& report, float TS, float A, float B, float C) {
  Layout echo;
  echo.text("TS =").I(4, TS).X(5).text("A =").F(5, 2, A).X(5);
  echo.text("B =").F(5, 2, B).X(5).text("C =").F(5, 2, C);
  report.line(echo);
}

void attributes_heading(Unit& report) {
  report.line(Layout().text("INTRODUZIDOS OS PAR\xC2METROS DO POVOAMENTO"));
}

void attributes_echo(Unit& report, float TS, float BA, float DMIN, float P90) {
  Layout echo;
  echo.text("TS =").I(4, TS).X(5).text("BA =").F(4, 1, BA).X(5);
  echo.text("DMIN =").F(4, 1, DMIN).X(5).text("P90 =").F(4, 1, P90);
  report.line(echo);
}

void gamma_lines(Unit& report, const GammaComplaints& complaints) {
  for (int i = 0; i < complaints.count && i < 2; ++i) {
    // The leading "0" is the line's own first character, printed as it is.
    report.line(Layout()
                    .text("0")
                    .X(10)
                    .text("ARGUMENTO DADO A FUNCAO GAMA .LE. ZERO, ARGUMENTO = ")
                    .F(15, 8, complaints.arguments[i]));
  }
}

void row_thinning_line(Unit& report, float percent) {
  report.line(Layout().text("DESBASTE MECANICO : RETIRADO ").F(4, 1, percent).text("%"));
}

void selective_thinning_line(Unit& report, float residual) {
  report.line(Layout().text("DESBASTE SELECTIVO : AREA BASAL RESIDUAL = ").F(4, 1, residual));
}

void stand_heading(Units out, const char* heading) { out.both(Layout().slash(5).text(heading)); }

namespace {

void heading_lines(Units out) {
  out.both(Layout()
               .X(2)
               .text("DAP")
               .X(5)
               .text("N.ARV.")
               .X(4)
               .text("AREA BASAL")
               .X(4)
               .text("ALTURA")
               .X(4)
               .text("VOL.TOT.")
               .X(4)
               .text("VOL.ROL.")
               .X(4)
               .text("VOL.MAD."));
}

void separator_line(Units out) {
  out.both(Layout()
               .text(" ")
               .text("---")
               .X(5)
               .text("------")
               .X(4)
               .text("----------")
               .X(4)
               .text("------")
               .X(4)
               .text("--------")
               .X(4)
               .text("--------")
               .X(4)
               .text("--------"));
}

}  // namespace

Layout class_line(const TableClass& c) {
  Layout line;
  line.text(" ")
      .I(3, c.dap)
      .X(1)
      .F(10, 1, c.n)
      .X(2)
      .F(10, 1, c.g)
      .X(2)
      .F(10, 1, c.h)
      .X(4)
      .F(8, 2, c.vol_tot)
      .X(4)
      .F(8, 2, c.vol_rol)
      .X(4)
      .F(8, 2, c.vol_mad);
  return line;
}

// The volume totals are one column wider than the class volumes.
Layout totals_line(const TableTotals& t) {
  Layout line;
  line.text(" ")
      .X(4)
      .F(10, 1, t.n)
      .X(2)
      .F(10, 1, t.g)
      .X(2)
      .F(10, 1, t.h)
      .X(3)
      .F(9, 2, t.vol_tot)
      .X(3)
      .F(9, 2, t.vol_rol)
      .X(3)
      .F(9, 2, t.vol_mad);
  return line;
}

void stand_table(Units out, const StandTable& t) {
  out.console.line(Layout().text("IDADE DO POVOAMENTO = ").I(3, t.IDADE));
  out.console.line(Layout().text("CLASSE DE QUALIDADE = ").I(3, t.SI));
  out.report.line(
      Layout().text("IDADE = ").I(3, t.IDADE).X(12).text("CLASSE DE QUALIDADE = ").I(3, t.SI));
  out.console.line(Layout().text("ALTURA DOMINANTE = ").F(5, 1, t.HD));
  // The quadratic mean diameter is worked out here, so any complaint of the
  // gamma function comes before the line that shows it.
  gamma_lines(out.report, t.gamma);
  out.console.line(Layout().text("DIAMETRO MEDIO = ").F(5, 1, t.DQ));
  out.report.line(Layout()
                      .text("ALT. DOMINANTE = ")
                      .F(4, 1, t.HD)
                      .X(6)
                      .text("DIAMETRO MEDIO = ")
                      .F(4, 1, t.DQ));
  out.both(Layout()
               .text("PARAM. DE WEIBUL: A =")
               .F(5, 2, t.A)
               .X(3)
               .text("B =")
               .F(5, 2, t.B)
               .X(3)
               .text("C =")
               .F(5, 2, t.C));
  if (t.bark == 0) {
    out.report.line(Layout().slash().X(5).text("(Volumes sem casca, corte a 0.15m)"));
  } else {
    out.report.line(Layout().X(5).text("(Volumes com casca, corte a 0.15m)"));
  }

  heading_lines(out);
  separator_line(out);
  for (const TableClass& c : t.classes) out.both(class_line(c));
  separator_line(out);
  out.both(totals_line(t.totals));
}

std::string stand_table_text(const StandTable& table, bool console) {
  std::ostringstream text;
  Unit written(&text, "the table");
  Unit discarded(nullptr, "");
  stand_table(console ? Units{written, discarded} : Units{discarded, written}, table);
  return text.str();
}

}  // namespace zireze::io
