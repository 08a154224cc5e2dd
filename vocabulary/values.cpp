#include "vocabulary/values.h"

#include <memory>

namespace velmorin {

Values valuesForHome(const fs::path& home) {
  Values v;
  v.HOME = home;
  v.DESKTOP = home / "Desktop";
  v.DOCUMENTS = home / "Documents";
  v.DOWNLOADS = home / "Downloads";
  v.MUSIC = home / "Music";
  v.ICLOUD = home / "Library/Mobile Documents/com~apple~CloudDocs";
  v.EXPORT_DIR = v.DESKTOP / "Para Velmorin";
  v.applicationFolders = {home / "Applications"};
  v.desktopEntryFolders = {home / ".local/share/applications"};
  v.settingsFile = home / ".config/velmorin-sync/settings.json";
  v.usbDevices = home / "sys/bus/usb/devices";
  v.preferredLanguages = [] { return std::vector<std::string>{"en-US"}; };
  return v;
}

namespace {
std::unique_ptr<const Values>& slot() {
  static std::unique_ptr<const Values> values;
  return values;
}
}  // namespace

const Values& processValues() {
  if (!slot()) slot() = std::make_unique<const Values>();
  return *slot();
}

void setProcessValues(Values values) { slot() = std::make_unique<const Values>(std::move(values)); }

}  // namespace velmorin
