#pragma once
// Whether two files hold the same bytes, read side by side.
#include <filesystem>
#include <string_view>

#include "platform/status.h"
#include "platform/work_control.h"

namespace velmorin::platform {

// True when the regular files `a` and `b` (links followed) have the same
// length and content. Stops at the first difference; `control` hears of the
// bytes compared and may stop the comparison (Status::cancelled()).
StatusOr<bool> sameContent(const std::filesystem::path& a, const std::filesystem::path& b,
                           WorkControl* control = nullptr);

// True when the regular file `file` (a link followed) holds exactly `bytes`:
// for a copy already read, its source read once beside it.
StatusOr<bool> holds(const std::filesystem::path& file, std::string_view bytes, WorkControl* control = nullptr);

// True when the regular file `file` (a link followed) begins with `bytes`.
StatusOr<bool> beginsWith(const std::filesystem::path& file, std::string_view bytes);

}  // namespace velmorin::platform
