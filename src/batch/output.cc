#include "batch/output.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>

namespace zireze::batch {

namespace {

// The temporary files open now, for the signal handler: a fixed table of
// paths it can read without taking a lock or allocating.
constexpr int kMostOpen = 64;
constexpr std::size_t kLongestPath = 4096;
char open_paths[kMostOpen][kLongestPath];
std::atomic<bool> open_slot[kMostOpen];

}  // namespace

int remember_temporary(const std::string& path) {
  if (path.size() >= kLongestPath) return -1;
  for (int i = 0; i < kMostOpen; ++i) {
    bool expected = false;
    if (open_slot[i].load() || !open_slot[i].compare_exchange_strong(expected, true)) continue;
    std::memcpy(open_paths[i], path.c_str(), path.size() + 1);
    return i;
  }
  return -1;
}

void forget_temporary(int slot) {
  if (slot >= 0) open_slot[slot].store(false);
}

namespace {

extern "C" void on_signal(int sig) {
  for (int i = 0; i < kMostOpen; ++i)
    if (open_slot[i].load()) unlink(open_paths[i]);
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

}  // namespace

std::string temporary_name(const std::string& path) {
  // The process and a count of the names given: no two outputs of one run
  // share a temporary name, whatever their final names.
  static std::atomic<unsigned> given{0};
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return folder + "." + name + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(given++);
}

void remove_temporaries_on_signal() {
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) std::signal(sig, on_signal);
}

OutputFile::OutputFile(std::string path)
    : path_(std::move(path)), temporary_(temporary_name(path_)) {}

OutputFile::~OutputFile() {
  if (file_) std::fclose(file_);
  if (!committed_) std::remove(temporary_.c_str());
  forget_temporary(slot_);
}

void OutputFile::fail(const char* doing) {
  throw std::runtime_error("cannot " + std::string(doing) + " " + path_ + ": " +
                           std::strerror(errno));
}

void OutputFile::open() {
  slot_ = remember_temporary(temporary_);
  file_ = std::fopen(temporary_.c_str(), "wb");
  if (!file_) fail("create");
  constexpr std::size_t kBuffer = 1 << 20;
  buffer_ = std::make_unique<char[]>(kBuffer);
  std::setvbuf(file_, buffer_.get(), _IOFBF, kBuffer);
}

void OutputFile::write(std::string_view bytes) {
  if (bytes.empty()) return;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) fail("write");
}

void OutputFile::finish() {
  std::FILE* f = file_;
  file_ = nullptr;
  const bool flushed = std::fflush(f) == 0;
  const bool closed = std::fclose(f) == 0;
  if (!flushed || !closed) fail("write");
}

void OutputFile::publish() {
  if (std::rename(temporary_.c_str(), path_.c_str()) != 0) fail("write");
  committed_ = true;
}

}  // namespace zireze::batch
