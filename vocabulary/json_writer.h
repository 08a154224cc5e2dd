#pragma once
// Writes JSON text as it is made, member by member, without a JSON tree: a
// list of many thousand entries costs several times its text's size as one.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace velmorin {

enum class JsonStyle {
  Compact,  // no spaces or line breaks
  Pretty,   // the self-test's form: 2-space indent, every "/" in a text as "\/"
};

// Texts are escaped as nlohmann's dump() does, invalid UTF-8 replaced by
// U+FFFD, so a value written here reads exactly as its dump() does. The caller
// writes an object's keys in sorted order.
class JsonWriter {
 public:
  using Sink = std::function<void(std::string_view)>;

  // Keeps the whole text, for finish() to return.
  explicit JsonWriter(JsonStyle style);
  // Hands the text to `sink` in pieces and keeps only the latest.
  JsonWriter(JsonStyle style, Sink sink);

  void beginObject();
  void endObject();
  void beginArray();
  void endArray();
  void key(std::string_view name);
  void text(std::string_view value);
  void number(std::int64_t value);
  void number(std::uint64_t value);
  void number(int value) { number(static_cast<std::int64_t>(value)); }
  void number(double value);
  void boolean(bool value);
  // Any value of a JSON tree, objects in their own (sorted) key order.
  void value(const nlohmann::json& value);

  // Hands over what is left: the whole text without a sink, "" with one.
  std::string finish();

 private:
  void beforeValue();
  void open(char bracket);
  void close(char bracket);
  void lineBreak();
  void escaped(std::string_view text);
  void spill();

  JsonStyle style_;
  Sink sink_;
  std::string out_;
  std::vector<bool> empty_;  // per open object or array: nothing in it yet
  bool afterKey_ = false;
};

}  // namespace velmorin
