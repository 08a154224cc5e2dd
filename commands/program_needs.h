#pragma once
// Which pianos and samples a program plays, by id, from its sheet.
#include <cstdint>
#include <string_view>
#include <vector>

#include "sound/sheet.h"

namespace velmorin {

struct SoundId {
  std::string_view kind;  // "piano" or "sample"
  std::uint32_t id = 0;   // Stage 3 form, never 0
};

// The piano and the synth's sample of each section that is on, in each panel
// that is on (a synth preset: its synth), in panel order, each once. A synth
// that plays no sample needs none, whatever id an earlier sample left behind.
std::vector<SoundId> soundsNeeded(const sounds::Sheet& sheet);

}  // namespace velmorin
