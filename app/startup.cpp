#include "app/startup.h"

#include <string>
#include <system_error>
#include <vector>

namespace velmorin {

namespace {

// Beside an installed program (wherever its prefix went), the source tree's for
// a program still in its build folder, then the configured data folder.
fs::path dataFile(const std::string& name) {
  std::error_code ec;
  const fs::path exeDir = fs::read_symlink("/proc/self/exe", ec).parent_path();
  std::vector<fs::path> candidates;
  if (!exeDir.empty()) candidates.push_back(exeDir.parent_path() / "share/velmorin-sync" / name);
#if defined(VELMORIN_BUILD_DIR) && defined(VELMORIN_SOURCE_DATA_DIR)
  if (!exeDir.empty() && fs::equivalent(exeDir, VELMORIN_BUILD_DIR, ec)) candidates.push_back(fs::path(VELMORIN_SOURCE_DATA_DIR) / name);
#endif
#ifdef VELMORIN_INSTALLED_DATA_DIR
  candidates.push_back(fs::path(VELMORIN_INSTALLED_DATA_DIR) / name);
#endif
  for (const fs::path& candidate : candidates)
    if (fs::is_regular_file(candidate, ec)) return candidate;
  return {};
}

}  // namespace

Values valuesFromEnvironment(const platform::EnvLookup& env) {
  Values v;
  v.HOME = platform::homeFolder(env);
  v.DESKTOP = platform::userFolder(v.HOME, env, "XDG_DESKTOP_DIR", "Desktop");
  v.DOCUMENTS = platform::userFolder(v.HOME, env, "XDG_DOCUMENTS_DIR", "Documents");
  v.DOWNLOADS = platform::userFolder(v.HOME, env, "XDG_DOWNLOAD_DIR", "Downloads");
  v.MUSIC = platform::userFolder(v.HOME, env, "XDG_MUSIC_DIR", "Music");
  v.ICLOUD = v.HOME / "Library/Mobile Documents/com~apple~CloudDocs";
  v.EXPORT_DIR = v.DESKTOP / "Para Velmorin";
  v.applicationFolders = {"/Applications", v.HOME / "Applications"};
  v.desktopEntryFolders = platform::desktopEntryFolders(v.HOME, env);
  v.settingsFile = platform::configHome(v.HOME, env) / "velmorin-sync/settings.json";
  v.soundsTable = dataFile("nord-sounds.tsv");
  v.usbDevices = "/sys/bus/usb/devices";
  // The environment is read again at every call, as the language may be asked
  // from any thread at any time.
  v.preferredLanguages = [env] { return platform::preferredLanguageTags(env); };
  return v;
}

}  // namespace velmorin
