#include "commands/nsm.h"

#include <fstream>
#include <string_view>
#include <system_error>
#include <vector>

#include "commands/numeric_compare.h"
#include "platform/folder_reader.h"

namespace velmorin {

namespace {

constexpr std::string_view kPrefix = "Nord Sound Manager";
constexpr int kMaxEntryDepth = 6;  // Wine nests entries a few folders down

struct Candidate {
  NsmApp app;
  std::string key;  // what the numeric comparison looks at
};

std::vector<std::string> entryNames(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  platform::UniqueFd fd(platform::openFolderAt(AT_FDCWD, folder.c_str(), true));
  std::vector<platform::FolderEntry> entries;
  if (fd.valid() && platform::readFolder(fd.get(), entries))
    for (auto& entry : entries) names.push_back(std::move(entry.name));
  return names;
}

// The Name= of the [Desktop Entry] group (the untranslated one).
std::string desktopEntryName(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::string line;
  bool inMainGroup = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.starts_with("[")) {
      inMainGroup = line == "[Desktop Entry]";
    } else if (inMainGroup && line.starts_with("Name")) {
      std::string_view rest(line);
      rest.remove_prefix(4);
      const auto start = rest.find_first_not_of(' ');
      if (start != std::string_view::npos && rest[start] == '=') {
        rest.remove_prefix(start + 1);
        const auto first = rest.find_first_not_of(' ');
        return first == std::string_view::npos ? std::string() : std::string(rest.substr(first));
      }
    }
  }
  return {};
}

void addAppBundles(const std::filesystem::path& folder, std::vector<Candidate>& out) {
  for (const std::string& name : entryNames(folder)) {
    if (!name.starts_with(kPrefix) || !name.ends_with(".app")) continue;
    const auto dot = name.rfind('.');
    out.push_back({{folder / name, name.substr(0, dot), false}, name});
  }
}

void addDesktopEntries(const std::filesystem::path& folder, int depth, std::vector<Candidate>& out) {
  if (depth > kMaxEntryDepth) return;
  for (const std::string& name : entryNames(folder)) {
    const std::filesystem::path path = folder / name;
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(path, ec);
    if (ec) continue;
    if (std::filesystem::is_directory(status)) {
      addDesktopEntries(path, depth + 1, out);
      continue;
    }
    if (!name.ends_with(".desktop")) continue;
    const std::string displayName = desktopEntryName(path);
    if (!name.starts_with(kPrefix) && !displayName.starts_with(kPrefix)) continue;
    const std::string shown = displayName.empty() ? name.substr(0, name.size() - 8) : displayName;
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
