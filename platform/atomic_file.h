#pragma once
// Small files that must be whole or not there: written under a draft name,
// synced, then renamed into place.
#include <filesystem>
#include <string>

#include "platform/status.h"

namespace velmorin::platform {

// Makes `folder`/`name` hold exactly `text`, through the draft `draftName` in
// the same folder: after a crash the file holds the old text or the new one.
// On failure the draft is removed and the text names `folder`/`name`.
Status writeFileAtomically(const std::filesystem::path& folder, const std::string& name, const std::string& draftName,
                           const std::string& text);

// The same for a file that must not replace anything: when `folder`/`name`
// already exists nothing is written and the failure's code is EEXIST, so the
// caller can try another name. The file is readable by others, as any the
// user saves (0666 less the umask).
Status writeNewFileAtomically(const std::filesystem::path& folder, const std::string& name,
                              const std::string& draftName, const std::string& text);

}  // namespace velmorin::platform
