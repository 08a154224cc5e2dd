#pragma once
// Reads a reply call back the way the page does: the id, then the array
// literal's one string, parsed as JSON.
#include <cstdint>
#include <optional>
#include <string>

#include "vocabulary/json_text.h"

namespace velmorin::bridge::testing {

struct ReplyCall {
  std::int64_t id = 0;
  std::string innerText;
  Reply reply;
};

inline std::optional<ReplyCall> readReplyCall(const std::string& script) {
  const std::string head = "window.__vlReply(";
  const std::string tail = "[0])";
  if (!script.starts_with(head) || !script.ends_with(tail)) return std::nullopt;
  const auto comma = script.find(", ", head.size());
  if (comma == std::string::npos) return std::nullopt;
  ReplyCall call;
  try {
    std::size_t used = 0;
    const std::string idText = script.substr(head.size(), comma - head.size());
    call.id = std::stoll(idText, &used);
    if (used != idText.size()) return std::nullopt;
    const auto array = nlohmann::json::parse(script.substr(comma + 2, script.size() - comma - 2 - tail.size()));
    if (!array.is_array() || array.size() != 1 || !array[0].is_string()) return std::nullopt;
    call.innerText = array[0].get<std::string>();
    call.reply = nlohmann::json::parse(call.innerText);
  } catch (...) {
    return std::nullopt;
  }
  return call;
}

}  // namespace velmorin::bridge::testing
