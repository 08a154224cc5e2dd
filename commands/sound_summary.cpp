#include "commands/sound_summary.h"

#include <array>
#include <string_view>
#include <vector>

#include "sound/decode.h"

namespace velmorin {

namespace {

using sounds::Sheet;
using sounds::Value;

// What one panel's fields say of what plays; a synth preset file is one
// panel without a switch of its own. Found in one pass over the sheet: the
// library asks this of thousands of programs.
struct PanelFields {
  const Value* on = nullptr;
  const Value* pianoOn = nullptr;
  const Value* pianoType = nullptr;
  const Value* pianoName = nullptr;
  const Value* organOn = nullptr;
  const Value* organType = nullptr;
  const Value* synthOn = nullptr;
  const Value* synthType = nullptr;
  const Value* sampleName = nullptr;
};

// The field of each key that says what plays, in the order of sounds::kWhatPlays.
constexpr std::array kFields{&PanelFields::on,        &PanelFields::pianoOn,   &PanelFields::pianoType,
                             &PanelFields::pianoName, &PanelFields::organOn,   &PanelFields::organType,
                             &PanelFields::synthOn,   &PanelFields::synthType, &PanelFields::sampleName};
static_assert(kFields.size() == sounds::kWhatPlays.size());

// Panels "A" and "B" of a program, in order; or the one of a synth preset.
std::vector<PanelFields> panelsOf(const Sheet& sheet) {
  std::array<PanelFields, 3> found{};  // A, B, and the keys without a panel
  for (const sounds::Field& field : sheet) {
    std::string_view key = field.key;
    std::size_t panel = 2;
    if (key.size() > 2 && key[1] == '.' && (key[0] == 'A' || key[0] == 'B')) {
      panel = key[0] == 'A' ? 0 : 1;
      key.remove_prefix(2);
    }
    for (std::size_t member = 0; member < kFields.size(); ++member)
      if (key == sounds::kWhatPlays[member] && !(found[panel].*kFields[member]))
        found[panel].*kFields[member] = &field.value;
  }
  if (found[0].on) return {found[0], found[1]};
  return {found[2]};
}

using sounds::isOn;
using sounds::textOf;

// A synth preset file holds a synth and nothing else: it has no switch of its own.
bool playing(const PanelFields& panel, const Value* sectionOn, const Value* sectionType, bool preset) {
  if (preset && !sectionOn) return sectionType != nullptr;
  return (preset || isOn(panel.on)) && isOn(sectionOn);
}
bool pianoPlays(const PanelFields& panel, bool preset) { return playing(panel, panel.pianoOn, nullptr, preset); }
bool organPlays(const PanelFields& panel, bool preset) { return playing(panel, panel.organOn, nullptr, preset); }
bool synthPlays(const PanelFields& panel, bool preset) { return playing(panel, panel.synthOn, panel.synthType, preset); }

std::string withName(const std::string& what, const std::string& name) {
  return name.empty() ? what : what + " (" + name + ")";
}

// " + " between the texts that differ, in the order met.
void addDistinct(std::string& joined, const std::string& text) {
  if (text.empty()) return;
  std::size_t at = 0;
  while (at <= joined.size()) {
    const auto end = joined.find(" + ", at);
    if (joined.substr(at, end == std::string::npos ? std::string::npos : end - at) == text) return;
    if (end == std::string::npos) break;
    at = end + 3;
  }
  joined += joined.empty() ? text : " + " + text;
}

std::string summaryOf(const std::vector<PanelFields>& panels, bool spanish) {
  const bool preset = panels.size() == 1;
  std::string summary;
  for (std::size_t index = 0; index < panels.size(); ++index) {
    const PanelFields& panel = panels[index];
    if (!preset && !isOn(panel.on)) continue;
    std::vector<std::string> parts;
    // In Spanish the word comes first, with a capital when it starts the line.
    const auto word = [&](const char* english, const char* lower, const char* capital, const std::string& type) {
      return spanish ? std::string(parts.empty() ? capital : lower) + " " + type : type + " " + english;
    };
    if (pianoPlays(panel, preset)) parts.push_back(withName(textOf(panel.pianoType), textOf(panel.pianoName)));
    if (organPlays(panel, preset)) parts.push_back(word("organ", "órgano", "Órgano", textOf(panel.organType)));
    if (synthPlays(panel, preset))
      parts.push_back(withName(word("synth", "sintetizador", "Sintetizador", textOf(panel.synthType)),
                               textOf(panel.sampleName)));
    if (parts.empty()) continue;
    std::string line = preset ? "" : std::string(1, "AB"[index]) + ": ";
    for (std::size_t i = 0; i < parts.size(); ++i) line += (i ? " + " : "") + parts[i];
    summary += (summary.empty() ? "" : " · ") + line;
  }
  return summary;
}

}  // namespace

std::string soundSummary(const Sheet& sheet, bool spanish) { return summaryOf(panelsOf(sheet), spanish); }

SoundFacts soundFacts(const Sheet& sheet, bool spanish) {
  const std::vector<PanelFields> panels = panelsOf(sheet);
  const bool preset = panels.size() == 1;
  SoundFacts facts;
  facts.summary = summaryOf(panels, spanish);
  for (const PanelFields& panel : panels) {
    if (pianoPlays(panel, preset)) {
      addDistinct(facts.piano, textOf(panel.pianoType));
      addDistinct(facts.pianoName, textOf(panel.pianoName));
    }
    if (organPlays(panel, preset)) addDistinct(facts.organ, textOf(panel.organType));
    if (synthPlays(panel, preset)) {
      addDistinct(facts.synth, textOf(panel.synthType));
      addDistinct(facts.sampleName, textOf(panel.sampleName));
    }
  }
  return facts;
}

}  // namespace velmorin
