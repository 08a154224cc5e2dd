#pragma once
// Program files for tests, written field by field as the community's
// documentation lays them out: the CBIN header, then settings at their
// offsets and bits (panel A's offsets with header type 1).
#include <cstdint>
#include <string>

#include "support/nord_file.h"

namespace velmorin::testing {

class ProgramWriter {
 public:
  // A complete file of `size` bytes with header type 1 and zeros after the header.
  ProgramWriter(const std::string& type, std::size_t size) : bytes_(nordFile(type, 1, size)) {
    for (std::size_t i = 0x2C; i < bytes_.size(); ++i) bytes_[i] = 0;
  }

  // Sets the `width` bits that start at bit `bit` of byte `offset`, running
  // on into the following bytes, to `value`.
  ProgramWriter& set(std::size_t offset, int bit, int width, std::uint32_t value) {
    std::size_t at = offset * 8 + static_cast<std::size_t>(7 - bit);
    for (int i = width - 1; i >= 0; --i, ++at) {
      const auto mask = static_cast<std::uint8_t>(1u << (7 - at % 8));
      auto& byte = reinterpret_cast<std::uint8_t&>(bytes_[at / 8]);
      byte = static_cast<std::uint8_t>(((value >> i) & 1u) ? byte | mask : byte & ~mask);
    }
    return *this;
  }

  // With header type 1 and its checksum made good.
  std::string bytes() const {
    std::string out = bytes_;
    put(out, 0x18, platform::crc32Of(std::string_view(out).substr(0x2C)), 4);
    return out;
  }

  // The same program as older software saved it: header type 0, 20 bytes fewer.
  std::string olderBytes() const {
    std::string out = bytes_.substr(0, 0x18) + bytes_.substr(0x2C);
    put(out, 0x04, 0, 4);
    return out;
  }

 private:
  std::string bytes_;
};

}  // namespace velmorin::testing
