#pragma once
// Process-wide values: filled once at start-up, read-only afterwards, so any
// thread may read them without a lock.
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace velmorin {

namespace fs = std::filesystem;

// Nord program-file extensions (lower case, no dot) and the model each belongs to.
inline const std::map<std::string, std::string> PROG_EXT = {
    {"ns2p", "Nord Stage 2"},   {"ns3f", "Nord Stage 3"},   {"ns4f", "Nord Stage 4"},
    {"ne5p", "Nord Electro 5"}, {"ne6p", "Nord Electro 6"}, {"ne7p", "Nord Electro 7"},
    {"nlsp", "Nord Lead"},      {"npno", "Nord Piano"},
};

struct Values {
  fs::path HOME;
  fs::path DESKTOP;    // the user's desktop folder (XDG), HOME/Desktop by default
  fs::path DOCUMENTS;
  fs::path DOWNLOADS;
  fs::path MUSIC;  // read by the library, not by the scan
  fs::path ICLOUD;      // HOME/Library/Mobile Documents/com~apple~CloudDocs
  fs::path EXPORT_DIR;  // DESKTOP/Para Velmorin

  // Where Nord Sound Manager may be installed: ".app" folders, then desktop entries.
  std::vector<fs::path> applicationFolders;
  std::vector<fs::path> desktopEntryFolders;

  // Where the page's settings last: the user's config folder, velmorin-sync/settings.json.
  fs::path settingsFile;

  // The names of the maker's pianos and samples by id (tab-separated); empty
  // when not found, and then no program names its piano or sample.
  fs::path soundsTable;

  // Root of the kernel's USB device listing.
  fs::path usbDevices = "/sys/bus/usb/devices";

  // The user's preferred language tags, most preferred first; asked afresh each time.
  std::function<std::vector<std::string>()> preferredLanguages;
};

// Values for a user whose home folder is `home`, every other folder at its default
// place beneath it, no system folders and English unless told otherwise.
Values valuesForHome(const fs::path& home);

// The values of the running process; set once by the entry point.
const Values& processValues();
void setProcessValues(Values values);

}  // namespace velmorin
