// The Nord Stage 3 program (.ns3f), from the community's documentation of its
// layout (BSD 3-Clause; see data/copyright). Offsets are panel A's with header
// type 1; panel B lies 0x107 further on.
#include "sound/layout.h"

namespace velmorin::sounds {

namespace {

using namespace rows;
using Scope = Setting::Scope;

constexpr std::string_view kPianoTypes[] = {"Grand", "Upright", "Electric", "Clav", "Digital", "Misc"};
constexpr std::string_view kOrganTypes[] = {"B3", "Vox", "Farfisa", "Pipe1", "Pipe2"};
constexpr std::string_view kOscillatorTypes[] = {"Classic", "Wave", "Formant", "Super", "Sample"};

// 0x31 b6-5: A only, B only, A and B; dual keyboard plays both.
Value panelOn(const Source& source) {
  const auto enabled = source.readShared({0x31, 6, 2});
  const auto dual = source.readShared({0x3A, 3, 1});
  if (!enabled || !dual) return std::string("?");
  const bool panelB = source.panelOffset() != 0;
  return *dual == 1 || *enabled == 2 || *enabled == (panelB ? 1u : 0u);
}

constexpr Setting kSettings[] = {
    custom("on", panelOn),
    onOff("piano.on", {0x43, 7, 1}),
    pick("piano.type", {0x48, 5, 3}, kPianoTypes),
    onOff("organ.on", {0xB6, 7, 1}),
    pick("organ.type", {0xBB, 6, 3}, kOrganTypes),
    onOff("synth.on", {0x52, 7, 1}),
    pick("synth.oscillators.type", {0x8D, 1, 3}, kOscillatorTypes),
};

}  // namespace

extern const Layout kStage3Program{"ns3f", 592, 0x107, kSettings};

}  // namespace velmorin::sounds
