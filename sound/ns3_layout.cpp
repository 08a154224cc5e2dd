// The Nord Stage 3 program (.ns3f), from the community's documentation of its
// layout (BSD 3-Clause; see data/copyright). Offsets are panel A's with header
// type 1; panel B lies 0x107 further on. Where the values pages and the map
// disagree, the map holds (it agrees with real files).
#include <algorithm>
#include <array>
#include <string>

#include "sound/ns3_synth.h"

namespace velmorin::sounds {

namespace {

using namespace rows;
using Scope = Setting::Scope;
using ns3::scaleOf;
using ns3::textIn;
using Synth = ns3::Synth<0>;

constexpr std::string_view kZones[] = {"o---", "-o--", "--o-", "---o", "oo--", "-oo-", "--oo", "ooo-", "-ooo", "oooo"};
// Real programs show a sign on every shift, "+0 oct" included.
constexpr std::string_view kOctaveShifts[] = {"-6 oct", "-5 oct", "-4 oct", "-3 oct", "-2 oct", "-1 oct", "+0 oct",
                                              "+1 oct", "+2 oct", "+3 oct", "+4 oct", "+5 oct", "+6 oct"};
constexpr std::string_view kTransposes[] = {"-6 semi", "-5 semi", "-4 semi", "-3 semi", "-2 semi",
                                            "-1 semi", "0 semi",  "+1 semi", "+2 semi", "+3 semi",
                                            "+4 semi", "+5 semi", "+6 semi"};
constexpr std::string_view kDualStyles[] = {"Panel", "Organ", "Piano", "Synth"};
constexpr std::string_view kOutputs[] = {"1-2", "3-4", "3", "4", "1-4"};
constexpr std::string_view kOutputSources[] = {"Off", "Organ", "Piano", "Synth"};
constexpr std::string_view kPianoTypes[] = {"Grand", "Upright", "Electric", "Clav", "Digital", "Misc"};
constexpr std::string_view kTimbres[] = {"None", "Soft", "Mid", "Bright"};
constexpr std::string_view kElectricTimbres[] = {"None", "Soft", "Mid", "Bright", "Dyno1", "Dyno2"};
constexpr std::string_view kClavTimbres[] = {"None",       "Soft",         "Treble",        "Soft+Treble",
                                             "Brilliant",  "Soft+Brill",   "Treble+Brill",  "Soft+Trb+Brill"};
constexpr std::string_view kKbTouches[] = {"Normal", "KB Touch 1", "Touch 2", "Touch 3"};
constexpr std::string_view kClavinetModels[] = {"CA", "CB", "DA", "DB"};
constexpr std::string_view kOrganTypes[] = {"B3", "Vox", "Farfisa", "Pipe1", "Pipe2"};
constexpr std::string_view kVibratoModes[] = {"V1", "C1", "V2", "C2", "V3", "C3"};
constexpr std::string_view kPitchStickRanges[] = {"±1 semi",  "±2 semi",  "±3 semi",     "±4 semi",    "±5 semi",
                                                  "±7 semi",  "±10 semi", "±12 semi",    "+2/-12 semi", "+2/-24 semi"};
constexpr std::string_view kChannels[] = {"Off", "1", "2", "3", "4", "5", "6", "7", "8",
                                          "9",   "10", "11", "12", "13", "14", "15", "16"};
constexpr std::string_view kExternControls[] = {"Midi CC", "Program", "Volume"};
constexpr std::string_view kVelocityCurves[] = {"Soft", "Mid", "Hard"};
constexpr std::string_view kEffectSources[] = {"Organ", "Piano", "Synth"};
constexpr std::string_view kRotarySpeeds[] = {"Slow/Stop", "Fast"};
constexpr std::string_view kEffect1Types[] = {"A-Pan", "Trem", "RM", "WA-WA", "A-WA1", "A-WA2"};
constexpr std::string_view kEffect2Types[] = {"PHAS1", "PHAS2", "FLANG", "VIBE", "CHOR1", "CHOR2"};
constexpr std::string_view kDelayFilters[] = {"Bypass", "LP", "HP", "BP"};
constexpr std::string_view kAmpTypes[] = {"Clean", "Twin", "JC", "Small", "LP24", "HP24"};
constexpr std::string_view kReverbTypes[] = {"Room 1", "Room 2", "Stage 1", "Stage 2", "Hall 1", "Hall 2"};

// 0x31 b6-5: A only, B only, A and B; dual keyboard plays both.
Value panelOn(const Source& source) {
  const auto enabled = source.readShared({0x31, 6, 2});
  const auto dual = source.readShared({0x3A, 3, 1});
  if (!enabled || !dual) return std::string("?");
  const bool panelB = source.panelOffset() != 0;
  return *dual == 1 || *enabled == 2 || *enabled == (panelB ? 1u : 0u);
}

// Split points low, mid and high: each on or off (0x31 b3-1), a note and a
// width. The notes step by a fourth and a fifth in turn from F2 to C7: the
// documentation names only 0, 1 and 9, and the sample files with split
// settings confirm the steps between (raw 5 shows C5). The keyboard shows the
// points that are on strictly rising: the documentation's worked examples show
// a point at or below the one before it moved one step up, and the points
// below it stepped down when that runs past C7.
constexpr std::string_view kSplitNotes[] = {"F2", "C3", "F3", "C4", "F4", "C5", "F5", "C6", "F6", "C7"};
constexpr std::string_view kSplitWidths[] = {"1", "6", "12"};
constexpr Place kSplitOn[] = {{0x31, 3, 1}, {0x31, 2, 1}, {0x31, 1, 1}};
constexpr Place kSplitNote[] = {{0x31, 0, 4}, {0x32, 4, 4}, {0x32, 0, 4}};
constexpr Place kSplitWidth[] = {{0x33, 4, 2}, {0x33, 2, 2}, {0x33, 0, 2}};

template <int Point, bool Note>
Value splitPoint(const Source& source) {
  std::array<std::optional<std::uint32_t>, 3> on, notes;
  for (int i = 0; i < 3; ++i) {
    on[i] = source.readShared(kSplitOn[i]);
    notes[i] = source.readShared(kSplitNote[i]);
    if (!on[i] || !notes[i]) return std::string("?");
  }
  if (!*on[Point]) return std::string(Note ? "--" : "Off");
  if (!Note) return textIn(kSplitWidths, source.readShared(kSplitWidth[Point]));
  constexpr int kTop = std::size(kSplitNotes) - 1;
  std::array<int, 3> shown{};
  std::array<bool, 3> counted{};
  for (int i = 0; i < 3; ++i) {
    shown[i] = static_cast<int>(*notes[i]);
    counted[i] = *on[i] && shown[i] <= kTop;
  }
  if (!counted[Point]) return std::string("?");
  int below = -1;
  for (int i = 0; i < 3; ++i)
    if (counted[i]) below = shown[i] = std::max(shown[i], below + 1);
  int above = kTop + 1;
  for (int i = 2; i >= 0; --i)
    if (counted[i]) above = shown[i] = std::min(shown[i], above - 1);
  return std::string(kSplitNotes[shown[Point]]);
}

// 0x38 b7 switches transpose on, b6-3 hold how far.
Value transpose(const Source& source) {
  const auto on = source.readShared({0x38, 7, 1});
  if (!on) return std::string("?");
  return *on ? textIn(kTransposes, source.readShared({0x38, 6, 4})) : Value(std::string("Off"));
}

// The piano's id: 0x49 b3-0 to 0x4D b7-4, as the map has it.
constexpr Place kPianoId{0x49, 3, 32};
constexpr Place kPianoType{0x48, 5, 3};

Value pianoName(const Source& source) {
  const auto id = source.read(kPianoId);
  return id ? source.soundName(*id) : std::string("?");
}

Value pianoId(const Source& source) {
  const auto id = source.read(kPianoId);
  return id ? ns3::idText(*id) : std::string("?");
}

// Electric pianos and clavinets have timbres of their own.
Value timbre(const Source& source) {
  const auto type = source.read(kPianoType);
  const auto raw = source.read({0x4E, 5, 3});
  if (!type) return std::string("?");
  if (*type == 2) return textIn(kElectricTimbres, raw);
  if (*type == 3) return textIn(kClavTimbres, raw);
  return textIn(kTimbres, raw);
}

// Nine drawbars of 0..8 in preset I; preset II's lie 0x1B further on. Every
// organ type keeps its digits: Vox and Farfisa files show them as they are.
constexpr Place kDrawbars[] = {{0xBE, 7, 4}, {0xC0, 4, 4}, {0xC2, 1, 4}, {0xC5, 6, 4}, {0xC7, 3, 4},
                               {0xC9, 0, 4}, {0xCC, 5, 4}, {0xCE, 2, 4}, {0xD1, 7, 4}};

template <std::uint16_t Preset>
Value drawbars(const Source& source) {
  std::string digits;
  for (Place place : kDrawbars) {
    place.offset = static_cast<std::uint16_t>(place.offset + Preset);
    const auto raw = source.read(place);
    if (!raw) return std::string("?");
    digits += *raw <= 8 ? static_cast<char>('0' + *raw) : '?';
  }
  return digits;
}

// 0 is "Speed Stop": the slow speed stops the rotors.
Value stopMode(const Source& source) {
  const auto raw = source.readShared({0x35, 7, 1});
  return raw ? Value(*raw == 0) : Value(std::string("?"));
}

Value effect1Rate(const Source& source) {
  const auto clock = source.read({0x10C, 6, 1});
  const auto raw = source.read({0x10C, 5, 7});
  if (!clock) return std::string("?");
  return *clock ? textIn(ns3::kEffect1Divisions, raw) : scaleOf(raw, 127, 10, 1);
}

// A tapped tempo sets the fine part too: the time then lies that far between
// the coarse value's and the next one's, on the same note value.
std::string fineTempo(std::uint32_t coarse, std::uint32_t fine) {
  const ns3::DelayTempo& from = ns3::kDelayTempos[coarse];
  const ns3::DelayTempo& to = ns3::kDelayTempos[std::min<std::uint32_t>(coarse + 1, 127)];
  const double ms = from.milliseconds + (to.milliseconds - from.milliseconds) * (fine / 128.0);
  const std::string_view note = from.text.substr(from.text.rfind('('));  // "(1/8)"
  const double beatsPerNote = std::stoi(std::string(note.substr(3))) / 4.0;
  const std::string time = ms >= 1000 ? formatNumber(ms / 1000, 2) + " s" : formatNumber(ms, 0) + " ms";
  return time + " " + formatNumber(60000 / ms / beatsPerNote, 0) + " bpm " + std::string(note);
}

Value delayTempo(const Source& source) {
  const auto clock = source.read({0x119, 0, 1});
  const auto coarse = source.read({0x11A, 7, 7});
  const auto fine = source.read({0x11A, 0, 7});
  if (!clock || !coarse || !fine) return std::string("?");
  if (*clock) return textIn(ns3::kDelayDivisions, coarse);
  return *fine == 0 ? std::string(ns3::kDelayTempos[*coarse].text) : fineTempo(*coarse, *fine);
}

// With the filter amp types (LP24, HP24) the mid knob sets the resonance and
// the bass knob the dry/wet mix; otherwise they boost or cut.
constexpr Place kAmpType{0x12A, 7, 3};

template <std::uint16_t Offset, std::uint8_t Bit>
Value ampKnob(const Source& source) {
  const auto type = source.read(kAmpType);
  const auto raw = source.read({Offset, Bit, 7});
  if (!type) return std::string("?");
  return *type == 4 || *type == 5 ? scaleOf(raw, 127, 10, 1) : textIn(ns3::kAmpEqGains, raw);
}

// From 0x58 b3, groups of four bytes each hold the next four characters last
// first: the first one less 1, the last one without its top bit. A character
// outside printable ASCII ends the name (an unused name is all ones).
Value presetName(const Source& source) {
  constexpr std::size_t kLongest = 22;
  std::string name;
  for (std::uint16_t group = 0; group < 6; ++group) {
    const auto word = source.read({static_cast<std::uint16_t>(0x58 + 4 * group), 3, 32});
    if (!word) return std::string("?");
    const std::uint32_t characters[] = {(*word & 0xFFu) + 1, *word >> 8 & 0xFFu, *word >> 16 & 0xFFu,
                                        *word >> 24 & 0x7Fu};
    for (const std::uint32_t character : characters) {
      if (character < 0x20 || character > 0x7E || name.size() == kLongest) return name;
      name += static_cast<char>(character);
    }
  }
  return name;
}

constexpr auto kProgram = std::to_array<Setting>({
    onOff("split.on", {0x31, 4, 1}, Scope::Program),
    custom("split.low.note", splitPoint<0, true>, Scope::Program),
    custom("split.low.width", splitPoint<0, false>, Scope::Program),
    custom("split.mid.note", splitPoint<1, true>, Scope::Program),
    custom("split.mid.width", splitPoint<1, false>, Scope::Program),
    custom("split.high.note", splitPoint<2, true>, Scope::Program),
    custom("split.high.width", splitPoint<2, false>, Scope::Program),
    onOff("dualKeyboard.on", {0x3A, 3, 1}, Scope::Program),
    pick("dualKeyboard.style", {0x3A, 1, 2}, kDualStyles, Scope::Program),
    custom("transpose", transpose, Scope::Program),
    shifted("masterClock.rate", {0x38, 2, 8}, 30, "bpm", Scope::Program),
});

constexpr auto kPanel = std::to_array<Setting>({
    custom("on", panelOn),
    pick("output.main", {0x144, 7, 3}, kOutputs),
    pick("output.subSource", {0x144, 4, 2}, kOutputSources),
    pick("output.subDestination", {0x144, 2, 2}, kOutputs),
});

constexpr auto kPiano = std::to_array<Setting>({
    onOff("piano.on", {0x43, 7, 1}),
    pick("piano.type", kPianoType, kPianoTypes),
    shifted("piano.model", {0x48, 2, 5}, 1),
    custom("piano.name", pianoName),
    custom("piano.id", pianoId),
    pick("piano.kbZone", {0x43, 6, 4}, kZones),
    pick("piano.volume", {0x43, 2, 7}, ns3::kVolumes),
    pick("piano.octaveShift", {0x47, 3, 4}, kOctaveShifts),
    onOff("piano.pitchStick.on", {0x48, 7, 1}),
    onOff("piano.sustainPedal.on", {0x48, 6, 1}),
    custom("piano.timbre", timbre),
    pick("piano.kbTouch", {0x4D, 0, 2}, kKbTouches),
    pick("piano.layerDetune", {0x34, 6, 2}, ns3::kOffTo3, Scope::Shared),
    pick("piano.clavinetModel", {0x49, 5, 2}, kClavinetModels),
    onOff("piano.softRelease.on", {0x4D, 3, 1}),
    onOff("piano.pedalNoise.on", {0x4D, 1, 1}),
    onOff("piano.stringResonance.on", {0x4D, 2, 1}),
});

constexpr auto kOrgan = std::to_array<Setting>({
    onOff("organ.on", {0xB6, 7, 1}),
    pick("organ.type", {0xBB, 6, 3}, kOrganTypes),
    pick("organ.kbZone", {0xB6, 6, 4}, kZones),
    pick("organ.volume", {0xB6, 2, 7}, ns3::kVolumes),
    pick("organ.octaveShift", {0xBA, 3, 4}, kOctaveShifts),
    onOff("organ.pitchStick.on", {0x34, 4, 1}, Scope::Shared),
    onOff("organ.sustainPedal.on", {0xBB, 7, 1}),
    custom("organ.preset1.drawbars", drawbars<0>),
    onOff("organ.preset1.vibrato.on", {0xD3, 4, 1}),
    pick("organ.preset1.vibrato.mode", {0x34, 3, 3}, kVibratoModes, Scope::Shared),
    onOff("organ.preset1.percussion.on", {0xD3, 3, 1}),
    onOff("organ.preset1.percussion.volumeSoft.on", {0xD3, 0, 1}),
    onOff("organ.preset1.percussion.decayFast.on", {0xD3, 1, 1}),
    onOff("organ.preset1.percussion.harmonicThird.on", {0xD3, 2, 1}),
    onOff("organ.preset2.on", {0xBB, 2, 1}),
    custom("organ.preset2.drawbars", drawbars<0x1B>),
    onOff("organ.preset2.vibrato.on", {0xEE, 4, 1}),
    // One vibrato mode serves both presets (and both panels).
    pick("organ.preset2.vibrato.mode", {0x34, 3, 3}, kVibratoModes, Scope::Shared),
    onOff("organ.preset2.percussion.on", {0xEE, 3, 1}),
    onOff("organ.preset2.percussion.volumeSoft.on", {0xEE, 0, 1}),
    onOff("organ.preset2.percussion.decayFast.on", {0xEE, 1, 1}),
    onOff("organ.preset2.percussion.harmonicThird.on", {0xEE, 2, 1}),
});

constexpr auto kSynthPanel = std::to_array<Setting>({
    onOff("synth.on", {0x52, 7, 1}),
    pick("synth.kbZone", {0x52, 6, 4}, kZones),
    pick("synth.volume", {0x52, 2, 7}, ns3::kVolumes),
    pick("synth.octaveShift", {0x56, 3, 4}, kOctaveShifts),
    onOff("synth.pitchStick.on", {0x57, 7, 1}),
    pick("synth.pitchStickRange", {0x3B, 7, 4}, kPitchStickRanges, Scope::Shared),
    onOff("synth.sustainPedal.on", {0x57, 6, 1}),
});

constexpr auto kSynthPreset = std::to_array<Setting>({
    raw("synth.preset.location", {0x57, 5, 10}),
    custom("synth.preset.name", presetName),
});

constexpr auto kExtern = std::to_array<Setting>({
    onOff("extern.on", {0xF4, 7, 1}),
    pick("extern.kbZone", {0xF4, 6, 4}, kZones),
    pick("extern.octaveShift", {0xF4, 1, 3}, kOctaveShifts),
    raw("extern.volume", {0x101, 0, 7}),
    pick("extern.channel", {0xF5, 4, 5}, kChannels),
    raw("extern.program", {0xFD, 0, 7}),
    pick("extern.control", {0xF6, 1, 2}, kExternControls),
    pick("extern.velocity", {0xF5, 6, 2}, kVelocityCurves),
    onOff("extern.pitchStick.on", {0xF6, 7, 1}),
    onOff("extern.sustainPedal.on", {0xF6, 6, 1}),
    onOff("extern.wheel.on", {0xF6, 5, 1}),
    onOff("extern.afterTouch.on", {0xF6, 4, 1}),
    onOff("extern.controlPedal.on", {0xF6, 3, 1}),
    onOff("extern.swell.on", {0xF6, 2, 1}),
});

constexpr auto kEffects = std::to_array<Setting>({
    onOff("effects.rotarySpeaker.on", {0x10B, 7, 1}),
    pick("effects.rotarySpeaker.source", {0x10B, 6, 2}, kEffectSources),
    scaled("effects.rotarySpeaker.drive", {0x39, 2, 7}, 0, 10, 1, {}, 127, Scope::Shared),
    pick("effects.rotarySpeaker.speed", {0x34, 0, 1}, kRotarySpeeds, Scope::Shared),
    custom("effects.rotarySpeaker.stopMode.on", stopMode),
    onOff("effects.effect1.on", {0x10B, 4, 1}),
    pick("effects.effect1.source", {0x10B, 3, 2}, kEffectSources),
    pick("effects.effect1.type", {0x10B, 1, 3}, kEffect1Types),
    scaled("effects.effect1.amount", {0x110, 6, 7}, 0, 10),
    custom("effects.effect1.rate", effect1Rate),
    onOff("effects.effect1.masterClock.on", {0x10C, 6, 1}),
    onOff("effects.effect2.on", {0x114, 7, 1}),
    pick("effects.effect2.source", {0x114, 6, 2}, kEffectSources),
    pick("effects.effect2.type", {0x114, 4, 3}, kEffect2Types),
    scaled("effects.effect2.amount", {0x115, 2, 7}, 0, 10),
    scaled("effects.effect2.rate", {0x114, 1, 7}, 0, 10),
    onOff("effects.delay.on", {0x119, 3, 1}),
    pick("effects.delay.source", {0x119, 2, 2}, kEffectSources),
    custom("effects.delay.tempo", delayTempo),
    scaled("effects.delay.mix", {0x121, 4, 7}, 0, 10),
    scaled("effects.delay.feedback", {0x125, 2, 7}, 0, 10),
    pick("effects.delay.filter", {0x125, 4, 2}, kDelayFilters),
    onOff("effects.delay.pingPong.on", {0x125, 5, 1}),
    onOff("effects.delay.analogMode.on", {0x129, 3, 1}),
    onOff("effects.delay.masterClock.on", {0x119, 0, 1}),
    onOff("effects.ampSimEq.on", {0x129, 2, 1}),
    pick("effects.ampSimEq.source", {0x129, 1, 2}, kEffectSources),
    pick("effects.ampSimEq.ampType", kAmpType, kAmpTypes),
    pick("effects.ampSimEq.treble", {0x12A, 4, 7}, ns3::kAmpEqGains),
    custom("effects.ampSimEq.midRes", ampKnob<0x12B, 5>),
    pick("effects.ampSimEq.midFilterFreq", {0x12D, 7, 7}, ns3::kAmpEqMidFrequencies),
    custom("effects.ampSimEq.bassDryWet", ampKnob<0x12C, 6>),
    scaled("effects.ampSimEq.overdrive", {0x130, 0, 7}, 0, 10),
    onOff("effects.compressor.on", {0x139, 5, 1}),
    scaled("effects.compressor.amount", {0x139, 4, 7}, 0, 10),
    onOff("effects.compressor.fast.on", {0x13A, 5, 1}),
    onOff("effects.reverb.on", {0x134, 1, 1}),
    pick("effects.reverb.type", {0x134, 0, 3}, kReverbTypes),
    scaled("effects.reverb.amount", {0x135, 4, 7}, 0, 10),
    onOff("effects.reverb.bright.on", {0x135, 5, 1}),
});

// In the order sheets list them: program-wide settings, then each panel's.
constexpr auto kSettings = ns3::joined(kProgram, kPanel, kPiano, kOrgan, kSynthPanel, Synth::voiceRows(Scope::Panel),
                                       kSynthPreset, Synth::soundRows(Scope::Panel), kExtern, kEffects);

}  // namespace

extern const Layout kStage3Program{"ns3f", 592, 0x107, kSettings};

}  // namespace velmorin::sounds
