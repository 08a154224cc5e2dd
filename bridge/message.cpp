#include "bridge/message.h"

#include <cmath>
#include <limits>

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
  if (args != body.end() && args->is_object()) message.args = *args;
  return message;
}

std::optional<Message> readMessage(const std::string& bodyJson) {
  bool ok = false;
  const Reply body = parseJson(bodyJson, ok);
  if (!ok) return std::nullopt;
  return readMessage(body);
}

}  // namespace velmorin::bridge
