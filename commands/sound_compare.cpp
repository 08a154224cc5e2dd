#include "commands/sound_compare.h"

#include <algorithm>

namespace velmorin {

std::string_view soundBytes(std::string_view bytes, int header) {
  const std::size_t start = header == 1 ? 0x2C : 0x18;
  return bytes.substr(std::min(start, bytes.size()));
}

SoundComparison compareSounds(const HeardProgram& a, const HeardProgram& b) {
  SoundComparison result;
  result.decoded = a.sheet && b.sheet && a.sheet->decoded() && b.sheet->decoded();
  if (!result.decoded) {
    result.sameSound = a.extension == b.extension && soundBytes(a.bytes, a.header) == soundBytes(b.bytes, b.header);
    return result;
  }
  const sounds::Sheet& first = a.sheet->sheet;
  const sounds::Sheet& second = b.sheet->sheet;
  // Sheets of one layout list the same keys in the same order: side by side.
  if (std::ranges::equal(first, second, {}, &sounds::Field::key, &sounds::Field::key)) {
    for (std::size_t i = 0; i < first.size(); ++i)
      if (first[i].value != second[i].value) result.differences.push_back({first[i].key, &first[i].value, &second[i].value});
    result.sameSound = result.differences.empty();
    return result;
  }
  for (const sounds::Field& field : first) {
    const sounds::Value* other = sounds::find(second, field.key);
    if (!other || *other != field.value) result.differences.push_back({field.key, &field.value, other});
  }
  for (const sounds::Field& field : second)
    if (!sounds::find(first, field.key)) result.differences.push_back({field.key, nullptr, &field.value});
  result.sameSound = result.differences.empty();
  return result;
}

}  // namespace velmorin
