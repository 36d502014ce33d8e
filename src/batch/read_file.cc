#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "batch/scenario.h"

namespace zireze::batch {

std::optional<std::string> read_file(const std::string& path, std::string& why) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    why = "it is a folder";
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    why = std::strerror(errno);
    return std::nullopt;
  }
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) {
    why = "read error";
    return std::nullopt;
  }
  return content.str();
}

}  // namespace zireze::batch
