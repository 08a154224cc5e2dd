#include "sound/sheet.h"

namespace velmorin::sounds {

const Value* find(const Sheet& sheet, std::string_view key) {
  for (const Field& field : sheet)
    if (field.key == key) return &field.value;
  return nullptr;
}

std::string textOf(const Value* value) {
  const auto* text = value ? std::get_if<std::string>(value) : nullptr;
  return text ? *text : std::string();
}

std::string textAt(const Sheet& sheet, std::string_view key) { return textOf(find(sheet, key)); }

bool isOn(const Value* value) {
  const auto* on = value ? std::get_if<bool>(value) : nullptr;
  return on && *on;
}

bool isOn(const Sheet& sheet, std::string_view key) { return isOn(find(sheet, key)); }

}  // namespace velmorin::sounds
