#pragma once
// The folders an install takes programs from: the program folder itself and,
// for a pack whose banks are subfolders, those subfolders. The preview, the
// copy, its progress and its check all walk them the same way.
#include <functional>
#include <string>

#include "commands/install_plan.h"
#include "platform/folder.h"
#include "platform/status.h"
#include "platform/work_control.h"

namespace velmorin {

// Calls `visit` for the program folder (relative path "") and, when the plan
// takes subfolders, for each subfolder below it, parents before children and
// siblings in name order. Subfolders that are hidden, packages, copied whole
// (their name has the extension), links or the destination are not entered,
// nor any deeper than kMaxBankDepth. A subfolder that cannot be read is
// passed over; the program folder itself must be readable.
inline constexpr int kMaxBankDepth = 4;
Status forEachSourceFolder(const InstallPlan& plan,
                           const std::function<Status(const std::string& relative, const platform::Folder& folder)>& visit,
                           const platform::WorkControl* control);

// "relative/name", or `name` at the top.
std::string relativeChild(const std::string& relative, const std::string& name);

}  // namespace velmorin
