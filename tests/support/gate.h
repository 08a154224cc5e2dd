#pragma once
// A gate that background tasks wait on until the test opens it: lets a test
// hold commands "running" for as long as it needs. Opens itself when it goes,
// so a failing test never leaves a pool waiting forever.
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace velmorin::testing {

class Gate {
 public:
  void wait() {
    std::unique_lock lock(mutex_);
    ++waiting_;
    changed_.notify_all();
    changed_.wait(lock, [this] { return open_; });
  }
  // True once `count` tasks have reached the gate (gives up after 10 s).
  bool waitForWaiters(int count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return waiting_ >= count; });
  }
  void open() {
    {
      std::lock_guard lock(mutex_);
      open_ = true;
    }
    changed_.notify_all();
  }
  ~Gate() { open(); }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int waiting_ = 0;
  bool open_ = false;
};

}  // namespace velmorin::testing
