#include "commands/numeric_compare.h"

namespace velmorin {

namespace {
bool isDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

int compareNumeric(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (isDigit(a[i]) && isDigit(b[j])) {
      std::size_t endA = i, endB = j;
      while (endA < a.size() && isDigit(a[endA])) ++endA;
      while (endB < b.size() && isDigit(b[endB])) ++endB;
      // Compare the runs' values without converting: skip leading zeros, then
      // the longer run is greater, else the first differing digit decides.
      while (i + 1 < endA && a[i] == '0') ++i;
      while (j + 1 < endB && b[j] == '0') ++j;
      if (endA - i != endB - j) return endA - i < endB - j ? -1 : 1;
      for (; i < endA; ++i, ++j)
        if (a[i] != b[j]) return a[i] < b[j] ? -1 : 1;
      continue;
    }
    const auto ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[j]);
    if (ca != cb) return ca < cb ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

}  // namespace velmorin
