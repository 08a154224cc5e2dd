#pragma once
// Turning reply dictionaries into text, always valid JSON, and reading them.
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace velmorin {

// Any JSON value, such as a command's arguments.
using Json = nlohmann::json;

// A command's reply: a string-keyed dictionary of JSON values (keys kept sorted).
using Reply = Json;

// Compact JSON; text that is not valid UTF-8 has the bad bytes replaced by U+FFFD.
std::string compactJson(const Reply& reply);

// The self-test's form: 2-space indent, sorted keys, non-ASCII as UTF-8 and
// every "/" inside a text written as "\/".
std::string prettyJson(const Reply& reply);

// The text under `key` of a dictionary; nothing when `object` is not a
// dictionary or the value is missing or not text.
std::optional<std::string> textMember(const Json& object, const char* key);

// Containers nested deeper than this are refused by parseJson: copying,
// printing and freeing a value recurse, so a deep one would overflow the stack.
inline constexpr int kMaxJsonLevels = 32;

// Parses `text` as JSON; nothing when it is not JSON or nests containers
// more than kMaxJsonLevels deep (the outermost is the first level).
std::optional<Reply> parseJson(const std::string& text);

}  // namespace velmorin
