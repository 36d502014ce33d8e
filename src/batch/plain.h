// Plain data shaped like a scenario file (booleans, numbers, strings, arrays,
// tables with their keys in order): what a Python dict or the page's form is
// turned into, and what a scenario is written from. One writer makes TOML
// text of it, which the one scenario reader reads; so every front end's
// scenario is checked and read by the same code.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "scenario/scenario.h"

namespace zireze::batch {

struct Plain {
  enum class Kind { boolean, number, string, array, table };
  struct Entry;  // a table's key and value
  Kind kind = Kind::table;
  bool boolean = false;
  std::string text;  // a number: its text in TOML; a string: the string
  std::vector<Plain> items;
  std::vector<Entry> entries;

  static Plain of(bool b);
  static Plain number(std::string text);
  static Plain string(std::string s);
  static Plain array();
  static Plain table();
  Plain& add(std::string key, Plain value);
};

struct Plain::Entry {
  std::string key;
  Plain value;
};

// Where the writer put a value: its line and byte column (from 1) and its
// path of keys and array positions ("stand.0.age", "regime.1.steps.2").
struct Place {
  int line;
  int column;
  std::string path;
};

struct TomlText {
  std::string text;
  std::vector<Place> places;
};

// The TOML text of a top-level table: its plain values first, then each
// table as a [table] section, then each array of tables as [[array]]
// sections; an array of tables inside a section is written one table a line.
TomlText toml_text(const Plain& top);

// The path of the value a problem at (line, column) of the text is about: the
// last value on the line that starts at or before the column. Empty when no
// value is there.
std::string path_at(const std::vector<Place>& places, int line, int column);

// The scenario as plain data: every number the shortest text that reads back
// to the same value, so that the text written reads back to the same
// scenario.
Plain plain_of(const Scenario& s);
Plain plain_of(const Regime& r);

// A regime's steps as a scenario file writes them, on one line:
// [{ grow_by = 12 }, { thin = "selective", residual_basal_area = 18.5 }, ...].
std::string steps_text(const std::vector<Step>& steps);

// A number as the dialogue reads it ("3.0D1", ".5", "007") spelled as TOML
// spells it, the digits kept so that it reads as the same value; empty for
// a text that is no such number.
std::optional<std::string> toml_number(std::string_view typed);

// A double as TOML text that reads back to it exactly, both as a double and,
// rounded once, as a float: the shortest text that does so (always with a
// point or an exponent, as a TOML float).
std::string double_text(double x);

}  // namespace zireze::batch
