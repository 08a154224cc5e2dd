#pragma once
// The commands behind the dispatcher. Each takes the process values and its own
// arguments, keeps no state between calls and answers with a reply dictionary.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "vocabulary/json_text.h"
#include "vocabulary/values.h"

namespace velmorin {

// Machine, Nord Sound Manager and destination folders.
Reply info(const Values& values);

// Creates the export folder; always {"ok": true}.
Reply prepare(const Values& values);

// Whether a Nord keyboard is plugged in over USB.
Reply nord(const Values& values);

// The newest program list and the folder with the most program files of one model.
// `since` is in milliseconds since 1970; `dir` replaces the usual folders.
Reply scan(const Values& values, double since, const std::optional<std::string>& dir);

// Copies a list and one model's programs into the destination, with a dated archive.
Reply install(const Values& values, const Json& args);

// Packs a folder into DESKTOP/Velmorin.zip.
Reply zip(const Values& values, const std::string& path);

// Logical bytes of a file, or of every file beneath a folder (links not followed).
std::int64_t folderSize(const std::filesystem::path& location);

}  // namespace velmorin
