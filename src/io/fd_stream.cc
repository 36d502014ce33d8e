#include "io/fd_stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zireze::io {

void hold_standard_descriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // open() returns the lowest free number, which is fd itself.
    int held = ::open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
    if (held >= 0 && held != fd) ::close(held);
  }
}

FdOutBuf::FdOutBuf(int fd, std::size_t size) : fd_(fd), buf_(size) {
  setp(buf_.data(), buf_.data() + buf_.size());
}

FdOutBuf::~FdOutBuf() { drain(); }

// Writes out what the buffer holds; false once a write has failed (a closed
// pipe, a full disk), after which everything is dropped.
bool FdOutBuf::drain() {
  const char* p = pbase();
  std::size_t left = static_cast<std::size_t>(pptr() - pbase());
  while (left > 0 && !failed_) {
    ssize_t n = ::write(fd_, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      failed_ = true;
      break;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  setp(buf_.data(), buf_.data() + buf_.size());
  return !failed_;
}

FdOutBuf::int_type FdOutBuf::overflow(int_type c) {
  if (!drain()) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

int FdOutBuf::sync() { return drain() ? 0 : -1; }

std::streamsize FdOutBuf::xsputn(const char* s, std::streamsize n) {
  std::streamsize done = 0;
  while (done < n) {
    if (pptr() == epptr() && !drain()) break;
    std::streamsize room = epptr() - pptr();
    std::streamsize k = n - done < room ? n - done : room;
    std::memcpy(pptr(), s + done, static_cast<std::size_t>(k));
    pbump(static_cast<int>(k));
    done += k;
  }
  return failed_ ? 0 : done;
}

FdInBuf::FdInBuf(int fd, std::size_t size) : fd_(fd), buf_(size) {
  setg(buf_.data(), buf_.data(), buf_.data());
}

FdInBuf::int_type FdInBuf::underflow() {
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  for (;;) {
    ssize_t n = ::read(fd_, buf_.data(), buf_.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return traits_type::eof();
    setg(buf_.data(), buf_.data(), buf_.data() + n);
    return traits_type::to_int_type(*gptr());
  }
}

}  // namespace zireze::io
