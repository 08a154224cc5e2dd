#pragma once
// The desktop's Trash (freedesktop.org), through GIO, so that the file manager
// can put back what the application replaced.
#include <filesystem>

#include "platform/status.h"

namespace velmorin::platform {

// Moves `path` (a file, a link or a whole folder) to the Trash of its volume.
// A failure when it was not moved: the volume has no Trash (tmpfs, a read-only
// or foreign file system), or the move failed; the item then stays where it is.
Status moveToTrash(const std::filesystem::path& path);

}  // namespace velmorin::platform
