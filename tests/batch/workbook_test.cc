#include "batch/workbook.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "batch/scenario.h"

namespace zireze::batch {
namespace {

// A sheet full of rows continues on the next, "NAME 2", "NAME 3", ... each
// with the header; the workbook appears under its name only when complete.
TEST(Workbook, RowsPastASheetContinueOnTheNextSheet) {
  std::vector<Problem> problems;
  const std::optional<Scenario> s = read_scenario(
      "[economics]\nsawlog = 50\n"
      "[[stand]]\nid = \"a\"\nage = 20\nsite_class = 16\ntrees = 1500\n"
      "[[stand]]\nid = \"b\"\nage = 25\nsite_class = 14\nbasal_area = 25\n"
      "[[regime]]\nid = \"r\"\nsteps = [{ grow_to = 30 }, { fell = true }]\n",
      "s.toml", nullptr, problems);
  ASSERT_TRUE(s);
  const std::string path =
      (std::filesystem::temp_directory_path() / "zireze-workbook-test.xlsx").string();
  std::vector<std::string> names;
  {
    Workbook book(path, true, false, 2);
    for (const StandDescription& d : s->stands)
      book.add(run(d, &s->regimes[0], 1, false, &*s->economics));
    EXPECT_FALSE(std::filesystem::exists(path));
    book.commit();
    names = book.sheet_names();
  }
  auto sheets = [&](const std::string& table) {
    return std::count_if(names.begin(), names.end(), [&](const std::string& n) {
      return n == table || n.starts_with(table + " ");
    });
  };
  EXPECT_EQ(sheets("stands"), 3);     // 6 states, 2 a sheet
  EXPECT_EQ(sheets("runs"), 1);       // 2 runs
  EXPECT_EQ(sheets("cashflows"), 2);  // 2 runs of a felling and the annual costs
  EXPECT_NE(std::find(names.begin(), names.end(), "stands 3"), names.end());
  EXPECT_TRUE(std::filesystem::exists(path));
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace zireze::batch
