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
  WorkProgress snapshot;
  {
    const std::lock_guard lock(mutex_);
    const auto time = std::chrono::steady_clock::now();
    if (time - lastReport_ < interval_) return;
    lastReport_ = time;
    snapshot = progress_;
  }
  // Outside the lock: the listener may take its time.
  listener_(snapshot);
}

}  // namespace velmorin::platform
