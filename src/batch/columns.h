// A table's rows held column by column, each column as one vector of its
// type: what data-frame libraries (pandas, R) are built from.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "batch/schema.h"

namespace zireze::batch {

struct ColumnData {
  std::string_view name;
  Type type;
  std::vector<std::string> text;       // Type::text (empty cells "")
  std::vector<std::int64_t> integers;  // Type::integer
  std::vector<std::uint8_t> missing;   // numbers: 1 where the cell is empty
  std::vector<double> reals;           // Type::real: the figure's value (empty cells NaN)

  bool has_missing() const {
    for (std::uint8_t m : missing)
      if (m) return true;
    return false;
  }
};

template <typename Row>
class Columns {
 public:
  explicit Columns(const Table<Row>& t, std::size_t first_column = 0) : table_(t) {
    for (std::size_t i = first_column; i < t.columns.size(); ++i)
      data_.push_back(ColumnData{t.columns[i].name, t.columns[i].type, {}, {}, {}, {}});
    first_ = first_column;
  }

  void add(const Row& row) {
    for (std::size_t i = 0; i < data_.size(); ++i)
      std::visit(Append{data_[i]}, table_.columns[first_ + i].cell(row));
  }

  std::vector<ColumnData>& data() { return data_; }

 private:
  struct Append {
    ColumnData& c;
    void operator()(std::monostate) const {
      if (c.type == Type::text) c.text.emplace_back();
      if (c.type == Type::integer) {
        c.integers.push_back(0);
        c.missing.push_back(1);
      }
      if (c.type == Type::real) {
        c.reals.push_back(std::numeric_limits<double>::quiet_NaN());
        c.missing.push_back(1);
      }
    }
    void operator()(std::string_view s) const { c.text.emplace_back(s); }
    void operator()(std::int64_t i) const {
      c.integers.push_back(i);
      c.missing.push_back(0);
    }
    void operator()(float x) const {
      c.reals.push_back(x);
      c.missing.push_back(0);
    }
    void operator()(double x) const {
      c.reals.push_back(x);
      c.missing.push_back(0);
    }
  };
  const Table<Row>& table_;
  std::size_t first_ = 0;
  std::vector<ColumnData> data_;
};

}  // namespace zireze::batch
