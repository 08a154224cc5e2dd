#pragma once
// What the folder chooser shows for a request: chosen here, shown by the platform.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "vocabulary/json_text.h"

namespace velmorin::bridge {

struct PickerOptions {
  std::string title;        // the message for the kind, in the interface language
  std::string acceptLabel;  // "Choose" / "Elegir"
  std::optional<std::filesystem::path> startFolder;
  bool saveFile = false;                // a file to save, not a folder to choose
  std::string fileName{};               // with saveFile: the name proposed
  bool openFile = false;                // an existing file to open, not a folder
  std::string filterName{};             // with openFile: what the files offered are
  std::vector<std::string> patterns{};  // with openFile: the names offered ("*.ns3b")
};

// `kind` is compared exactly: "dest", "zip", "list", "setList", "restore", "backup" (a backup file
// to open), anything else means the programs folder. `icloud` is the iCloud Drive path when
// something exists there.
PickerOptions pickerOptions(const std::string& kind, bool spanish,
                            const std::optional<std::filesystem::path>& icloud);

// The save dialog of the set list, proposing "Set list <today>.csv".
PickerOptions setListSaveOptions(bool spanish);

// {"path": folder without a trailing "/"} or, for nothing or an empty text,
// {"cancel": true}; a path that is not UTF-8 gives {"error": a sentence in the
// interface language}. `mustWrite` (a destination): a folder that cannot be
// written is refused now, {"ok": false, "error", "code"}, not at install time.
Reply pickerReply(const std::optional<std::string>& chosenFolder, bool spanish = false, bool mustWrite = false);

// The save dialog's answer: {"path", "replace"} where "replace" says a file was
// there, which the dialog had the user confirm; {"cancel": true}; or an error.
Reply saveFileReply(const std::optional<std::string>& chosenFile, bool spanish = false);

}  // namespace velmorin::bridge
