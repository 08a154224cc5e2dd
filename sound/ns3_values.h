#pragma once
// The Nord Stage 3 value tables too long to sit beside the layout's rows, and
// the two ways a custom row turns a raw value into the text the keyboard shows.
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "sound/sheet.h"

namespace velmorin::sounds::ns3 {

// The text `raw` reads in `table`; "?" beyond it or when it could not be read.
Value textIn(std::span<const std::string_view> table, std::optional<std::uint32_t> raw);

// `raw` of 0..`top` as 0..`to` with `decimals` decimals, then `unit`; "?" beyond `top`.
Value scaleOf(std::optional<std::uint32_t> raw, std::uint32_t top, double to, int decimals, std::string_view unit = {});

extern const std::string_view kVolumes[128];
extern const std::string_view kAmpEqGains[121];
extern const std::string_view kAmpEqMidFrequencies[128];
extern const std::string_view kDelayDivisions[128];
extern const std::string_view kEffect1Divisions[128];
extern const std::string_view kArpRates[128];
extern const std::string_view kArpDivisions[128];
extern const std::string_view kEnvelopeAttacks[128];
extern const std::string_view kEnvelopeDecays[128];
extern const std::string_view kFilterFrequencies[128];
extern const std::string_view kLfoRates[128];
extern const std::string_view kLfoDivisions[128];

struct DelayTempo {
  int milliseconds;
  std::string_view text;  // "909 ms 66 bpm (1/4)"
};
extern const DelayTempo kDelayTempos[128];

}  // namespace velmorin::sounds::ns3
