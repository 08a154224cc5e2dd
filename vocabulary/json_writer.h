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
// U+FFFD, so a value written here reads exactly as its dump() does: an
// object's keys come in sorted order. The writer verifies that order, that
// every value in an object follows its key and that each end matches its
// begin; a caller that breaks them stops the process rather than send a
// reply that reads differently from the same dictionary's dump().
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

  // A writer, without a sink, for more elements of the array open here: what
  // it writes reads as if written here, once append() adds it. Another
  // thread may write with it meanwhile, so long lists are written by two.
  JsonWriter elements() const;
  // Adds what a writer from elements() wrote, as the next elements, and
  // empties it for more: its memory is used again.
  void append(JsonWriter& elements);

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
  // Per open object or array: which it is, whether it has nothing in it yet
  // and, in an object, the latest key.
  struct Level {
    bool object = false;
    bool empty = true;
    std::string lastKey;
  };
  std::vector<Level> open_;
  bool afterKey_ = false;
};

}  // namespace velmorin
