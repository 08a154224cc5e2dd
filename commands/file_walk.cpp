#include "commands/file_walk.h"

#include <algorithm>
#include <mutex>
#include <tuple>
#include <unordered_set>

#include "commands/backup_check.h"
#include "commands/backup_file.h"
#include "commands/program_header.h"
#include "commands/scan_roots.h"
#include "vocabulary/text.h"
#include "platform/folder.h"
#include "platform/tree_workers.h"
#include "platform/zip_entries.h"

namespace velmorin {

namespace {

constexpr int kMaxDepth = 6;

struct Task {
  std::string path;
  int depth;
};

void readBackup(const platform::Folder& folder, const char* name, const std::string& backup, const WalkWants& wants,
                std::vector<WalkedFile>& found, platform::WorkControl* control) {
  const auto opened = folder.openFile(name);
  if (!opened || !opened->fd.valid() || !platform::startsLikeZip(opened->fd.get())) return;
  (void)forEachBackupEntry(
      *opened,
      [&](const platform::ZipEntry& entry, const platform::ZipEntryReader& data) {
        const std::string extension = lowerExtension(entry.name.substr(entry.name.rfind('/') + 1));
        if (!wants.wanted(extension) || !isValidUtf8(entry.name)) return !platform::isCancelled(control);
        WalkedFile file{entry.name, backup, extension, entry.size, {}, false};
        const auto problem = data.read(wants.bytesOf(extension), file.bytes);
        if (problem == platform::EntryProblem::OverLimit) return false;
        file.damaged = problem != platform::EntryProblem::None;
        found.push_back(std::move(file));
        return !platform::isCancelled(control);
      });
}

}  // namespace

std::vector<WalkedFile> walkFiles(const std::vector<std::string>& roots, const WalkWants& wants,
                                  platform::WorkControl* control) {
  const std::unordered_set<std::string> allRoots(roots.begin(), roots.end());
  std::vector<Task> tasks;
  for (const std::string& root : allRoots) tasks.push_back({root, 1});
  std::mutex mutex;
  std::vector<WalkedFile> all;
  platform::runTreeTasks<Task>(std::move(tasks), [&](Task& task) {
    std::vector<Task> subfolders;
    if (platform::isCancelled(control)) return subfolders;
    platform::advance(control, 1);
    const auto folder = platform::Folder::open(task.path, task.depth == 1);
    if (!folder) return subfolders;
    std::vector<WalkedFile> found;
    const Status listed = folder->forEach([&](const char* entryName, platform::EntryKind kind) {
      const std::string_view name(entryName);
      if (name.starts_with('.') || !isValidUtf8(name)) return;
      const std::string extension = lowerExtension(name);
      std::string path = platform::childPath(task.path, entryName);
      if (kind == platform::EntryKind::Folder) {
        if (!isPackageFolder(extension) && !allRoots.contains(path) && task.depth < kMaxDepth)
          subfolders.push_back({std::move(path), task.depth + 1});
        return;
      }
      if (isBackupExtension(extension)) return readBackup(*folder, entryName, path, wants, found, control);
      if (!wants.wanted(extension)) return;
      WalkedFile file{std::move(path), "", extension, 0, {}, false};
      bool read = false;
      const std::size_t wantedBytes = wants.bytesOf(extension);
      const auto facts = folder->read(entryName, wantedBytes, wantedBytes, file.bytes, read);
      if (!facts || facts->kind != platform::EntryKind::File || !read) return;
      file.size = static_cast<std::uint64_t>(facts->size);
      found.push_back(std::move(file));
    });
    if (!listed) return std::vector<Task>{};
    const std::lock_guard lock(mutex);
    std::move(found.begin(), found.end(), std::back_inserter(all));
    return subfolders;
  });
  std::sort(all.begin(), all.end(), [](const WalkedFile& a, const WalkedFile& b) {
    return std::tie(a.inside, a.path) < std::tie(b.inside, b.path);
  });
  // Roots inside one another see the same files twice.
  all.erase(std::unique(all.begin(), all.end(),
                        [](const WalkedFile& a, const WalkedFile& b) { return a.inside == b.inside && a.path == b.path; }),
            all.end());
  return all;
}

}  // namespace velmorin
