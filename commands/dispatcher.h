#pragma once
// The one entry into the commands: a name and its arguments in, a reply out.
#include <string>

#include "vocabulary/json_text.h"
#include "vocabulary/long_reply.h"
#include "vocabulary/values.h"
#include "platform/work_control.h"

namespace velmorin {

// Runs command `cmd` with the argument dictionary `args` against `values`.
// Never throws; every outcome is a reply dictionary ({"error": "cmd"} for an
// unknown name). Safe to call from several threads at once. A `control` can
// stop the long commands and hears their progress.
Reply work(const Values& values, const std::string& cmd, const Json& args, platform::WorkControl* control = nullptr);

// As work(), for callers that turn the reply into text: a long list (the
// library's) stays out of the JSON tree, to be written straight to text.
LongReply workLong(const Values& values, const std::string& cmd, const Json& args,
                   platform::WorkControl* control = nullptr);

}  // namespace velmorin
