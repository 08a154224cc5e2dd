// The Nord Stage 2 synth preset (.ns2s): the synth's sound as a program's slot
// keeps it at 0xDF..0xFE, here from 0x2E on (BSD 3-Clause; see data/copyright).
// No panels; its LFO runs free, as the master clock is the program's.
#include "sound/ns2_synth.h"

namespace velmorin::sounds {

extern const Layout kStage2SynthPreset{
    "ns2s", 78, 0,
    ns2::kSynthSound<ns2::kPresetShift, Setting::Scope::Program, ns2::freeLfoRate<ns2::kPresetShift>>};

}  // namespace velmorin::sounds
