#pragma once
// What a program sounds like, as the keyboard shows it: its settings by key
// ("A.piano.type"), in the order the layout lists them.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace velmorin::sounds {

// A switch, a number the keyboard shows as it is, or the text it shows.
using Value = std::variant<bool, std::int64_t, std::string>;

struct Field {
  std::string key;
  Value value;
};

using Sheet = std::vector<Field>;

// The value under `key`, or nothing.
const Value* find(const Sheet& sheet, std::string_view key);

// The text under `key`; "" when it is missing or not text.
std::string textAt(const Sheet& sheet, std::string_view key);
// The same of a value found already; "" for none.
std::string textOf(const Value* value);

// Whether the switch under `key` is on; false when missing.
bool isOn(const Sheet& sheet, std::string_view key);
// The same of a value found already; false for none.
bool isOn(const Value* value);

}  // namespace velmorin::sounds
