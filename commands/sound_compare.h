#pragma once
// Whether two programs make the same sound, and which settings differ: what
// "compare" answers for a pair and what "compareSets" asks of every pair.
#include <string>
#include <string_view>
#include <vector>

#include "sound/decode.h"

namespace velmorin {

// One program as read: its type (lower case), its bytes and the sheet
// decoded from them (sounds::Decoded with NotDecoded where it could not be).
struct HeardProgram {
  std::string_view extension;
  std::string_view bytes;
  int header = 0;  // the header's type: 1 carries a checksum before the sound
  const sounds::Decoded* sheet = nullptr;
};

struct SettingDifference {
  std::string key;
  const sounds::Value* a = nullptr;  // null where only the other side has the key
  const sounds::Value* b = nullptr;
};

struct SoundComparison {
  bool decoded = false;  // both sheets read: the differences name settings
  bool sameSound = false;
  std::vector<SettingDifference> differences;  // a's keys in its order, then b's own
};

// Where both sheets were read, the sound is the same when no setting differs;
// otherwise when both are of one type and their bytes after the header's
// slot, category and checksum are the same.
SoundComparison compareSounds(const HeardProgram& a, const HeardProgram& b);

// The bytes past the header's slot, category and checksum.
std::string_view soundBytes(std::string_view bytes, int header);

}  // namespace velmorin
