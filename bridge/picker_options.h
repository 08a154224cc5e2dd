#pragma once
// What the folder chooser shows for a request: chosen here, shown by the platform.
#include <filesystem>
#include <optional>
#include <string>

#include "vocabulary/json_text.h"

namespace velmorin::bridge {

struct PickerOptions {
  std::string title;        // the message for the kind, in the interface language
  std::string acceptLabel;  // "Choose" / "Elegir"
  std::optional<std::filesystem::path> startFolder;
};

// `kind` is compared exactly: "dest", "zip", "list", "setList", anything else means the programs
// folder. `icloud` is the iCloud Drive path when something exists there.
PickerOptions pickerOptions(const std::string& kind, bool spanish,
                            const std::optional<std::filesystem::path>& icloud);

// {"path": folder without a trailing "/"} or, for nothing or an empty text,
// {"cancel": true}; a path that is not UTF-8 gives {"error": a sentence in the
// interface language}.
Reply pickerReply(const std::optional<std::string>& chosenFolder, bool spanish = false);

}  // namespace velmorin::bridge
