#include "vocabulary/json_text.h"

#include <algorithm>

namespace velmorin {

std::string compactJson(const Reply& reply) {
  return reply.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string prettyJson(const Reply& reply) {
  std::string text = reply.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
  // Outside strings JSON has no "/", so every one of them is inside a text.
  // Escaped in place, from the end: a long reply is not held twice.
  const auto slashes = static_cast<std::size_t>(std::count(text.begin(), text.end(), '/'));
  if (slashes == 0) return text;
  std::size_t from = text.size(), to = text.size() + slashes;
  text.resize(to);
  while (from > 0) {
    const char c = text[--from];
    text[--to] = c;
    if (c == '/') text[--to] = '\\';
  }
  return text;
}

std::optional<Reply> parseJson(const std::string& text) {
  Reply value = Reply::parse(text, nullptr, false);
  if (value.is_discarded()) return std::nullopt;
  return value;
}

std::optional<std::string> textMember(const Json& object, const char* key) {
  if (!object.is_object()) return std::nullopt;
  const auto it = object.find(key);
  if (it == object.end() || !it->is_string()) return std::nullopt;
  return it->get<std::string>();
}

}  // namespace velmorin
