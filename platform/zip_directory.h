#pragma once
// The directory of a ZIP archive that came from elsewhere (a backup from a
// forum, say), read from a descriptor already open: its end records, Zip64
// ones too, and its central directory. Every count, length and offset is
// checked against the file and against limits, and entries whose data would
// overlap are refused, so an archive that lies about itself costs no more to
// read than an honest one of its size.
#include <cstdint>
#include <string>
#include <vector>

namespace velmorin::platform {

// What one archive may cost to read.
struct ZipLimits {
  std::uint64_t entries = 50'000;                // entries in its directory
  std::uint64_t directoryBytes = 16u << 20;      // its central directory's length
  std::uint64_t unpackedBytes = 64u << 20;       // bytes read out of its entries, in all
};

// Why an archive was not, or not wholly, read.
enum class ZipFault {
  None,
  Damaged,    // cut short, or its end records or directory do not hold together
  OverLimit,  // more entries or directory than the limits allow, entries that
              // share or overlap their data, or more to unpack than allowed
};

// One entry as the central directory describes it.
struct ZipDirectoryEntry {
  std::string name;               // every byte the directory holds, whatever its length
  std::uint64_t packed = 0;       // stored length of its data
  std::uint64_t size = 0;         // length once unpacked
  std::uint64_t header = 0;       // file offset of its local header
  std::uint64_t end = 0;          // where the next entry, or the directory, begins
  std::uint32_t crc = 0;
  std::uint16_t flags = 0, method = 0, time = 0, date = 0;  // as stored (DOS time and date)
};

struct ZipDirectory {
  ZipFault fault = ZipFault::None;
  std::vector<ZipDirectoryEntry> entries;  // in directory order; none unless fault is None
};

// Reads the directory of the archive open as `fd`, `fileSize` bytes long.
ZipDirectory readZipDirectory(int fd, std::uint64_t fileSize, const ZipLimits& limits);

// Reads `length` bytes at `offset` of `fd` whole; false when the file ends first.
bool readWholeAt(int fd, std::uint64_t offset, void* into, std::size_t length);

}  // namespace velmorin::platform
