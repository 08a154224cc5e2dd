#pragma once
// Which of the programs that look alike (the same length and CRC-32) really
// hold the same bytes: a CRC is easily made to collide, so the library reads
// the candidates again and compares them.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/work_control.h"

namespace velmorin {

struct ContentCandidate {
  std::string path;     // the file; unused for an entry of a backup
  std::string inside;   // the backup's path, or ""
  std::size_t entry = 0;  // for a backup's: its place among the backup's file entries
  std::uint64_t group = 0;  // candidates that may match share it (their length and CRC)
};

// At most this much of the candidates is held at once; what does not fit is
// not called a duplicate.
inline constexpr std::uint64_t kContentBytesLimit = 256u << 20;

// A number for each candidate, equal for candidates of one group whose bytes
// are the same and different otherwise; 0 for one that could not be read again.
std::vector<int> sameContentNumbers(std::span<const ContentCandidate> candidates, platform::WorkControl* control);

}  // namespace velmorin
