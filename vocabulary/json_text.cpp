#include "vocabulary/json_text.h"

namespace velmorin {

std::string compactJson(const Reply& reply) {
  return reply.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string prettyJson(const Reply& reply) {
  const std::string plain = reply.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
  // Outside strings JSON has no "/", so every one of them is inside a text.
  std::string text;
  text.reserve(plain.size() + plain.size() / 8);
  for (char c : plain) {
    if (c == '/') text += '\\';
    text += c;
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
