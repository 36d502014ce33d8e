// Runs every stand of a scenario under every regime, on several threads, and
// hands the results over one at a time in the scenario's order: stand by
// stand, each stand's regimes in file order. The same results in the same
// order for any number of threads.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "batch/scenario.h"

namespace zireze::batch {

// How many runs the scenario makes: one per stand and regime, or one per
// stand without regimes.
inline std::size_t run_count(const Scenario& s) {
  return s.stands.size() * (s.regimes.empty() ? 1 : s.regimes.size());
}

// `work(stand, regime)` runs on the threads (regime null without regimes);
// `deliver` runs on the calling thread, in order. Only a few results wait
// to be delivered at any time, so memory does not grow with the scenario. An
// exception from either stops the threads and reaches the caller.
template <typename Result>
void run_all(const Scenario& s, int jobs,
             const std::function<Result(const StandEntry&, const Regime*)>& work,
             const std::function<void(Result&&)>& deliver) {
  const std::size_t total = run_count(s);
  auto one = [&](std::size_t i) {
    if (s.regimes.empty()) return work(s.stands[i], nullptr);
    return work(s.stands[i / s.regimes.size()], &s.regimes[i % s.regimes.size()]);
  };
  if (jobs <= 1) {
    for (std::size_t i = 0; i < total; ++i) deliver(one(i));
    return;
  }

  const std::size_t window = 8 * static_cast<std::size_t>(jobs);
  std::vector<std::optional<Result>> slots(window);
  std::mutex m;
  // The caller is woken when the window of runs ahead is full (or every run
  // is taken), and then hands over what is ready; a thread is woken when
  // there is room again. Runs are short: waking for each would cost more.
  std::condition_variable ready, room;
  std::size_t next = 0, delivered = 0, waiting_for_room = 0;
  bool stop = false;
  std::exception_ptr failure;

  auto worker = [&] {
    std::unique_lock lock(m);
    for (;;) {
      while (!stop && next < total && next >= delivered + window) {
        ready.notify_one();
        ++waiting_for_room;
        room.wait(lock);
        --waiting_for_room;
      }
      if (stop || next >= total) {
        ready.notify_one();
        return;
      }
      const std::size_t i = next++;
      lock.unlock();
      std::optional<Result> result;
      std::exception_ptr error;
      try {
        result.emplace(one(i));
      } catch (...) {
        error = std::current_exception();
      }
      lock.lock();
      if (error) {
        if (!failure) failure = error;
        stop = true;
        room.notify_all();
        ready.notify_one();
      } else {
        slots[i % window] = std::move(result);
      }
    }
  };

  std::vector<std::thread> threads;
  try {
    // More threads than runs would only wait; fewer than asked for do when
    // the system will start no more.
    for (std::size_t j = 0; j < static_cast<std::size_t>(jobs) && j < total; ++j) {
      try {
        threads.emplace_back(worker);
      } catch (const std::system_error&) {
        if (threads.empty()) throw;
        break;
      }
    }
    std::unique_lock lock(m);
    while (delivered < total) {
      std::optional<Result>& slot = slots[delivered % window];
      ready.wait(lock, [&] { return stop || slot.has_value(); });
      if (stop) break;
      Result result = std::move(*slot);
      slot.reset();
      ++delivered;
      if (waiting_for_room > 0) room.notify_all();
      lock.unlock();
      deliver(std::move(result));
      lock.lock();
    }
  } catch (...) {
    std::lock_guard lock(m);
    if (!failure) failure = std::current_exception();
    stop = true;
    room.notify_all();
  }
  for (std::thread& t : threads) t.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace zireze::batch
