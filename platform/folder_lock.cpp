#include "platform/folder_lock.h"

#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/file_copy.h"
#include "platform/folder_reader.h"

namespace velmorin::platform {

FolderLock::FolderLock(const std::filesystem::path& folder) : fd_(openFolderAt(AT_FDCWD, folder.c_str(), true)) {
  if (!fd_.valid()) return;  // nothing to protect: the caller's own steps will fail and say why
  while (flock(fd_.get(), LOCK_EX) != 0 && errno == EINTR) {
  }
}

void removeLeftovers(const std::filesystem::path& folder, const std::string& prefix, const std::string& suffix) {
  UniqueFd fd(openFolderAt(AT_FDCWD, folder.c_str(), true));
  std::vector<FolderEntry> entries;
  if (!fd.valid() || !readFolder(fd.get(), entries)) return;
  for (const auto& entry : entries)
    if (entry.name.size() > prefix.size() + suffix.size() && entry.name.starts_with(prefix) &&
        entry.name.ends_with(suffix))
      removeTree(folder / entry.name);
}

std::string hiddenName(const std::string& name, const char* suffix) { return "." + name + suffix; }

}  // namespace velmorin::platform
