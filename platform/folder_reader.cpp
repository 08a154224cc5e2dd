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

Status visitFolder(int folderFd, const std::function<void(const char* name, unsigned char type)>& visit) {
  // getdents64 on our own descriptor: one pass, no DIR* allocation, and the
  // caller's descriptor stays usable for *at() calls.
  alignas(LinuxDirent64) char buffer[32768];
  for (;;) {
    const long got = syscall(SYS_getdents64, folderFd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      return Status::fromErrno(errno);
    }
    if (got == 0) return Status();
    for (long at = 0; at < got;) {
      const auto* d = reinterpret_cast<const LinuxDirent64*>(buffer + at);
      at += d->d_reclen;
      const char* name = d->d_name;
      if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
      visit(name, d->d_type);
    }
  }
}


StatusOr<unsigned char> entryType(int folderFd, const char* name, unsigned char reported) {
  if (reported != DT_UNKNOWN) return reported;  // some file systems do not say: ask
  struct stat st;
  if (fstatat(folderFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return Status::fromErrno(errno);
  return static_cast<unsigned char>(IFTODT(st.st_mode));
}

StatusOr<std::string> readLinkAt(int folderFd, const char* name, const struct stat& st) {
  std::string target(st.st_size > 0 ? st.st_size + 1 : 256, '\0');
  for (;;) {
    const ssize_t length = readlinkat(folderFd, name, target.data(), target.size());
    if (length < 0) return Status::fromErrno(errno);
    if (static_cast<std::size_t>(length) < target.size()) {
      target.resize(static_cast<std::size_t>(length));
      return target;
    }
    target.resize(target.size() * 2);  // grew since the stat
  }
}

StatusOr<OpenedFile> openRegularFile(int folderFd, const char* name, bool followLink, Reads reads) {
  int flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  if (!followLink) flags |= O_NOFOLLOW;
  int fd;
  do {
    fd = openat(folderFd, name, flags);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return Status::fromErrno(errno);
  OpenedFile opened{UniqueFd(fd), {}};
  if (fstat(fd, &opened.st) != 0) return Status::fromErrno(errno);
  if (!S_ISREG(opened.st.st_mode)) {
    opened.fd = UniqueFd();
    return opened;
  }
  // Plain reads from here on. F_SETFL sets only the status flags, and of
  // those the open asked for none but O_NONBLOCK: no need to read them first.
  if (reads == Reads::Any) fcntl(fd, F_SETFL, 0);
  return opened;
}

StatusOr<UniqueFd> openFolderAt(int parentFd, const char* name, bool followLinks) {
  int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  if (!followLinks) flags |= O_NOFOLLOW;
  int fd;
  do {
    fd = openat(parentFd, name, flags);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return Status::fromErrno(errno);
  return UniqueFd(fd);
}

}  // namespace velmorin::platform
