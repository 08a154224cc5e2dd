#pragma once
// Reading back an archive this application has just written, every entry
// inflated and checked. Archives from elsewhere are read by zip_entries.h.
#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "platform/status.h"
#include "platform/work_control.h"

namespace velmorin::platform {

// Reads every file entry of `archive` back, on every core: each must inflate
// to exactly its recorded length and CRC, its local header agreeing with the
// directory. Gives how many file entries there are; a failure naming the
// archive when one does not read back; Status::cancelled() when `control`
// is cancelled. `control` hears of each entry and its bytes.
StatusOr<std::uint64_t> verifyZipEntries(const std::filesystem::path& archive, WorkControl* control = nullptr);

}  // namespace velmorin::platform
