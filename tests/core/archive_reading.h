#pragma once
// Reads archives back with an independent tool, unzip.
#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_tree.h"

namespace velmorin::testing {

// The archive's entry names, sorted; empty when unzip cannot read it.
inline std::vector<std::string> archiveEntries(const fs::path& archive) {
  int status = 0;
  const std::string listing = commandOutput("unzip -Z1 " + shellQuote(archive.string()) + " 2>/dev/null", &status);
  std::vector<std::string> names;
  if (status != 0) return names;
  std::istringstream lines(listing);
  for (std::string line; std::getline(lines, line);) names.push_back(line);
  std::sort(names.begin(), names.end());
  return names;
}

// True when unzip checks every entry's data without error.
inline bool archiveIsIntact(const fs::path& archive) {
  int status = -1;
  commandOutput("unzip -tq " + shellQuote(archive.string()) + " >/dev/null 2>&1", &status);
  return status == 0;
}

inline std::string archiveMember(const fs::path& archive, const std::string& name) {
  return commandOutput("unzip -p " + shellQuote(archive.string()) + " " + shellQuote(name) + " 2>/dev/null");
}

}  // namespace velmorin::testing
