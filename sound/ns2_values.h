#pragma once
// The texts the Nord Stage 2 shows for its longer value scales, by raw value,
// from the community's documentation of its programs (BSD 3-Clause; see
// data/copyright). The short lists live beside the layout that uses them.
#include <string_view>

namespace velmorin::sounds::ns2 {

// Volumes (dBMap).
extern const std::string_view kLevels[128];
// Amp sim EQ mid filter frequency.
extern const std::string_view kAmpMidFrequencies[128];
// Amp sim EQ treble, mid and bass.
extern const std::string_view kAmpEqGains[128];
// Delay tempo without the master clock.
extern const std::string_view kDelayTempos[128];
// Delay tempo on the master clock.
extern const std::string_view kDelayDivisions[15];
// Effect 1 and 2 rate and LFO rate on the master clock (the LFO's table is the same).
extern const std::string_view kClockDivisions[15];
// Arpeggiator rate on the master clock.
extern const std::string_view kArpDivisions[9];
// Arpeggiator rate without the master clock.
extern const std::string_view kArpRates[128];
// Envelope attack.
extern const std::string_view kEnvAttacks[128];
// Envelope decay and release (the release table is the same). Raw 59 reads "1050 s" in the
// table, a slip between 983 ms and 1.13 s: it is 1.05 s.
extern const std::string_view kEnvDecays[128];
// Synth filter frequency.
extern const std::string_view kFilterFrequencies[128];
// One knob, two amounts: 0..63 the first source (10.0 down to 0.0), 64..127 the second (0.0 up to 10.0).
extern const std::string_view kBipolarAmounts[128];
// LFO rate without the master clock.
extern const std::string_view kLfoRates[128];
// Oscillator waveforms by oscillator type.
extern const std::string_view kTriWaves[4];
extern const std::string_view kSawWaves[4];
extern const std::string_view kPulseWaves[4];
extern const std::string_view kFmWaves[37];
extern const std::string_view kWaveWaves[62];

}  // namespace velmorin::sounds::ns2
