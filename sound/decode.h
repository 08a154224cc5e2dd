#pragma once
// A program file's sheet: every setting its model's layout knows, read from
// its bytes. Knows nothing of disks, JSON or languages.
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "sound/sheet.h"

namespace velmorin::sounds {

enum class NotDecoded : std::uint8_t {
  None,           // decoded
  NoLayout,       // a model whose layout is not known
  UnknownHeader,  // not a Nord header, or a header type not known
  Truncated,      // shorter than its model's programs are
};

struct Decoded {
  NotDecoded why = NotDecoded::NoLayout;
  Sheet sheet;
  bool decoded() const { return why == NotDecoded::None; }
};

// `extension` lower case; `soundName` names a piano or sample by its id
// (Stage 3 form), "" when unknown, and is asked only for the ids a sheet shows.
Decoded decode(std::string_view extension, std::span<const std::uint8_t> bytes,
               const std::function<std::string(std::uint32_t id)>& soundName = {});

// Only what says what plays (each panel's and section's switch, the piano and
// organ types, the synth's oscillator type, the piano and sample names), for
// reading thousands of programs at a time.
Decoded decodeWhatPlays(std::string_view extension, std::span<const std::uint8_t> bytes,
                        const std::function<std::string(std::uint32_t id)>& soundName = {});

// The keys below a panel (or at the top of a synth preset's sheet) that
// decodeWhatPlays gives.
inline constexpr std::array<std::string_view, 9> kWhatPlays{
    "on",       "piano.on",               "piano.type",       "piano.name", "organ.on", "organ.type",
    "synth.on", "synth.oscillators.type", "synth.sample.name"};

// A number as the keyboard shows it: `decimals` decimals, never "-0".
std::string formatNumber(double value, int decimals);

}  // namespace velmorin::sounds
