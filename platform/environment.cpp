#include "platform/environment.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "platform/paths.h"

namespace velmorin::platform {

EnvLookup processEnvironment() {
  return [](const char* name) -> const char* { return std::getenv(name); };
}

namespace {
std::string variableOrEmpty(const EnvLookup& env, const char* name) {
  const char* value = env(name);
  return value ? std::string(value) : std::string();
}
}  // namespace

fs::path configHome(const fs::path& home, const EnvLookup& env) {
  fs::path dir = variableOrEmpty(env, "XDG_CONFIG_HOME");
  return dir.is_absolute() ? dir : home / ".config";
}

fs::path homeFolder(const EnvLookup& env) {
  // Tidied ("/home/ana//" is "/home/ana"), so that every path built on it is too.
  fs::path home = variableOrEmpty(env, "HOME");
  if (home.is_absolute()) return absolutePath(home.string());
  if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir && entry->pw_dir[0] == '/')
    return absolutePath(entry->pw_dir);
  return "/";
}

fs::path userFolder(const fs::path& home, const EnvLookup& env, std::string_view key,
                    std::string_view fallbackName) {
  std::ifstream file(configHome(home, env) / "user-dirs.dirs");
  std::string line;
  fs::path found;
  // Lines look like XDG_DESKTOP_DIR="$HOME/Escritorio"; the last definition counts.
  while (std::getline(file, line)) {
    const auto start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') continue;
    std::string_view rest(line);
    rest.remove_prefix(start);
    if (!rest.starts_with(key) || rest.substr(key.size()).find('=') != 0) continue;
    rest.remove_prefix(key.size() + 1);
    if (rest.size() < 2 || rest.front() != '"') continue;
    const auto close = rest.find('"', 1);
    if (close == std::string_view::npos) continue;
    std::string value(rest.substr(1, close - 1));
    if (value.starts_with("$HOME")) {
      found = home.string() + value.substr(5);
    } else if (!value.empty() && value.front() == '/') {
      found = value;
    }
  }
  if (!found.empty()) return absolutePath(found.string());
  return home / fallbackName;
}

std::vector<fs::path> desktopEntryFolders(const fs::path& home, const EnvLookup& env) {
  std::vector<fs::path> folders;
  fs::path dataHome = variableOrEmpty(env, "XDG_DATA_HOME");
  folders.push_back((dataHome.is_absolute() ? dataHome : home / ".local/share") / "applications");
  std::string dirs = variableOrEmpty(env, "XDG_DATA_DIRS");
  if (dirs.empty()) dirs = "/usr/local/share:/usr/share";
  std::string::size_type from = 0;
  while (from <= dirs.size()) {
    auto to = dirs.find(':', from);
    if (to == std::string::npos) to = dirs.size();
    fs::path dir = dirs.substr(from, to - from);
    if (dir.is_absolute()) folders.push_back(dir / "applications");
    from = to + 1;
  }
  return folders;
}

std::string languageTagFromLocale(std::string_view locale) {
  const auto cut = locale.find_first_of(".@");
  std::string tag(locale.substr(0, cut));
  if (tag == "C" || tag == "POSIX") return "en";
  for (char& c : tag)
    if (c == '_') c = '-';
  return tag;
}

std::vector<std::string> preferredLanguageTags(const EnvLookup& env) {
  std::vector<std::string> tags;
  const std::string list = variableOrEmpty(env, "LANGUAGE");
  if (!list.empty()) {
    std::string::size_type from = 0;
    while (from <= list.size()) {
      auto to = list.find(':', from);
      if (to == std::string::npos) to = list.size();
      if (to > from) {
        std::string tag = languageTagFromLocale(std::string_view(list).substr(from, to - from));
        if (!tag.empty()) tags.push_back(tag);
      }
      from = to + 1;
    }
    return tags;
  }
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const std::string value = variableOrEmpty(env, name);
    if (value.empty()) continue;
    std::string tag = languageTagFromLocale(value);
    if (!tag.empty()) tags.push_back(tag);
    break;
  }
  return tags;
}

}  // namespace velmorin::platform
