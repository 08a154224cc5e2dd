// Any bytes as a backup from elsewhere, read from a file in memory with small
// limits, every entry by its header and whole: no read goes past a buffer or
// gives more than it was asked, an entry that reads clean has every byte
// asked for, and what is unpacked stays within the limit.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "platform/zip_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace velmorin::platform;
  static const int fd = memfd_create("backup", MFD_CLOEXEC);
  if (fd < 0 || ftruncate(fd, 0) != 0) __builtin_trap();
  if (size > 0 && pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) __builtin_trap();
  const ZipLimits limits{64, 64 * 1024, 256 * 1024};
  std::uint64_t unpacked = 0;
  std::string bytes;
  bool overLimit = false;
  const ZipFault fault = forEachZipEntry(fd, size, limits, [&](const ZipEntry& entry, const ZipEntryReader& reader) {
    for (const std::size_t limit : {std::size_t{0x2C}, std::size_t{1} << 20}) {
      const EntryProblem problem = reader.read(limit, bytes);
      if (bytes.size() > limit) __builtin_trap();
      if (problem == EntryProblem::None && bytes.size() != std::min<std::uint64_t>(limit, entry.size)) __builtin_trap();
      if (problem == EntryProblem::OverLimit) {
        overLimit = true;
        return false;
      }
      unpacked += bytes.size();
    }
    return true;
  });
  if (unpacked > limits.unpackedBytes) __builtin_trap();
  if (overLimit && fault != ZipFault::OverLimit) __builtin_trap();
  return 0;
}
