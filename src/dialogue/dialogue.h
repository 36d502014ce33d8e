// The dialogue: the report file, the questions on the initial stand, its
// table, and the passes of thinning and projection.
#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>

namespace zireze {

// Creates (or replaces) the report file under `name`. Returns null and sets
// `why` when it cannot.
using ReportOpener =
    std::function<std::unique_ptr<std::ostream>(const std::string& name, std::string& why)>;

std::unique_ptr<std::ostream> open_report_file(const std::string& name, std::string& why);

// Runs one whole dialogue on the given streams and returns the exit status:
// 0 at the normal end, 1 after a failure (one line on `err`).
int MAIN(std::istream& in, std::ostream& out, std::ostream& err,
         const ReportOpener& open_report = open_report_file);

}  // namespace zireze
