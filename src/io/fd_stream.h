// Stream buffers over the process's standard input and output, with large
// buffers: a piped run writes its console output in a few large writes.
#pragma once

#include <streambuf>
#include <vector>

namespace zireze::io {

// Takes the place of a standard descriptor (0, 1, 2) that the run was started
// without, so that no file the run opens, the report above all, gets that
// number and receives console text or error messages. The stand-in is
// /dev/null opened the wrong way round: reading from it or writing to it
// fails as on the closed descriptor, and the run reports that as before.
void hold_standard_descriptors();

class FdOutBuf : public std::streambuf {
 public:
  explicit FdOutBuf(int fd, std::size_t size = 1 << 16);
  ~FdOutBuf() override;

 protected:
  int_type overflow(int_type c) override;
  int sync() override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;

 private:
  bool drain();
  int fd_;
  bool failed_ = false;
  std::vector<char> buf_;
};

class FdInBuf : public std::streambuf {
 public:
  explicit FdInBuf(int fd, std::size_t size = 1 << 16);

 protected:
  int_type underflow() override;

 private:
  int fd_;
  std::vector<char> buf_;
};

}  // namespace zireze::io
