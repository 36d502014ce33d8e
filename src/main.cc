// zireze: growth and yield of even-aged maritime pine stands, a console dialogue.
#include <csignal>
#include <iostream>

#include "dialogue/dialogue.h"
#include "io/fd_stream.h"

int main() {
  // A closed console is a write error to report, not a signal that kills the run.
  std::signal(SIGPIPE, SIG_IGN);
  // A report past the file-size limit is a failed write, like a full disk.
  std::signal(SIGXFSZ, SIG_IGN);
  zireze::io::hold_standard_descriptors();
  zireze::io::FdInBuf in_buf(0);
  zireze::io::FdOutBuf out_buf(1);
  std::istream in(&in_buf);
  std::ostream out(&out_buf);
  int status = zireze::MAIN(in, out, std::cerr);
  out.flush();
  return status;
}
