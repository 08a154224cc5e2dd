#include "platform/checksum.h"

#include <zlib.h>

#include <algorithm>

namespace velmorin::platform {

std::uint32_t crc32Of(std::string_view bytes) {
  uLong crc = crc32(0, nullptr, 0);
  // zlib takes at most 4 GiB at a time.
  while (!bytes.empty()) {
    const auto step = static_cast<uInt>(std::min<std::size_t>(bytes.size(), 1u << 30));
    crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), step);
    bytes.remove_prefix(step);
  }
  return static_cast<std::uint32_t>(crc);
}

}  // namespace velmorin::platform
