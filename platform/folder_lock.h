#pragma once
// An exclusive advisory lock on a folder, held for the object's life. Threads
// and processes that lock the same folder take turns.
#include <filesystem>
#include <string>

#include "platform/unique_fd.h"

namespace velmorin::platform {

class FolderLock {
 public:
  explicit FolderLock(const std::filesystem::path& folder);

  // Whether the folder locked is still the one named `folder`: a holder before
  // us may have removed it (an install that changed nothing takes away the
  // folders it made) and another may stand there now.
  bool stillAt(const std::filesystem::path& folder) const;

 private:
  UniqueFd fd_;  // the lock goes with the descriptor
};

// Removes the hidden leftovers "<prefix>…<suffix>" in `folder` that a run
// ended by force (power loss, kill) left behind. Call it holding the folder's lock.
void removeLeftovers(const std::filesystem::path& folder, const std::string& prefix, const std::string& suffix);

// The hidden name "." + `name` + `suffix` under which work in progress waits.
std::string hiddenName(const std::string& name, const char* suffix);

}  // namespace velmorin::platform
