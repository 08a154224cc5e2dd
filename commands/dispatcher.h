#pragma once
// The one entry into the commands: a name and its arguments in, a reply out.
#include <string>

#include "vocabulary/json_text.h"
#include "vocabulary/values.h"

namespace velmorin {

// Runs command `cmd` with the argument dictionary `args` against `values`.
// Never throws; every outcome is a reply dictionary ({"error": "cmd"} for an
// unknown name). Safe to call from several threads at once.
Reply work(const Values& values, const std::string& cmd, const Json& args);

}  // namespace velmorin
