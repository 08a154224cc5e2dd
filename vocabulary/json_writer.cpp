#include "vocabulary/json_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "platform/utf8.h"
#include "platform/verify.h"

namespace velmorin {

namespace {
// Pieces handed to a sink: big enough that the sink is seldom called.
constexpr std::size_t kPiece = 64 * 1024;

// Text that needs no escape at all: nothing below U+0020, no quote or
// backslash, and valid UTF-8 (which nlohmann passes through as it is).
bool plain(std::string_view text) {
  bool ascii = true;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || c == '"' || c == '\\') return false;
    ascii = ascii && byte < 0x80;
  }
  return ascii || platform::isValidUtf8(text);
}
}  // namespace

JsonWriter::JsonWriter(JsonStyle style) : style_(style) {}

JsonWriter::JsonWriter(JsonStyle style, Sink sink) : style_(style), sink_(std::move(sink)) { out_.reserve(kPiece * 2); }

void JsonWriter::lineBreak() {
  if (style_ != JsonStyle::Pretty) return;
  const std::size_t at = out_.size();
  out_.append(1 + 2 * open_.size(), ' ');
  out_[at] = '\n';
}

void JsonWriter::beforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (open_.empty()) return;  // the outermost value
  VERIFY(!open_.back().object);  // an object's value comes after its key
  if (!open_.back().empty) out_ += ',';
  open_.back().empty = false;
  lineBreak();
}

void JsonWriter::open(char bracket) {
  beforeValue();
  out_ += bracket;
  open_.push_back({.object = bracket == '{', .empty = true, .lastKey = {}});
}

void JsonWriter::close(char bracket) {
  VERIFY(!open_.empty() && !afterKey_);
  VERIFY(open_.back().object == (bracket == '}'));
  const bool wasEmpty = open_.back().empty;
  open_.pop_back();
  if (!wasEmpty) lineBreak();
  out_ += bracket;
  spill();
}

void JsonWriter::beginObject() { open('{'); }
void JsonWriter::endObject() { close('}'); }
void JsonWriter::beginArray() { open('['); }
void JsonWriter::endArray() { close(']'); }

void JsonWriter::key(std::string_view name) {
  VERIFY(!open_.empty() && open_.back().object && !afterKey_);
  Level& level = open_.back();
  VERIFY(level.empty || level.lastKey < name);
  if (!level.empty) out_ += ',';
  level.empty = false;
  level.lastKey = name;
  lineBreak();
  escaped(name);
  out_ += style_ == JsonStyle::Pretty ? ": " : ":";
  afterKey_ = true;
}

void JsonWriter::text(std::string_view value) {
  beforeValue();
  escaped(value);
}

void JsonWriter::escaped(std::string_view text) {
  // Most texts (every key) are plain ASCII with nothing to escape: one pass.
  const bool pretty = style_ == JsonStyle::Pretty;
  const bool asItIs = std::all_of(text.begin(), text.end(), [pretty](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x20 && byte < 0x80 && c != '"' && c != '\\' && !(pretty && c == '/');
  });
  if (asItIs) {
    out_ += '"';
    out_.append(text);
    out_ += '"';
    return spill();
  }
  const auto append = [&](std::string_view quoted) {
    if (style_ != JsonStyle::Pretty) return void(out_.append(quoted));
    // No escape nlohmann writes holds a "/", so each one is the text's own.
    for (auto slash = quoted.find('/'); slash != std::string_view::npos; slash = quoted.find('/')) {
      out_.append(quoted.substr(0, slash)).append("\\/");
      quoted.remove_prefix(slash + 1);
    }
    out_.append(quoted);
  };
  if (plain(text)) {
    out_ += '"';
    append(text);
    out_ += '"';
  } else {
    append(nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
  }
  spill();
}

void JsonWriter::number(std::int64_t value) {
  beforeValue();
  char digits[24];
  out_.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

void JsonWriter::number(std::uint64_t value) {
  beforeValue();
  char digits[24];
  out_.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

void JsonWriter::number(double value) {
  // Whole numbers of a common size (times in ms, sizes) the quick way, in
  // nlohmann's form ("12.0"); any other (and -0.0) through nlohmann itself.
  if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15 && !std::signbit(value)) {
    number(static_cast<std::int64_t>(value));
    out_ += ".0";
    return;
  }
  beforeValue();
  out_ += nlohmann::json(value).dump();
}

void JsonWriter::boolean(bool value) {
  beforeValue();
  out_ += value ? "true" : "false";
}

void JsonWriter::value(const nlohmann::json& value) {
  using Type = nlohmann::json::value_t;
  switch (value.type()) {
    case Type::object:
      beginObject();
      for (const auto& [name, member] : value.items()) {
        key(name);
        this->value(member);
      }
      return endObject();
    case Type::array:
      beginArray();
      for (const auto& element : value) this->value(element);
      return endArray();
    case Type::string:
      return text(value.get_ref<const std::string&>());
    case Type::number_integer:
      return number(value.get<std::int64_t>());
    case Type::number_unsigned:
      return number(value.get<std::uint64_t>());
    case Type::number_float:
      return number(value.get<double>());
    case Type::boolean:
      return boolean(value.get<bool>());
    default:  // null, and what has no JSON form of its own
      beforeValue();
      out_ += value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  }
}

JsonWriter JsonWriter::elements() const {
  VERIFY(!open_.empty() && !open_.back().object && !afterKey_);
  JsonWriter part(style_);
  part.open_ = open_;  // the same depth, for the same indent
  part.open_.back().empty = true;
  return part;
}

void JsonWriter::append(JsonWriter& elements) {
  VERIFY(!open_.empty() && !open_.back().object && !afterKey_);
  VERIFY(elements.open_.size() == open_.size() && !elements.afterKey_);
  if (elements.open_.back().empty) return;
  if (!open_.back().empty) out_ += ',';
  open_.back().empty = false;
  out_ += elements.out_;
  elements.out_.clear();
  elements.open_.back().empty = true;
  spill();
}

void JsonWriter::spill() {
  if (!sink_ || out_.size() < kPiece) return;
  sink_(out_);
  out_.clear();
}

std::string JsonWriter::finish() {
  VERIFY(open_.empty() && !afterKey_);
  if (!sink_) return std::move(out_);
  if (!out_.empty()) sink_(out_);
  out_.clear();
  return {};
}

}  // namespace velmorin
