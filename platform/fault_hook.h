#pragma once
// Where tests make a worker thread fail as only a real fault would (running
// out of memory, an exception from a library), to check that it becomes the
// failure of its command and never ends the process. Nothing sets the hook
// outside tests; unset, a fault point costs one relaxed load.
#include <atomic>

namespace velmorin::platform {

using FaultHook = void (*)(const char* where);
inline std::atomic<FaultHook> faultHook{nullptr};

// The places a hook is called from: "tree-step" (a tree walk's step), "zip-walk"
// and "zip-piece" (writing an archive), "archive-check" (reading one back) and
// "install-check" (reading an install back).
inline void faultPoint(const char* where) {
  if (const FaultHook hook = faultHook.load(std::memory_order_relaxed)) hook(where);
}

}  // namespace velmorin::platform
