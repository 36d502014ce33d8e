#include "scenario.h"

#include <algorithm>
#include <string>
#include <unordered_map>

namespace zireze {

std::vector<PlannedRun> planned_runs(const Scenario& s) {
  // The regimes that name each stand, and those that run on every stand.
  std::unordered_map<std::string, std::vector<std::size_t>> naming;
  std::vector<std::size_t> everywhere;
  for (std::size_t j = 0; j < s.regimes.size(); ++j) {
    if (s.regimes[j].stands.empty()) everywhere.push_back(j);
    for (const std::string& id : s.regimes[j].stands) naming[id].push_back(j);
  }
  std::vector<PlannedRun> runs;
  std::vector<std::size_t> regimes;
  for (std::size_t i = 0; i < s.stands.size(); ++i) {
    regimes = everywhere;
    if (auto named = naming.find(s.stands[i].id); named != naming.end())
      regimes.insert(regimes.end(), named->second.begin(), named->second.end());
    std::sort(regimes.begin(), regimes.end());
    regimes.erase(std::unique(regimes.begin(), regimes.end()), regimes.end());
    for (std::size_t j : regimes) runs.push_back({i, j});
    if (regimes.empty()) runs.push_back({i, std::nullopt});
  }
  return runs;
}

}  // namespace zireze
