#pragma once
#include <cstdint>
#include <filesystem>

namespace velmorin::platform {

// Bytes available to an unprivileged user on the volume holding `path`; 0 when unknown.
std::uint64_t freeBytes(const std::filesystem::path& path);

}  // namespace velmorin::platform
