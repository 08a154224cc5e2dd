#pragma once
// The desktop's Trash (freedesktop.org), through GIO, so that the file manager
// can put back what the application replaced.
#include <filesystem>

namespace velmorin::platform {

// Moves `path` (a file, a link or a whole folder) to the Trash of its volume.
// False when it was not moved: the volume has no Trash (tmpfs, a read-only or
// foreign file system), or the move failed; the item then stays where it is.
bool moveToTrash(const std::filesystem::path& path);

}  // namespace velmorin::platform
