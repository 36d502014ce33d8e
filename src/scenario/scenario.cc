#include "scenario.h"

#include <algorithm>
#include <string>
#include <unordered_map>

namespace zireze {

bool runs_on(const Regime& r, std::string_view stand_id) {
  return r.stands.empty() ||
         std::find(r.stands.begin(), r.stands.end(), stand_id) != r.stands.end();
}

RunPlan::RunPlan(const Scenario& s) {
  // The regimes each stand runs under (as runs_on says, found for all stands
  // at once): those that name it, and those that run on every stand.
  std::unordered_map<std::string, std::vector<std::size_t>> naming;
  for (std::size_t j = 0; j < s.regimes.size(); ++j) {
    if (s.regimes[j].stands.empty()) everywhere_.push_back(j);
    for (const std::string& id : s.regimes[j].stands) naming[id].push_back(j);
  }
  regimes_.resize(s.stands.size());
  first_.push_back(0);
  for (std::size_t i = 0; i < s.stands.size(); ++i) {
    std::size_t runs = everywhere_.size();
    if (auto named = naming.find(s.stands[i].id); named != naming.end()) {
      std::vector<std::size_t>& own = regimes_[i];
      own = everywhere_;
      own.insert(own.end(), named->second.begin(), named->second.end());
      std::sort(own.begin(), own.end());
      own.erase(std::unique(own.begin(), own.end()), own.end());
      runs = own.size();
    }
    first_.push_back(first_.back() + std::max<std::size_t>(runs, 1));
  }
}

PlannedRun RunPlan::operator[](std::size_t i) const {
  const auto after = std::upper_bound(first_.begin(), first_.end(), i);
  const std::size_t stand = static_cast<std::size_t>(after - first_.begin()) - 1;
  const std::size_t nth = i - first_[stand];
  const std::vector<std::size_t>& regimes = regimes_[stand].empty() ? everywhere_ : regimes_[stand];
  if (regimes.empty()) return {stand, std::nullopt};
  return {stand, regimes[nth]};
}

}  // namespace zireze
