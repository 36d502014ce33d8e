#include "dialogue/dialogue.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <ostream>

#include "growth/projection.h"
#include "growth/site.h"
#include "growth/unthinned.h"
#include "input/thinned_input.h"
#include "io/layout.h"
#include "io/reply.h"
#include "io/unit.h"
#include "table/stand_table.h"
#include "thinning/row.h"
#include "thinning/select.h"

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

namespace {

// A reply the models cannot use: the reason on the console, and the
// question is asked again.
void refuse(const char* reason) {
  io::console().line(Layout().text("VALOR NAO ACEITE: ").text(reason));
}

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

// If the site class is given the dominant height follows from it; otherwise
// the site class follows from the dominant height.
void complete_site(float IDADE, float& SI, float& HD) {
  if (SI > 0.0f) {
    HD = HTDCF(IDADE, SI);
  } else {
    SI = SF(IDADE, HD);
  }
}

void report_site(float SI, float HD) {
  io::report().line(Layout().text("SI = ").I(3, SI).X(5).text("HD = ").F(4, 1, HD));
}

float ask_age(io::Replies& replies) {
  float IDADE = 0.0f;
  io::console().prompt(Layout().slash(1));
  for (;;) {
    io::console().prompt(Layout().text("INTRODUZA A IDADE DO POVOAMENTO: "));
    IDADE = replies.real(IDADE);
    if (IDADE > 0.0f) return IDADE;
    refuse("A IDADE TEM DE SER MAIOR QUE ZERO");
  }
}

// The site class, or the dominant height when no class is given.
void ask_site(io::Replies& replies, float& SI, float& HD) {
  io::console().line(Layout().slash(1).text("INTRODUZA CLASSE DE QUALIDADE OU ALTURA DOMINANTE"));
  for (;;) {
    io::console().prompt(Layout().X(1).X(5).text("CLASSE DE QUALIDADE ? "));
    SI = replies.real(SI);
    if (!(SI > 0.0f)) {
      io::console().prompt(Layout().X(1).X(5).text("ALTURA DOMINANTE ? "));
      HD = replies.real(HD);
    }
    if (SI > 0.0f || HD > 0.0f) return;
    refuse("INDIQUE CLASSE DE QUALIDADE OU ALTURA DOMINANTE MAIOR QUE ZERO");
  }
}

// One density figure of an unthinned stand: live trees, else basal area,
// else trees planted.
void ask_density(io::Replies& replies, float& TS, float& BA, float& TP) {
  io::console().line(
      Layout().text("INTRODUZA ARVORES VIVAS OU AREA BASAL OU ARVORES PLANTADAS POR HECTARE"));
  for (;;) {
    io::console().prompt(Layout().X(1).X(5).text("ARVORES VIVAS ? "));
    TS = replies.real(TS);
    if (!(TS > 0.0f)) {
      io::console().line(Layout().X(1).X(5).text("AREA BASAL ? "));
      BA = replies.real(BA);
      if (!(BA > 0.0f)) {
        io::console().line(Layout().X(1).X(5).text("ARVORES PLANTADAS ? "));
        TP = replies.real(TP);
      }
    }
    if (TS > 0.0f || BA > 0.0f || TP > 0.0f) return;
    refuse("INDIQUE ARVORES VIVAS, AREA BASAL OU ARVORES PLANTADAS MAIOR QUE ZERO");
  }
}

void report_density(float TS, float BA, float TP) {
  if (TS > 0.0f) {
    io::report().line(Layout().text("TS = ").I(4, TS));
  } else if (BA > 0.0f) {
    io::report().line(Layout().text("BA = ").F(4, 1, BA));
  } else {
    io::report().line(Layout().text("TP = ").I(4, TP));
  }
}

// The share of the stand a row thinning takes out: the first row question
// answered with anything but 0. Zero when all five are refused.
float ask_rows(io::Replies& replies) {
  io::console().line(Layout().text("UMA EM CADA DUAS LINHAS ?"));
  if (replies.integer() != 0) return 0.5f;
  io::console().line(Layout().text("UMA EM CADA TRES LINHAS ?"));
  if (replies.integer() != 0) return 0.33333334f;  // one third
  io::console().line(Layout().text("UMA EM CADA QUATRO LINHAS ?"));
  if (replies.integer() != 0) return 0.25f;
  io::console().line(Layout().text("UMA EM CADA CINCO LINHAS ?"));
  if (replies.integer() != 0) return 0.2f;
  io::console().line(Layout().text("UMA EM CADA SEIS LINHAS ?"));
  if (replies.integer() != 0) return 0.16666667f;  // one sixth
  return 0.0f;
}

// `residual` holds the previous reply: a slash keeps it.
void ask_residual_basal_area(io::Replies& replies, float BA0, float& residual) {
  for (;;) {
    io::console().line(Layout().text("INTRODUZA A AREA BASAL RESIDUAL"));
    residual = replies.real(residual);
    // Not above the current basal area; one that is not a number lets any
    // positive reply through rather than ask for ever.
    if (residual > 0.0f && !(residual > BA0)) return;
    refuse("A AREA BASAL RESIDUAL TEM DE SER MAIOR QUE ZERO E NAO SUPERIOR A ACTUAL");
  }
}

// `IDADE2` holds the previous reply: a slash keeps it.
void ask_projection_age(io::Replies& replies, float IDADE0, float& IDADE2) {
  for (;;) {
    io::console().line(Layout().text("INTRODUZA A IDADE DE PROJECCAO DO POVOAMENTO"));
    IDADE2 = replies.real(IDADE2);
    if (IDADE2 >= IDADE0) return;
    refuse("A IDADE DE PROJECCAO NAO PODE SER INFERIOR A IDADE ACTUAL");
  }
}

// Passes of thinning and projection, each starting from the stand the
// previous one projected, until "QUER TERMINAR? " is answered 1.
void project(io::Replies& replies, float IDADE0, float SI, float HD0, float TS0, float BA0,
             float DMIN0, float A0, float B0, float C0, int bark, int unthinned) {
  float residual = 0.0f;
  float IDADE2 = 0.0f;
  for (;;) {
    io::console().line(Layout().text("QUER PROJECTAR COM DESBASTE ?"));
    if (replies.integer() == 1) {
      float TS1 = 0.0f, BA1 = 0.0f, A1 = 0.0f, B1 = 0.0f, C1 = 0.0f;
      io::console().line(
          Layout().text("INTRODUZA DESBASTE MECANICO (1) OU DESBASTE SELECTIVO (2)"));
      if (replies.integer() == 2) {
        ask_residual_basal_area(replies, BA0, residual);
        BA1 = residual;
        SELECT(A0, B0, C0, TS0, BA0, DMIN0, unthinned, BA1, A1, B1, C1, TS1);
      } else {
        float f = ask_rows(replies);
        if (f == 0.0f) {
          io::console().line(Layout().text("SERA MELHOR REDEFINIR O SEU ESQUEMA DE DESBASTES"));
          continue;
        }
        ROW(A0, B0, C0, TS0, BA0, f, BA1, A1, B1, C1, TS1);
      }
      io::both(Layout().slash(5).text("CARACTERISTICAS DO POVOAMENTO APOS DESBASTE"));
      STABLE(IDADE0, HD0, TS1, BA1, A1, B1, C1, bark);
      TS0 = TS1;
      BA0 = BA1;
      A0 = A1;
      B0 = B1;
      C0 = C1;
    }

    io::console().line(
        Layout().slash(2).text("A IDADE ACTUAL DO POVOAMENTO   ").I(3, IDADE0).text(" ANOS"));
    ask_projection_age(replies, IDADE0, IDADE2);
    float BA2 = 0.0f, TS2 = 0.0f, DMIN2 = 0.0f, A2 = 0.0f, B2 = 0.0f, C2 = 0.0f;
    PSTAND(IDADE0, BA0, TS0, SI, A0, B0, C0, IDADE2, BA2, TS2, DMIN2, A2, B2, C2);
    io::both(Layout().slash(5).text("CARACTERISTICAS DO POVOAMENTO PROJECTADO"));
    float HD2 = HTDCF(IDADE2, SI);
    STABLE(IDADE2, HD2, TS2, BA2, A2, B2, C2, bark);

    io::console().prompt(Layout().slash(5).text("QUER TERMINAR? "));
    if (replies.integer() == 1) return;
    IDADE0 = IDADE2;
    BA0 = BA2;
    TS0 = TS2;
    DMIN0 = DMIN2;
    HD0 = HD2;
    A0 = A2;
    B0 = B2;
    C0 = C2;
  }
}

// The whole session after the report file is open.
void converse(io::Replies& replies) {
  io::both(Layout()
               .text("MODELO DE CRESCIMENTO E PRODUCAO PARA O PINHEIRO BRAVO - MATA DE ZIREZE")
               .slash(5));
  io::both(Layout().text("PARAMETROS INICIAIS DO POVOAMENTO"));
  io::both(Layout().text(" ---------- -------- -- ----------"));

  io::console().prompt(Layout().slash(1).text("VOLUMES COM CASCA ? "));
  int bark = replies.integer() == 1 ? 1 : 0;

  float IDADE = ask_age(replies);
  // Not given until typed or computed.
  float SI = -9.0f, HD = -9.0f, TS = -9.0f, BA = -9.0f, TP = -9.0f;
  float DMIN = 0.0f, A = 0.0f, B = 0.0f, C = 0.0f;
  ask_site(replies, SI, HD);

  int unthinned = 1;
  io::console().prompt(Layout().slash(1).text("O POVOAMENTO INICIAL E NAO DESBASTADO ? "));
  if (replies.integer() == 1) {
    io::report().line(Layout().slash(1).text("POVOAMENTO NAO DESBASTADO"));
    complete_site(IDADE, SI, HD);
    report_site(SI, HD);
    ask_density(replies, TS, BA, TP);
    report_density(TS, BA, TP);
    io::both(Layout().slash(5).text("CARACTERISTICAS DO POVOAMENTO NAO DESBASTADO"));
    USTAND(IDADE, SI, HD, TS, BA, TP, DMIN, A, B, C);
    STABLE(IDADE, HD, TS, BA, A, B, C, bark);
  } else {
    unthinned = 0;
    io::report().line(Layout().slash(1).text("POVOAMENTO PREVIAMENTE DESBASTADO"));
    complete_site(IDADE, SI, HD);
    report_site(SI, HD);
    ITINP(replies, TS, BA, DMIN, A, B, C);
    // A height typed instead of a class has given the class by now: the
    // height is recomputed from it.
    complete_site(IDADE, SI, HD);
    io::both(Layout().slash(5).text("CARACTERISTICAS DO POVOAMENTO DESBASTADO"));
    STABLE(IDADE, HD, TS, BA, A, B, C, bark);
  }

  io::console().prompt(Layout().slash(5).text("QUER TERMINAR ? "));
  if (replies.integer() == 1) return;
  project(replies, IDADE, SI, HD, TS, BA, DMIN, A, B, C, bark, unthinned);
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
  io::UseUnits units(console, report);
  try {
    converse(replies);
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
