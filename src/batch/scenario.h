// Scenario files: a scenario's TOML text read into the scenario as data,
// checked whole before anything runs. Every problem is reported, with where
// it stands in its file.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scenario/scenario.h"

namespace zireze::batch {

// Where a value stands: its file, line and column (both from 1, the column
// in bytes).
struct Where {
  std::string file;
  int line = 0;
  int column = 0;
};

// One thing wrong with a scenario: "FILE:LINE:COLUMN: what is wrong".
struct Problem {
  Where where;
  std::string what;
};
std::string to_string(const Problem& p);

// The largest scenario file and plots file read: larger ones are refused
// before they are read (a scenario of a million plots is about 50 MiB).
inline constexpr std::size_t kLargestScenario = 16u << 20;
inline constexpr std::size_t kLargestPlots = 256u << 20;

// Reads the file that `stands_csv` names, relative to the scenario's folder:
// its bytes, or empty with `why` set when it cannot be read.
using FileReader =
    std::function<std::optional<std::string>(const std::string& path, std::string& why)>;

// The scenario in `text` (TOML), named `file` in messages. Empty when there
// is any problem; then `problems` holds all of them, in the order of the files.
std::optional<Scenario> read_scenario(std::string_view text, const std::string& file,
                                      const FileReader& read_file, std::vector<Problem>& problems);

// Reads a whole regular file of at most `largest` bytes, or says why it
// cannot. Devices, pipes and folders are refused: they may never end.
std::optional<std::string> read_file(const std::string& path, std::size_t largest,
                                     std::string& why);

// Why a file of more than `largest` bytes is not read: "it is larger than N MiB".
std::string larger_than(std::size_t largest);

// The FileReader of the command and the Python package: a plots file of at
// most kLargestPlots bytes.
std::optional<std::string> read_plots_file(const std::string& path, std::string& why);

// Whether a scenario file's key holds a number (or, for counts, numbers).
bool number_key(std::string_view key);

// A file name that every system takes: letters, digits, '-' and '_'.
bool plain_id(std::string_view id);

}  // namespace zireze::batch
