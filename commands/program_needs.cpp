#include "commands/program_needs.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string>

#include "vocabulary/text.h"

namespace velmorin {

namespace {

// The sheet's id text ("0a1b2c3d"); nothing for "?" (unreadable) and 0 (none).
std::optional<std::uint32_t> idAt(const sounds::Sheet& sheet, const std::string& key) {
  const std::string text = sounds::textAt(sheet, key);
  std::uint32_t id = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id, 16);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || id == 0) return std::nullopt;
  return id;
}

void add(std::vector<SoundId>& needed, std::string_view kind, std::optional<std::uint32_t> id) {
  if (!id) return;
  const SoundId sound{kind, *id};
  if (std::ranges::none_of(needed, [&](const SoundId& had) { return had.kind == kind && had.id == *id; }))
    needed.push_back(sound);
}

}  // namespace

std::vector<SoundId> soundsNeeded(const sounds::Sheet& sheet) {
  std::vector<SoundId> needed;
  const bool program = sounds::find(sheet, "A.on") != nullptr;
  for (const std::string& panel : program ? std::vector<std::string>{"A.", "B."} : std::vector<std::string>{""}) {
    if (program && !sounds::isOn(sheet, panel + "on")) continue;
    // A synth preset has no switches of its own: its synth is what it is.
    const auto on = [&](const char* section) {
      const std::string key = panel + section + ".on";
      return sounds::find(sheet, key) ? sounds::isOn(sheet, key) : !program;
    };
    if (on("piano")) add(needed, "piano", idAt(sheet, panel + "piano.id"));
    if (on("synth") && lowerAscii(sounds::textAt(sheet, panel + "synth.oscillators.type")) == "sample")
      add(needed, "sample", idAt(sheet, panel + "synth.sample.id"));
  }
  return needed;
}

}  // namespace velmorin
