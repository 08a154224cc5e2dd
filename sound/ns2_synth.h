#pragma once
// The Nord Stage 2 synth's sound as rows of a table: what a synth preset file
// (.ns2s) keeps, which a program keeps in the same bit layout at 0xDF..0xFE of
// each slot. Both layouts list these rows, moved by `Shift`; offsets as the
// community's documentation gives them for a program's slot A (BSD 3-Clause;
// see data/copyright).
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>

#include "sound/decode.h"
#include "sound/layout.h"
#include "sound/ns2_values.h"

namespace velmorin::sounds::ns2 {

// A preset file keeps at 0x2E what a program keeps at 0xDF.
inline constexpr int kPresetShift = 0x2E - 0xDF;

inline constexpr std::string_view kOscillatorTypes[] = {"TRI", "SAW", "SQR", "SAMPLE", "FM", "WAVE"};
enum Oscillator : std::uint32_t { kTri, kSaw, kPulse, kSample, kFm, kWave };
inline constexpr std::uint32_t kDetunedWave = 2;  // "dtn" of TRI, SAW and SQR
inline constexpr std::uint32_t kLastSampleNumber = 999;
inline constexpr std::string_view kFilterTypes[] = {"LP12", "LP24", "HP", "NOTCH", "BP"};
inline constexpr std::string_view kVoices[] = {"Off", "Legato", "Mono"};
inline constexpr std::string_view kUnisons[] = {"Off", "1", "2", "3", "Multi 1", "Multi 2", "Multi 3"};
inline constexpr std::string_view kVibratos[] = {"Off", "Delay 1", "Delay 2", "Delay 3", "AT", "Wheel"};
inline constexpr std::string_view kLfoWaves[] = {"SQUARE", "SAW", "TRI", "S/H"};

constexpr Place moved(Place place, int shift) {
  place.offset = static_cast<std::uint16_t>(place.offset + shift);
  return place;
}

// The table's text for `raw`; "?" beyond it or when unreadable.
inline Value textOf(std::span<const std::string_view> texts, std::optional<std::uint32_t> raw) {
  return raw && *raw < texts.size() ? Value(std::string(texts[*raw])) : Value(std::string("?"));
}

// Stage 2 names pianos and samples by ids that the sounds table knows in
// their Stage 3 form: bit 31 inverted, then one less; 0 (none) stays 0.
constexpr std::uint32_t stage3Id(std::uint32_t id) { return id == 0 ? 0 : (id ^ 0x80000000u) - 1; }

inline std::string idText(std::uint32_t id) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", id);
  return text;
}

// Rows that read several fields: templates, so that each layout gets readers
// of its own places.
template <int Shift>
struct SynthReaders {
  static std::optional<std::uint32_t> oscillator(const Source& source) {
    return source.read(moved({0xE1, 1, 3}, Shift));
  }
  static std::optional<std::uint32_t> wave(const Source& source) { return source.read(moved({0xE2, 6, 10}, Shift)); }

  // The waveform knob's choice, named by the oscillator's type; a sample by its number.
  static Value waveForm(const Source& source) {
    const auto type = oscillator(source);
    const auto raw = wave(source);
    if (!type || !raw) return std::string("?");
    switch (*type) {
      case kTri: return textOf(kTriWaves, raw);
      case kSaw: return textOf(kSawWaves, raw);
      case kPulse: return textOf(kPulseWaves, raw);
      case kFm: return textOf(kFmWaves, raw);
      case kWave: return textOf(kWaveWaves, raw);
      case kSample: return *raw < kLastSampleNumber ? std::to_string(*raw + 1) : std::string("?");
    }
    return std::string("?");
  }

  // The shape knob: 0..10, but -12..+12 semitones, from a field of its own,
  // for a detuned analog waveform ("dtn").
  static Value shape(const Source& source) {
    const auto type = oscillator(source);
    const auto raw = wave(source);
    if (!type || !raw) return std::string("?");
    if (*type <= kPulse && *raw == kDetunedWave) {
      const auto detune = source.read(moved({0xEB, 5, 6}, Shift));
      if (!detune || *detune > 24) return std::string("?");
      return formatNumber(static_cast<double>(*detune) - 12, 0);
    }
    const auto amount = source.read(moved({0xE6, 4, 7}, Shift));
    return amount ? formatNumber(*amount * 10.0 / 127, 1) : std::string("?");
  }

  // The sample the oscillator plays (Stage 3 form); 0 when it plays none,
  // whatever id an earlier sample left in the file.
  static std::optional<std::uint32_t> sample(const Source& source) {
    const auto type = oscillator(source);
    const auto id = source.read(moved({0xF7, 1, 32}, Shift));
    if (!type || !id) return std::nullopt;
    return *type == kSample ? stage3Id(*id) : 0;
  }
  static Value sampleName(const Source& source) {
    const auto id = sample(source);
    return !id ? std::string("?") : *id ? source.soundName(*id) : std::string();
  }
  static Value sampleId(const Source& source) {
    const auto id = sample(source);
    return id ? idText(*id) : std::string("?");
  }
};

// The rows in the order sheets list them; `lfoRate` reads the LFO's rate,
// which a program may set by its master clock (outside these bytes).
template <int Shift, Setting::Scope Scope, Value (*LfoRate)(const Source&)>
inline constexpr Setting kSynthSound[] = {
    rows::pick("synth.voice", moved({0xFC, 2, 2}, Shift), kVoices, Scope),
    rows::scaled("synth.glide", moved({0xFB, 1, 7}, Shift), 0, 10, 1, {}, 127, Scope),
    rows::pick("synth.unison", moved({0xFC, 0, 3}, Shift), kUnisons, Scope),
    rows::pick("synth.vibrato", moved({0xFD, 5, 3}, Shift), kVibratos, Scope),
    rows::custom("synth.sample.name", SynthReaders<Shift>::sampleName, Scope),
    rows::custom("synth.sample.id", SynthReaders<Shift>::sampleId, Scope),
    rows::pick("synth.oscillators.type", moved({0xE1, 1, 3}, Shift), kOscillatorTypes, Scope),
    rows::custom("synth.oscillators.waveForm1", SynthReaders<Shift>::waveForm, Scope),
    rows::custom("synth.oscillators.shapeCtrl", SynthReaders<Shift>::shape, Scope),
    // One knob: 0..63 LFO amount, 64..127 modulation envelope amount.
    rows::pick("synth.oscillators.shapeMod", moved({0xE7, 5, 7}, Shift), kBipolarAmounts, Scope),
    rows::onOff("synth.oscillators.skipSampleAttack", moved({0xEC, 1, 1}, Shift), Scope),
    rows::pick("synth.filter.type", moved({0xF3, 3, 3}, Shift), kFilterTypes, Scope),
    rows::pick("synth.filter.frequency", moved({0xEF, 0, 7}, Shift), kFilterFrequencies, Scope),
    rows::scaled("synth.filter.resonance", moved({0xF0, 1, 7}, Shift), 0, 10, 1, {}, 127, Scope),
    rows::onOff("synth.filter.kbTrack", moved({0xF3, 4, 1}, Shift), Scope),
    rows::scaled("synth.filter.modulation1", moved({0xF2, 3, 7}, Shift), 0, 10, 1, {}, 127, Scope),
    // One knob: 0..63 velocity amount, 64..127 modulation envelope amount.
    rows::pick("synth.filter.modulation2", moved({0xF1, 2, 7}, Shift), kBipolarAmounts, Scope),
    rows::pick("synth.envelopes.amplifier.attack", moved({0xF3, 0, 7}, Shift), kEnvAttacks, Scope),
    rows::pick("synth.envelopes.amplifier.decay", moved({0xF4, 1, 7}, Shift), kEnvDecays, Scope),
    rows::pick("synth.envelopes.amplifier.release", moved({0xF5, 2, 7}, Shift), kEnvDecays, Scope),
    rows::onOff("synth.envelopes.amplifier.velocity", moved({0xF6, 3, 1}, Shift), Scope),
    rows::pick("synth.envelopes.modulation.attack", moved({0xDF, 7, 7}, Shift), kEnvAttacks, Scope),
    rows::pick("synth.envelopes.modulation.decay", moved({0xDF, 0, 7}, Shift), kEnvDecays, Scope),
    rows::pick("synth.envelopes.modulation.release", moved({0xE0, 1, 7}, Shift), kEnvDecays, Scope),
    rows::onOff("synth.envelopes.modulation.velocity.on", moved({0xE1, 2, 1}, Shift), Scope),
    rows::pick("synth.lfo.wave", moved({0xF7, 3, 2}, Shift), kLfoWaves, Scope),
    rows::custom("synth.lfo.rate", LfoRate, Scope),
};

// The LFO's rate without the master clock: all a preset file knows.
template <int Shift>
Value freeLfoRate(const Source& source) {
  return textOf(kLfoRates, source.read(moved({0xF6, 2, 7}, Shift)));
}

// Rows of several tables as one, in order.
template <std::size_t... N>
constexpr auto joined(const Setting (&... parts)[N]) {
  std::array<Setting, (N + ...)> all{};
  auto at = all.begin();
  ((at = std::copy(std::begin(parts), std::end(parts), at)), ...);
  return all;
}

}  // namespace velmorin::sounds::ns2
