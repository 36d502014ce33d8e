// Output files written under a temporary name beside their final one and
// renamed into place only when complete: an interrupted run or a failed write
// leaves no half-written file under a final name.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace zireze::batch {

class OutputFile {
 public:
  explicit OutputFile(std::string path);
  ~OutputFile();  // removes the temporary file unless committed
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Each throws std::runtime_error with the path and the system's reason.
  void open();
  void write(std::string_view bytes);
  void finish();   // flushes and closes the temporary file
  void publish();  // renames it into place
  void commit() {
    finish();
    publish();
  }

 private:
  [[noreturn]] void fail(const char* doing);
  std::string path_;
  std::string temporary_;
  std::FILE* file_ = nullptr;
  std::unique_ptr<char[]> buffer_;  // large writes: the tables run to tens of megabytes
  int slot_ = -1;                   // among the files the signal handler removes
  bool committed_ = false;
};

// The temporary name for a final path: in the same folder, so that the
// rename cannot cross file systems.
std::string temporary_name(const std::string& path);

// Removes the temporary files still open if the process is interrupted
// (SIGINT, SIGTERM, SIGHUP), then ends it as the signal would.
void remove_temporaries_on_signal();

// Temporary files the signal handler removes: remember returns a slot
// (-1 when none is free), forget gives it back.
int remember_temporary(const std::string& path);
void forget_temporary(int slot);

}  // namespace zireze::batch
