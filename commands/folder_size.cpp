#include <atomic>
#include <memory>
#include <vector>

#include "commands/commands.h"
#include "platform/folder.h"
#include "platform/tree_workers.h"

namespace velmorin {

namespace {

// Past this many open parents a sub-folder is opened by its whole path, so a
// very deep tree cannot use up the process's descriptors.
constexpr int kMaxHeldParents = 256;

// One folder still to measure. It is opened relative to its parent's open
// folder while that is held: the kernel then looks up one name instead of
// walking the whole path again for every folder.
struct Pending {
  std::shared_ptr<const platform::Folder> parent;  // empty: open by `path`
  std::string path;
  std::size_t nameAt = 0;  // where the folder's own name starts in `path`
  int depth = 0;
};

StatusOr<platform::Folder> openPending(const Pending& folder) {
  if (folder.parent) return folder.parent->child(folder.path.c_str() + folder.nameAt);
  return platform::Folder::open(folder.path, false);
}

// Adds the sizes of a folder's non-folder entries (a link counts its own
// length; nothing is followed) and gives its sub-folders back.
struct Totals {
  std::atomic<std::int64_t> bytes = 0;
  std::atomic<std::int64_t> files = 0;
};

std::vector<Pending> measureFolder(const Pending& pending, Totals& totals) {
  std::vector<Pending> subfolders;
  auto opened = openPending(pending);
  if (!opened) return subfolders;
  const auto folder = std::make_shared<const platform::Folder>(std::move(*opened));
  const bool hold = pending.depth < kMaxHeldParents;
  std::int64_t sum = 0, files = 0;
  const Status listed = folder->forEach([&](const char* name, platform::EntryKind kind) {
    if (kind == platform::EntryKind::Folder) {
      subfolders.push_back({hold ? folder : nullptr, pending.path + "/" + name, pending.path.size() + 1,
                            pending.depth + 1});
    } else if (const auto facts = folder->facts(name, false)) {
      sum += facts->size;
      if (facts->kind == platform::EntryKind::File) ++files;
    }
  });
  if (!listed) {
    subfolders.clear();
    return subfolders;
  }
  totals.bytes += sum;
  totals.files += files;
  return subfolders;
}

}  // namespace

std::int64_t folderSize(const std::filesystem::path& location) { return treeSize(location).bytes; }

TreeSize treeSize(const std::filesystem::path& location) {
  const auto facts = platform::factsOf(location.string(), true);
  if (!facts) return {};
  if (facts->kind != platform::EntryKind::Folder) return {facts->size, facts->kind == platform::EntryKind::File ? 1 : 0};
  // The measured location itself may be a link to a folder; below it nothing is followed.
  std::string root = location.string();
  if (const auto own = platform::factsOf(root, false); own && own->kind == platform::EntryKind::Link) root += "/.";
  Totals totals;
  platform::runTreeTasks<Pending>(Pending{nullptr, root, 0, 0},
                                  [&](Pending& folder) { return measureFolder(folder, totals); });
  return {totals.bytes, totals.files};
}

}  // namespace velmorin
