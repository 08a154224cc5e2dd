#pragma once
// A folder's lock held by the test, as a running install or zip holds it: the
// program's own install or zip into that folder waits until it is let go.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace velmorin::testing {

class HeldFolder {
 public:
  explicit HeldFolder(const std::filesystem::path& folder)
      : fd_(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    struct stat info {};
    if (fd_ < 0 || flock(fd_, LOCK_EX) != 0 || fstat(fd_, &info) != 0) {
      release();
      return;
    }
    char id[64];
    // How /proc/locks names the folder: device major:minor in hex, then the inode.
    std::snprintf(id, sizeof id, "%02x:%02x:%llu ", major(info.st_dev), minor(info.st_dev),
                  static_cast<unsigned long long>(info.st_ino));
    lockId_ = id;
  }
  ~HeldFolder() { release(); }
  HeldFolder(const HeldFolder&) = delete;
  HeldFolder& operator=(const HeldFolder&) = delete;

  void release() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

  // True once some process waits for this lock; false after `limit`.
  bool waitedFor(std::chrono::seconds limit = std::chrono::seconds(30)) const {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (fd_ >= 0 && std::chrono::steady_clock::now() < until) {
      std::ifstream locks("/proc/locks");
      for (std::string line; std::getline(locks, line);)
        if (line.find("->") != std::string::npos && line.find(lockId_) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

 private:
  int fd_ = -1;
  std::string lockId_;
};

}  // namespace velmorin::testing
