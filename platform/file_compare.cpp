#include "platform/file_compare.h"
#include "platform/whole_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/unique_fd.h"

namespace velmorin::platform {

namespace {

StatusOr<UniqueFd> openForReading(const std::filesystem::path& path) {
  // O_NONBLOCK: a FIFO put in a file's place must not hold the comparison up.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return failureFor(Action::Read, path, errno);
  UniqueFd owned(fd);
  struct stat st;
  if (fstat(fd, &st) != 0) return failureFor(Action::Read, path, errno);
  if (!S_ISREG(st.st_mode)) return failureFor(Action::Read, path, EINVAL);
  return owned;
}

// Big steps: fewer system calls; past 1 MiB they gain nothing.
constexpr std::size_t kChunk = 1 << 20;


}  // namespace

StatusOr<bool> sameContent(const std::filesystem::path& a, const std::filesystem::path& b, WorkControl* control) {
  auto first = openForReading(a);
  if (!first) return first.status();
  auto second = openForReading(b);
  if (!second) return second.status();
  struct stat sa, sb;
  if (fstat(first->get(), &sa) != 0) return failureFor(Action::Read, a, errno);
  if (fstat(second->get(), &sb) != 0) return failureFor(Action::Read, b, errno);
  if (sa.st_size != sb.st_size) return false;
  if (sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino) return true;

  const std::unique_ptr<char[]> left(new char[kChunk]), right(new char[kChunk]);
  for (;;) {
    if (isCancelled(control)) return Status::cancelled();
    const ssize_t n = readUntilFullOrEnd(first->get(), left.get(), kChunk);
    if (n < 0) return failureFor(Action::Read, a, errno);
    const ssize_t m = readUntilFullOrEnd(second->get(), right.get(), kChunk);
    if (m < 0) return failureFor(Action::Read, b, errno);
    if (n != m || std::memcmp(left.get(), right.get(), static_cast<std::size_t>(n)) != 0) return false;
    if (n == 0) return true;
    advance(control, 0, static_cast<std::uint64_t>(n));
  }
}

StatusOr<bool> holds(const std::filesystem::path& file, std::string_view bytes, WorkControl* control) {
  auto opened = openForReading(file);
  if (!opened) return opened.status();
  struct stat st;
  if (fstat(opened->get(), &st) != 0) return failureFor(Action::Read, file, errno);
  if (static_cast<std::uint64_t>(st.st_size) != bytes.size()) return false;
  const std::unique_ptr<char[]> buffer(new char[std::min(kChunk, std::max<std::size_t>(bytes.size(), 1))]);
  for (std::size_t at = 0;;) {
    if (isCancelled(control)) return Status::cancelled();
    const std::size_t step = std::min(kChunk, bytes.size() - at);
    // One byte past the end must meet the end: a file that grew is not the same.
    const ssize_t n = readUntilFullOrEnd(opened->get(), buffer.get(), step == 0 ? 1 : step);
    if (n < 0) return failureFor(Action::Read, file, errno);
    if (step == 0) return n == 0;
    if (static_cast<std::size_t>(n) != step || std::memcmp(buffer.get(), bytes.data() + at, step) != 0) return false;
    at += step;
    advance(control, 0, step);
  }
}

StatusOr<bool> beginsWith(const std::filesystem::path& file, std::string_view bytes) {
  auto opened = openForReading(file);
  if (!opened) return opened.status();
  std::string start(bytes.size(), '\0');
  const ssize_t n = readUntilFullOrEnd(opened->get(), start.data(), start.size());
  if (n < 0) return failureFor(Action::Read, file, errno);
  return static_cast<std::size_t>(n) == bytes.size() && start == bytes;
}

}  // namespace velmorin::platform
