#pragma once
// Writing into a folder of the user's, one writer at a time.
#include <filesystem>

#include "platform/file_checks.h"
#include "platform/folder_lock.h"
#include "platform/status.h"

namespace velmorin {

// Runs `work()` (giving a StatusOr) holding the lock of `folder`, made first
// where it is missing. Installs and restores into one folder take turns, so
// they never share its temporaries, and what a killed run left can be
// finished. A run after which `changedNothing(outcome)` holds (or that failed)
// takes away the folders it made, so one waiting for the lock may find its
// folder gone: it makes it again.
template <class Work, class ChangedNothing>
auto inLockedFolder(const std::filesystem::path& folder, Work work, ChangedNothing changedNothing) -> decltype(work()) {
  for (int attempt = 0;; ++attempt) {
    const auto made = platform::makeFolders(folder);
    if (!made) return made.status();
    platform::FolderLock lock(folder);
    if (!lock.stillAt(folder) && attempt < 3) continue;
    auto outcome = work();
    if (!outcome || changedNothing(*outcome)) platform::removeMadeFolders(*made);  // as far as they are still empty
    return outcome;
  }
}

}  // namespace velmorin
