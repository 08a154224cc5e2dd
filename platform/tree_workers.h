#pragma once
// Spreads the reading of a folder tree over a few threads: each task may give
// more tasks (its sub-folders), and the call returns when none is left.
#include <algorithm>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/fault_hook.h"

namespace velmorin::platform {

// How many threads read at once. Reading a tree waits on the disk more than it
// computes: with a cold cache, more readers than cores keep more of the disk's
// requests in flight (a cold folder size on 2 cores: 8 readers take 0.8 times
// as long as 2), and with a warm one the extra readers cost next to nothing.
inline unsigned treeReaders() { return std::clamp(4 * std::thread::hardware_concurrency(), 4u, 8u); }

// Runs `step(task)` for the `first` tasks and every task that a step returns,
// on up to treeReaders() threads (the caller's among them). Steps run at the
// same time: what they share besides what they return (totals, the found
// list) they guard themselves, by a lock or atomics. An exception in any
// step stops the walk and is thrown again in the calling thread, once every
// helper has ended: a helper thread never ends the process. Several trees
// are best read in one call: the threads then share all of them, and no tree
// waits for the last folder of the one before.
template <class Task>
void runTreeTasks(std::vector<Task> first, const std::function<std::vector<Task>(Task&)>& step) {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<Task> pending = std::move(first);
  std::size_t busy = 0;
  std::exception_ptr failure;

  const auto worker = [&] {
    std::unique_lock lock(mutex);
    for (;;) {
      changed.wait(lock, [&] { return !pending.empty() || busy == 0; });
      if (pending.empty()) return;  // nothing queued and nobody working: done
      Task task = std::move(pending.back());
      pending.pop_back();
      ++busy;
      lock.unlock();
      std::vector<Task> more;
      std::exception_ptr thrown;
      try {
        faultPoint("tree-step");
        more = step(task);
      } catch (...) {
        thrown = std::current_exception();
      }
      lock.lock();
      --busy;
      if (thrown) {
        if (!failure) failure = thrown;
        pending.clear();  // nothing more is started
      } else if (!failure) {
        for (auto& next : more) pending.push_back(std::move(next));
      }
      changed.notify_all();
    }
  };

  std::vector<std::thread> helpers;
  try {
    for (unsigned i = 1; i < treeReaders(); ++i) helpers.emplace_back(worker);
  } catch (const std::system_error&) {
    // Fewer threads than wished: the ones there are, the caller's at least, do the work.
  }
  worker();
  for (auto& helper : helpers) helper.join();
  if (failure) std::rethrow_exception(failure);
}

template <class Task>
void runTreeTasks(Task first, const std::function<std::vector<Task>(Task&)>& step) {
  std::vector<Task> tasks;
  tasks.push_back(std::move(first));
  runTreeTasks(std::move(tasks), step);
}

}  // namespace velmorin::platform
