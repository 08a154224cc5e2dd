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
  // The parser keeps its own list rather than recursing: a container too
  // deep is left out as it is met, never built, and the whole text refused.
  bool tooDeep = false;
  const auto shallow = [&](int depth, Reply::parse_event_t event, Reply&) {
    if ((event == Reply::parse_event_t::object_start || event == Reply::parse_event_t::array_start) &&
        depth >= kMaxJsonLevels) {
      tooDeep = true;
      return false;
    }
    return true;
  };
  Reply value = Reply::parse(text, shallow, false);
  if (value.is_discarded() || tooDeep) return std::nullopt;
  return value;
}

std::optional<std::string> textMember(const Json& object, const char* key) {
  if (!object.is_object()) return std::nullopt;
  const auto it = object.find(key);
  if (it == object.end() || !it->is_string()) return std::nullopt;
  return it->get<std::string>();
}

}  // namespace velmorin
