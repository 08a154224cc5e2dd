#pragma once
// The entries of a ZIP archive that came from elsewhere, read in place from a
// descriptor the caller opened (never by path again, so a file swapped for a
// FIFO or a link meanwhile is never opened), nothing extracted to disk. What
// is read is checked against the entry's CRC and length, and what the whole
// archive may cost is bounded (see ZipLimits).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/zip_directory.h"

namespace velmorin::platform {

struct ZipEntry {
  std::string name;            // as stored, folders included ("Program/Bank A/Warm.ns3f")
  std::uint64_t size = 0;      // unpacked, as the directory says
  long double modifiedMs = 0;  // the entry's local date and time, in ms since 1970
};

// What was wrong with an entry's data.
enum class EntryProblem {
  None,
  Crc,        // read whole, it does not match its CRC
  Short,      // it holds fewer bytes than its recorded length
  Damaged,    // it cannot be unpacked: a wrong local header, bad deflate data,
              // more bytes than recorded, encryption or an unknown method
  OverLimit,  // the archive's allowance of unpacked bytes is spent: not read
};

// The current entry's data, for the visitor of forEachZipEntry.
class ZipEntryReader {
 public:
  // The entry's first `limit` bytes (all of them when it is not longer) into
  // `bytes`; when that is the whole entry, also its length and CRC checked.
  EntryProblem read(std::size_t limit, std::string& bytes) const;

  struct State;
  explicit ZipEntryReader(State& state) : state_(state) {}

 private:
  State& state_;
};

// Whether the bytes at the start of a file are a ZIP archive's.
bool startsLikeZip(int fd);

// Calls `visit` for each file entry of the archive open as `fd` (regular,
// `fileSize` bytes long), in directory order, folders left out; `visit`
// returns false to stop. Says why the archive was not read to its end:
// ZipFault::OverLimit too once an entry's read gave EntryProblem::OverLimit.
ZipFault forEachZipEntry(int fd, std::uint64_t fileSize, const ZipLimits& limits,
                         const std::function<bool(const ZipEntry& entry, const ZipEntryReader& data)>& visit);

}  // namespace velmorin::platform
