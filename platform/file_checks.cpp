#include "platform/file_checks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace velmorin::platform {

EntryKind kindOf(const fs::path& path) {
  const auto facts = factsOf(path, false);
  return facts ? facts->kind : EntryKind::Missing;
}

bool isFolder(const fs::path& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

fs::path nearestExisting(const fs::path& path) {
  fs::path at = path;
  struct stat st;
  while (lstat(at.c_str(), &st) != 0 && at.has_relative_path()) at = at.parent_path();
  return at;
}

std::size_t nameLimit(const fs::path& folder) {
  const long limit = pathconf(folder.c_str(), _PC_NAME_MAX);
  return limit > 0 ? static_cast<std::size_t>(limit) : 255;
}

Status checkWritable(const fs::path& folder) {
  // As the process really is: root passes, except on a read-only mount.
  if (faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) return failureFor(Action::WriteTo, folder, errno);
  return Status();
}

Status checkReadableFolder(const fs::path& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return failureFor(Action::ListFolder, folder, errno);
  close(fd);
  return Status();
}

StatusOr<std::vector<fs::path>> makeFolders(const fs::path& folder) {
  std::vector<fs::path> missing;
  fs::path at = folder;
  struct stat st;
  while (stat(at.c_str(), &st) != 0) {
    if (errno != ENOENT || !at.has_relative_path()) return failureFor(Action::CreateFolder, folder, errno);
    missing.push_back(at);
    at = at.parent_path();
  }
  if (!S_ISDIR(st.st_mode)) return failureFor(Action::CreateFolder, folder, ENOTDIR);
  std::vector<fs::path> made;
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (mkdir(it->c_str(), 0777) == 0) {
      made.push_back(*it);
    } else if (errno != EEXIST) {
      const int err = errno;
      removeMadeFolders(made);
      return failureFor(Action::CreateFolder, folder, err);
    }
  }
  return made;
}

Status makeFolder(const fs::path& folder) {
  if (mkdir(folder.c_str(), 0777) != 0) return failureFor(Action::CreateFolder, folder, errno);
  return Status();
}

void removeMadeFolders(const std::vector<fs::path>& made) {
  for (auto it = made.rbegin(); it != made.rend(); ++it) rmdir(it->c_str());
}

}  // namespace velmorin::platform
