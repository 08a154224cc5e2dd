#include "vocabulary/json_text.h"

#include "vocabulary/json_writer.h"

namespace velmorin {

std::string compactJson(const Reply& reply) {
  JsonWriter writer(JsonStyle::Compact);
  writer.value(reply);
  return writer.finish();
}

std::string prettyJson(const Reply& reply) {
  JsonWriter writer(JsonStyle::Pretty);
  writer.value(reply);
  return writer.finish();
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
