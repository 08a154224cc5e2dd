#pragma once
#include <ostream>
#include <string>

#include "vocabulary/values.h"

namespace velmorin {

// Runs "info", "nord", "scan" of `scanFolder` and "install" of what it found
// into `destFolder`, printing each reply. Always returns exit status 0.
int runSelfTest(const Values& values, const std::string& scanFolder, const std::string& destFolder,
                std::ostream& out);

}  // namespace velmorin
