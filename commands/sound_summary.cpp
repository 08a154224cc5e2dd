#include "commands/sound_summary.h"

#include <vector>

namespace velmorin {

namespace {

using sounds::isOn;
using sounds::Sheet;
using sounds::textAt;

// The panels a sheet has: "A." and "B." for programs, "" for a synth preset.
std::vector<std::string> panelsOf(const Sheet& sheet) {
  if (sounds::find(sheet, "A.on")) return {"A.", "B."};
  return {""};
}

// A synth preset file holds a synth and nothing else: it has no switch of its own.
bool playing(const Sheet& sheet, const std::string& panel, const char* section) {
  if (panel.empty() && !sounds::find(sheet, std::string(section) + ".on")) return sounds::find(sheet, std::string(section) + ".oscillators.type") != nullptr;
  return (panel.empty() || isOn(sheet, panel + "on")) && isOn(sheet, panel + section + ".on");
}

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

}  // namespace

std::string soundSummary(const Sheet& sheet, bool spanish) {
  std::string summary;
  for (const std::string& panel : panelsOf(sheet)) {
    if (!panel.empty() && !isOn(sheet, panel + "on")) continue;
    std::vector<std::string> parts;
    // In Spanish the word comes first, with a capital when it starts the line.
    const auto word = [&](const char* english, const char* lower, const char* capital, const std::string& type) {
      return spanish ? std::string(parts.empty() ? capital : lower) + " " + type : type + " " + english;
    };
    if (playing(sheet, panel, "piano"))
      parts.push_back(withName(textAt(sheet, panel + "piano.type"), textAt(sheet, panel + "piano.name")));
    if (playing(sheet, panel, "organ"))
      parts.push_back(word("organ", "órgano", "Órgano", textAt(sheet, panel + "organ.type")));
    if (playing(sheet, panel, "synth"))
      parts.push_back(withName(word("synth", "sintetizador", "Sintetizador", textAt(sheet, panel + "synth.oscillators.type")),
                               textAt(sheet, panel + "synth.sample.name")));
    if (parts.empty()) continue;
    std::string line = panel.empty() ? "" : panel.substr(0, 1) + ": ";
    for (std::size_t i = 0; i < parts.size(); ++i) line += (i ? " + " : "") + parts[i];
    summary += (summary.empty() ? "" : " · ") + line;
  }
  return summary;
}

SoundFacts soundFacts(const Sheet& sheet, bool spanish) {
  SoundFacts facts;
  facts.summary = soundSummary(sheet, spanish);
  for (const std::string& panel : panelsOf(sheet)) {
    if (playing(sheet, panel, "piano")) {
      addDistinct(facts.piano, textAt(sheet, panel + "piano.type"));
      addDistinct(facts.pianoName, textAt(sheet, panel + "piano.name"));
    }
    if (playing(sheet, panel, "organ")) addDistinct(facts.organ, textAt(sheet, panel + "organ.type"));
    if (playing(sheet, panel, "synth")) {
      addDistinct(facts.synth, textAt(sheet, panel + "synth.oscillators.type"));
      addDistinct(facts.sampleName, textAt(sheet, panel + "synth.sample.name"));
    }
  }
  return facts;
}

}  // namespace velmorin
