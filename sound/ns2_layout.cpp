// The Nord Stage 2 program (.ns2p), from the community's documentation of its
// layout (BSD 3-Clause; see data/copyright). Offsets are slot A's with header
// type 1; slot B lies 0xF9 further on. The bytes before 0x43 are kept once for
// both slots: the program's own settings and a few that both slots share
// (organ model and vibrato, piano slot detune, rotary speaker).
#include "sound/ns2_synth.h"

namespace velmorin::sounds {

namespace {

using namespace rows;
using namespace ns2;
using Scope = Setting::Scope;

constexpr std::size_t kSlotB = 0xF9;
constexpr std::uint16_t kFirstSlotByte = 0x43;

// The split points as the keyboard shows them. The pages list the low point
// from 0 = F2 and the high one from 1 = C3 without saying how the keyboard
// names them; the real program saved with its points at F2 and C3 holds
// low 0 and high 1, so both points read this one list as it stands (the high
// point never sits at the lowest note).
constexpr std::string_view kSplitNotes[] = {"F2", "C3", "F3", "C4", "F4", "C5", "F5", "C6", "F6", "C7"};
constexpr std::string_view kTransposes[] = {"-6", "-5", "-4", "-3", "-2", "-1", "OFF",
                                            "+1", "+2", "+3", "+4", "+5", "+6"};
constexpr std::string_view kReverbTypes[] = {"Room 1", "Room 2", "Stage 1", "Stage 2", "Hall 1", "Hall 2"};
constexpr std::string_view kZones[] = {"LO", "LO UP", "UP", "UP HI", "HI", "LO UP HI"};
constexpr std::string_view kOutputs[] = {"1&2", "3&4", "3", "4"};
constexpr std::string_view kPianoTypes[] = {"Grand", "Upright", "E Piano 1", "E Piano 2", "Clavinet", "Harpsi"};
constexpr std::string_view kDynamics[] = {"0", "1", "2", "3"};
constexpr std::string_view kSlotDetunes[] = {"Off", "1", "2", "3", "4"};
constexpr std::string_view kClavinetModels[] = {"A", "B", "C", "D"};
constexpr std::string_view kClavinetEqs[] = {"Off", "Soft", "Medium", "Soft+Medium"};
constexpr std::string_view kClavinetEqHis[] = {"Off", "Treble", "Brilliant", "Treble+Brilliant"};
constexpr std::string_view kOrganTypes[] = {"B3", "Vox", "Farfisa"};
enum Organ : std::uint32_t { kB3, kVox, kFarfisa };
constexpr std::string_view kB3Vibratos[] = {"V1", "C1", "V2", "C2", "V3", "C3"};
constexpr std::string_view kVoxVibratos[] = {"Less (V1)", "More (V2)", "Original (V3)"};
constexpr std::string_view kFarfisaVibratos[] = {"Light/Slow (V1)", "Light/Fast (V2)", "Heavy/Slow (C2)",
                                                 "Heavy/Fast (C3)"};
constexpr std::string_view kArpPatterns[] = {"UP", "DN", "UP/DN", "RANDOM"};
constexpr std::string_view kArpRanges[] = {"1 Octave", "2 Octaves", "3 Octaves", "4 Octaves"};
constexpr std::string_view kExternControls[] = {"Midi CC", "Program", "Volume"};
// The values page names the control table here by mistake; the original notes give these.
constexpr std::string_view kVelocityCurves[] = {"Soft", "Normal", "Hard"};
constexpr std::string_view kSources[] = {"Organ", "Piano", "Synth"};
constexpr std::string_view kRotarySpeeds[] = {"Slow/Stop", "Fast"};
constexpr std::string_view kEffect1Types[] = {"A-Pan", "Trem", "RM", "WA-WA", "A-WA1", "A-WA2"};
constexpr std::string_view kEffect2Types[] = {"PHAS1", "PHAS2", "FLANG", "VIBE", "CHOR1", "CHOR2"};
constexpr std::string_view kAmpTypes[] = {"Off", "Small", "JC", "Twin"};

// "0/127 = 0/10", the documentation's most common scale.
constexpr Setting tenths(std::string_view key, Place place, Scope scope = Scope::Panel) {
  return scaled(key, place, 0, 10, 1, {}, 127, scope);
}
// "Octave Shift = value - 7".
constexpr Setting octaves(std::string_view key, Place place) { return shifted(key, place, -7, "oct"); }

// A field of slot A's offsets: the slot's own, or the one both share.
std::optional<std::uint32_t> slotField(const Source& source, Place place) {
  return place.offset < kFirstSlotByte ? source.readShared(place) : source.read(place);
}

// 0x2E b7-6: slot A, slot B, or both (with either in focus); dual keyboard plays both.
Value slotOn(const Source& source) {
  const auto chosen = source.readShared({0x2E, 7, 2});
  const auto dual = source.readShared({0x2E, 5, 1});
  if (!chosen || !dual) return std::string("?");
  const std::uint32_t alone = source.panelOffset() == 0 ? 0 : 1;
  return *dual == 1 || *chosen >= 2 || *chosen == alone;
}

// Split with three zones (0x2F b3) or two (b2).
Value splitOn(const Source& source) {
  const auto zones = source.readShared({0x2F, 3, 2});
  if (!zones) return std::string("?");
  return *zones != 0;
}

Value transpose(const Source& source) {
  const auto on = source.readShared({0x30, 5, 1});
  if (!on) return std::string("?");
  return *on ? textOf(kTransposes, source.readShared({0x30, 4, 4})) : Value(std::string("Off"));
}

std::optional<std::uint32_t> pianoId(const Source& source) {
  const auto id = source.read({0xD0, 5, 32});
  if (!id) return std::nullopt;
  return stage3Id(*id);
}
Value pianoName(const Source& source) {
  const auto id = pianoId(source);
  return id ? source.soundName(*id) : std::string("?");
}
Value pianoIdText(const Source& source) {
  const auto id = pianoId(source);
  return id ? idText(*id) : std::string("?");
}

// The organ model (shared by both slots) picks which of three sets of settings plays.
std::optional<std::uint32_t> organType(const Source& source) { return source.readShared({0x34, 7, 2}); }

template <Place B3, Place Vox, Place Farfisa>
Value organSwitch(const Source& source) {
  const auto type = organType(source);
  if (!type || *type > kFarfisa) return std::string("?");
  const auto on = slotField(source, *type == kB3 ? B3 : *type == kVox ? Vox : Farfisa);
  return on ? Value(*on != 0) : Value(std::string("?"));
}
constexpr auto preset1Vibrato = organSwitch<Place{0x74, 4, 1}, Place{0x37, 4, 1}, Place{0x39, 4, 1}>;
constexpr auto preset2Vibrato = organSwitch<Place{0xAB, 4, 1}, Place{0x37, 4, 1}, Place{0x39, 4, 1}>;
constexpr auto preset2On = organSwitch<Place{0x5C, 7, 1}, Place{0x5D, 7, 1}, Place{0x5E, 7, 1}>;

// The vibrato's mode, each model its own, kept once for both presets.
Value vibratoMode(const Source& source) {
  const auto type = organType(source);
  if (!type) return std::string("?");
  switch (*type) {
    case kB3: return textOf(kB3Vibratos, source.readShared({0x35, 7, 3}));
    case kVox: return textOf(kVoxVibratos, source.readShared({0x37, 6, 2}));
    case kFarfisa: return textOf(kFarfisaVibratos, source.readShared({0x39, 6, 2}));
  }
  return std::string("?");
}

// Percussion volume: 0 is soft.
Value percussionSoft(const Source& source) {
  const auto normal = source.readShared({0x35, 2, 1});
  return normal ? Value(*normal == 0) : Value(std::string("?"));
}

// Preset I's drawbars of B3 and Vox (0..8); preset II's lie 0x37 further on,
// Vox's 0x17 after B3's. Farfisa's are switches, drawn as 0 and 1.
constexpr Place kB3Drawbars[] = {{0x60, 0, 4}, {0x63, 5, 4}, {0x65, 2, 4}, {0x68, 7, 4}, {0x6A, 4, 4},
                                 {0x6C, 1, 4}, {0x6F, 6, 4}, {0x71, 3, 4}, {0x73, 0, 4}};
constexpr Place kFarfisaDrawbars[] = {{0x8D, 1, 1}, {0x8E, 2, 1}, {0x8F, 3, 1}, {0x90, 4, 1}, {0x91, 5, 1},
                                      {0x92, 6, 1}, {0x93, 7, 1}, {0x93, 0, 1}, {0x94, 1, 1}};
constexpr int kPreset2Drawbars = 0x37;
constexpr int kVoxDrawbars = 0x17;

template <int Preset>
Value drawbars(const Source& source) {
  const auto type = organType(source);
  if (!type || *type > kFarfisa) return std::string("?");
  const int shift = (Preset == 2 ? kPreset2Drawbars : 0) + (*type == kVox ? kVoxDrawbars : 0);
  std::string digits;
  for (const Place& place : *type == kFarfisa ? std::span(kFarfisaDrawbars) : std::span(kB3Drawbars)) {
    const auto level = source.read(moved(place, shift));
    if (!level || *level > 8) return std::string("?");
    digits += static_cast<char>('0' + *level);
  }
  return digits;
}

// A rate set either by the master clock, as a division of it, or freely
// (by a table, or as the raw number where the documentation gives no text).
Value clocked(const Source& source, Place clock, Place divided, std::span<const std::string_view> divisions,
              Place free, std::span<const std::string_view> rates) {
  const auto onClock = source.read(clock);
  if (!onClock) return std::string("?");
  if (*onClock) return textOf(divisions, source.read(divided));
  const auto raw = source.read(free);
  if (!rates.empty() || !raw) return textOf(rates, raw);
  return static_cast<std::int64_t>(*raw);
}
Value lfoRate(const Source& source) {
  return clocked(source, {0xDC, 6, 1}, {0xDC, 5, 4}, kClockDivisions, {0xF6, 2, 7}, kLfoRates);
}
Value arpRate(const Source& source) {
  return clocked(source, {0xDA, 7, 1}, {0xDA, 6, 4}, kArpDivisions, {0xDA, 1, 7}, kArpRates);
}
Value effect1Rate(const Source& source) {
  return clocked(source, {0x110, 7, 1}, {0x112, 7, 4}, kClockDivisions, {0x115, 3, 7}, {});
}
Value effect2Rate(const Source& source) {
  return clocked(source, {0x11B, 7, 1}, {0x11D, 7, 4}, kClockDivisions, {0x120, 3, 7}, {});
}
Value delayTempo(const Source& source) {
  return clocked(source, {0x125, 1, 1}, {0x127, 1, 4}, kDelayDivisions, {0x12D, 1, 7}, kDelayTempos);
}

constexpr Setting kProgramToSynth[] = {
    // The program's own.
    custom("split.on", splitOn, Scope::Program),
    pick("split.low.note", {0x2E, 3, 4}, kSplitNotes, Scope::Program),
    pick("split.high.note", {0x2F, 7, 4}, kSplitNotes, Scope::Program),
    onOff("dualKeyboard.on", {0x2E, 5, 1}, Scope::Program),
    custom("transpose", transpose, Scope::Program),
    shifted("masterClock.rate", {0x31, 4, 8}, 30, "bpm", Scope::Program),
    onOff("reverb.on", {0x3D, 7, 1}, Scope::Program),
    pick("reverb.type", {0x3D, 6, 3}, kReverbTypes, Scope::Program),
    tenths("reverb.amount", {0x3D, 3, 7}, Scope::Program),
    onOff("compressor.on", {0x3E, 4, 1}, Scope::Program),
    tenths("compressor.amount", {0x3E, 3, 7}, Scope::Program),

    custom("on", slotOn),

    onOff("piano.on", {0x48, 7, 1}),
    pick("piano.type", {0xCD, 7, 3}, kPianoTypes),
    custom("piano.name", pianoName),
    custom("piano.id", pianoIdText),
    pick("piano.kbZone", {0x4C, 7, 3}, kZones),
    pick("piano.volume", {0x4B, 6, 7}, kLevels),
    octaves("piano.octaveShift", {0x4C, 4, 4}),
    onOff("piano.pitchStick.on", {0x4C, 0, 1}),
    onOff("piano.sustainPedal.on", {0x4D, 7, 1}),
    onOff("piano.kbGate.on", {0x5A, 6, 1}),
    onOff("piano.latchPedal.on", {0x5A, 7, 1}),
    pick("piano.dynamics", {0xCF, 3, 2}, kDynamics),
    pick("piano.slotDetune", {0x3B, 7, 3}, kSlotDetunes, Scope::Shared),
    pick("piano.clavinetModel", {0xCE, 0, 2}, kClavinetModels),
    pick("piano.clavinetEq", {0xD0, 7, 2}, kClavinetEqs),
    pick("piano.clavinetEqHi", {0xCF, 1, 2}, kClavinetEqHis),
    onOff("piano.longRelease.on", {0xCF, 6, 1}),
    onOff("piano.pedalNoise.on", {0xCF, 4, 1}),
    onOff("piano.stringResonance.on", {0xCF, 5, 1}),
    pick("piano.output", {0x58, 1, 2}, kOutputs),

    onOff("organ.on", {0x43, 7, 1}),
    pick("organ.type", {0x34, 7, 2}, kOrganTypes, Scope::Shared),
    pick("organ.kbZone", {0x47, 7, 3}, kZones),
    pick("organ.volume", {0x46, 6, 7}, kLevels),
    octaves("organ.octaveShift", {0x47, 4, 4}),
    onOff("organ.pitchStick.on", {0x30, 6, 1}, Scope::Shared),
    onOff("organ.sustainPedal.on", {0x47, 0, 1}),
    onOff("organ.kbGate.on", {0x59, 0, 1}),
    onOff("organ.latchPedal.on", {0x59, 1, 1}),
    pick("organ.output", {0x59, 3, 2}, kOutputs),
    custom("organ.preset1.drawbars", drawbars<1>),
    custom("organ.preset1.vibrato.on", preset1Vibrato),
    custom("organ.preset1.vibrato.mode", vibratoMode),
    // Percussion is the B3's; the file keeps it whichever model plays.
    onOff("organ.preset1.percussion.on", {0x74, 3, 1}),
    custom("organ.preset1.percussion.volumeSoft.on", percussionSoft),
    onOff("organ.preset1.percussion.decayFast.on", {0x35, 3, 1}, Scope::Shared),
    onOff("organ.preset1.percussion.harmonicThird.on", {0x35, 4, 1}, Scope::Shared),
    custom("organ.preset2.on", preset2On),
    custom("organ.preset2.drawbars", drawbars<2>),
    // Preset II has its own vibrato and percussion switches (B3); the rest
    // the organ keeps once for both presets.
    custom("organ.preset2.vibrato.on", preset2Vibrato),
    custom("organ.preset2.vibrato.mode", vibratoMode),
    onOff("organ.preset2.percussion.on", {0xAB, 3, 1}),
    custom("organ.preset2.percussion.volumeSoft.on", percussionSoft),
    onOff("organ.preset2.percussion.decayFast.on", {0x35, 3, 1}, Scope::Shared),
    onOff("organ.preset2.percussion.harmonicThird.on", {0x35, 4, 1}, Scope::Shared),

    onOff("synth.on", {0x4D, 6, 1}),
    pick("synth.kbZone", {0x51, 6, 3}, kZones),
    pick("synth.volume", {0x50, 5, 7}, kLevels),
    octaves("synth.octaveShift", {0x51, 3, 4}),
    onOff("synth.pitchStick.on", {0x52, 7, 1}),
    onOff("synth.sustainPedal.on", {0x52, 6, 1}),
    onOff("synth.keyboardHold.on", {0xDC, 1, 1}),
    onOff("synth.kbGate.on", {0x5A, 4, 1}),
    onOff("synth.latchPedal.on", {0x5A, 5, 1}),
    pick("synth.output", {0x59, 6, 2}, kOutputs),
};

constexpr Setting kAfterSynthSound[] = {
    onOff("synth.lfo.masterClock.on", {0xDC, 6, 1}),
    onOff("synth.arpeggiator.on", {0xD9, 0, 1}),
    custom("synth.arpeggiator.rate", arpRate),
    pick("synth.arpeggiator.pattern", {0xDB, 2, 2}, kArpPatterns),
    pick("synth.arpeggiator.range", {0xDB, 0, 2}, kArpRanges),
    onOff("synth.arpeggiator.masterClock.on", {0xDA, 7, 1}),

    onOff("extern.on", {0x52, 5, 1}),
    pick("extern.kbZone", {0x56, 5, 3}, kZones),
    octaves("extern.octaveShift", {0x56, 2, 4}),
    raw("extern.volume", {0x10A, 0, 7}),
    shifted("extern.channel", {0x107, 6, 4}, 1),
    shifted("extern.program", {0x106, 6, 7}, 1),
    pick("extern.control", {0xFF, 7, 2}, kExternControls),
    pick("extern.velocity", {0x10C, 4, 2}, kVelocityCurves),
    onOff("extern.pitchStick.on", {0x57, 6, 1}),
    onOff("extern.sustainPedal.on", {0x57, 5, 1}),
    onOff("extern.wheel.on", {0x10B, 0, 1}),
    onOff("extern.afterTouch.on", {0x10C, 7, 1}),
    onOff("extern.controlPedal.on", {0x10C, 6, 1}),
    onOff("extern.swell.on", {0x10C, 2, 1}),

    onOff("effects.rotarySpeaker.on", {0x3F, 4, 1}, Scope::Shared),
    pick("effects.rotarySpeaker.source", {0x3F, 3, 2}, kSources, Scope::Shared),
    tenths("effects.rotarySpeaker.drive", {0x3F, 1, 7}, Scope::Shared),
    pick("effects.rotarySpeaker.speed", {0x40, 1, 1}, kRotarySpeeds, Scope::Shared),
    onOff("effects.rotarySpeaker.stopMode.on", {0x40, 2, 1}, Scope::Shared),
    onOff("effects.effect1.on", {0x10F, 5, 1}),
    pick("effects.effect1.source", {0x10F, 4, 2}, kSources),
    pick("effects.effect1.type", {0x10F, 2, 3}, kEffect1Types),
    tenths("effects.effect1.amount", {0x119, 4, 7}),
    custom("effects.effect1.rate", effect1Rate),
    onOff("effects.effect1.masterClock.on", {0x110, 7, 1}),
    onOff("effects.effect2.on", {0x11A, 5, 1}),
    pick("effects.effect2.source", {0x11A, 4, 2}, kSources),
    pick("effects.effect2.type", {0x11A, 2, 3}, kEffect2Types),
    tenths("effects.effect2.amount", {0x124, 4, 7}),
    custom("effects.effect2.rate", effect2Rate),
    onOff("effects.delay.on", {0x125, 5, 1}),
    pick("effects.delay.source", {0x125, 4, 2}, kSources),
    custom("effects.delay.tempo", delayTempo),
    tenths("effects.delay.amount", {0x131, 2, 7}),
    tenths("effects.delay.feedback", {0x132, 3, 7}),
    onOff("effects.delay.pingPong.on", {0x125, 2, 1}),
    onOff("effects.delay.masterClock.on", {0x125, 1, 1}),
    onOff("effects.ampSimEq.on", {0x133, 4, 1}),
    pick("effects.ampSimEq.source", {0x133, 3, 2}, kSources),
    pick("effects.ampSimEq.ampType", {0x133, 1, 2}, kAmpTypes),
    pick("effects.ampSimEq.treble", {0x134, 0, 7}, kAmpEqGains),
    pick("effects.ampSimEq.mid", {0x135, 1, 7}, kAmpEqGains),
    pick("effects.ampSimEq.bass", {0x136, 2, 7}, kAmpEqGains),
    pick("effects.ampSimEq.midFilterFreq", {0x137, 3, 7}, kAmpMidFrequencies),
    tenths("effects.ampSimEq.overdrive", {0x134, 7, 7}),
};

constexpr auto kSettings = joined(kProgramToSynth, kSynthSound<0, Scope::Panel, lfoRate>, kAfterSynthSound);

}  // namespace

extern const Layout kStage2Program{"ns2p", 565, kSlotB, kSettings};

}  // namespace velmorin::sounds
