#pragma once
#include <optional>
#include <string>
#include <vector>

#include "vocabulary/values.h"

namespace velmorin {

// The folders a scan starts from, as absolute paths without a trailing "/":
// `dir` alone when given (relative to the current folder), else the export
// folder, the Desktop, Documents and Downloads.
std::vector<std::string> scanRoots(const Values& values, const std::optional<std::string>& dir);

}  // namespace velmorin
