#pragma once
// A folder's lock held by the test as a running install or zip holds it: the
// program's own install or zip into that folder waits until it is let go.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>

namespace velmorin::testing {

class HeldFolder {
 public:
  // Not inherited: a child holding the same open file would keep the lock after release().
  explicit HeldFolder(const std::filesystem::path& folder)
      : fd_(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_ >= 0) flock(fd_, LOCK_EX);
  }
  ~HeldFolder() { release(); }
  void release() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

}  // namespace velmorin::testing
