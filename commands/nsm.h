#pragma once
// Finding Nord Sound Manager among the installed applications.
#include <filesystem>
#include <optional>
#include <string>

#include "vocabulary/values.h"

namespace velmorin {

struct NsmApp {
  std::filesystem::path location;  // the ".app" folder or the ".desktop" file
  std::string name;                // what to show: the ".app" name without extension, or the entry's Name=
  bool desktopEntry = false;       // true for a freedesktop desktop entry
};

// The best copy found, or nothing when it is not installed.
std::optional<NsmApp> findNSM(const Values& values);

}  // namespace velmorin
