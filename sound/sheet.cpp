#include "sound/sheet.h"

namespace velmorin::sounds {

const Value* find(const Sheet& sheet, std::string_view key) {
  for (const Field& field : sheet)
    if (field.key == key) return &field.value;
  return nullptr;
}

std::string textAt(const Sheet& sheet, std::string_view key) {
  const Value* value = find(sheet, key);
  const auto* text = value ? std::get_if<std::string>(value) : nullptr;
  return text ? *text : std::string();
}

bool isOn(const Sheet& sheet, std::string_view key) {
  const Value* value = find(sheet, key);
  const auto* on = value ? std::get_if<bool>(value) : nullptr;
  return on && *on;
}

}  // namespace velmorin::sounds
