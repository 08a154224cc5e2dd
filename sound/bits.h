#pragma once
// Reading settings packed into bit fields, as Nord programs keep them: a field
// starts at a given bit of a byte (7 = the most significant) and runs on into
// the following bytes, most significant bits first.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace velmorin::sounds {

// Where a field lies: the byte holding its first (most significant) bit, that
// bit's number (7..0), and how many bits it takes (1..32). "0x4D (b4-0) and
// 0x4E (b7-6)" is {0x4D, 4, 7}.
struct Place {
  std::uint16_t offset = 0;
  std::uint8_t bit = 7;
  std::uint8_t width = 1;
};

// The field's value; nothing when any of its bits lies beyond `bytes`.
std::optional<std::uint32_t> readBits(std::span<const std::uint8_t> bytes, std::size_t offset, int bit, int width);

}  // namespace velmorin::sounds
