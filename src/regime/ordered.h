// Work items run on several threads, their results handed over one at a
// time in the items' order: the same results in the same order for any
// number of threads.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace zireze {

// More threads than this only wait on each other.
inline constexpr std::size_t kMostThreads = 256;

// `work(i)` for every i below `count`, on at most `jobs` threads (never more
// than items, nor than kMostThreads); `deliver(result)` on the calling
// thread, in the order of i. Only a window of results waits to be delivered
// at any time (eight per thread, never more than the items), so memory does
// not grow with the work. An exception from either stops the threads and
// reaches the caller.
template <typename Result, typename Work, typename Deliver>
void run_in_order(std::size_t count, int jobs, Work&& work, Deliver&& deliver) {
  const std::size_t threads_wanted =
      std::min({static_cast<std::size_t>(std::max(jobs, 1)), count, kMostThreads});
  if (threads_wanted <= 1) {
    for (std::size_t i = 0; i < count; ++i) deliver(work(i));
    return;
  }

  const std::size_t window = std::min(8 * threads_wanted, count);
  std::vector<std::optional<Result>> slots(window);
  std::mutex m;
  // The caller is woken when the window of items ahead is full (or every item
  // is taken), and then hands over what is ready; a thread is woken when
  // there is room again. Items are short: waking for each would cost more.
  std::condition_variable ready, room;
  std::size_t next = 0, delivered = 0, waiting_for_room = 0;
  bool stop = false;
  std::exception_ptr failure;

  auto worker = [&] {
    std::unique_lock lock(m);
    for (;;) {
      while (!stop && next < count && next >= delivered + window) {
        ready.notify_one();
        ++waiting_for_room;
        room.wait(lock);
        --waiting_for_room;
      }
      if (stop || next >= count) {
        ready.notify_one();
        return;
      }
      const std::size_t i = next++;
      lock.unlock();
      std::optional<Result> result;
      std::exception_ptr error;
      try {
        result.emplace(work(i));
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
    // Fewer threads than asked for run when the system will start no more.
    for (std::size_t j = 0; j < threads_wanted; ++j) {
      try {
        threads.emplace_back(worker);
      } catch (const std::system_error&) {
        if (threads.empty()) throw;
        break;
      }
    }
    std::unique_lock lock(m);
    while (delivered < count) {
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

}  // namespace zireze
