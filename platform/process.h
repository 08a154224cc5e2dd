#pragma once
// Starting external programs.
#include <string>
#include <vector>

namespace velmorin::platform {

// Starts `program` with `arguments` (no shell; the child inherits our standard
// streams, environment and folder) and waits for it. Returns its exit status,
// 128 + the signal number when a signal ended it, or -1 when it cannot start.
int run(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace velmorin::platform
