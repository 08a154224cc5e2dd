#include "app/startup.h"

namespace velmorin {

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
  v.usbDevices = "/sys/bus/usb/devices";
  // The environment is read again at every call, as the language may be asked
  // from any thread at any time.
  v.preferredLanguages = [env] { return platform::preferredLanguageTags(env); };
  return v;
}

}  // namespace velmorin
