#pragma once
// The user's folders and languages as the Linux desktop defines them.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velmorin::platform {

namespace fs = std::filesystem;

// getenv or a stand-in: nullptr when the variable is not set.
using EnvLookup = std::function<const char*(const char*)>;
EnvLookup processEnvironment();

// $HOME when set and absolute, else the password database's entry.
fs::path homeFolder(const EnvLookup& env);

// $XDG_CONFIG_HOME when set and absolute, else home/.config.
fs::path configHome(const fs::path& home, const EnvLookup& env);

// A folder from $XDG_CONFIG_HOME/user-dirs.dirs (key such as "XDG_DESKTOP_DIR"),
// else home/fallbackName.
fs::path userFolder(const fs::path& home, const EnvLookup& env, std::string_view key,
                    std::string_view fallbackName);

// $XDG_DATA_HOME/applications then each $XDG_DATA_DIRS/applications.
std::vector<fs::path> desktopEntryFolders(const fs::path& home, const EnvLookup& env);

// "es_ES.UTF-8@euro" -> "es-ES"; "C" and "POSIX" -> "en".
std::string languageTagFromLocale(std::string_view locale);

// $LANGUAGE (a colon-separated list) when set and non-empty, else the first of
// LC_ALL, LC_MESSAGES, LANG that is set and non-empty; each as a language tag.
std::vector<std::string> preferredLanguageTags(const EnvLookup& env);

}  // namespace velmorin::platform
