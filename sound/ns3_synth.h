#pragma once
// The Nord Stage 3 synth settings a program keeps from 0x80 to 0xAC, which a
// synth preset file (.ns3y) holds alone: one set of rows for both, moved by
// `Shift` bytes (0 in a program, where they are panel A's; -0x4F in a preset).
// From the community's documentation of the format (BSD 3-Clause; see
// data/copyright).
#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

#include "sound/decode.h"
#include "sound/layout.h"
#include "sound/ns3_values.h"

namespace velmorin::sounds::ns3 {

// A layout's rows as one array, from its parts in order.
template <std::size_t... N>
constexpr std::array<Setting, (N + ...)> joined(const std::array<Setting, N>&... parts) {
  std::array<Setting, (N + ...)> all{};
  auto at = all.begin();
  ((at = std::copy(parts.begin(), parts.end(), at)), ...);
  return all;
}

// A piano's or sample's id as the sounds table writes it.
inline std::string idText(std::uint32_t id) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", id);
  return text;
}

// One knob, two settings: 0..120 runs from the left one at 10.0 through 0.0
// for both at 60 to the right one at 10.0.
inline Value sideOf(std::optional<std::uint32_t> raw, bool right) {
  if (!raw || *raw > 120) return std::string("?");
  const int from = static_cast<int>(*raw) - 60;
  return formatNumber(std::max(0, right ? from : -from) / 6.0, 1);
}

inline constexpr std::string_view kOscillatorTypes[] = {"Classic", "Wave", "Formant", "Super", "Sample"};
inline constexpr std::string_view kClassicWaves[] = {"Sine", "Triangle", "Saw", "Square", "Pulse 33", "Pulse 10",
                                                     "ESaw", "ESquare"};
inline constexpr std::string_view kWaveWaves[] = {
    "Wave 2nd Harm",    "Wave 3rd Harm",    "Wave 4th Harm",    "Wave 5th Harm",   "Wave 6th Harm",
    "Wave 7th Harm",    "Wave 8th Harm",    "Wave Organ 1",     "Wave Organ 2",    "Wave Principal",
    "Wave Flute 1",     "Wave Flute 2",     "Wave Clarinet 1",  "Wave Clarinet 2", "Wave Alto Sax",
    "Wave Tenor Sax",   "Wave 2nd Spectra", "Wave 3rd Spectra", "Wave 4th Spectra", "Wave 5th Spectra",
    "Wave 6th Spectra", "Wave 7th Spectra", "Wave 8th Spectra", "Wave Saw Random", "Wave Saw Bright",
    "Wave Sqr Bright",  "Wave Saw NoFund",  "Wave EPiano 1",    "Wave EPiano 2",   "Wave EPiano 3",
    "Wave DX 1",        "Wave DX 2",        "Wave Full Tines",  "Wave Ac Piano",   "Wave Ice 1",
    "Wave Ice 2",       "Wave Clavinet 1",  "Wave Clavinet 2",  "Wave Clavinet 3", "Wave Triplets",
    "Wave Bell",        "Wave Bar 1",       "Wave Bar 2",       "Wave Tines",      "Wave Marimba",
    "Wave Tubular Bells"};
// The documentation's own spelling ("Format", not "Formant").
inline constexpr std::string_view kFormantWaves[] = {"Format Wave Aaa", "Format Wave Eee", "Format Wave Iii",
                                                     "Format Wave Ooo", "Format Wave Uuu", "Format Wave Yyy",
                                                     "Format Wave AO",  "Format Wave AE",  "Format Wave OE"};
inline constexpr std::string_view kSuperWaves[] = {"Super Wave Saw",    "Super Wave Saw 2",    "Super Wave Square",
                                                   "Super Wave Square 2", "Super Wave Bright", "Super Wave Bright 2",
                                                   "Super Wave Strings", "Super Wave Organ"};
inline constexpr std::string_view kOscillatorConfigs[] = {"None",   "Pitch",  "Shape",  "Sync",   "Detune",
                                                          "MixSin", "MixTri", "MixSaw", "MixSqr", "MixBell",
                                                          "MixNs1", "MixNs2", "FM1",    "FM2",    "RM"};
inline constexpr std::string_view kVoices[] = {"Poly", "Legato", "Mono"};
inline constexpr std::string_view kOffTo3[] = {"Off", "1", "2", "3"};
inline constexpr std::string_view kVibratos[] = {"Off", "Delay 1", "Delay 2", "Delay 3", "Wheel", "After Touch"};
inline constexpr std::string_view kFilterTypes[] = {"LP12", "LP24", "Mini Moog", "LP+HP", "BP24", "HP24"};
inline constexpr std::string_view kKbTracks[] = {"Off", "1/3", "2/3", "1"};
inline constexpr std::string_view kLfoWaves[] = {"Triangle", "Saw", "Neg Saw", "Square", "S/H"};
inline constexpr std::string_view kArpRanges[] = {"1 Octave", "2 Octaves", "3 Octaves", "4 Octaves"};
inline constexpr std::string_view kArpPatterns[] = {"Up", "Down", "Up/Down", "Random"};
// What the longest decay and release show beside their time.
inline constexpr std::string_view kSustainAtTop = "45 s (Sustain)";
inline constexpr std::string_view kInfiniteAtTop = "45 s (Inf)";

template <int Shift>
struct Synth {
  using Scope = Setting::Scope;
  using Texts = std::span<const std::string_view>;

  static constexpr Place at(int offset, int bit, int width) {
    return {static_cast<std::uint16_t>(offset + Shift), static_cast<std::uint8_t>(bit),
            static_cast<std::uint8_t>(width)};
  }

  static constexpr Place kOscillatorType = at(0x8D, 1, 3);
  static constexpr Place kSampleId = at(0xA8, 2, 32);
  static constexpr Place kFilterType = at(0x98, 4, 3);
  static constexpr std::uint32_t kSample = 4;   // the oscillator type that plays a sample
  static constexpr std::uint32_t kLowHigh = 3;  // "LP+HP": the resonance knob sets the high-pass cutoff

  static Value sampleId(const Source& source) {
    const auto id = source.read(kSampleId);
    return id ? idText(*id) : std::string("?");
  }

  // Only a sample oscillator plays its sample; other types leave an old id behind.
  static Value sampleName(const Source& source) {
    const auto type = source.read(kOscillatorType);
    const auto id = source.read(kSampleId);
    if (!type || !id) return std::string("?");
    return *type == kSample ? source.soundName(*id) : std::string();
  }

  static Value waveForm(const Source& source) {
    const auto type = source.read(kOscillatorType);
    const auto wave = source.read(at(0x8E, 6, 9));
    if (!type) return std::string("?");
    switch (*type) {
      case 0: return textIn(kClassicWaves, wave);
      case 1: return textIn(kWaveWaves, wave);
      case 2: return textIn(kFormantWaves, wave);
      case 3: return textIn(kSuperWaves, wave);
      case kSample: return sampleName(source);
      default: return std::string("?");
    }
  }

  // What the control knob sets follows the oscillator configuration.
  static Value control(const Source& source) {
    const auto config = source.read(at(0x8F, 4, 4));
    const auto raw = source.read(at(0x90, 2, 7));
    if (!config || !raw) return std::string("?");
    switch (*config) {
      case 1: return scaleOf(raw, 127, 24, 1);
      case 2: return scaleOf(raw, 127, 100, 0, "%");
      case 3: return scaleOf(raw, 127, 10, 1);
      case 4: return scaleOf(raw, 127, 4, 2);
      case 5: case 6: case 7: case 8: case 9: case 10: case 11: {
        const int right = static_cast<int>(*raw * 100.0 / 127 + 0.5);
        return std::to_string(100 - right) + "/" + std::to_string(right);
      }
      case 12: case 13: case 14: return scaleOf(raw, 127, 100, 0, "%");
      case 0: return static_cast<std::int64_t>(*raw);  // no configuration: the knob has no display
      default: return std::string("?");
    }
  }

  // Semitones from -12 to +48, 12 being none.
  static Value pitch(const Source& source) {
    const auto raw = source.read(at(0x8F, 0, 6));
    if (!raw || *raw > 60) return std::string("?");
    const int semitones = static_cast<int>(*raw) - 12;
    return (semitones > 0 ? "+" : "") + std::to_string(semitones) + " semi";
  }

  static Value oscillatorLfo(const Source& source) { return sideOf(source.read(at(0x94, 3, 7)), false); }
  static Value oscillatorModEnv(const Source& source) { return sideOf(source.read(at(0x94, 3, 7)), true); }
  static Value filterVelocity(const Source& source) { return sideOf(source.read(at(0xA4, 4, 7)), false); }
  static Value filterModEnv(const Source& source) { return sideOf(source.read(at(0xA4, 4, 7)), true); }

  // One field: the high-pass cutoff for "LP+HP", the resonance for the others;
  // "-" for the reading the filter type does not use. The resonance runs
  // 0..120 like the knobs above, not 0..127: the keyboard shows raw 26 as 2.2.
  static Value highPass(const Source& source) {
    const auto type = source.read(kFilterType);
    if (!type) return std::string("?");
    return *type == kLowHigh ? textIn(kFilterFrequencies, source.read(at(0x9C, 2, 7))) : std::string("-");
  }
  static Value resonance(const Source& source) {
    const auto type = source.read(kFilterType);
    if (!type) return std::string("?");
    return *type == kLowHigh ? std::string("-") : scaleOf(source.read(at(0x9C, 2, 7)), 120, 10, 1);
  }

  static Value timeUpTo(std::optional<std::uint32_t> raw, std::string_view top) {
    return raw && *raw == 127 ? std::string(top) : textIn(kEnvelopeDecays, raw);
  }
  static Value ampDecay(const Source& source) { return timeUpTo(source.read(at(0xA6, 2, 7)), kSustainAtTop); }
  static Value modDecay(const Source& source) { return timeUpTo(source.read(at(0x8B, 0, 7)), kSustainAtTop); }
  static Value modRelease(const Source& source) { return timeUpTo(source.read(at(0x8C, 1, 7)), kInfiniteAtTop); }

  // Following the master clock, a rate is a division of its tempo.
  static Value lfoRate(const Source& source) {
    const auto clock = source.read(at(0x87, 7, 1));
    if (!clock) return std::string("?");
    return textIn(*clock ? Texts(kLfoDivisions) : Texts(kLfoRates), source.read(at(0x87, 6, 7)));
  }
  static Value arpRate(const Source& source) {
    const auto clock = source.read(at(0x80, 0, 1));
    if (!clock) return std::string("?");
    return textIn(*clock ? Texts(kArpDivisions) : Texts(kArpRates), source.read(at(0x81, 7, 7)));
  }

  // Keyboard hold to vibrato: the rows before a program's synth preset name.
  static constexpr auto voiceRows(Scope scope) {
    using namespace rows;
    return std::to_array<Setting>({
        onOff("synth.keyboardHold.on", at(0x80, 7, 1), scope),
        pick("synth.voice", at(0x84, 0, 2), kVoices, scope),
        scaled("synth.glide", at(0x85, 6, 7), 0, 10, 1, {}, 127, scope),
        pick("synth.unison", at(0x86, 7, 2), kOffTo3, scope),
        pick("synth.vibrato", at(0x86, 5, 3), kVibratos, scope),
    });
  }

  // The sample to the arpeggiator: the rows after it.
  static constexpr auto soundRows(Scope scope) {
    using namespace rows;
    return std::to_array<Setting>({
        custom("synth.sample.name", sampleName, scope),
        custom("synth.sample.id", sampleId, scope),
        pick("synth.oscillators.type", kOscillatorType, kOscillatorTypes, scope),
        custom("synth.oscillators.waveForm1", waveForm, scope),
        pick("synth.oscillators.config", at(0x8F, 4, 4), kOscillatorConfigs, scope),
        custom("synth.oscillators.control", control, scope),
        custom("synth.oscillators.pitch", pitch, scope),
        onOff("synth.oscillators.fastAttack.on", at(0xAC, 2, 1), scope),
        custom("synth.oscillators.modulations.lfoAmount", oscillatorLfo, scope),
        custom("synth.oscillators.modulations.modEnvAmount", oscillatorModEnv, scope),
        pick("synth.filter.type", kFilterType, kFilterTypes, scope),
        pick("synth.filter.cutoffFrequency", at(0x98, 1, 7), kFilterFrequencies, scope),
        custom("synth.filter.highPassCutoffFrequency", highPass, scope),
        custom("synth.filter.resonance", resonance, scope),
        pick("synth.filter.kbTrack", at(0xA5, 5, 2), kKbTracks, scope),
        pick("synth.filter.drive", at(0xA5, 3, 2), kOffTo3, scope),
        scaled("synth.filter.modulations.lfoAmount", at(0xA0, 3, 7), 0, 10, 1, {}, 127, scope),
        custom("synth.filter.modulations.modEnvAmount", filterModEnv, scope),
        custom("synth.filter.modulations.velAmount", filterVelocity, scope),
        pick("synth.envelopes.amplifier.attack", at(0xA5, 1, 7), kEnvelopeAttacks, scope),
        custom("synth.envelopes.amplifier.decay", ampDecay, scope),
        pick("synth.envelopes.amplifier.release", at(0xA7, 3, 7), kEnvelopeDecays, scope),
        pick("synth.envelopes.amplifier.velocity", at(0xA8, 4, 2), kOffTo3, scope),
        pick("synth.envelopes.modulation.attack", at(0x8B, 7, 7), kEnvelopeAttacks, scope),
        custom("synth.envelopes.modulation.decay", modDecay, scope),
        custom("synth.envelopes.modulation.release", modRelease, scope),
        onOff("synth.envelopes.modulation.velocity.on", at(0x8D, 2, 1), scope),
        pick("synth.lfo.wave", at(0x86, 2, 3), kLfoWaves, scope),
        custom("synth.lfo.rate", lfoRate, scope),
        onOff("synth.lfo.masterClock.on", at(0x87, 7, 1), scope),
        onOff("synth.arpeggiator.on", at(0x80, 6, 1), scope),
        custom("synth.arpeggiator.rate", arpRate, scope),
        pick("synth.arpeggiator.pattern", at(0x80, 2, 2), kArpPatterns, scope),
        pick("synth.arpeggiator.range", at(0x80, 4, 2), kArpRanges, scope),
        onOff("synth.arpeggiator.kbSync.on", at(0x80, 5, 1), scope),
        onOff("synth.arpeggiator.masterClock.on", at(0x80, 0, 1), scope),
    });
  }
};

}  // namespace velmorin::sounds::ns3
