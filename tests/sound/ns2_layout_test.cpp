// Nord Stage 2 programs and synth presets, read from files the tests write
// field by field as the community's documentation lays them out: every
// setting at its lowest and highest raw values, slot B, older headers.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "sound/bits.h"
#include "sound/decode.h"
#include "support/bit_writer.h"

namespace velmorin::sounds {
namespace {

using namespace std::string_literals;
using testing::ProgramWriter;

constexpr std::size_t kSize = 565, kPresetSize = 78, kSlotB = 0xF9, kFirstSlotByte = 0x43;
constexpr int kPresetShift = 0x2E - 0xDF;  // a preset keeps at 0x2E what a program's slot keeps at 0xDF

// A setting at its edges: `key` reads `lowReads` and `highReads` when the field
// at `place` (slot A, header type 1) holds `low` and `high`, with the field at
// `given` holding `givenValue` (what the setting depends on; 0: nothing).
struct Edge {
  std::string key;
  Place place;
  std::uint32_t low;
  Value lowReads;
  std::uint32_t high;
  Value highReads;
  Place given{};
  std::uint32_t givenValue = 0;
};

Edge onOff(std::string key, Place place) { return {std::move(key), place, 0, false, 1, true}; }
Value n(std::int64_t number) { return number; }

const Place kOrganType{0x34, 7, 2}, kOscillator{0xE1, 1, 3};

const std::vector<Edge> kEdges = {
    onOff("split.on", {0x2F, 3, 1}), onOff("split.on", {0x2F, 2, 1}),
    {"split.low.note", {0x2E, 3, 4}, 0, "F2"s, 9, "C7"s},
    {"split.high.note", {0x2F, 7, 4}, 1, "C3"s, 9, "C7"s},
    onOff("dualKeyboard.on", {0x2E, 5, 1}),
    {"transpose", {0x30, 4, 4}, 0, "-6"s, 12, "+6"s, {0x30, 5, 1}, 1},
    {"transpose", {0x30, 4, 4}, 0, "Off"s, 12, "Off"s},
    {"masterClock.rate", {0x31, 4, 8}, 0, "30 bpm"s, 210, "240 bpm"s},
    onOff("reverb.on", {0x3D, 7, 1}),
    {"reverb.type", {0x3D, 6, 3}, 0, "Room 1"s, 5, "Hall 2"s},
    {"reverb.type", {0x3D, 6, 3}, 6, "?"s, 7, "?"s},
    {"reverb.amount", {0x3D, 3, 7}, 0, "0.0"s, 127, "10.0"s},
    onOff("compressor.on", {0x3E, 4, 1}),
    {"compressor.amount", {0x3E, 3, 7}, 0, "0.0"s, 127, "10.0"s},

    onOff("A.piano.on", {0x48, 7, 1}),
    {"A.piano.type", {0xCD, 7, 3}, 0, "Grand"s, 5, "Harpsi"s},
    {"A.piano.name", {0xD0, 5, 32}, 0, ""s, 0x3f61a640, "Italian Grand Faz Sml 5.3"s},
    {"A.piano.id", {0xD0, 5, 32}, 0, "00000000"s, 0x3f61a640, "bf61a63f"s},
    {"A.piano.kbZone", {0x4C, 7, 3}, 0, "LO"s, 5, "LO UP HI"s},
    {"A.piano.kbZone", {0x4C, 7, 3}, 6, "?"s, 7, "?"s},
    {"A.piano.volume", {0x4B, 6, 7}, 0, "Off"s, 127, "0.0 dB"s},
    {"A.piano.octaveShift", {0x4C, 4, 4}, 0, "-7 oct"s, 13, "6 oct"s},
    onOff("A.piano.pitchStick.on", {0x4C, 0, 1}), onOff("A.piano.sustainPedal.on", {0x4D, 7, 1}),
    onOff("A.piano.kbGate.on", {0x5A, 6, 1}), onOff("A.piano.latchPedal.on", {0x5A, 7, 1}),
    {"A.piano.dynamics", {0xCF, 3, 2}, 0, "0"s, 3, "3"s},
    {"A.piano.slotDetune", {0x3B, 7, 3}, 0, "Off"s, 4, "4"s},
    {"A.piano.clavinetModel", {0xCE, 0, 2}, 0, "A"s, 3, "D"s},
    {"A.piano.clavinetEq", {0xD0, 7, 2}, 0, "Off"s, 3, "Soft+Medium"s},
    {"A.piano.clavinetEqHi", {0xCF, 1, 2}, 0, "Off"s, 3, "Treble+Brilliant"s},
    onOff("A.piano.longRelease.on", {0xCF, 6, 1}), onOff("A.piano.pedalNoise.on", {0xCF, 4, 1}),
    onOff("A.piano.stringResonance.on", {0xCF, 5, 1}),
    {"A.piano.output", {0x58, 1, 2}, 0, "1&2"s, 3, "4"s},

    onOff("A.organ.on", {0x43, 7, 1}),
    {"A.organ.type", {0x34, 7, 2}, 0, "B3"s, 2, "Farfisa"s},
    {"A.organ.type", {0x34, 7, 2}, 3, "?"s, 3, "?"s},
    {"A.organ.kbZone", {0x47, 7, 3}, 0, "LO"s, 5, "LO UP HI"s},
    {"A.organ.volume", {0x46, 6, 7}, 0, "Off"s, 127, "0.0 dB"s},
    {"A.organ.octaveShift", {0x47, 4, 4}, 0, "-7 oct"s, 13, "6 oct"s},
    onOff("A.organ.pitchStick.on", {0x30, 6, 1}), onOff("A.organ.sustainPedal.on", {0x47, 0, 1}),
    onOff("A.organ.kbGate.on", {0x59, 0, 1}), onOff("A.organ.latchPedal.on", {0x59, 1, 1}),
    {"A.organ.output", {0x59, 3, 2}, 0, "1&2"s, 3, "4"s},
    {"A.organ.preset1.drawbars", {0x73, 0, 4}, 0, "000000000"s, 8, "000000008"s},
    {"A.organ.preset1.drawbars", {0x73, 0, 4}, 9, "?"s, 15, "?"s},
    {"A.organ.preset1.drawbars", {0x77, 0, 4}, 0, "000000000"s, 8, "800000000"s, kOrganType, 1},
    {"A.organ.preset1.drawbars", {0x8A, 0, 4}, 0, "000000000"s, 8, "000000008"s, kOrganType, 1},
    {"A.organ.preset1.drawbars", {0x94, 1, 1}, 0, "000000000"s, 1, "000000001"s, kOrganType, 2},
    onOff("A.organ.preset1.vibrato.on", {0x74, 4, 1}),
    {"A.organ.preset1.vibrato.on", {0x37, 4, 1}, 0, false, 1, true, kOrganType, 1},
    {"A.organ.preset1.vibrato.on", {0x39, 4, 1}, 0, false, 1, true, kOrganType, 2},
    {"A.organ.preset1.vibrato.mode", {0x35, 7, 3}, 0, "V1"s, 5, "C3"s},
    {"A.organ.preset1.vibrato.mode", {0x37, 6, 2}, 0, "Less (V1)"s, 2, "Original (V3)"s, kOrganType, 1},
    {"A.organ.preset1.vibrato.mode", {0x39, 6, 2}, 0, "Light/Slow (V1)"s, 3, "Heavy/Fast (C3)"s, kOrganType, 2},
    onOff("A.organ.preset1.percussion.on", {0x74, 3, 1}),
    {"A.organ.preset1.percussion.volumeSoft.on", {0x35, 2, 1}, 0, true, 1, false},
    onOff("A.organ.preset1.percussion.decayFast.on", {0x35, 3, 1}),
    onOff("A.organ.preset1.percussion.harmonicThird.on", {0x35, 4, 1}),
    onOff("A.organ.preset2.on", {0x5C, 7, 1}),
    {"A.organ.preset2.on", {0x5D, 7, 1}, 0, false, 1, true, kOrganType, 1},
    {"A.organ.preset2.on", {0x5E, 7, 1}, 0, false, 1, true, kOrganType, 2},
    {"A.organ.preset2.drawbars", {0x97, 0, 4}, 0, "000000000"s, 8, "800000000"s},
    {"A.organ.preset2.drawbars", {0xAA, 0, 4}, 0, "000000000"s, 8, "000000008"s},
    {"A.organ.preset2.drawbars", {0xC1, 0, 4}, 0, "000000000"s, 8, "000000008"s, kOrganType, 1},
    {"A.organ.preset2.drawbars", {0xC4, 1, 1}, 0, "000000000"s, 1, "100000000"s, kOrganType, 2},
    onOff("A.organ.preset2.vibrato.on", {0xAB, 4, 1}),
    {"A.organ.preset2.vibrato.on", {0x37, 4, 1}, 0, false, 1, true, kOrganType, 1},
    {"A.organ.preset2.vibrato.mode", {0x35, 7, 3}, 0, "V1"s, 5, "C3"s},
    onOff("A.organ.preset2.percussion.on", {0xAB, 3, 1}),
    {"A.organ.preset2.percussion.volumeSoft.on", {0x35, 2, 1}, 0, true, 1, false},
    onOff("A.organ.preset2.percussion.decayFast.on", {0x35, 3, 1}),
    onOff("A.organ.preset2.percussion.harmonicThird.on", {0x35, 4, 1}),

    onOff("A.synth.on", {0x4D, 6, 1}),
    {"A.synth.kbZone", {0x51, 6, 3}, 0, "LO"s, 5, "LO UP HI"s},
    {"A.synth.volume", {0x50, 5, 7}, 0, "Off"s, 127, "0.0 dB"s},
    {"A.synth.octaveShift", {0x51, 3, 4}, 0, "-7 oct"s, 13, "6 oct"s},
    onOff("A.synth.pitchStick.on", {0x52, 7, 1}), onOff("A.synth.sustainPedal.on", {0x52, 6, 1}),
    onOff("A.synth.keyboardHold.on", {0xDC, 1, 1}), onOff("A.synth.kbGate.on", {0x5A, 4, 1}),
    onOff("A.synth.latchPedal.on", {0x5A, 5, 1}),
    {"A.synth.output", {0x59, 6, 2}, 0, "1&2"s, 3, "4"s},
    {"A.synth.voice", {0xFC, 2, 2}, 0, "Off"s, 2, "Mono"s},
    {"A.synth.glide", {0xFB, 1, 7}, 0, "0.0"s, 127, "10.0"s},
    {"A.synth.unison", {0xFC, 0, 3}, 0, "Off"s, 6, "Multi 3"s},
    {"A.synth.vibrato", {0xFD, 5, 3}, 0, "Off"s, 5, "Wheel"s},
    {"A.synth.sample.name", {0xF7, 1, 32}, 0, ""s, 0xFFFFFFFF, "Test Strings"s, kOscillator, 3},
    {"A.synth.sample.name", {0xF7, 1, 32}, 0, ""s, 0xFFFFFFFF, ""s},  // no sample oscillator, no sample
    {"A.synth.sample.id", {0xF7, 1, 32}, 0, "00000000"s, 0xFFFFFFFF, "7ffffffe"s, kOscillator, 3},
    {"A.synth.oscillators.type", {0xE1, 1, 3}, 0, "TRI"s, 5, "WAVE"s},
    {"A.synth.oscillators.waveForm1", {0xE2, 6, 10}, 0, "Analog Tri"s, 3, "Analog Tri Synced"s},
    {"A.synth.oscillators.waveForm1", {0xE2, 6, 10}, 0, "Analog Saw"s, 3, "Analog Saw Synced"s, kOscillator, 1},
    {"A.synth.oscillators.waveForm1", {0xE2, 6, 10}, 0, "Analog Sqr"s, 3, "Analog Pulse Synced"s, kOscillator, 2},
    {"A.synth.oscillators.waveForm1", {0xE2, 6, 10}, 0, "1"s, 998, "999"s, kOscillator, 3},
    {"A.synth.oscillators.waveForm1", {0xE2, 6, 10}, 0, "1-OP (+FB)"s, 36, "3-OP 9:1:2 (+FB)"s, kOscillator, 4},
    {"A.synth.oscillators.waveForm1", {0xE2, 6, 10}, 0, "Organ1"s, 61, "Reso20"s, kOscillator, 5},
    {"A.synth.oscillators.waveForm1", {0xE2, 6, 10}, 4, "?"s, 1023, "?"s},
    {"A.synth.oscillators.shapeCtrl", {0xE6, 4, 7}, 0, "0.0"s, 127, "10.0"s},
    {"A.synth.oscillators.shapeCtrl", {0xEB, 5, 6}, 0, "-12"s, 24, "12"s, {0xE2, 6, 10}, 2},  // "dtn"
    {"A.synth.oscillators.shapeMod", {0xE7, 5, 7}, 0, "10.0"s, 63, "0.0"s},
    {"A.synth.oscillators.shapeMod", {0xE7, 5, 7}, 64, "0.0"s, 127, "10.0"s},
    onOff("A.synth.oscillators.skipSampleAttack", {0xEC, 1, 1}),
    {"A.synth.filter.type", {0xF3, 3, 3}, 0, "LP12"s, 4, "BP"s},
    {"A.synth.filter.frequency", {0xEF, 0, 7}, 0, "20 Hz"s, 127, "21 kHz"s},
    {"A.synth.filter.resonance", {0xF0, 1, 7}, 0, "0.0"s, 127, "10.0"s},
    onOff("A.synth.filter.kbTrack", {0xF3, 4, 1}),
    {"A.synth.filter.modulation1", {0xF2, 3, 7}, 0, "0.0"s, 127, "10.0"s},
    {"A.synth.filter.modulation2", {0xF1, 2, 7}, 0, "10.0"s, 63, "0.0"s},
    {"A.synth.filter.modulation2", {0xF1, 2, 7}, 64, "0.0"s, 127, "10.0"s},
    {"A.synth.envelopes.amplifier.attack", {0xF3, 0, 7}, 0, "0.5 ms"s, 127, "45 s"s},
    {"A.synth.envelopes.amplifier.decay", {0xF4, 1, 7}, 0, "3.0 ms"s, 127, "45 s"s},
    {"A.synth.envelopes.amplifier.release", {0xF5, 2, 7}, 0, "3.0 ms"s, 127, "45 s"s},
    onOff("A.synth.envelopes.amplifier.velocity", {0xF6, 3, 1}),
    {"A.synth.envelopes.modulation.attack", {0xDF, 7, 7}, 0, "0.5 ms"s, 127, "45 s"s},
    {"A.synth.envelopes.modulation.decay", {0xDF, 0, 7}, 59, "1.05 s"s, 127, "45 s"s},
    {"A.synth.envelopes.modulation.release", {0xE0, 1, 7}, 0, "3.0 ms"s, 127, "45 s"s},
    onOff("A.synth.envelopes.modulation.velocity.on", {0xE1, 2, 1}),
    {"A.synth.lfo.wave", {0xF7, 3, 2}, 0, "SQUARE"s, 3, "S/H"s},
    {"A.synth.lfo.rate", {0xF6, 2, 7}, 0, "0.03 Hz"s, 127, "523 Hz"s},
    {"A.synth.lfo.rate", {0xDC, 5, 4}, 0, "4/1"s, 14, "1/32"s, {0xDC, 6, 1}, 1},
    onOff("A.synth.lfo.masterClock.on", {0xDC, 6, 1}),
    onOff("A.synth.arpeggiator.on", {0xD9, 0, 1}),
    {"A.synth.arpeggiator.rate", {0xDA, 1, 7}, 0, "80 BPM"s, 127, "128:32 BPM"s},
    {"A.synth.arpeggiator.rate", {0xDA, 6, 4}, 0, "1/2"s, 8, "1/32"s, {0xDA, 7, 1}, 1},
    {"A.synth.arpeggiator.pattern", {0xDB, 2, 2}, 0, "UP"s, 3, "RANDOM"s},
    {"A.synth.arpeggiator.range", {0xDB, 0, 2}, 0, "1 Octave"s, 3, "4 Octaves"s},
    onOff("A.synth.arpeggiator.masterClock.on", {0xDA, 7, 1}),

    onOff("A.extern.on", {0x52, 5, 1}),
    {"A.extern.kbZone", {0x56, 5, 3}, 0, "LO"s, 5, "LO UP HI"s},
    {"A.extern.octaveShift", {0x56, 2, 4}, 0, "-7 oct"s, 13, "6 oct"s},
    {"A.extern.volume", {0x10A, 0, 7}, 0, n(0), 127, n(127)},
    {"A.extern.channel", {0x107, 6, 4}, 0, "1"s, 15, "16"s},
    {"A.extern.program", {0x106, 6, 7}, 0, "1"s, 127, "128"s},
    {"A.extern.control", {0xFF, 7, 2}, 0, "Midi CC"s, 2, "Volume"s},
    {"A.extern.velocity", {0x10C, 4, 2}, 0, "Soft"s, 2, "Hard"s},
    onOff("A.extern.pitchStick.on", {0x57, 6, 1}), onOff("A.extern.sustainPedal.on", {0x57, 5, 1}),
    onOff("A.extern.wheel.on", {0x10B, 0, 1}), onOff("A.extern.afterTouch.on", {0x10C, 7, 1}),
    onOff("A.extern.controlPedal.on", {0x10C, 6, 1}), onOff("A.extern.swell.on", {0x10C, 2, 1}),

    onOff("A.effects.rotarySpeaker.on", {0x3F, 4, 1}),
    {"A.effects.rotarySpeaker.source", {0x3F, 3, 2}, 0, "Organ"s, 2, "Synth"s},
    {"A.effects.rotarySpeaker.drive", {0x3F, 1, 7}, 0, "0.0"s, 127, "10.0"s},
    {"A.effects.rotarySpeaker.speed", {0x40, 1, 1}, 0, "Slow/Stop"s, 1, "Fast"s},
    onOff("A.effects.rotarySpeaker.stopMode.on", {0x40, 2, 1}),
    onOff("A.effects.effect1.on", {0x10F, 5, 1}),
    {"A.effects.effect1.source", {0x10F, 4, 2}, 0, "Organ"s, 2, "Synth"s},
    {"A.effects.effect1.type", {0x10F, 2, 3}, 0, "A-Pan"s, 5, "A-WA2"s},
    {"A.effects.effect1.amount", {0x119, 4, 7}, 0, "0.0"s, 127, "10.0"s},
    {"A.effects.effect1.rate", {0x115, 3, 7}, 0, n(0), 127, n(127)},
    {"A.effects.effect1.rate", {0x112, 7, 4}, 0, "4/1"s, 14, "1/32"s, {0x110, 7, 1}, 1},
    onOff("A.effects.effect1.masterClock.on", {0x110, 7, 1}),
    onOff("A.effects.effect2.on", {0x11A, 5, 1}),
    {"A.effects.effect2.source", {0x11A, 4, 2}, 0, "Organ"s, 2, "Synth"s},
    {"A.effects.effect2.type", {0x11A, 2, 3}, 0, "PHAS1"s, 5, "CHOR2"s},
    {"A.effects.effect2.amount", {0x124, 4, 7}, 0, "0.0"s, 127, "10.0"s},
    {"A.effects.effect2.rate", {0x120, 3, 7}, 0, n(0), 127, n(127)},
    {"A.effects.effect2.rate", {0x11D, 7, 4}, 0, "4/1"s, 14, "1/32"s, {0x11B, 7, 1}, 1},
    onOff("A.effects.delay.on", {0x125, 5, 1}),
    {"A.effects.delay.source", {0x125, 4, 2}, 0, "Organ"s, 2, "Synth"s},
    {"A.effects.delay.tempo", {0x12D, 1, 7}, 19, "508 ms 118 bpm"s, 127, "20 ms"s},
    {"A.effects.delay.tempo", {0x127, 1, 4}, 0, "1/2"s, 14, "1/32"s, {0x125, 1, 1}, 1},
    {"A.effects.delay.amount", {0x131, 2, 7}, 0, "0.0"s, 127, "10.0"s},
    {"A.effects.delay.feedback", {0x132, 3, 7}, 0, "0.0"s, 127, "10.0"s},
    onOff("A.effects.delay.pingPong.on", {0x125, 2, 1}),
    onOff("A.effects.delay.masterClock.on", {0x125, 1, 1}),
    onOff("A.effects.ampSimEq.on", {0x133, 4, 1}),
    {"A.effects.ampSimEq.source", {0x133, 3, 2}, 0, "Organ"s, 2, "Synth"s},
    {"A.effects.ampSimEq.ampType", {0x133, 1, 2}, 0, "Off"s, 3, "Twin"s},
    {"A.effects.ampSimEq.treble", {0x134, 0, 7}, 0, "-15.0 dB"s, 127, "+15.0 dB"s},
    {"A.effects.ampSimEq.mid", {0x135, 1, 7}, 0, "-15.0 dB"s, 127, "+15.0 dB"s},
    {"A.effects.ampSimEq.bass", {0x136, 2, 7}, 0, "-15.0 dB"s, 127, "+15.0 dB"s},
    {"A.effects.ampSimEq.midFilterFreq", {0x137, 3, 7}, 0, "200 Hz"s, 127, "8.0 kHz"s},
    {"A.effects.ampSimEq.overdrive", {0x134, 7, 7}, 0, "0.0"s, 127, "10.0"s},
};

std::span<const std::uint8_t> view(const std::string& bytes) {
  return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
}

const std::function<std::string(std::uint32_t)> kNames = [](std::uint32_t id) {
  return id == 0xbf61a63f ? "Italian Grand Faz Sml 5.3"s : id == 0x7ffffffe ? "Test Strings"s : ""s;
};

Sheet sheetOf(std::string_view extension, const std::string& bytes) {
  const Decoded decoded = decode(extension, view(bytes), kNames);
  EXPECT_TRUE(decoded.decoded()) << extension;
  return decoded.sheet;
}

Value at(const Sheet& sheet, const std::string& key) {
  const Value* value = find(sheet, key);
  return value ? *value : Value("(absent)"s);
}

Place moved(Place place, std::size_t by) {
  if (place.offset >= kFirstSlotByte) place.offset = static_cast<std::uint16_t>(place.offset + by);
  return place;
}

ProgramWriter& set(ProgramWriter& file, Place place, std::uint32_t value) {
  return file.set(place.offset, place.bit, place.width, value);
}

// A sheet as comparable pairs.
std::vector<std::pair<std::string, Value>> pairs(const Sheet& sheet) {
  std::vector<std::pair<std::string, Value>> out;
  for (const Field& field : sheet) out.emplace_back(field.key, field.value);
  return out;
}

TEST(Stage2Layout, EverySettingReadsAtItsEdges) {
  std::set<std::string> tested;
  for (const Edge& edge : kEdges) {
    ProgramWriter file("ns2p", kSize);
    if (edge.givenValue) set(file, edge.given, edge.givenValue);
    set(file, edge.place, edge.low);
    EXPECT_EQ(at(sheetOf("ns2p", file.bytes()), edge.key), edge.lowReads) << edge.key << " = " << edge.low;
    set(file, edge.place, edge.high);
    EXPECT_EQ(at(sheetOf("ns2p", file.bytes()), edge.key), edge.highReads) << edge.key << " = " << edge.high;
    tested.insert(edge.key);
  }
  // Every setting of the sheet has its edges above, and slot B has the same ones.
  for (const Field& field : sheetOf("ns2p", ProgramWriter("ns2p", kSize).bytes())) {
    const bool slotB = field.key.starts_with("B.");
    if (field.key == "A.on" || field.key == "B.on") continue;
    EXPECT_TRUE(tested.erase(slotB ? "A." + field.key.substr(2) : field.key) || slotB) << field.key << " untested";
  }
  EXPECT_TRUE(tested.empty()) << *tested.begin() << " not in the sheet";
}

TEST(Stage2Layout, SlotBLiesFurtherOnAndSharesTheBytesBeforeIt) {
  for (const Edge& edge : kEdges) {
    if (!edge.key.starts_with("A.")) continue;
    const std::string keyB = "B." + edge.key.substr(2);
    ProgramWriter file("ns2p", kSize);
    if (edge.givenValue) set(file, moved(edge.given, kSlotB), edge.givenValue);
    const Value beforeA = at(sheetOf("ns2p", file.bytes()), edge.key);
    set(file, moved(edge.place, kSlotB), edge.high);
    const Sheet sheet = sheetOf("ns2p", file.bytes());
    EXPECT_EQ(at(sheet, keyB), edge.highReads) << keyB;
    const bool shared = edge.place.offset < kFirstSlotByte;
    if (!shared) {
      EXPECT_EQ(at(sheet, edge.key), beforeA) << edge.key << " moved with slot B";
    }
    if (shared && (!edge.givenValue || edge.given.offset < kFirstSlotByte)) {
      EXPECT_EQ(at(sheet, edge.key), edge.highReads) << edge.key << " is kept once for both slots";
    }
  }
}

TEST(Stage2Layout, SlotsPlayAsChosenOrBothWithTheDualKeyboard) {
  struct Choice { std::uint32_t slots, dual; bool a, b; };
  for (const Choice& choice : {Choice{0, 0, true, false}, Choice{1, 0, false, true}, Choice{2, 0, true, true},
                               Choice{3, 0, true, true}, Choice{0, 1, true, true}, Choice{1, 1, true, true}}) {
    ProgramWriter file("ns2p", kSize);
    file.set(0x2E, 7, 2, choice.slots).set(0x2E, 5, 1, choice.dual);
    const Sheet sheet = sheetOf("ns2p", file.bytes());
    EXPECT_EQ(at(sheet, "A.on"), Value(choice.a)) << choice.slots << "/" << choice.dual;
    EXPECT_EQ(at(sheet, "B.on"), Value(choice.b)) << choice.slots << "/" << choice.dual;
  }
}

TEST(Stage2Layout, OlderHeadersReadTheSameAndDamageIsToldApart) {
  ProgramWriter file("ns2p", kSize);
  for (const Edge& edge : kEdges) {
    if (edge.givenValue) set(file, edge.given, edge.givenValue);
    set(file, edge.place, edge.high);
    set(file, moved(edge.place, kSlotB), edge.low);
  }
  const auto sheet = pairs(sheetOf("ns2p", file.bytes()));
  EXPECT_EQ(pairs(sheetOf("ns2p", file.olderBytes())), sheet);

  std::string damaged = file.bytes();
  damaged[0x18] = static_cast<char>(damaged[0x18] ^ 0xFF);  // the checksum no longer matches: still read
  EXPECT_EQ(pairs(sheetOf("ns2p", damaged)), sheet);
  EXPECT_EQ(decode("ns2p", view(file.bytes().substr(0, kSize - 1))).why, NotDecoded::Truncated);
  EXPECT_EQ(decode("ns2p", view(file.olderBytes().substr(0, kSize - 21))).why, NotDecoded::Truncated);
  EXPECT_EQ(decode("ns2s", view(ProgramWriter("ns2s", kPresetSize).bytes().substr(0, kPresetSize - 1))).why,
            NotDecoded::Truncated);
}

// A synth preset keeps the synth's sound as a program's slot does, 0xB1 bytes
// earlier, and nothing else: no panels, no switches of the slot, no master clock.
TEST(Stage2Layout, SynthPresetsKeepTheSoundOfASlotsSynth) {
  const auto inPreset = [](Place place) { return place.offset >= 0xDF && place.offset <= 0xFE; };
  std::set<std::string> expected;
  for (const Edge& edge : kEdges) {
    if (!edge.key.starts_with("A.synth.") || !inPreset(edge.place) || (edge.givenValue && !inPreset(edge.given)))
      continue;
    const std::string key = edge.key.substr(2);
    ProgramWriter preset("ns2s", kPresetSize);
    if (edge.givenValue) set(preset, moved(edge.given, kPresetShift), edge.givenValue);
    set(preset, moved(edge.place, kPresetShift), edge.low);
    EXPECT_EQ(at(sheetOf("ns2s", preset.bytes()), key), edge.lowReads) << key;
    set(preset, moved(edge.place, kPresetShift), edge.high);
    EXPECT_EQ(at(sheetOf("ns2s", preset.bytes()), key), edge.highReads) << key;
    EXPECT_EQ(pairs(sheetOf("ns2s", preset.olderBytes())), pairs(sheetOf("ns2s", preset.bytes()))) << key;
    expected.insert(key);
  }
  std::set<std::string> keys;
  for (const Field& field : sheetOf("ns2s", ProgramWriter("ns2s", kPresetSize).bytes())) keys.insert(field.key);
  EXPECT_EQ(keys, expected);
}

TEST(Stage2Layout, OrganDrawbarsAreDigitsInTheirOrder) {
  const Place b3[] = {{0x60, 0, 4}, {0x63, 5, 4}, {0x65, 2, 4}, {0x68, 7, 4}, {0x6A, 4, 4},
                      {0x6C, 1, 4}, {0x6F, 6, 4}, {0x71, 3, 4}, {0x73, 0, 4}};
  const Place farfisa[] = {{0x8D, 1, 1}, {0x8E, 2, 1}, {0x8F, 3, 1}, {0x90, 4, 1}, {0x91, 5, 1},
                           {0x92, 6, 1}, {0x93, 7, 1}, {0x93, 0, 1}, {0x94, 1, 1}};
  for (int i = 0; i < 9; ++i) {
    ProgramWriter file("ns2p", kSize);
    set(file, b3[i], 8 - (i % 3));
    std::string digits(9, '0');
    digits[i] = static_cast<char>('0' + 8 - (i % 3));
    EXPECT_EQ(at(sheetOf("ns2p", file.bytes()), "A.organ.preset1.drawbars"), Value(digits)) << i;
    set(file, kOrganType, 2).set(farfisa[i].offset, farfisa[i].bit, 1, 1);
    const std::string tabs = std::string(9, '0').replace(i, 1, "1");
    EXPECT_EQ(at(sheetOf("ns2p", file.bytes()), "A.organ.preset1.drawbars"), Value(tabs)) << i;
  }
}

}  // namespace
}  // namespace velmorin::sounds
