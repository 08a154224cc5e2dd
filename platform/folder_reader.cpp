#include "platform/folder_reader.h"

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace velmorin::platform {

namespace {
// The kernel's record layout for getdents64.
struct LinuxDirent64 {
  ino64_t d_ino;
  off64_t d_off;
  unsigned short d_reclen;
  unsigned char d_type;
  char d_name[];
};
}  // namespace

bool visitFolder(int folderFd, const std::function<void(const char* name, unsigned char type)>& visit) {
  // getdents64 on our own descriptor: one pass, no DIR* allocation, and the
  // caller's descriptor stays usable for *at() calls.
  alignas(LinuxDirent64) char buffer[32768];
  for (;;) {
    const long got = syscall(SYS_getdents64, folderFd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (got == 0) return true;
    for (long at = 0; at < got;) {
      const auto* d = reinterpret_cast<const LinuxDirent64*>(buffer + at);
      at += d->d_reclen;
      const char* name = d->d_name;
      if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
      visit(name, d->d_type);
    }
  }
}

bool readFolder(int folderFd, std::vector<FolderEntry>& entries) {
  return visitFolder(folderFd, [&](const char* name, unsigned char type) { entries.push_back({name, type}); });
}

std::vector<std::string> namesIn(const std::string& folder) {
  std::vector<std::string> names;
  const UniqueFd fd(openFolderAt(AT_FDCWD, folder.c_str(), true));
  if (fd.valid() && !visitFolder(fd.get(), [&](const char* name, unsigned char) { names.emplace_back(name); }))
    names.clear();
  return names;
}

std::optional<std::string> readRegularFile(const std::string& path, std::size_t limit) {
  struct stat st;
  const UniqueFd fd(openRegularFile(AT_FDCWD, path.c_str(), true, st));
  if (!fd.valid()) return std::nullopt;
  std::string text(std::min<std::size_t>(limit, 4096), '\0');
  std::size_t got = 0;
  while (got < limit) {
    if (got == text.size()) text.resize(std::min(limit, text.size() * 2));
    const ssize_t read = ::read(fd.get(), text.data() + got, text.size() - got);
    if (read < 0 && errno == EINTR) continue;
    if (read < 0) return std::nullopt;
    if (read == 0) break;
    got += static_cast<std::size_t>(read);
  }
  text.resize(got);
  return text;
}

int openRegularFile(int folderFd, const char* name, bool followLink, struct stat& st) {
  int flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  if (!followLink) flags |= O_NOFOLLOW;
  int fd;
  do {
    fd = openat(folderFd, name, flags);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  const int err = fstat(fd, &st) != 0 ? errno : 0;
  if (err != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    errno = err;
    return -1;
  }
  // Plain reads from here on. F_SETFL sets only the status flags, and of
  // those the open asked for none but O_NONBLOCK: no need to read them first.
  fcntl(fd, F_SETFL, 0);
  return fd;
}

int openFolderAt(int parentFd, const char* name, bool followLinks) {
  int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  if (!followLinks) flags |= O_NOFOLLOW;
  int fd;
  do {
    fd = openat(parentFd, name, flags);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) close(fd_);
    fd_ = other.release();
  }
  return *this;
}

UniqueFd::~UniqueFd() {
  if (fd_ >= 0) close(fd_);
}

}  // namespace velmorin::platform
