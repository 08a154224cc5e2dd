#include <fcntl.h>
#include <sys/stat.h>

#include <vector>

#include "commands/commands.h"
#include "platform/folder_reader.h"

namespace velmorin {

namespace {
// Every non-folder entry counts its logical length (a link its own); folders
// count nothing. Links are never followed below the measured location.
std::int64_t sizeBelow(int folderFd) {
  std::vector<platform::FolderEntry> entries;
  if (!platform::readFolder(folderFd, entries)) return 0;
  std::int64_t total = 0;
  for (const auto& entry : entries) {
    if (entry.type == DT_DIR) {
      platform::UniqueFd child(platform::openFolderAt(folderFd, entry.name.c_str(), false));
      if (child.valid()) total += sizeBelow(child.get());
      continue;
    }
    struct stat st {};
    if (fstatat(folderFd, entry.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISDIR(st.st_mode)) {  // the file system gave no type
      platform::UniqueFd child(platform::openFolderAt(folderFd, entry.name.c_str(), false));
      if (child.valid()) total += sizeBelow(child.get());
    } else {
      total += st.st_size;
    }
  }
  return total;
}
}  // namespace

std::int64_t folderSize(const std::filesystem::path& location) {
  struct stat st {};
  if (stat(location.c_str(), &st) != 0) return 0;
  if (!S_ISDIR(st.st_mode)) return st.st_size;
  platform::UniqueFd fd(platform::openFolderAt(AT_FDCWD, location.c_str(), true));
  return fd.valid() ? sizeBelow(fd.get()) : 0;
}

}  // namespace velmorin
