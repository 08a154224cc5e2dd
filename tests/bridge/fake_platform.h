#pragma once
// A platform that records what the router asks of it. Main-thread and delayed
// tasks wait in queues until the test runs them; background tasks either wait
// too (runBackground) or go to real threads when `realThreads` is set.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "bridge/bridge_platform.h"
#include "bridge/task_pool.h"

namespace velmorin::bridge::testing {

class FakePlatform : public BridgePlatform {
 public:
  struct Picker {
    PickerOptions options;
    PickerDone done;
  };

  explicit FakePlatform(bool realThreads = false) {
    if (realThreads) pool_ = std::make_unique<TaskPool>(8);
  }
  ~FakePlatform() override { pool_.reset(); }

  void evaluateScript(const std::string& script) override { scripts.push_back(script); }

  void postToMain(std::function<void()> task) override {
    {
      std::lock_guard lock(mutex_);
      mainQueue_.push_back(std::move(task));
    }
    posted_.notify_all();
  }

  void postToMainAfter(std::chrono::milliseconds delay, std::function<void()> task) override {
    delays.push_back(delay);
    delayed.push_back(std::move(task));
  }

  void runInBackground(std::function<void()> task) override {
    if (pool_) {
      pool_->submit(std::move(task));
    } else {
      background.push_back(std::move(task));
    }
  }

  void pickFolder(const PickerOptions& options, PickerDone done) override {
    pickers.push_back({options, std::move(done)});
  }
  void openApplication(const NsmApp& app) override { openedApps.push_back(app); }
  void openURL(const std::string& url) override { openedUrls.push_back(url); }
  void reveal(const std::filesystem::path& path, RevealDone done) override {
    revealed.push_back(path);
    done(revealOpens);
  }
  void notify(const WorkNotice& notice) override { notices.push_back(notice); }
  void print(PrintDone done) override { prints.push_back(std::move(done)); }
  void endApplication() override { ++ends; }

  // Runs the queued background tasks on this thread.
  void runBackground() {
    auto tasks = std::move(background);
    background.clear();
    for (auto& task : tasks) task();
  }

  // Runs what is queued for the main thread; true when there was something.
  bool runMain() {
    std::deque<std::function<void()>> tasks;
    {
      std::lock_guard lock(mutex_);
      tasks.swap(mainQueue_);
    }
    for (auto& task : tasks) task();
    return !tasks.empty();
  }

  // Waits until `count` scripts have been evaluated, running main-thread tasks as
  // they arrive; false after `limit`.
  bool runMainUntilScripts(std::size_t count, std::chrono::seconds limit = std::chrono::seconds(10)) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (scripts.size() < count) {
      if (runMain()) continue;
      std::unique_lock lock(mutex_);
      if (!posted_.wait_until(lock, until, [this] { return !mainQueue_.empty(); })) return false;
    }
    return true;
  }

  std::vector<std::string> scripts;
  std::vector<std::chrono::milliseconds> delays;
  std::vector<std::function<void()>> delayed;
  std::vector<std::function<void()>> background;
  std::vector<Picker> pickers;
  std::vector<NsmApp> openedApps;
  std::vector<std::string> openedUrls;
  std::vector<std::filesystem::path> revealed;
  bool revealOpens = true;  // what the next reveals tell
  std::vector<WorkNotice> notices;
  std::vector<PrintDone> prints;  // each print waits for the test to end it
  int ends = 0;

 private:
  std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<std::function<void()>> mainQueue_;
  std::unique_ptr<TaskPool> pool_;
};

}  // namespace velmorin::bridge::testing
