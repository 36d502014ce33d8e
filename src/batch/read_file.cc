#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "batch/scenario.h"

namespace zireze::batch {

namespace {

// Closes the descriptor however the reading ends.
struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0) close(fd);
  }
};

}  // namespace

std::string larger_than(std::size_t largest) {
  return "it is larger than " + std::to_string(largest >> 20) + " MiB";
}

std::optional<std::string> read_file(const std::string& path, std::size_t largest,
                                     std::string& why) {
  // Not blocking: opening a pipe with no writer would wait for one.
  const Descriptor file{open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
  struct stat info;
  if (file.fd < 0 || fstat(file.fd, &info) != 0) {
    why = std::strerror(errno);
    return std::nullopt;
  }
  if (S_ISDIR(info.st_mode)) {
    why = "it is a folder";
    return std::nullopt;
  }
  if (!S_ISREG(info.st_mode)) {
    why = "it is not a regular file (a device or a pipe, say)";
    return std::nullopt;
  }
  if (static_cast<std::size_t>(info.st_size) > largest) {
    why = larger_than(largest);
    return std::nullopt;
  }
  // Read to the end, but never past the limit: the file may grow meanwhile.
  std::string content(static_cast<std::size_t>(info.st_size), '\0');
  std::size_t size = 0;
  for (;;) {
    if (size == content.size()) {
      if (content.size() > largest) {
        why = larger_than(largest);
        return std::nullopt;
      }
      content.resize(std::min(largest + 1, content.size() + 65536));
    }
    const ssize_t n = read(file.fd, content.data() + size, content.size() - size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      why = std::strerror(errno);
      return std::nullopt;
    }
    if (n == 0) break;
    size += static_cast<std::size_t>(n);
  }
  content.resize(size);
  return content;
}

std::optional<std::string> read_plots_file(const std::string& path, std::string& why) {
  return read_file(path, kLargestPlots, why);
}

}  // namespace zireze::batch
