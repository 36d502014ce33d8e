#include "batch/workbook.h"

#include <dlfcn.h>
#include <xlsxwriter.h>
#include <zlib.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "batch/csv.h"
#include "batch/output.h"
#include "batch/schema.h"

// libxlsxwriter deflates every part of the workbook at zlib's default level
// (6) and has no setting for it. On the sheets' repetitive XML that level
// costs 3.6 times the time of the fastest (1) for a file a fifth smaller,
// and it was most of a workbook's cost. The program therefore defines
// zlib's deflateInit2_ itself, exported from the executable so that
// libxlsxwriter's zip writer (minizip) binds to it, and hands the call to
// zlib's own with level 1 (level 0, storing, is kept). Nothing else in the
// program deflates. Should zlib's own not be found, the workbook is not
// written and libxlsxwriter's error says why.
extern "C" int deflateInit2_(z_streamp stream, int level, int method, int window_bits,
                             int memory_level, int strategy, const char* version, int stream_size) {
  using Init = int (*)(z_streamp, int, int, int, int, int, const char*, int);
  static const Init zlib_own = [] {
    void* zlib = dlopen(ZIREZE_ZLIB_SONAME, RTLD_NOW | RTLD_LOCAL);
    return zlib ? reinterpret_cast<Init>(dlsym(zlib, "deflateInit2_")) : nullptr;
  }();
  if (!zlib_own) return Z_VERSION_ERROR;
  return zlib_own(stream, level == Z_NO_COMPRESSION ? level : Z_BEST_SPEED, method, window_bits,
                  memory_level, strategy, version, stream_size);
}

namespace zireze::batch {

namespace {

// libxlsxwriter, loaded when the first workbook is written rather than when
// the program starts: it brings zlib, minizip and OpenSSL's libcrypto, whose
// loading would cost every session of the dialogue more than doubles its
// start. The functions are taken by their names from the library the
// program was built against.
struct Xlsx {
  decltype(&::workbook_new_opt) workbook_new_opt;
  decltype(&::workbook_add_worksheet) workbook_add_worksheet;
  decltype(&::workbook_close) workbook_close;
  decltype(&::worksheet_set_column) worksheet_set_column;
  decltype(&::worksheet_freeze_panes) worksheet_freeze_panes;
  decltype(&::worksheet_write_string) worksheet_write_string;
  decltype(&::worksheet_write_number) worksheet_write_number;
  decltype(&::lxw_strerror) lxw_strerror;
};

template <typename F>
void take(void* library, F& f, const char* name) {
  f = reinterpret_cast<F>(dlsym(library, name));
  if (!f) throw std::runtime_error(std::string("libxlsxwriter has no ") + name);
}

const Xlsx& xlsx() {
  static const Xlsx loaded = [] {
    void* library = dlopen(ZIREZE_XLSXWRITER_SONAME, RTLD_NOW | RTLD_LOCAL);
    if (!library) throw std::runtime_error(std::string("cannot load libxlsxwriter: ") + dlerror());
    Xlsx x;
    take(library, x.workbook_new_opt, "workbook_new_opt");
    take(library, x.workbook_add_worksheet, "workbook_add_worksheet");
    take(library, x.workbook_close, "workbook_close");
    take(library, x.worksheet_set_column, "worksheet_set_column");
    take(library, x.worksheet_freeze_panes, "worksheet_freeze_panes");
    take(library, x.worksheet_write_string, "worksheet_write_string");
    take(library, x.worksheet_write_number, "worksheet_write_number");
    take(library, x.lxw_strerror, "lxw_strerror");
    return x;
  }();
  return loaded;
}

[[noreturn]] void failed(const std::string& path, lxw_error e) {
  throw std::runtime_error("cannot write " + path + ": " + xlsx().lxw_strerror(e));
}

// One table's sheets: its header frozen above its rows, the columns wide
// enough for their names and figures.
template <typename Row>
class Sheet {
 public:
  Sheet(lxw_workbook* book, const Table<Row>& table, const std::string& path, long most_rows,
        std::vector<std::string>& names)
      : book_(book), table_(table), path_(path), most_rows_(most_rows), names_(names) {
    open();
  }

  void add(const Row& row) {
    if (rows_ == most_rows_) open();
    const lxw_row_t at = static_cast<lxw_row_t>(++rows_);
    for (std::size_t i = 0; i < table_.columns.size(); ++i)
      write(at, static_cast<lxw_col_t>(i), table_.columns[i].cell(row));
  }

 private:
  void open() {
    const std::string name = parts_ == 0
                                 ? std::string(table_.name)
                                 : std::string(table_.name) + " " + std::to_string(parts_ + 1);
    ++parts_;
    sheet_ = xlsx().workbook_add_worksheet(book_, name.c_str());
    if (!sheet_) failed(path_, LXW_ERROR_MEMORY_MALLOC_FAILED);
    names_.push_back(name);
    for (std::size_t i = 0; i < table_.columns.size(); ++i) {
      const Column<Row>& c = table_.columns[i];
      const double width = std::max<double>(c.name.size() + 2, c.type == Type::text ? 12 : 14);
      const auto col = static_cast<lxw_col_t>(i);
      xlsx().worksheet_set_column(sheet_, col, col, width, nullptr);
      check(xlsx().worksheet_write_string(sheet_, 0, col, std::string(c.name).c_str(), nullptr));
    }
    xlsx().worksheet_freeze_panes(sheet_, 1, 0);
    rows_ = 0;
  }

  // A figure is the double nearest its CSV text (0.1 shows as 0.1, not as
  // the float's 0.100000001490116); NaN and the infinities as that text.
  void write(lxw_row_t row, lxw_col_t col, const Cell& cell) {
    if (std::holds_alternative<std::monostate>(cell)) return;
    text_.clear();
    append_cell(text_, cell);
    if (std::holds_alternative<std::string_view>(cell)) {
      check(xlsx().worksheet_write_string(sheet_, row, col, text_.c_str(), nullptr));
      return;
    }
    double x = 0;
    const auto [end, ec] = std::from_chars(text_.data(), text_.data() + text_.size(), x);
    if (ec == std::errc() && end == text_.data() + text_.size() && std::isfinite(x))
      check(xlsx().worksheet_write_number(sheet_, row, col, x, nullptr));
    else
      check(xlsx().worksheet_write_string(sheet_, row, col, text_.c_str(), nullptr));
  }

  void check(lxw_error e) {
    if (e != LXW_NO_ERROR) failed(path_, e);
  }

  lxw_workbook* book_;
  const Table<Row>& table_;
  const std::string& path_;
  const long most_rows_;
  std::vector<std::string>& names_;
  lxw_worksheet* sheet_ = nullptr;
  long rows_ = 0;
  int parts_ = 0;
  std::string text_;
};

}  // namespace

struct Workbook::Sheets {
  std::string path, temporary;
  int slot = -1;
  bool committed = false;
  lxw_workbook* book = nullptr;
  std::vector<std::string> names;
  std::unique_ptr<Sheet<StateRow>> stands;
  std::unique_ptr<Sheet<ClassRow>> classes;
  std::unique_ptr<Sheet<Run>> runs, values;
  std::unique_ptr<Sheet<CashFlowRow>> cash_flows;
  std::unique_ptr<Sheet<StandOptimum>> optimum;

  // Closing writes the file; an unfinished workbook is then removed.
  ~Sheets() {
    if (book) xlsx().workbook_close(book);
    if (!committed) std::remove(temporary.c_str());
    forget_temporary(slot);
  }
};

Workbook::Workbook(const std::string& path, bool values, bool optimum, long most_rows)
    : sheets_(std::make_unique<Sheets>()) {
  Sheets& s = *sheets_;
  s.path = path;
  s.temporary = temporary_name(path);
  s.slot = remember_temporary(s.temporary);
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  options.use_zip64 = LXW_TRUE;
  s.book = xlsx().workbook_new_opt(s.temporary.c_str(), &options);
  if (!s.book) throw std::runtime_error("cannot create " + path);
  auto sheet = [&]<typename Row>(const Table<Row>& t) {
    return std::make_unique<Sheet<Row>>(s.book, t, s.path, most_rows, s.names);
  };
  s.stands = sheet(kStandsTable);
  s.classes = sheet(kClassesTable);
  s.runs = sheet(kRunsTable);
  if (values) {
    s.values = sheet(kValuesTable);
    s.cash_flows = sheet(kCashFlowsTable);
  }
  if (optimum) s.optimum = sheet(kOptimumTable);
}

Workbook::~Workbook() = default;

const std::vector<std::string>& Workbook::sheet_names() const { return sheets_->names; }

void Workbook::add(const Run& r) {
  Sheets& s = *sheets_;
  for_each_state_row(r, [&](const StateRow& row) { s.stands->add(row); });
  for_each_class_row(r, [&](const ClassRow& row) { s.classes->add(row); });
  s.runs->add(r);
  if (s.values) {
    s.values->add(r);
    for_each_cash_flow_row(r, [&](const CashFlowRow& row) { s.cash_flows->add(row); });
  }
}

void Workbook::add(const StandOptimum& s) { sheets_->optimum->add(s); }

void Workbook::add(const Scenario& scenario, const PlanOutcome& o) {
  Sheets& s = *sheets_;
  auto sheet = [&]<typename Row>(const Table<Row>& t, auto rows) {
    Sheet<Row> one(s.book, t, s.path, Workbook::kMostRows, s.names);
    rows([&](const Row& row) { one.add(row); });
  };
  for_each_plan_table(scenario, o, sheet);
}

void Workbook::finish() {
  Sheets& s = *sheets_;
  const lxw_error e = xlsx().workbook_close(s.book);
  s.book = nullptr;
  if (e != LXW_NO_ERROR) failed(s.path, e);
}

void Workbook::publish() {
  Sheets& s = *sheets_;
  if (std::rename(s.temporary.c_str(), s.path.c_str()) != 0)
    throw std::runtime_error("cannot write " + s.path);
  s.committed = true;
}

}  // namespace zireze::batch
