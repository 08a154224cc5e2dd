#pragma once
#include <cstdint>
#include <filesystem>

#include "platform/status.h"

namespace velmorin::platform {

// Bytes available to an unprivileged user on the volume holding `path`.
StatusOr<std::uint64_t> freeBytes(const std::filesystem::path& path);

}  // namespace velmorin::platform
