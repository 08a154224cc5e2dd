#include "platform/work_control.h"

namespace velmorin::platform {

const char* phaseName(WorkPhase phase) {
  switch (phase) {
    case WorkPhase::Scan: return "scan";
    case WorkPhase::Copy: return "copy";
    case WorkPhase::Archive: return "archive";
    case WorkPhase::Verify: return "verify";
  }
  return "scan";
}

void WorkControl::begin(WorkPhase phase, std::uint64_t total, std::uint64_t totalBytes) {
  {
    const std::lock_guard lock(mutex_);
    progress_ = WorkProgress{phase, 0, total, 0, totalBytes};
  }
  report();
}

void WorkControl::advance(std::uint64_t done, std::uint64_t bytes) {
  {
    const std::lock_guard lock(mutex_);
    progress_.done += done;
    progress_.bytes += bytes;
  }
  report();
}

WorkProgress WorkControl::progress() const {
  const std::lock_guard lock(mutex_);
  return progress_;
}

void WorkControl::report() {
  if (!listener_) return;
  // Work on several threads reports from each: one report at a time, and in
  // order, so that the listener need not be safe to call from two threads at
  // once and a newer count never arrives before an older one.
  const std::lock_guard reporting(reporting_);
  WorkProgress snapshot;
  {
    const std::lock_guard lock(mutex_);
    const auto time = std::chrono::steady_clock::now();
    if (time - lastReport_ < interval_) return;
    lastReport_ = time;
    snapshot = progress_;
  }
  // Outside the counts' lock: the listener may take its time.
  listener_(snapshot);
}

}  // namespace velmorin::platform
