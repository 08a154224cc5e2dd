// The Nord Stage 3 layouts, read from files the tests write field by field at
// the documented places: every setting at its lowest and highest raw value, in
// both panels and with both header types, and the synth settings again in a
// synth preset file.
#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include "sound/bits.h"
#include "sound/decode.h"
#include "support/bit_writer.h"

namespace velmorin::sounds {
namespace {

using testing::ProgramWriter;

constexpr std::size_t kProgramSize = 592;
constexpr std::size_t kPresetSize = 102;
constexpr std::size_t kPanelB = 0x107;
constexpr int kPresetShift = -0x4F;  // where a preset keeps a program's synth settings
constexpr std::uint32_t kKnownId = 0x2D577B5A;

struct Poke {
  Place place;
  std::uint32_t value;
};

// A setting's key below the panel, its field, two raw values and what they
// read, with the other fields its reading depends on.
struct Edge {
  std::string key;
  Place place;
  std::uint32_t low;
  Value lowReads;
  std::uint32_t high;
  Value highReads;
  std::vector<Poke> with = {};
};

constexpr Place kSampleType{0x8D, 1, 3};
constexpr Place kOwnTest{0, 7, 0};  // read by a test of its own below

// In the order sheets list them.
const std::vector<Edge> kEdges = {
    {"split.on", {0x31, 4, 1}, 0, false, 1, true},
    {"split.low.note", {0x31, 0, 4}, 0, "F2", 9, "C7", {{{0x31, 3, 1}, 1}}},
    {"split.low.width", {0x33, 4, 2}, 0, "1", 2, "12", {{{0x31, 3, 1}, 1}}},
    {"split.mid.note", {0x32, 4, 4}, 0, "F2", 10, "?", {{{0x31, 2, 1}, 1}}},
    {"split.mid.width", {0x33, 2, 2}, 1, "6", 3, "?", {{{0x31, 2, 1}, 1}}},
    {"split.high.note", {0x32, 0, 4}, 5, "C5", 9, "C7", {{{0x31, 1, 1}, 1}}},
    {"split.high.width", {0x33, 0, 2}, 0, "1", 2, "12", {{{0x31, 1, 1}, 1}}},
    {"dualKeyboard.on", {0x3A, 3, 1}, 0, false, 1, true},
    {"dualKeyboard.style", {0x3A, 1, 2}, 0, "Panel", 3, "Synth"},
    {"transpose", {0x38, 6, 4}, 0, "-6 semi", 12, "+6 semi", {{{0x38, 7, 1}, 1}}},
    {"masterClock.rate", {0x38, 2, 8}, 0, "30 bpm", 255, "285 bpm"},
    {"on", kOwnTest, 0, {}, 0, {}},
    {"output.main", {0x144, 7, 3}, 0, "1-2", 4, "1-4"},
    {"output.subSource", {0x144, 4, 2}, 0, "Off", 3, "Synth"},
    {"output.subDestination", {0x144, 2, 2}, 0, "1-2", 3, "4"},
    {"piano.on", {0x43, 7, 1}, 0, false, 1, true},
    {"piano.type", {0x48, 5, 3}, 0, "Grand", 5, "Misc"},
    {"piano.model", {0x48, 2, 5}, 0, "1", 31, "32"},
    {"piano.name", {0x49, 3, 32}, 0, "", kKnownId, "Royal Grand 3D"},
    {"piano.id", {0x49, 3, 32}, 0, "00000000", 0xFFFFFFFF, "ffffffff"},
    {"piano.kbZone", {0x43, 6, 4}, 0, "o---", 9, "oooo"},
    {"piano.volume", {0x43, 2, 7}, 0, "Off", 127, "0.0 dB"},
    {"piano.octaveShift", {0x47, 3, 4}, 0, "-6 oct", 12, "+6 oct"},
    {"piano.pitchStick.on", {0x48, 7, 1}, 0, false, 1, true},
    {"piano.sustainPedal.on", {0x48, 6, 1}, 0, false, 1, true},
    {"piano.timbre", {0x4E, 5, 3}, 0, "None", 3, "Bright"},
    {"piano.kbTouch", {0x4D, 0, 2}, 0, "Normal", 3, "Touch 3"},
    {"piano.layerDetune", {0x34, 6, 2}, 0, "Off", 3, "3"},
    {"piano.clavinetModel", {0x49, 5, 2}, 0, "CA", 3, "DB"},
    {"piano.softRelease.on", {0x4D, 3, 1}, 0, false, 1, true},
    {"piano.pedalNoise.on", {0x4D, 1, 1}, 0, false, 1, true},
    {"piano.stringResonance.on", {0x4D, 2, 1}, 0, false, 1, true},
    {"organ.on", {0xB6, 7, 1}, 0, false, 1, true},
    {"organ.type", {0xBB, 6, 3}, 0, "B3", 4, "Pipe2"},
    {"organ.kbZone", {0xB6, 6, 4}, 0, "o---", 10, "?"},
    {"organ.volume", {0xB6, 2, 7}, 1, "-84.2 dB", 126, "-0.1 dB"},
    {"organ.octaveShift", {0xBA, 3, 4}, 6, "+0 oct", 13, "?"},
    {"organ.pitchStick.on", {0x34, 4, 1}, 0, false, 1, true},
    {"organ.sustainPedal.on", {0xBB, 7, 1}, 0, false, 1, true},
    {"organ.preset1.drawbars", {0xBE, 7, 4}, 8, "800000000", 9, "?00000000"},
    {"organ.preset1.vibrato.on", {0xD3, 4, 1}, 0, false, 1, true},
    {"organ.preset1.vibrato.mode", {0x34, 3, 3}, 0, "V1", 5, "C3"},
    {"organ.preset1.percussion.on", {0xD3, 3, 1}, 0, false, 1, true},
    {"organ.preset1.percussion.volumeSoft.on", {0xD3, 0, 1}, 0, false, 1, true},
    {"organ.preset1.percussion.decayFast.on", {0xD3, 1, 1}, 0, false, 1, true},
    {"organ.preset1.percussion.harmonicThird.on", {0xD3, 2, 1}, 0, false, 1, true},
    {"organ.preset2.on", {0xBB, 2, 1}, 0, false, 1, true},
    {"organ.preset2.drawbars", {0xEC, 7, 4}, 0, "000000000", 8, "000000008"},
    {"organ.preset2.vibrato.on", {0xEE, 4, 1}, 0, false, 1, true},
    {"organ.preset2.vibrato.mode", {0x34, 3, 3}, 1, "C1", 6, "?"},
    {"organ.preset2.percussion.on", {0xEE, 3, 1}, 0, false, 1, true},
    {"organ.preset2.percussion.volumeSoft.on", {0xEE, 0, 1}, 0, false, 1, true},
    {"organ.preset2.percussion.decayFast.on", {0xEE, 1, 1}, 0, false, 1, true},
    {"organ.preset2.percussion.harmonicThird.on", {0xEE, 2, 1}, 0, false, 1, true},
    {"synth.on", {0x52, 7, 1}, 0, false, 1, true},
    {"synth.kbZone", {0x52, 6, 4}, 4, "oo--", 8, "-ooo"},
    {"synth.volume", {0x52, 2, 7}, 0, "Off", 127, "0.0 dB"},
    {"synth.octaveShift", {0x56, 3, 4}, 0, "-6 oct", 7, "+1 oct"},
    {"synth.pitchStick.on", {0x57, 7, 1}, 0, false, 1, true},
    {"synth.pitchStickRange", {0x3B, 7, 4}, 0, "±1 semi", 9, "+2/-24 semi"},
    {"synth.sustainPedal.on", {0x57, 6, 1}, 0, false, 1, true},
    {"synth.keyboardHold.on", {0x80, 7, 1}, 0, false, 1, true},
    {"synth.voice", {0x84, 0, 2}, 0, "Poly", 2, "Mono"},
    {"synth.glide", {0x85, 6, 7}, 0, "0.0", 127, "10.0"},
    {"synth.unison", {0x86, 7, 2}, 0, "Off", 3, "3"},
    {"synth.vibrato", {0x86, 5, 3}, 0, "Off", 5, "After Touch"},
    {"synth.preset.location", {0x57, 5, 10}, 0, std::int64_t{0}, 1023, std::int64_t{1023}},
    {"synth.preset.name", kOwnTest, 0, {}, 0, {}},
    {"synth.sample.name", {0xA8, 2, 32}, 0, "", kKnownId, "Royal Grand 3D", {{kSampleType, 4}}},
    {"synth.sample.id", {0xA8, 2, 32}, 0, "00000000", 0xFFFFFFFF, "ffffffff"},
    {"synth.oscillators.type", {0x8D, 1, 3}, 0, "Classic", 4, "Sample"},
    {"synth.oscillators.waveForm1", {0x8E, 6, 9}, 0, "Sine", 7, "ESquare"},
    {"synth.oscillators.config", {0x8F, 4, 4}, 0, "None", 14, "RM"},
    {"synth.oscillators.control", {0x90, 2, 7}, 0, "0.00", 127, "4.00", {{{0x8F, 4, 4}, 4}}},
    {"synth.oscillators.pitch", {0x8F, 0, 6}, 0, "-12 semi", 60, "+48 semi"},
    {"synth.oscillators.fastAttack.on", {0xAC, 2, 1}, 0, false, 1, true},
    {"synth.oscillators.modulations.lfoAmount", {0x94, 3, 7}, 0, "10.0", 120, "0.0"},
    {"synth.oscillators.modulations.modEnvAmount", {0x94, 3, 7}, 61, "0.2", 120, "10.0"},
    {"synth.filter.type", {0x98, 4, 3}, 0, "LP12", 5, "HP24"},
    {"synth.filter.cutoffFrequency", {0x98, 1, 7}, 0, "14 Hz", 127, "21 kHz"},
    {"synth.filter.highPassCutoffFrequency", {0x9C, 2, 7}, 0, "14 Hz", 127, "21 kHz", {{{0x98, 4, 3}, 3}}},
    {"synth.filter.resonance", {0x9C, 2, 7}, 26, "2.2", 120, "10.0"},
    {"synth.filter.kbTrack", {0xA5, 5, 2}, 0, "Off", 3, "1"},
    {"synth.filter.drive", {0xA5, 3, 2}, 0, "Off", 3, "3"},
    {"synth.filter.modulations.lfoAmount", {0xA0, 3, 7}, 0, "0.0", 127, "10.0"},
    {"synth.filter.modulations.modEnvAmount", {0xA4, 4, 7}, 0, "0.0", 120, "10.0"},
    {"synth.filter.modulations.velAmount", {0xA4, 4, 7}, 0, "10.0", 121, "?"},
    {"synth.envelopes.amplifier.attack", {0xA5, 1, 7}, 0, "0.5 ms", 127, "45 s"},
    {"synth.envelopes.amplifier.decay", {0xA6, 2, 7}, 0, "3.0 ms", 127, "45 s (Sustain)"},
    {"synth.envelopes.amplifier.release", {0xA7, 3, 7}, 0, "3.0 ms", 127, "45 s"},
    {"synth.envelopes.amplifier.velocity", {0xA8, 4, 2}, 0, "Off", 3, "3"},
    {"synth.envelopes.modulation.attack", {0x8B, 7, 7}, 0, "0.5 ms", 127, "45 s"},
    {"synth.envelopes.modulation.decay", {0x8B, 0, 7}, 0, "3.0 ms", 127, "45 s (Sustain)"},
    {"synth.envelopes.modulation.release", {0x8C, 1, 7}, 0, "3.0 ms", 127, "45 s (Inf)"},
    {"synth.envelopes.modulation.velocity.on", {0x8D, 2, 1}, 0, false, 1, true},
    {"synth.lfo.wave", {0x86, 2, 3}, 0, "Triangle", 4, "S/H"},
    {"synth.lfo.rate", {0x87, 6, 7}, 5, "0.04 Hz", 127, "523 Hz"},
    {"synth.lfo.masterClock.on", {0x87, 7, 1}, 0, false, 1, true},
    {"synth.arpeggiator.on", {0x80, 6, 1}, 0, false, 1, true},
    {"synth.arpeggiator.rate", {0x81, 7, 7}, 0, "16 bpm", 127, "Fast 5"},
    {"synth.arpeggiator.pattern", {0x80, 2, 2}, 0, "Up", 3, "Random"},
    {"synth.arpeggiator.range", {0x80, 4, 2}, 0, "1 Octave", 3, "4 Octaves"},
    {"synth.arpeggiator.kbSync.on", {0x80, 5, 1}, 0, false, 1, true},
    {"synth.arpeggiator.masterClock.on", {0x80, 0, 1}, 0, false, 1, true},
    {"extern.on", {0xF4, 7, 1}, 0, false, 1, true},
    {"extern.kbZone", {0xF4, 6, 4}, 0, "o---", 9, "oooo"},
    {"extern.octaveShift", {0xF4, 1, 3}, 0, "-6 oct", 7, "+1 oct"},
    {"extern.volume", {0x101, 0, 7}, 0, std::int64_t{0}, 127, std::int64_t{127}},
    {"extern.channel", {0xF5, 4, 5}, 0, "Off", 16, "16"},
    {"extern.program", {0xFD, 0, 7}, 0, std::int64_t{0}, 127, std::int64_t{127}},
    {"extern.control", {0xF6, 1, 2}, 0, "Midi CC", 2, "Volume"},
    {"extern.velocity", {0xF5, 6, 2}, 0, "Soft", 2, "Hard"},
    {"extern.pitchStick.on", {0xF6, 7, 1}, 0, false, 1, true},
    {"extern.sustainPedal.on", {0xF6, 6, 1}, 0, false, 1, true},
    {"extern.wheel.on", {0xF6, 5, 1}, 0, false, 1, true},
    {"extern.afterTouch.on", {0xF6, 4, 1}, 0, false, 1, true},
    {"extern.controlPedal.on", {0xF6, 3, 1}, 0, false, 1, true},
    {"extern.swell.on", {0xF6, 2, 1}, 0, false, 1, true},
    {"effects.rotarySpeaker.on", {0x10B, 7, 1}, 0, false, 1, true},
    {"effects.rotarySpeaker.source", {0x10B, 6, 2}, 0, "Organ", 2, "Synth"},
    {"effects.rotarySpeaker.drive", {0x39, 2, 7}, 0, "0.0", 127, "10.0"},
    {"effects.rotarySpeaker.speed", {0x34, 0, 1}, 0, "Slow/Stop", 1, "Fast"},
    {"effects.rotarySpeaker.stopMode.on", {0x35, 7, 1}, 0, true, 1, false},
    {"effects.effect1.on", {0x10B, 4, 1}, 0, false, 1, true},
    {"effects.effect1.source", {0x10B, 3, 2}, 0, "Organ", 3, "?"},
    {"effects.effect1.type", {0x10B, 1, 3}, 0, "A-Pan", 5, "A-WA2"},
    {"effects.effect1.amount", {0x110, 6, 7}, 91, "7.2", 127, "10.0"},
    {"effects.effect1.rate", {0x10C, 5, 7}, 0, "0.0", 127, "10.0"},
    {"effects.effect1.masterClock.on", {0x10C, 6, 1}, 0, false, 1, true},
    {"effects.effect2.on", {0x114, 7, 1}, 0, false, 1, true},
    {"effects.effect2.source", {0x114, 6, 2}, 0, "Organ", 2, "Synth"},
    {"effects.effect2.type", {0x114, 4, 3}, 0, "PHAS1", 5, "CHOR2"},
    {"effects.effect2.amount", {0x115, 2, 7}, 0, "0.0", 127, "10.0"},
    {"effects.effect2.rate", {0x114, 1, 7}, 0, "0.0", 127, "10.0"},
    {"effects.delay.on", {0x119, 3, 1}, 0, false, 1, true},
    {"effects.delay.source", {0x119, 2, 2}, 0, "Organ", 2, "Synth"},
    {"effects.delay.tempo", {0x11A, 7, 7}, 0, "1.5 s 40 bpm (1/4)", 127, "20 ms 750 bpm (1/16)"},
    {"effects.delay.mix", {0x121, 4, 7}, 0, "0.0", 127, "10.0"},
    {"effects.delay.feedback", {0x125, 2, 7}, 0, "0.0", 127, "10.0"},
    {"effects.delay.filter", {0x125, 4, 2}, 0, "Bypass", 3, "BP"},
    {"effects.delay.pingPong.on", {0x125, 5, 1}, 0, false, 1, true},
    {"effects.delay.analogMode.on", {0x129, 3, 1}, 0, false, 1, true},
    {"effects.delay.masterClock.on", {0x119, 0, 1}, 0, false, 1, true},
    {"effects.ampSimEq.on", {0x129, 2, 1}, 0, false, 1, true},
    {"effects.ampSimEq.source", {0x129, 1, 2}, 0, "Organ", 2, "Synth"},
    {"effects.ampSimEq.ampType", {0x12A, 7, 3}, 0, "Clean", 5, "HP24"},
    {"effects.ampSimEq.treble", {0x12A, 4, 7}, 0, "-15.0 dB", 121, "?"},
    {"effects.ampSimEq.midRes", {0x12B, 5, 7}, 60, "0.0 dB", 120, "+15.0 dB"},
    {"effects.ampSimEq.midFilterFreq", {0x12D, 7, 7}, 0, "200 Hz", 127, "8.0 kHz"},
    {"effects.ampSimEq.bassDryWet", {0x12C, 6, 7}, 0, "0.0", 127, "10.0", {{{0x12A, 7, 3}, 4}}},
    {"effects.ampSimEq.overdrive", {0x130, 0, 7}, 0, "0.0", 127, "10.0"},
    {"effects.compressor.on", {0x139, 5, 1}, 0, false, 1, true},
    {"effects.compressor.amount", {0x139, 4, 7}, 0, "0.0", 127, "10.0"},
    {"effects.compressor.fast.on", {0x13A, 5, 1}, 0, false, 1, true},
    {"effects.reverb.on", {0x134, 1, 1}, 0, false, 1, true},
    {"effects.reverb.type", {0x134, 0, 3}, 0, "Room 1", 5, "Hall 2"},
    {"effects.reverb.amount", {0x135, 4, 7}, 0, "0.0", 127, "10.0"},
    {"effects.reverb.bright.on", {0x135, 5, 1}, 0, false, 1, true},
};

// Settings that read differently by what other fields hold; sheets list them above.
const std::vector<Edge> kAlternatives = {
    {"piano.timbre", {0x4E, 5, 3}, 5, "Dyno2", 6, "?", {{{0x48, 5, 3}, 2}}},
    {"piano.timbre", {0x4E, 5, 3}, 2, "Treble", 7, "Soft+Trb+Brill", {{{0x48, 5, 3}, 3}}},
    {"synth.oscillators.waveForm1", {0x8E, 6, 9}, 45, "Wave Tubular Bells", 46, "?", {{kSampleType, 1}}},
    {"synth.oscillators.waveForm1", {0x8E, 6, 9}, 0, "Format Wave Aaa", 8, "Format Wave OE", {{kSampleType, 2}}},
    {"synth.oscillators.waveForm1", {0x8E, 6, 9}, 0, "Super Wave Saw", 7, "Super Wave Organ", {{kSampleType, 3}}},
    {"synth.oscillators.waveForm1", {0xA8, 2, 32}, 0, "", kKnownId, "Royal Grand 3D", {{kSampleType, 4}}},
    {"synth.sample.name", {0xA8, 2, 32}, 0, "", kKnownId, "", {{kSampleType, 0}}},
    {"synth.oscillators.control", {0x90, 2, 7}, 0, std::int64_t{0}, 127, std::int64_t{127}, {{{0x8F, 4, 4}, 0}}},
    {"synth.oscillators.control", {0x90, 2, 7}, 0, "0.0", 127, "24.0", {{{0x8F, 4, 4}, 1}}},
    {"synth.oscillators.control", {0x90, 2, 7}, 0, "0 %", 127, "100 %", {{{0x8F, 4, 4}, 2}}},
    {"synth.oscillators.control", {0x90, 2, 7}, 0, "0.0", 127, "10.0", {{{0x8F, 4, 4}, 3}}},
    {"synth.oscillators.control", {0x90, 2, 7}, 0, "100/0", 127, "0/100", {{{0x8F, 4, 4}, 11}}},
    {"synth.oscillators.control", {0x90, 2, 7}, 0, "0 %", 127, "100 %", {{{0x8F, 4, 4}, 14}}},
    {"synth.oscillators.control", {0x90, 2, 7}, 0, "?", 127, "?", {{{0x8F, 4, 4}, 15}}},
    {"synth.filter.resonance", {0x9C, 2, 7}, 0, "-", 127, "-", {{{0x98, 4, 3}, 3}}},
    {"synth.filter.highPassCutoffFrequency", {0x9C, 2, 7}, 0, "-", 127, "-", {{{0x98, 4, 3}, 2}}},
    {"synth.lfo.rate", {0x87, 6, 7}, 0, "4/1", 127, "1/64", {{{0x87, 7, 1}, 1}}},
    {"synth.arpeggiator.rate", {0x81, 7, 7}, 0, "1/2", 127, "1/32", {{{0x80, 0, 1}, 1}}},
    {"effects.effect1.rate", {0x10C, 5, 7}, 0, "4/1", 127, "1/32", {{{0x10C, 6, 1}, 1}}},
    {"effects.delay.tempo", {0x11A, 7, 7}, 0, "1/2", 127, "1/64", {{{0x119, 0, 1}, 1}}},
    // A tapped tempo: a quarter of the way from 909 ms to 870 ms.
    {"effects.delay.tempo", {0x11A, 0, 7}, 32, "899 ms 67 bpm (1/4)", 0, "909 ms 66 bpm (1/4)", {{{0x11A, 7, 7}, 12}}},
    {"effects.ampSimEq.midRes", {0x12B, 5, 7}, 0, "0.0", 127, "10.0", {{{0x12A, 7, 3}, 5}}},
    {"effects.ampSimEq.bassDryWet", {0x12C, 6, 7}, 0, "-15.0 dB", 127, "?", {{{0x12A, 7, 3}, 3}}},
};

std::span<const std::uint8_t> view(const std::string& bytes) {
  return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
}

std::string names(std::uint32_t id) { return id == kKnownId ? "Royal Grand 3D" : ""; }

Sheet sheetOf(const std::string& bytes, std::string_view extension = "ns3f") {
  const Decoded decoded = decode(extension, view(bytes), names);
  EXPECT_TRUE(decoded.decoded());
  return decoded.sheet;
}

// The form a failure prints: booleans, numbers and texts apart.
std::string shown(const Value* value) {
  if (!value) return "(absent)";
  if (const auto* on = std::get_if<bool>(value)) return *on ? "on" : "off";
  if (const auto* number = std::get_if<std::int64_t>(value)) return "#" + std::to_string(*number);
  return "\"" + std::get<std::string>(*value) + "\"";
}

bool programWide(const std::string& key) {
  return key.starts_with("split.") || key.starts_with("dualKeyboard.") || key == "transpose" ||
         key.starts_with("masterClock.");
}

// Settings before 0x43 are kept once for both panels.
bool shared(const Edge& edge) { return !programWide(edge.key) && edge.place.offset < 0x43; }

std::size_t placed(Place place, std::size_t panel) { return place.offset < 0x43 ? place.offset : place.offset + panel; }

// Writes each edge's two raw values in a program's panel `panel` and checks
// what both header types read, and that the other panel keeps its own.
void expectEdges(const std::vector<Edge>& edges) {
  const Sheet blank = sheetOf(ProgramWriter("ns3f", kProgramSize).bytes());
  for (const Edge& edge : edges) {
    if (edge.place.width == 0) continue;
    for (const auto& [raw, reads] : {std::pair{edge.low, edge.lowReads}, std::pair{edge.high, edge.highReads}}) {
      for (const std::size_t panel : {std::size_t{0}, kPanelB}) {
        ProgramWriter program("ns3f", kProgramSize);
        for (const Poke& poke : edge.with)
          program.set(placed(poke.place, panel), poke.place.bit, poke.place.width, poke.value);
        program.set(placed(edge.place, panel), edge.place.bit, edge.place.width, raw);
        const std::string own = programWide(edge.key) ? edge.key : (panel ? "B." : "A.") + edge.key;
        const std::string other = "A." + edge.key;
        for (const std::string& bytes : {program.bytes(), program.olderBytes()}) {
          const Sheet sheet = sheetOf(bytes);
          EXPECT_EQ(shown(find(sheet, own)), shown(&reads)) << own << " at " << raw << ", header " << int(bytes[4]);
          if (panel == 0 || programWide(edge.key)) continue;
          // Panel A reads a shared setting too, and keeps its own one of any other.
          const Value* expected = shared(edge) ? &reads : find(blank, other);
          EXPECT_EQ(shown(find(sheet, other)), shown(expected)) << other << " with B's at " << raw;
        }
      }
    }
  }
}

TEST(Ns3Layout, EverySettingReadsItsLowestAndHighestValues) { expectEdges(kEdges); }

TEST(Ns3Layout, SettingsReadByWhatOtherFieldsHold) { expectEdges(kAlternatives); }

TEST(Ns3Layout, SheetsListProgramSettingsThenPanelAThenPanelB) {
  std::vector<std::string> expected, panel;
  for (const Edge& edge : kEdges) (programWide(edge.key) ? expected : panel).push_back(edge.key);
  for (const char* prefix : {"A.", "B."})
    for (const std::string& key : panel) expected.push_back(prefix + key);
  std::vector<std::string> keys;
  for (const Field& field : sheetOf(ProgramWriter("ns3f", kProgramSize).bytes())) keys.push_back(field.key);
  EXPECT_EQ(keys, expected);
}

TEST(Ns3Layout, PanelsPlayAsSelectedOrBothOnADualKeyboard) {
  struct Case {
    std::uint32_t enabled, dual;
    bool a, b;
  };
  const Case cases[] = {{0, 0, true, false}, {1, 0, false, true}, {2, 0, true, true}, {1, 1, true, true}};
  for (const Case& c : cases) {
    ProgramWriter program("ns3f", kProgramSize);
    const Sheet sheet = sheetOf(program.set(0x31, 6, 2, c.enabled).set(0x3A, 3, 1, c.dual).bytes());
    const Value a = c.a, b = c.b;
    EXPECT_EQ(shown(find(sheet, "A.on")), shown(&a)) << c.enabled << c.dual;
    EXPECT_EQ(shown(find(sheet, "B.on")), shown(&b)) << c.enabled << c.dual;
  }
}

// The documentation's worked examples: bytes 0x31 to 0x34 and what the keyboard shows.
TEST(Ns3Layout, SplitPointsShowAsTheKeyboardShowsThem) {
  struct Case {
    std::uint32_t bytes;
    const char* notes[3];
    const char* widths[3];
  };
  const Case cases[] = {
      {0x16072001, {"--", "C4", "C7"}, {"Off", "1", "1"}},
      {0x1E073001, {"F2", "C4", "C7"}, {"12", "1", "1"}},
      {0x18A73001, {"C5", "--", "--"}, {"12", "Off", "Off"}},
      {0x1B273001, {"F6", "--", "C7"}, {"12", "Off", "1"}},  // low C7 in the file, shown below high
      {0x1B273081, {"F6", "--", "C7"}, {"12", "Off", "6"}},
      {0x1C233001, {"C3", "F3", "--"}, {"12", "1", "Off"}},  // mid C3 in the file, shown above low
  };
  const char* points[] = {"low", "mid", "high"};
  for (const Case& c : cases) {
    const Sheet sheet = sheetOf(ProgramWriter("ns3f", kProgramSize).set(0x31, 7, 32, c.bytes).bytes());
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(textAt(sheet, std::string("split.") + points[i] + ".note"), c.notes[i]) << std::hex << c.bytes;
      EXPECT_EQ(textAt(sheet, std::string("split.") + points[i] + ".width"), c.widths[i]) << std::hex << c.bytes;
    }
  }
}

TEST(Ns3Layout, DrawbarsAndPresetNamesReadWhole) {
  const Place drawbars[] = {{0xBE, 7, 4}, {0xC0, 4, 4}, {0xC2, 1, 4}, {0xC5, 6, 4}, {0xC7, 3, 4},
                            {0xC9, 0, 4}, {0xCC, 5, 4}, {0xCE, 2, 4}, {0xD1, 7, 4}};
  ProgramWriter program("ns3f", kProgramSize);
  for (std::uint32_t i = 0; i < 9; ++i) {
    program.set(drawbars[i].offset, drawbars[i].bit, 4, i);
    program.set(drawbars[i].offset + 0x1B + kPanelB, drawbars[i].bit, 4, 8 - i);
  }
  // "Fat Saws MW": four characters a group, last first, the first one less 1;
  // a first character of 0xFF ends the name.
  program.set(0x58, 3, 32, 0x20746145).set(0x5C, 3, 32, 0x73776152).set(0x60, 3, 32, 0x00574D1F);
  program.set(0x58 + kPanelB, 3, 32, 0x7FFFFFFF);
  const Sheet sheet = sheetOf(program.bytes());
  EXPECT_EQ(textAt(sheet, "A.organ.preset1.drawbars"), "012345678");
  EXPECT_EQ(textAt(sheet, "B.organ.preset2.drawbars"), "876543210");
  EXPECT_EQ(textAt(sheet, "A.synth.preset.name"), "Fat Saws MW");
  EXPECT_EQ(textAt(sheet, "B.synth.preset.name"), "");
}

TEST(Ns3Layout, SynthPresetFilesHoldTheSynthAlone) {
  // Every synth setting from 0x80 on, 0x4F bytes earlier and without a panel.
  std::vector<std::string> expected;
  for (const std::vector<Edge>* edges : {&kEdges, &kAlternatives}) {
    for (const Edge& edge : *edges) {
      if (!edge.key.starts_with("synth.") || edge.place.offset < 0x80) continue;
      if (edges == &kEdges) expected.push_back(edge.key);
      for (const auto& [raw, reads] : {std::pair{edge.low, edge.lowReads}, std::pair{edge.high, edge.highReads}}) {
        ProgramWriter preset("ns3y", kPresetSize);
        for (const Poke& poke : edge.with)
          preset.set(poke.place.offset + kPresetShift, poke.place.bit, poke.place.width, poke.value);
        preset.set(edge.place.offset + kPresetShift, edge.place.bit, edge.place.width, raw);
        for (const std::string& bytes : {preset.bytes(), preset.olderBytes()})
          EXPECT_EQ(shown(find(sheetOf(bytes, "ns3y"), edge.key)), shown(&reads)) << edge.key << " at " << raw;
      }
    }
  }
  std::vector<std::string> keys;
  for (const Field& field : sheetOf(ProgramWriter("ns3y", kPresetSize).bytes(), "ns3y")) keys.push_back(field.key);
  EXPECT_EQ(keys, expected);

  EXPECT_EQ(decode("ns3y", view(ProgramWriter("ns3y", kPresetSize).bytes().substr(0, 101))).why, NotDecoded::Truncated);
  EXPECT_EQ(decode("ns3y", view(ProgramWriter("ns3y", kPresetSize).olderBytes().substr(0, 81))).why,
            NotDecoded::Truncated);
}

TEST(Ns3Layout, DamagedFilesStillReadAndCutOffOnesDoNot) {
  ProgramWriter program("ns3f", kProgramSize);
  program.set(0x48, 5, 3, 2).set(0x43, 7, 1, 1);
  std::string damaged = program.bytes();
  damaged[0x18] = static_cast<char>(damaged[0x18] ^ 0xFF);  // the checksum no longer matches
  const Decoded read = decode("ns3f", view(damaged));
  ASSERT_TRUE(read.decoded());
  EXPECT_EQ(textAt(read.sheet, "A.piano.type"), "Electric");
  EXPECT_EQ(read.sheet.size(), sheetOf(program.bytes()).size());

  // A whole older file is 20 bytes shorter; a byte less is cut off.
  EXPECT_TRUE(decode("ns3f", view(program.olderBytes().substr(0, 572))).decoded());
  EXPECT_EQ(decode("ns3f", view(program.olderBytes().substr(0, 571))).why, NotDecoded::Truncated);
  EXPECT_EQ(decode("ns3f", view(program.bytes().substr(0, 0x31))).why, NotDecoded::Truncated);
}

}  // namespace
}  // namespace velmorin::sounds
