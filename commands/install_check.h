#pragma once
// What an install checks of what it made before it reports success: every
// copied file against its source, and the new archive read back.
#include <cstdint>
#include <filesystem>

#include "platform/status.h"
#include "platform/work_control.h"

namespace velmorin {

namespace fs = std::filesystem;

// Every file below `copy` against its counterpart below `source`: a program
// whose checksum matches is taken as intact, anything else is compared byte
// for byte. The failure names the file that differs.
Status checkCopy(const fs::path& source, const fs::path& copy, platform::WorkControl* control);

// The one copied file `copy` against `source`, byte for byte.
Status checkCopiedFile(const fs::path& source, const fs::path& copy, platform::WorkControl* control);

// Every entry of `archive` read back to its end, its CRC checked; the archive
// must hold `files` files. `shownAs` is the name failures give it.
Status checkArchive(const fs::path& archive, std::uint64_t files, const fs::path& shownAs,
                    platform::WorkControl* control);

}  // namespace velmorin
