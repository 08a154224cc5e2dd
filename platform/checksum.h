#pragma once
// The common CRC-32 (polynomial 0xEDB88320, as zlib and ZIP archives use it).
#include <cstdint>
#include <string_view>

namespace velmorin::platform {

std::uint32_t crc32Of(std::string_view bytes);

}  // namespace velmorin::platform
