#pragma once
// Reading the entries of a ZIP archive in place, never extracting anything to
// disk: the maker's backups and bundles are ZIP archives of program files.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/status.h"

namespace velmorin::platform {

struct ZipEntry {
  std::string name;          // as stored, folders included ("Program/Bank A/Warm.ns3f")
  std::uint64_t size = 0;    // uncompressed
  long double modifiedMs = 0;  // the entry's local date and time, in ms since 1970
};

// Whether `path` is a regular file that starts with a ZIP signature.
bool looksLikeZip(const std::filesystem::path& path);

// Calls `visit` for each file entry of the archive (folders left out). From
// inside `visit`, `read(limit)` gives the first `limit` bytes of the entry, or
// all of them when it is shorter; a failure when the entry cannot be inflated
// or, read whole, does not match its CRC. `visit` returns false to stop.
using ZipRead = std::function<StatusOr<std::string>(std::size_t limit)>;
Status forEachZipEntry(const std::filesystem::path& archive,
                       const std::function<bool(const ZipEntry& entry, const ZipRead& read)>& visit);

}  // namespace velmorin::platform
