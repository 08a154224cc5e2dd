#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <memory>
#include <vector>

#include "commands/commands.h"
#include "platform/folder_reader.h"
#include "platform/tree_workers.h"

namespace velmorin {

namespace {

// Past this many open parents a sub-folder is opened by its whole path, so a
// very deep tree cannot use up the process's descriptors.
constexpr int kMaxHeldParents = 256;

// One folder still to measure. It is opened relative to its parent's open
// descriptor while that is held: the kernel then looks up one name instead of
// walking the whole path again for every folder.
struct Pending {
  std::shared_ptr<const platform::UniqueFd> parent;  // empty: open by `path`
  std::string path;
  std::size_t nameAt = 0;  // where the folder's own name starts in `path`
  int depth = 0;
};

int openPending(const Pending& folder) {
  if (folder.parent) return platform::openFolderAt(folder.parent->get(), folder.path.c_str() + folder.nameAt, false);
  return platform::openFolderAt(AT_FDCWD, folder.path.c_str(), false);
}

// Adds the sizes of a folder's non-folder entries (a link counts its own
// length; nothing is followed) and gives its sub-folders back.
std::vector<Pending> measureFolder(const Pending& pending, std::atomic<std::int64_t>& total) {
  std::vector<Pending> subfolders;
  auto folder = std::make_shared<const platform::UniqueFd>(openPending(pending));
  if (!folder->valid()) return subfolders;
  const bool hold = pending.depth < kMaxHeldParents;
  std::int64_t sum = 0;
  const bool listed = platform::visitFolder(folder->get(), [&](const char* name, unsigned char type) {
    bool isFolder = type == DT_DIR;
    if (!isFolder) {
      struct stat st {};
      if (fstatat(folder->get(), name, &st, AT_SYMLINK_NOFOLLOW) != 0) return;
      isFolder = S_ISDIR(st.st_mode);  // the file system gave no type
      if (!isFolder) sum += st.st_size;
    }
    if (isFolder)
      subfolders.push_back({hold ? folder : nullptr, pending.path + "/" + name, pending.path.size() + 1,
                            pending.depth + 1});
  });
  // A folder that could not be read to its end counts for nothing, as if unreadable.
  if (!listed) {
    subfolders.clear();
    return subfolders;
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
  platform::runTreeTasks<Pending>(Pending{nullptr, root, 0, 0},
                                  [&](Pending& folder) { return measureFolder(folder, total); });
  return total;
}

}  // namespace velmorin
