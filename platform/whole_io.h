#pragma once
// Reading and writing all of a span: the system may move fewer bytes than asked,
// or be interrupted by a signal, and every caller must go on until done.
#include <sys/types.h>

#include <cstddef>
#include <cstdint>

namespace velmorin::platform {

// Where a read or write happens: at the descriptor's position, or at an offset
// without moving it (pread/pwrite).
struct At {
  static At position() { return At{}; }
  static At offset(std::uint64_t where) { return At{true, where}; }
  bool positioned = false;
  std::uint64_t where = 0;
};

// Reads until `length` bytes are in `into` or the data ends: the count read,
// or -1 with errno set. A descriptor opened without blocking is made to
// block at its first EAGAIN: this reads until full or end.
ssize_t readUntilFullOrEnd(int fd, void* into, std::size_t length, At at = At::position());

// True when exactly `length` bytes were read.
inline bool readExactly(int fd, void* into, std::size_t length, At at = At::position()) {
  return readUntilFullOrEnd(fd, into, length, at) == static_cast<ssize_t>(length);
}

// Writes all `length` bytes: 0, or the errno value that stopped it (ENOSPC
// when the system wrote nothing and gave no reason).
int writeUntilDone(int fd, const void* from, std::size_t length, At at = At::position());

}  // namespace velmorin::platform
