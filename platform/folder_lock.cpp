#include "platform/folder_lock.h"

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/file_copy.h"
#include "platform/folder.h"
#include "platform/folder_reader.h"

namespace velmorin::platform {

FolderLock::FolderLock(const std::filesystem::path& folder) {
  auto opened = openFolderAt(AT_FDCWD, folder.c_str(), true);
  if (!opened) return;  // nothing to protect: the caller's own steps will fail and say why
  fd_ = std::move(*opened);
  while (flock(fd_.get(), LOCK_EX) != 0 && errno == EINTR) {
  }
}

bool FolderLock::stillAt(const std::filesystem::path& folder) const {
  struct stat locked, named;
  if (!fd_.valid() || fstat(fd_.get(), &locked) != 0 || stat(folder.c_str(), &named) != 0) return false;
  return locked.st_dev == named.st_dev && locked.st_ino == named.st_ino;
}

void removeLeftovers(const std::filesystem::path& folder, const std::string& prefix, const std::string& suffix) {
  for (const std::string& name : namesIn(folder))
    if (name.size() > prefix.size() + suffix.size() && name.starts_with(prefix) && name.ends_with(suffix))
      removeTree(folder / name);
}

std::string hiddenName(const std::string& name, const char* suffix) { return "." + name + suffix; }

}  // namespace velmorin::platform
