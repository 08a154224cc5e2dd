#include "sound/bits.h"

namespace velmorin::sounds {

std::optional<std::uint32_t> readBits(std::span<const std::uint8_t> bytes, std::size_t offset, int bit, int width) {
  if (bit < 0 || bit > 7 || width < 1 || width > 32) return std::nullopt;
  // Bits counted from the first byte's most significant one.
  const std::size_t first = offset * 8 + static_cast<std::size_t>(7 - bit);
  const std::size_t end = first + static_cast<std::size_t>(width);
  if (end > bytes.size() * 8) return std::nullopt;
  std::uint32_t value = 0;
  for (std::size_t at = first; at < end; ++at)
    value = (value << 1) | ((bytes[at / 8] >> (7 - at % 8)) & 1u);
  return value;
}

}  // namespace velmorin::sounds
