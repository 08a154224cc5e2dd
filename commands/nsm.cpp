#include "commands/nsm.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "commands/numeric_compare.h"
#include "vocabulary/text.h"
#include "platform/file_checks.h"
#include "platform/folder.h"

namespace velmorin {

namespace {

constexpr std::string_view kPrefix = "Nord Sound Manager";
constexpr int kMaxEntryDepth = 6;  // Wine nests entries a few folders down

struct Candidate {
  NsmApp app;
  std::string key;  // what the numeric comparison looks at
};

// Desktop entries are a few hundred bytes; more is read of none.
constexpr std::size_t kMaxEntryBytes = 64 * 1024;

struct DesktopEntry {
  std::string name;  // the Name= of the [Desktop Entry] group (the untranslated one)
  bool shown = true;  // false for NoDisplay=true or Hidden=true
};

// The value of `key` on a line "key = value" (spaces around "=" allowed).
std::optional<std::string_view> valueOf(std::string_view line, std::string_view key) {
  if (!line.starts_with(key)) return std::nullopt;
  line.remove_prefix(key.size());
  const auto start = line.find_first_not_of(' ');
  if (start == std::string_view::npos || line[start] != '=') return std::nullopt;
  line.remove_prefix(start + 1);
  const auto first = line.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string_view() : line.substr(first);
}

// Reads a regular file only: a FIFO or a link to a device named *.desktop
// must not hold up the status report.
std::optional<DesktopEntry> readDesktopEntry(const std::filesystem::path& file) {
  const auto text = platform::readRegularFile(file, kMaxEntryBytes);
  if (!text) return std::nullopt;
  DesktopEntry entry;
  bool inMainGroup = false;
  std::string_view rest(*text);
  while (!rest.empty()) {
    const auto end = std::min(rest.find('\n'), rest.size());
    std::string_view line = rest.substr(0, end);
    rest.remove_prefix(std::min(end + 1, rest.size()));
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.starts_with("[")) {
      inMainGroup = line == "[Desktop Entry]";
    } else if (inMainGroup) {
      if (const auto name = valueOf(line, "Name")) entry.name = *name;
      for (const char* key : {"NoDisplay", "Hidden"})
        if (valueOf(line, key) == "true") entry.shown = false;
    }
  }
  return entry;
}

bool isUninstaller(std::string_view text) { return lowerAscii(text).find("uninstall") != std::string::npos; }

void addAppBundles(const std::filesystem::path& folder, std::vector<Candidate>& out) {
  for (const std::string& name : platform::namesIn(folder)) {
    if (!name.starts_with(kPrefix) || !name.ends_with(".app")) continue;
    const auto dot = name.rfind('.');
    out.push_back({{folder / name, name.substr(0, dot), false}, name});
  }
}

void addDesktopEntries(const std::filesystem::path& folder, int depth, std::vector<Candidate>& out) {
  if (depth > kMaxEntryDepth) return;
  for (const std::string& name : platform::namesIn(folder)) {
    const std::filesystem::path path = folder / name;
    const auto kind = platform::kindOf(path);
    if (kind == platform::EntryKind::Folder) {
      addDesktopEntries(path, depth + 1, out);
      continue;
    }
    if (!name.ends_with(".desktop") || isUninstaller(name)) continue;
    const auto entry = readDesktopEntry(path);
    if (!entry || !entry->shown || isUninstaller(entry->name)) continue;
    if (!name.starts_with(kPrefix) && !entry->name.starts_with(kPrefix)) continue;
    const std::string shown = entry->name.empty() ? name.substr(0, name.size() - 8) : entry->name;
    out.push_back({{path, shown, true}, shown});
  }
}

}  // namespace

std::optional<NsmApp> findNSM(const Values& values) {
  std::vector<Candidate> candidates;
  for (const auto& folder : values.applicationFolders) addAppBundles(folder, candidates);
  for (const auto& folder : values.desktopEntryFolders) addDesktopEntries(folder, 1, candidates);
  if (candidates.empty()) return std::nullopt;

  // The greatest name wins; of equal names the first found stays.
  const Candidate* best = &candidates.front();
  for (const Candidate& candidate : candidates)
    if (compareNumeric(best->key, candidate.key) < 0) best = &candidate;
  return best->app;
}

}  // namespace velmorin
