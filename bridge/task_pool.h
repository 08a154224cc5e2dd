#pragma once
// Background threads for commands: started on demand, reused, at most `maxThreads`.
// A task never waits behind a running one while the pool has room to grow.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace velmorin::bridge {

class TaskPool {
 public:
  explicit TaskPool(std::size_t maxThreads);
  // Runs the tasks still queued, then joins every thread.
  ~TaskPool();
  TaskPool(const TaskPool&) = delete;
  TaskPool& operator=(const TaskPool&) = delete;

  void submit(std::function<void()> task);

  // Tasks queued or running.
  std::size_t busy() const;
  std::size_t threadCount() const;

 private:
  void workerLoop();

  const std::size_t maxThreads_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> queue_;
  std::vector<std::thread> threads_;
  std::size_t idle_ = 0;     // workers waiting for a task
  std::size_t running_ = 0;  // tasks being run
  bool stopping_ = false;
};

}  // namespace velmorin::bridge
