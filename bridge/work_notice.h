#pragma once
// What the desktop is told when a long install, zip or library read ends while
// the user is in another window: the words are the command table's.
#include <chrono>
#include <optional>
#include <string>

#include "vocabulary/json_text.h"

namespace velmorin::bridge {

struct WorkNotice {
  std::string title;
  std::string body;
};

// Work that ends sooner is still in front of the user.
inline constexpr std::chrono::seconds kNoticeAfter{10};

// The notice for `cmd`'s `reply`, in the user's language; nothing for commands
// without a notice in the command table, and for work the user cancelled (they know).
std::optional<WorkNotice> workNotice(const std::string& cmd, const Reply& reply, bool spanish);

}  // namespace velmorin::bridge
