#pragma once
// Two different byte strings with one CRC-32, for tests of what must not be
// decided on a checksum: CRC-32 is linear in the message's bits, so the 32
// bits of four chosen bytes can be solved for any CRC wanted.
#include <array>
#include <cstdint>
#include <string>

#include "platform/checksum.h"

namespace velmorin::testing {

// `bytes` with the four bytes at `at` rewritten so that its CRC-32 is `target`.
inline std::string withCrc(std::string bytes, std::size_t at, std::uint32_t target) {
  const auto crcWith = [&](std::uint32_t word) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(word >> (8 * i));
    return platform::crc32Of(bytes);
  };
  // crc(x) = crc(0) ^ sum of x's bits times their columns: solve the 32 x 32
  // system over GF(2) by elimination, each row carrying the bits it combines.
  const std::uint32_t base = crcWith(0);
  std::array<std::uint32_t, 32> column{}, combines{};
  for (int k = 0; k < 32; ++k) column[k] = crcWith(1u << k) ^ base, combines[k] = 1u << k;
  std::uint32_t want = target ^ base, word = 0;
  for (int bit = 0; bit < 32; ++bit) {
    int pivot = bit;
    while (pivot < 32 && !(column[pivot] >> bit & 1)) ++pivot;
    if (pivot == 32) continue;  // not reached for four whole bytes: CRC-32 reaches every value
    std::swap(column[bit], column[pivot]), std::swap(combines[bit], combines[pivot]);
    for (int k = 0; k < 32; ++k)
      if (k != bit && (column[k] >> bit & 1)) column[k] ^= column[bit], combines[k] ^= combines[bit];
  }
  for (int bit = 0; bit < 32; ++bit)
    if (want >> bit & 1) word ^= combines[bit];
  crcWith(word);
  return bytes;
}

}  // namespace velmorin::testing
