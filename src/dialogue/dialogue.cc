#include "dialogue/dialogue.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <ostream>

#include "io/layout.h"
#include "io/reply.h"
#include "io/unit.h"

namespace zireze {

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

int MAIN(std::istream& in, std::ostream& out, std::ostream& err, const ReportOpener& open_report) {
  io::Unit console(&out, "na consola");
  io::Unit no_report(nullptr, "");
  io::UseUnits units(console, no_report);
  io::Replies replies(in, console);
  try {
    std::string name;
    while (name.empty()) {
      console.prompt(io::Layout().text("NOME DE FICHEIRO DE SAIDA: "));
      name = replies.name();
    }
    std::string why;
    std::unique_ptr<std::ostream> file = open_report(name, why);
    if (!file) throw io::Failure("nao foi possivel criar o ficheiro \"" + name + "\": " + why);
    console.flush();
    return 0;
  } catch (const io::Failure& failure) {
    err << "zireze: " << failure.what() << std::endl;
    return 1;
  }
}

}  // namespace zireze
