#pragma once
// Reading the entries of a ZIP archive in place, never extracting anything to
// disk: the maker's backups and bundles are ZIP archives of program files.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/status.h"
#include "platform/work_control.h"

namespace velmorin::platform {

struct ZipEntry {
  std::string name;          // as stored, folders included ("Program/Bank A/Warm.ns3f")
  std::uint64_t size = 0;    // uncompressed
  long double modifiedMs = 0;  // the entry's local date and time, in ms since 1970
};

// Whether `path` is a regular file that starts with a ZIP signature.
bool looksLikeZip(const std::filesystem::path& path);

// The current entry's data, for the visitor of forEachZipEntry. Either call
// fails when the entry cannot be inflated or, read whole, does not match its CRC.
class ZipEntryReader {
 public:
  ZipEntryReader(void* zip, const std::filesystem::path& archive) : zip_(zip), archive_(archive) {}
  // The first `limit` bytes of the entry, or all of them when it is shorter.
  StatusOr<std::string> read(std::size_t limit) const;
  // Reads the whole entry without keeping it; gives its length.
  StatusOr<std::uint64_t> drain() const;

 private:
  StatusOr<std::uint64_t> stream(std::size_t limit, std::string* keep) const;
  void* zip_;
  const std::filesystem::path& archive_;
};

// Calls `visit` for each file entry of the archive (folders left out);
// `visit` returns false to stop. A failure when the archive cannot be opened
// or its directory read.
Status forEachZipEntry(const std::filesystem::path& archive,
                       const std::function<bool(const ZipEntry& entry, const ZipEntryReader& data)>& visit);

// Reads every file entry of `archive` back, on every core: each must inflate
// to exactly its recorded length and CRC, its local header agreeing with the
// directory. Gives how many file entries there are; a failure naming the
// archive when one does not read back; Status::cancelled() when `control`
// is cancelled. `control` hears of each entry and its bytes.
StatusOr<std::uint64_t> verifyZipEntries(const std::filesystem::path& archive, WorkControl* control = nullptr);

}  // namespace velmorin::platform
