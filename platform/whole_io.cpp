#include "platform/whole_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

namespace velmorin::platform {

namespace {
bool offsetFits(std::uint64_t where) { return where <= static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()); }
}  // namespace

ssize_t readUntilFullOrEnd(int fd, void* into, std::size_t length, At at) {
  auto* bytes = static_cast<char*>(into);
  std::size_t got = 0;
  bool blocking = false;
  while (got < length) {
    if (at.positioned && !offsetFits(at.where + got)) {
      errno = EOVERFLOW;
      return -1;
    }
    const ssize_t n = at.positioned ? pread(fd, bytes + got, length - got, static_cast<off_t>(at.where + got))
                                    : read(fd, bytes + got, length - got);
    if (n < 0 && errno == EINTR) continue;
    // A file opened without blocking, on a file system that honours that for
    // regular files: from here on the reads wait, as this one means to.
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && !blocking) {
      const int flags = fcntl(fd, F_GETFL);
      if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return -1;
      blocking = true;
      continue;
    }
    if (n < 0) return -1;
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return static_cast<ssize_t>(got);
}

int writeUntilDone(int fd, const void* from, std::size_t length, At at) {
  const auto* bytes = static_cast<const char*>(from);
  std::size_t done = 0;
  while (done < length) {
    if (at.positioned && !offsetFits(at.where + done)) return EOVERFLOW;
    const ssize_t n = at.positioned ? pwrite(fd, bytes + done, length - done, static_cast<off_t>(at.where + done))
                                    : write(fd, bytes + done, length - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return ENOSPC;
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

}  // namespace velmorin::platform
