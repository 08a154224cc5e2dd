// The Nord Stage 3 synth preset (.ns3y): the synth settings a program keeps
// from 0x80 to 0xAC, alone and 0x4F bytes earlier (they start at 0x31 after
// the same header as a program's). No panels: the sheet's keys start at
// "synth". From the community's documentation (BSD 3-Clause; see data/copyright).
#include "sound/ns3_synth.h"

namespace velmorin::sounds {

namespace {

using Preset = ns3::Synth<-0x4F>;

constexpr auto kSettings =
    ns3::joined(Preset::voiceRows(Setting::Scope::Program), Preset::soundRows(Setting::Scope::Program));

}  // namespace

extern const Layout kStage3SynthPreset{"ns3y", 102, 0, kSettings};

}  // namespace velmorin::sounds
