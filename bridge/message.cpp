#include "bridge/message.h"

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace velmorin::bridge {

namespace {

// Script numbers arrive as JSON numbers; 3, -3 and 3.0 are whole, 3.5 and 1e300 are not.
std::optional<std::int64_t> wholeNumber(const Reply& value) {
  if (value.is_number_integer()) {
    if (value.is_number_unsigned()) {
      const auto u = value.get<std::uint64_t>();
      if (u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return std::nullopt;
      return static_cast<std::int64_t>(u);
    }
    return value.get<std::int64_t>();
  }
  if (value.is_number_float()) {
    const double d = value.get<double>();
    // 2^63 is exactly representable; anything at or above it does not fit.
    if (!std::isfinite(d) || d != std::trunc(d) || d < -9223372036854775808.0 || d >= 9223372036854775808.0)
      return std::nullopt;
    return static_cast<std::int64_t>(d);
  }
  return std::nullopt;
}

// True when `value` holds containers nested more than `limit` deep. Walked with
// a list of its own rather than by recursion, so any depth can be measured.
bool deeperThan(const Reply& value, int limit) {
  std::vector<std::pair<const Reply*, int>> pending{{&value, 0}};
  while (!pending.empty()) {
    const auto [node, depth] = pending.back();
    pending.pop_back();
    if (!node->is_structured()) continue;
    if (depth >= limit) return true;
    for (const auto& child : *node) pending.emplace_back(&child, depth + 1);
  }
  return false;
}

}  // namespace

std::optional<Message> readMessage(const Reply& body) {
  if (!body.is_object()) return std::nullopt;
  const auto cmd = body.find("cmd");
  if (cmd == body.end() || !cmd->is_string()) return std::nullopt;
  const auto idValue = body.find("id");
  if (idValue == body.end()) return std::nullopt;
  const auto id = wholeNumber(*idValue);
  if (!id) return std::nullopt;

  Message message;
  message.cmd = cmd->get<std::string>();
  message.id = *id;
  const auto args = body.find("args");
  // Copying and printing values recurse, so arguments nested deeper than any
  // command reads count as arguments of the wrong type.
  if (args != body.end() && args->is_object() && !deeperThan(*args, kMaxArgsDepth)) message.args = *args;
  return message;
}

std::optional<Message> readMessage(const std::string& bodyJson) {
  // Containers below the depth that arguments may have are left out while
  // parsing, so a hostile body never becomes a value too deep to copy or free.
  std::string topKey;     // the body's key whose value is being read
  bool argsCut = false;   // something inside "args" was left out
  const auto keepShallow = [&](int depth, Reply::parse_event_t event, Reply& parsed) {
    if (event == Reply::parse_event_t::key && depth == 1) topKey = parsed.get<std::string>();
    if ((event == Reply::parse_event_t::object_start || event == Reply::parse_event_t::array_start) &&
        depth > kMaxArgsDepth) {
      argsCut = argsCut || topKey == "args";
      return false;
    }
    return true;
  };
  Reply body = Reply::parse(bodyJson, keepShallow, false);
  if (body.is_discarded()) return std::nullopt;
  // "args" cut short counts as missing rather than as the part that was kept;
  // a cut anywhere else fell in a key that nobody reads, or left "cmd" or "id"
  // a container, which drops the message anyway.
  if (argsCut && body.is_object()) body.erase("args");
  return readMessage(body);
}

}  // namespace velmorin::bridge
