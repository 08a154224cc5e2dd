#pragma once
// A program's sound in one line of the user's language, from its sheet:
// "A: Grand (Royal Grand 3D) + B3 organ · B: Sample synth (Strings)".
#include <string>

#include "sound/sheet.h"

namespace velmorin {

std::string soundSummary(const sounds::Sheet& sheet, bool spanish);

// What the library shows of a program's sound: the summary, and the piano,
// organ and synth types and the piano and sample names of the panels that are
// on with that section on, in panel order, joined by " + " where they differ.
struct SoundFacts {
  std::string summary, piano, organ, synth, pianoName, sampleName;
};
SoundFacts soundFacts(const sounds::Sheet& sheet, bool spanish);

}  // namespace velmorin
