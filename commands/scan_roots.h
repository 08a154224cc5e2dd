#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vocabulary/values.h"

namespace velmorin {

// The folders a scan starts from, as absolute paths without a trailing "/":
// `dir` alone when given (relative to the current folder), else the export
// folder, the Desktop, Documents and Downloads.
std::vector<std::string> scanRoots(const Values& values, const std::optional<std::string>& dir);

// The library's: the scan's, and the Music folder, where many keep their sounds.
std::vector<std::string> libraryRoots(const Values& values, const std::optional<std::string>& dir);

// Whether a folder with this extension (lower case) is a package the walks
// never enter: applications, photo and music libraries, projects.
bool isPackageFolder(std::string_view extension);

}  // namespace velmorin
