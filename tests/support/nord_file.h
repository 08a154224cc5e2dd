#pragma once
// Nord program files as the maker's software writes them, made from the
// public facts about their header, for tests.
#include <cstdint>
#include <string>

#include "platform/checksum.h"

namespace velmorin::testing {

inline void put(std::string& bytes, std::size_t at, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A file as the maker's software writes it: the header, then `size` bytes in all.
inline std::string nordFile(const std::string& type, int header, std::size_t size, int bank = 0, int location = 0,
                     int category = 0x15, int version = 304) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0x2C; i < size; ++i) bytes[i] = static_cast<char>(i * 7 % 251);
  bytes.replace(0, 4, "CBIN");
  put(bytes, 0x04, header, 4);
  bytes.replace(0x08, 4, type.substr(0, 4));
  put(bytes, 0x0C, bank, 1);
  put(bytes, 0x0E, location, 1);
  put(bytes, 0x10, category, 1);
  put(bytes, 0x14, version, 2);
  if (header == 1)
    put(bytes, 0x18, platform::crc32Of(std::string_view(bytes).substr(0x2C)), 4);
  return bytes;
}

}  // namespace velmorin::testing
