#pragma once
// The shape of a message the page posts: {"cmd": text, "id": whole number, "args": {...}}.
#include <cstdint>
#include <optional>
#include <string>

#include "vocabulary/json_text.h"

namespace velmorin::bridge {

struct Message {
  std::string cmd;
  std::int64_t id = 0;
  Reply args = Reply::object();  // an empty dictionary when missing or not a dictionary
};

// Deepest nesting of containers inside "args" that is taken; real requests
// hold paths and flags two levels deep at most.
inline constexpr int kMaxArgsDepth = 32;

// Nothing when the body is not a dictionary, "cmd" is not text or "id" is not a
// whole number that fits in 64 bits. "args" nested deeper than kMaxArgsDepth
// counts as missing.
std::optional<Message> readMessage(const Reply& body);

// The same for the JSON text of a body; nothing when it is not JSON.
std::optional<Message> readMessage(const std::string& bodyJson);

}  // namespace velmorin::bridge
