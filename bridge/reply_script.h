#pragma once
// The script texts that hand a reply, or an event, to the page.
#include <cstdint>
#include <string>

#include "vocabulary/json_text.h"

namespace velmorin::bridge {

// window.__vlReply(<id>, ["<compact reply JSON as a string>"][0])
// The reply is serialised twice so the page receives it as text and parses it
// itself. The whole script is ASCII: anything else is written as \u escapes.
std::string replyScript(std::int64_t id, const Reply& reply);
// The same for a reply already written as compact JSON text.
std::string replyScript(std::int64_t id, const std::string& compactReply);

// window.__vlEvent(<event as a JSON object>), for news that answers no request;
// a page without that function is left alone. ASCII too.
std::string eventScript(const Reply& event);

// window.__vlProgress(<id>, <progress as a JSON object>), for how far a
// command has come; a page without that function is left alone. ASCII too.
std::string progressScript(std::int64_t id, const Reply& progress);

}  // namespace velmorin::bridge
