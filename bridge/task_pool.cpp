#include "bridge/task_pool.h"

#include <algorithm>
#include <system_error>

namespace velmorin::bridge {

namespace {
void runCaught(const std::function<void()>& task) {
  try {
    task();
  } catch (...) {
    // A task reports through its own reply; a stray exception must not end the process.
  }
}
}  // namespace

TaskPool::TaskPool(std::size_t maxThreads) : maxThreads_(std::max<std::size_t>(1, maxThreads)) {}

TaskPool::~TaskPool() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (auto& thread : threads_) thread.join();
}

void TaskPool::submit(std::function<void()> task) {
  std::unique_lock lock(mutex_);
  queue_.push_back(std::move(task));
  // Every queued task needs a waiting worker of its own; otherwise grow.
  if (queue_.size() > idle_ && threads_.size() < maxThreads_) {
    try {
      threads_.emplace_back([this] { workerLoop(); });
      return;
    } catch (const std::system_error&) {
      // The system has no thread to spare: the workers there are take it in turn.
    }
  }
  if (!threads_.empty()) {
    wake_.notify_one();
    return;
  }
  // Not one worker could be started: run it here, late rather than never,
  // since every request must get its reply.
  auto alone = std::move(queue_.back());
  queue_.pop_back();
  lock.unlock();
  runCaught(alone);
}

std::size_t TaskPool::busy() const {
  std::lock_guard lock(mutex_);
  return queue_.size() + running_;
}

std::size_t TaskPool::threadCount() const {
  std::lock_guard lock(mutex_);
  return threads_.size();
}

void TaskPool::workerLoop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    ++idle_;
    wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    --idle_;
    if (queue_.empty()) return;  // stopping, nothing left to run
    auto task = std::move(queue_.front());
    queue_.pop_front();
    ++running_;
    lock.unlock();
    runCaught(task);
    lock.lock();
    --running_;
  }
}

}  // namespace velmorin::bridge
