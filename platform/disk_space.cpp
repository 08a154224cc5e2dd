#include "platform/disk_space.h"

#include <sys/statvfs.h>

#include <cerrno>

namespace velmorin::platform {

StatusOr<std::uint64_t> freeBytes(const std::filesystem::path& path) {
  struct statvfs info {};
  if (statvfs(path.c_str(), &info) != 0) return failureFor(Action::MeasureFreeSpace, path, errno);
  return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
}

}  // namespace velmorin::platform
