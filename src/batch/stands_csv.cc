#include "batch/stands_csv.h"

#include <algorithm>
#include <array>
#include <optional>

#include "batch/stand_fields.h"
#include "io/reply.h"

namespace zireze::batch {

namespace {

constexpr std::array<std::string_view, 13> kColumns = {"id",
                                                       "age",
                                                       "site_class",
                                                       "dominant_height",
                                                       "trees",
                                                       "basal_area",
                                                       "trees_planted",
                                                       "dmin",
                                                       "p90",
                                                       "a",
                                                       "b",
                                                       "c",
                                                       "area"};

// One cell: its text (quotes removed, blanks around it trimmed) and its
// byte column (from 1).
struct Cell {
  std::string text;
  int column;
};

// The cells of one line: separated by commas; a cell in double quotes may
// hold commas, and "" stands for one quote.
std::optional<std::vector<Cell>> cells(std::string_view line) {
  std::vector<Cell> out;
  std::size_t i = 0;
  for (;;) {
    Cell cell{"", static_cast<int>(i) + 1};
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i < line.size() && line[i] == '"') {
      cell.column = static_cast<int>(i) + 1;
      for (++i;; ++i) {
        if (i >= line.size()) return std::nullopt;  // no closing quote
        if (line[i] == '"') {
          if (i + 1 < line.size() && line[i + 1] == '"') {
            cell.text += '"';
            ++i;
          } else {
            ++i;
            break;
          }
        } else {
          cell.text += line[i];
        }
      }
      while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
      if (i < line.size() && line[i] != ',') return std::nullopt;
    } else {
      cell.column = static_cast<int>(i) + 1;
      const std::size_t end = std::min(line.find(',', i), line.size());
      std::string_view text = line.substr(i, end - i);
      while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
      cell.text = std::string(text);
      i = end;
    }
    out.push_back(std::move(cell));
    if (i >= line.size()) return out;
    ++i;  // the comma
  }
}

bool blank(std::string_view line) {
  return line.find_first_not_of(" \t") == std::string_view::npos;
}

}  // namespace

void read_stands_csv(std::string_view text, const std::string& file,
                     std::vector<StandDescription>& stands, std::vector<Where>& places,
                     std::vector<Problem>& problems) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = std::min(text.find('\n', start), text.size());
    std::string_view line = text.substr(start, end - start);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }

  // The header: which field each column fills.
  std::size_t first = 0;
  while (first < lines.size() && blank(lines[first])) ++first;
  if (first == lines.size()) {
    problems.push_back({Where{file, 1, 1}, "no header line (id, age, ... as column names)"});
    return;
  }
  const int header_line = static_cast<int>(first) + 1;
  std::optional<std::vector<Cell>> header = cells(lines[first]);
  if (!header) {
    problems.push_back({Where{file, header_line, 1}, "a quote without its closing quote"});
    return;
  }
  std::vector<int> column_of;  // index into kColumns for each cell, -1 for none
  bool header_ok = true;
  for (const Cell& c : *header) {
    auto known = std::find(kColumns.begin(), kColumns.end(), c.text);
    int index = known == kColumns.end() ? -1 : static_cast<int>(known - kColumns.begin());
    if (index < 0) {
      problems.push_back({Where{file, header_line, c.column},
                          "unknown column \"" + io::printable(c.text) + "\" (" +
                              "id, age, site_class, dominant_height, trees, basal_area, "
                              "trees_planted, dmin, p90, a, b, c, area)"});
      header_ok = false;
    } else if (std::find(column_of.begin(), column_of.end(), index) != column_of.end()) {
      problems.push_back(
          {Where{file, header_line, c.column}, "a second column " + io::printable(c.text)});
      header_ok = false;
    }
    column_of.push_back(index);
  }
  if (std::find(column_of.begin(), column_of.end(), 0) == column_of.end()) {
    problems.push_back({Where{file, header_line, 1}, "no id column"});
    header_ok = false;
  }
  if (!header_ok) return;

  for (std::size_t l = first + 1; l < lines.size(); ++l) {
    if (blank(lines[l])) continue;
    const int row = static_cast<int>(l) + 1;
    std::optional<std::vector<Cell>> row_cells = cells(lines[l]);
    if (!row_cells || row_cells->size() != column_of.size()) {
      problems.push_back({Where{file, row, 1},
                          row_cells
                              ? "a row of " + std::to_string(row_cells->size()) +
                                    " cells under a header of " + std::to_string(column_of.size())
                              : std::string("a quote without its closing quote")});
      continue;
    }
    StandFields f;
    f.where = Where{file, row, 1};
    std::array<Field, kColumns.size()> field;
    for (std::size_t i = 0; i < row_cells->size(); ++i) {
      const Cell& c = (*row_cells)[i];
      if (c.text.empty()) continue;
      const Where where{file, row, c.column};
      const int index = column_of[i];
      if (index == 0) {
        f.id_given = true;
        f.id = c.text;
        f.id_where = where;
      } else if (kColumns[index] == "area") {
        f.area = area_field(c.text, where, problems);
      } else {
        field[static_cast<std::size_t>(index)] =
            number_field(c.text, where, kColumns[index], problems);
      }
    }
    auto [id, age, site_class, dominant_height, trees, basal_area, trees_planted, dmin, p90, a, b,
          c, area] = field;
    f.age = age;
    f.site_class = site_class;
    f.dominant_height = dominant_height;
    if (a.given || b.given || c.given) {
      f.weibull = Group{true, f.where};
      f.weibull_trees = trees;
      f.a = a;
      f.b = b;
      f.c = c;
      f.basal_area = basal_area;  // reported as not used by a Weibull stand
      f.trees_planted = trees_planted;
      for (const Field* unused : {&dmin, &p90})
        if (unused->given)
          problems.push_back({unused->where, std::string(unused == &dmin ? "dmin" : "p90") +
                                                 " is not used by a Weibull stand"});
    } else if (dmin.given || p90.given) {
      f.attributes = Group{true, f.where};
      f.attributes_trees = trees;
      f.attributes_basal_area = basal_area;
      f.dmin = dmin;
      f.p90 = p90;
      f.trees_planted = trees_planted;
    } else {
      f.trees = trees;
      f.basal_area = basal_area;
      f.trees_planted = trees_planted;
    }
    if (std::optional<StandDescription> s = describe_stand(f, problems)) {
      stands.push_back(std::move(*s));
      places.push_back(f.where);
    }
  }
}

}  // namespace zireze::batch
