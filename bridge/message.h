#pragma once
// The shape of a message the page posts: {"cmd": text, "id": whole number, "args": {...}}.
#include <cstdint>
#include <optional>
#include <string>

#include "app/json_text.h"

namespace velmorin::bridge {

struct Message {
  std::string cmd;
  std::int64_t id = 0;
  Reply args = Reply::object();  // an empty dictionary when missing or not a dictionary
};

// Nothing when the body is not a dictionary, "cmd" is not text or "id" is not a
// whole number that fits in 64 bits.
std::optional<Message> readMessage(const Reply& body);

// The same for the JSON text of a body; nothing when it is not JSON.
std::optional<Message> readMessage(const std::string& bodyJson);

}  // namespace velmorin::bridge
