#pragma once
// What a long piece of work shares with whoever watches it: a cancel request,
// and how far it has come. The work polls cancelled() between small steps and
// adds what it has done; progress reaches the listener at most once per
// interval, from whichever thread did the step.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>

namespace velmorin::platform {

enum class WorkPhase { Scan, Copy, Archive, Verify };

// "scan", "copy", "archive", "verify".
const char* phaseName(WorkPhase phase);

struct WorkProgress {
  WorkPhase phase = WorkPhase::Scan;
  std::uint64_t done = 0;        // files (or folders, for a scan) done in this phase
  std::uint64_t total = 0;       // how many there are; 0 while not known
  std::uint64_t bytes = 0;       // bytes done in this phase
  std::uint64_t totalBytes = 0;  // 0 while not known
};

class WorkControl {
 public:
  using Listener = std::function<void(const WorkProgress&)>;

  // Unwatched: nothing is reported, and only cancel() can stop the work.
  WorkControl() = default;
  explicit WorkControl(Listener listener, std::chrono::milliseconds interval = std::chrono::milliseconds(100))
      : listener_(std::move(listener)), interval_(interval) {}
  WorkControl(const WorkControl&) = delete;
  WorkControl& operator=(const WorkControl&) = delete;

  // Any thread.
  void cancel() { cancelled_.store(true, std::memory_order_relaxed); }
  bool cancelled() const { return cancelled_.load(std::memory_order_relaxed); }

  // Starts a phase with nothing done yet.
  void begin(WorkPhase phase, std::uint64_t total = 0, std::uint64_t totalBytes = 0);
  // Adds to what the current phase has done.
  void advance(std::uint64_t done, std::uint64_t bytes = 0);

  WorkProgress progress() const;

 private:
  void report();

  std::atomic<bool> cancelled_{false};
  Listener listener_;
  std::chrono::milliseconds interval_{100};
  std::mutex reporting_;  // held while a report is made; never inside mutex_
  mutable std::mutex mutex_;
  WorkProgress progress_;
  std::chrono::steady_clock::time_point lastReport_{};
};

// For the many calls that may be watched or not.
inline bool isCancelled(const WorkControl* control) { return control && control->cancelled(); }
inline void advance(WorkControl* control, std::uint64_t done, std::uint64_t bytes = 0) {
  if (control) control->advance(done, bytes);
}

}  // namespace velmorin::platform
