// A scenario: stands (from the scenario file and, optionally, a CSV file of
// plots) and the thinning regimes each of them is run under. Read from text,
// checked whole before anything runs: every problem is reported, with where
// it stands in its file.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zireze::batch {

// Where a value stands: its file, line and column (both from 1).
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

// A stand as the dialogue would be told it: the values typed, not yet
// completed by the model. Quantities not given are -9, as in the dialogue.
struct StandEntry {
  enum class Kind { unthinned, counts, weibull, attributes };
  std::string id;
  Kind kind = Kind::unthinned;
  float IDADE = 0.0f;
  float SI = -9.0f, HD = -9.0f;
  float TS = -9.0f, BA = -9.0f,
        TP = -9.0f;                    // unthinned: exactly one; weibull: TS; attributes: TS, BA
  std::vector<float> counts;           // trees per ha by 5-cm class, from the class of 5 cm
  float A = 0.0f, B = 0.0f, C = 0.0f;  // weibull
  float DMIN = 0.0f, P90 = 0.0f;       // attributes
  Where where;                         // where the stand is described
};

struct Step {
  enum class Kind { rows, selective, grow };
  Kind kind;
  int one_in = 0;      // rows: one row in 2 to 6
  float value = 0.0f;  // selective: the residual basal area; grow: the age to grow to
  Where where;
};

struct Regime {
  std::string id;
  std::vector<Step> steps;
  Where where;
};

struct Scenario {
  int bark = 1;  // the bark flag of every table: 1 with bark, 0 without
  std::vector<StandEntry> stands;
  std::vector<Regime> regimes;  // none: each stand is tabled once
  std::string text;             // the scenario file as read
};

// Reads the file that `stands_csv` names, relative to the scenario's folder:
// its bytes, or empty with `why` set when it cannot be read.
using FileReader =
    std::function<std::optional<std::string>(const std::string& path, std::string& why)>;

// The scenario in `text` (TOML), named `file` in messages. Empty when there
// is any problem; then `problems` holds all of them, in the order of the files.
std::optional<Scenario> read_scenario(std::string_view text, const std::string& file,
                                      const FileReader& read_file, std::vector<Problem>& problems);

// Reads a whole file: the FileReader that the command and the Python package
// hand to read_scenario.
std::optional<std::string> read_file(const std::string& path, std::string& why);

// A file name that every system takes: letters, digits, '-' and '_'.
bool plain_id(std::string_view id);

}  // namespace zireze::batch
