#include "dialogue/dialogue.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <ostream>

#include "dialogue/questions.h"
#include "io/events.h"
#include "io/layout.h"
#include "io/reply.h"
#include "io/session_lines.h"
#include "io/unit.h"
#include "refusals.h"
#include "stand.h"

namespace zireze {

using io::Layout;

std::unique_ptr<std::ostream> open_report_file(const std::string& name, std::string& why) {
  if (name.find('\0') != std::string::npos) {
    why = "o nome contem um byte nulo";
    return nullptr;
  }
  auto file = std::make_unique<std::ofstream>(name, std::ios::binary | std::ios::trunc);
  if (!*file) {
    why = std::strerror(errno);
    return nullptr;
  }
  return file;
}

void refuse(Session& s, const char* reason) {
  s.out.console.line(Layout().text("VALOR NAO ACEITE: ").text(reason));
}

namespace {

// The name is asked until one is typed; then the file is created.
std::unique_ptr<std::ostream> create_report(io::Unit& console, io::Replies& replies,
                                            const ReportOpener& open_report) {
  std::string name;
  while (name.empty()) {
    console.prompt(Layout().text("NOME DE FICHEIRO DE SAIDA: "));
    name = replies.name();
  }
  std::string why;
  std::unique_ptr<std::ostream> file = open_report(name, why);
  if (!file)
    throw io::Failure("nao foi possivel criar o ficheiro \"" + io::printable(name) + "\": " + why);
  return file;
}

// The prompts of the opening questions keep their line open and the reply is
// typed after them; most later prompts end their line. Both are the
// program's own, and so are the six blanks written as X(1).X(5).

float ask_age(Session& s) {
  float IDADE = 0.0f;
  s.out.console.prompt(Layout().slash(1));
  for (;;) {
    s.out.console.prompt(Layout().text("INTRODUZA A IDADE DO POVOAMENTO: "));
    IDADE = s.replies.real(IDADE);
    const char* reason = age_refusal(IDADE);
    if (!reason) return IDADE;
    refuse(s, reason);
  }
}

// The site class, or the dominant height when no class is given.
void ask_site(Session& s, float& SI, float& HD) {
  s.out.console.line(Layout().slash(1).text("INTRODUZA CLASSE DE QUALIDADE OU ALTURA DOMINANTE"));
  for (;;) {
    s.out.console.prompt(Layout().X(1).X(5).text("CLASSE DE QUALIDADE ? "));
    SI = s.replies.real(SI);
    if (!(SI > 0.0f)) {
      s.out.console.prompt(Layout().X(1).X(5).text("ALTURA DOMINANTE ? "));
      HD = s.replies.real(HD);
    }
    const char* reason = site_refusal(SI, HD);
    if (!reason) return;
    refuse(s, reason);
  }
}

// One density figure of an unthinned stand: live trees, else basal area,
// else trees planted. The first question keeps its line open, the other two
// end it.
void ask_density(Session& s, float& TS, float& BA, float& TP) {
  s.out.console.line(
      Layout().text("INTRODUZA ARVORES VIVAS OU AREA BASAL OU ARVORES PLANTADAS POR HECTARE"));
  for (;;) {
    s.out.console.prompt(Layout().X(1).X(5).text("ARVORES VIVAS ? "));
    TS = s.replies.real(TS);
    if (!(TS > 0.0f)) {
      s.out.console.line(Layout().X(1).X(5).text("AREA BASAL ? "));
      BA = s.replies.real(BA);
      if (!(BA > 0.0f)) {
        s.out.console.line(Layout().X(1).X(5).text("ARVORES PLANTADAS ? "));
        TP = s.replies.real(TP);
      }
    }
    const char* reason = density_refusal(TS, BA, TP);
    if (!reason) return;
    refuse(s, reason);
  }
}

// The row thinning taken: the first row question answered with anything
// but 0 (here 0 is no, every other number yes). Zero when all five are
// refused.
int ask_rows(Session& s) {
  static const char* const questions[] = {
      "UMA EM CADA DUAS LINHAS ?", "UMA EM CADA TRES LINHAS ?", "UMA EM CADA QUATRO LINHAS ?",
      "UMA EM CADA CINCO LINHAS ?", "UMA EM CADA SEIS LINHAS ?"};
  for (int one_in = 2; one_in <= 6; ++one_in) {
    s.out.console.line(Layout().text(questions[one_in - 2]));
    if (s.replies.integer() != 0) return one_in;
  }
  return 0;
}

// `residual` holds the previous reply: a slash keeps it.
void ask_residual_basal_area(Session& s, float BA0, float& residual) {
  residual = ask_real(s, "INTRODUZA A AREA BASAL RESIDUAL", residual,
                      [BA0](float x) { return residual_refusal(x, BA0); });
}

// `IDADE2` holds the previous reply: a slash keeps it.
void ask_projection_age(Session& s, float IDADE0, float& IDADE2) {
  IDADE2 = ask_real(s, "INTRODUZA A IDADE DE PROJECCAO DO POVOAMENTO", IDADE2,
                    [IDADE0](float x) { return projection_age_refusal(x, IDADE0); });
}

void show(Session& s, const char* heading, const Stand& stand, int bark) {
  io::stand_heading(s.out, heading);
  io::stand_table(s.out, stand_table(stand, bark));
}

// A thinning at the current age, when one is asked for: true when the stand
// was thinned, false when all five row questions were refused.
bool thin(Session& s, Stand& current, float& residual, int bark) {
  s.out.console.line(Layout().text("INTRODUZA DESBASTE MECANICO (1) OU DESBASTE SELECTIVO (2)"));
  if (s.replies.integer() == 2) {
    ask_residual_basal_area(s, current.BA, residual);
    io::selective_thinning_line(s.out.report, residual);
    current = thin_selective(current, residual);
  } else {
    const int one_in = ask_rows(s);
    if (one_in == 0) {
      s.out.console.line(Layout().text("SERA MELHOR REDEFINIR O SEU ESQUEMA DE DESBASTES"));
      return false;
    }
    RowThinning rows = thin_rows(current, row_fraction(one_in));
    io::row_thinning_line(s.out.report, rows.percent);
    current = rows.stand;
  }
  show(s, io::event_words(Event::thinned).heading, current, bark);
  return true;
}

// Passes of thinning and projection, each starting from the stand the
// previous one projected, until "QUER TERMINAR? " is answered 1.
void project(Session& s, Stand current, int bark) {
  float residual = 0.0f;
  float IDADE2 = 0.0f;
  for (;;) {
    s.out.console.line(Layout().text("QUER PROJECTAR COM DESBASTE ?"));
    // Refusing every row question starts the pass again.
    if (s.replies.integer() == 1 && !thin(s, current, residual, bark)) continue;

    s.out.console.line(Layout()
                           .slash(2)
                           .text("A IDADE ACTUAL DO POVOAMENTO   ")
                           .I(3, current.IDADE)
                           .text(" ANOS"));
    ask_projection_age(s, current.IDADE, IDADE2);
    current = zireze::project(current, IDADE2);
    show(s, io::event_words(Event::projected).heading, current, bark);

    // No blank before this question mark, unlike the first stop question's.
    s.out.console.prompt(Layout().slash(5).text("QUER TERMINAR? "));
    if (s.replies.integer() == 1) return;
  }
}

// The initial stand: the site, then one density figure (never thinned) or a
// description of the diameters (thinned before). The report shows the site
// as completed before the stand is described.
Stand ask_initial_stand(Session& s, float IDADE, float SI, float HD) {
  s.out.console.prompt(Layout().slash(1).text("O POVOAMENTO INICIAL E NAO DESBASTADO ? "));
  const bool unthinned = s.replies.integer() == 1;
  io::history_line(s.out.report, unthinned);
  float SI_shown = SI, HD_shown = HD;
  complete_site(IDADE, SI_shown, HD_shown);
  io::site_line(s.out.report, SI_shown, HD_shown);
  if (!unthinned) return ask_thinned_stand(s, IDADE, SI, HD);

  float TS = -9.0f, BA = -9.0f, TP = -9.0f;
  ask_density(s, TS, BA, TP);
  io::density_line(s.out.report, TS, BA, TP);
  return unthinned_stand(IDADE, SI, HD, TS, BA, TP);
}

// The whole session after the report file is open.
void converse(Session& s) {
  io::title_block(s.out);
  s.out.console.prompt(Layout().slash(1).text("VOLUMES COM CASCA ? "));
  const int bark = s.replies.integer() == 1 ? 1 : 0;

  const float IDADE = ask_age(s);
  // Not given until typed.
  float SI = -9.0f, HD = -9.0f;
  ask_site(s, SI, HD);
  const Stand initial = ask_initial_stand(s, IDADE, SI, HD);
  show(s, io::event_words(Event::initial, initial.unthinned).heading, initial, bark);

  // A blank before this question mark, unlike the later stop questions'.
  s.out.console.prompt(Layout().slash(5).text("QUER TERMINAR ? "));
  if (s.replies.integer() == 1) return;
  project(s, initial, bark);
}

int failed(std::ostream& out, std::ostream& err, const io::Failure& failure) {
  out.flush();
  err << "zireze: " << failure.what() << '\n';
  err.flush();
  return 1;
}

}  // namespace

int MAIN(std::istream& in, std::ostream& out, std::ostream& err, const ReportOpener& open_report) {
  io::Unit console(&out, "na consola");
  io::Replies replies(in, console);
  std::unique_ptr<std::ostream> file;
  try {
    file = create_report(console, replies, open_report);
  } catch (const io::Failure& failure) {
    return failed(out, err, failure);
  }

  io::Unit report(file.get(), "no ficheiro de saida");
  replies.also_flush(report);
  Session session{replies, {console, report}};
  try {
    converse(session);
    console.flush();
    report.flush();
    // Closing writes out what the file still buffers; a disk that is full
    // by then must not give a normal end.
    if (auto* f = dynamic_cast<std::ofstream*>(file.get())) {
      f->close();
      if (f->fail()) throw io::Failure("nao foi possivel escrever no ficheiro de saida");
    }
    return 0;
  } catch (const io::Failure& failure) {
    // The report keeps every line written before the failure.
    file->flush();
    return failed(out, err, failure);
  }
}

}  // namespace zireze
