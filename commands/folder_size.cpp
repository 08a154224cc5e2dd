#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <vector>

#include "commands/commands.h"
#include "platform/folder_reader.h"
#include "platform/tree_workers.h"

namespace velmorin {

namespace {
// Adds the sizes of a folder's non-folder entries (a link counts its own
// length; nothing is followed) and gives its sub-folders back as paths.
std::vector<std::string> measureFolder(const std::string& path, std::atomic<std::int64_t>& total) {
  std::vector<std::string> subfolders;
  platform::UniqueFd folder(platform::openFolderAt(AT_FDCWD, path.c_str(), false));
  std::vector<platform::FolderEntry> entries;
  if (!folder.valid() || !platform::readFolder(folder.get(), entries)) return subfolders;
  std::int64_t sum = 0;
  for (const auto& entry : entries) {
    bool isFolder = entry.type == DT_DIR;
    if (!isFolder) {
      struct stat st {};
      if (fstatat(folder.get(), entry.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
      isFolder = S_ISDIR(st.st_mode);  // the file system gave no type
      if (!isFolder) sum += st.st_size;
    }
    if (isFolder) subfolders.push_back(path + "/" + entry.name);
  }
  total += sum;
  return subfolders;
}
}  // namespace

std::int64_t folderSize(const std::filesystem::path& location) {
  struct stat st {};
  if (stat(location.c_str(), &st) != 0) return 0;
  if (!S_ISDIR(st.st_mode)) return st.st_size;
  // The measured location itself may be a link to a folder; below it nothing is followed.
  std::string root = location.string();
  if (lstat(root.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) root += "/.";
  std::atomic<std::int64_t> total = 0;
  platform::runTreeTasks<std::string>(root, [&](std::string& path) { return measureFolder(path, total); });
  return total;
}

}  // namespace velmorin
