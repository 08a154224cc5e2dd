#pragma once
// How the library judges what it reads from the maker's backups: each
// program inside by its ZIP entry's own checks as well as its header, and
// the backup itself when it cannot be read to its end.
#include <cstdint>
#include <string>
#include <string_view>

#include "commands/program_header.h"
#include "platform/zip_entries.h"

namespace velmorin {

// What reading one backup may cost. A backup of thousands of programs and
// pianos unpacks a few megabytes here: only headers are read of what is
// longer than kCheckedFileLimit.
inline constexpr platform::ZipLimits kBackupLimits{50'000, 16u << 20, 64u << 20};

// The check of an entry `extension`, recorded as `size` bytes long, of which
// `bytes` were read with `problem`. Damage the archive finds is named first:
// "zipCrc" (its CRC does not match), "short" (fewer bytes than recorded),
// "zipData" (it cannot be unpacked); the header is kept when it could be read.
ProgramCheck checkBackupEntry(std::string_view extension, platform::EntryProblem problem, const std::string& bytes,
                              std::uint64_t size);

// The problem of a backup not read to its end: "zipDamaged" (cut short or not
// a whole archive), "zipLimit" (entries that overlap, or more than a backup
// may cost); "" for ZipFault::None.
std::string_view backupProblem(platform::ZipFault fault);

}  // namespace velmorin
