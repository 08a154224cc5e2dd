#pragma once
// The script text that hands a reply to the page.
#include <cstdint>
#include <string>

#include "app/json_text.h"

namespace velmorin::bridge {

// window.__vlReply(<id>, ["<compact reply JSON as a string>"][0])
// The reply is serialised twice so the page receives it as text and parses it
// itself. The whole script is ASCII: anything else is written as \u escapes.
std::string replyScript(std::int64_t id, const Reply& reply);

}  // namespace velmorin::bridge
