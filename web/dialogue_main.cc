// The console dialogue as a program for node: the replies on standard input,
// the console on standard output, one line on standard error after a failure,
// and the report file in the current folder (node's own file system).
#include <iostream>

#include "dialogue/dialogue.h"
#include "io/fd_stream.h"

int main() {
  zireze::io::FdInBuf in_buf(0);
  zireze::io::FdOutBuf out_buf(1);
  std::istream in(&in_buf);
  std::ostream out(&out_buf);
  const int status = zireze::MAIN(in, out, std::cerr);
  out.flush();
  return status;
}
