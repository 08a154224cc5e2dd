#include "commands/bundle_meta.h"

#include <charconv>
#include <map>
#include <optional>
#include <utility>

#include "vocabulary/text.h"

namespace velmorin {

namespace {

constexpr int kMaxDepth = 32;
constexpr std::size_t kMaxElements = 50'000;

struct Element {
  std::string name;
  std::vector<std::pair<std::string, std::string>> attributes;
  std::vector<Element> children;
  std::string text;
};

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool isNameChar(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == ':' || c == '-' || c == '.';
}

void appendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | code >> 6), out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | code >> 12), out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | code >> 18), out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F)), out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  std::optional<Element> document() {
    if (text_.starts_with("\xEF\xBB\xBF")) at_ = 3;
    if (!skipMisc()) return std::nullopt;
    auto root = parseElement(1);
    if (!root || !skipMisc() || at_ != text_.size()) return std::nullopt;
    return root;
  }

 private:
  bool startsWith(std::string_view what) const { return text_.substr(at_).starts_with(what); }

  void skipSpace() {
    while (at_ < text_.size() && isSpace(text_[at_])) ++at_;
  }

  // Past `end`, which must come.
  bool skipPast(std::string_view end) {
    const auto found = text_.find(end, at_);
    if (found == std::string_view::npos) return false;
    at_ = found + end.size();
    return true;
  }

  // Space, comments and processing instructions around the root. A document
  // type is refused: it is where entities of one's own are declared.
  bool skipMisc() {
    for (;;) {
      skipSpace();
      if (startsWith("<!--")) {
        if (!skipPast("-->")) return false;
      } else if (startsWith("<?")) {
        if (!skipPast("?>")) return false;
      } else {
        return !startsWith("<!");
      }
    }
  }

  std::optional<std::string> name() {
    const std::size_t start = at_;
    while (at_ < text_.size() && isNameChar(text_[at_])) ++at_;
    if (at_ == start) return std::nullopt;
    return std::string(text_.substr(start, at_ - start));
  }

  // Text up to `end` with its references replaced; only the predefined
  // entities and character references exist here.
  bool decoded(std::string_view raw, std::string& out) const {
    for (std::size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] != '&') {
        out += raw[i];
        continue;
      }
      const auto semicolon = raw.find(';', i);
      if (semicolon == std::string_view::npos || semicolon - i > 12) return false;
      const std::string_view entity = raw.substr(i + 1, semicolon - i - 1);
      i = semicolon;
      if (entity == "lt") out += '<';
      else if (entity == "gt") out += '>';
      else if (entity == "amp") out += '&';
      else if (entity == "quot") out += '"';
      else if (entity == "apos") out += '\'';
      else if (entity.starts_with('#')) {
        const bool hex = entity.size() > 1 && entity[1] == 'x';
        const std::string_view digits = entity.substr(hex ? 2 : 1);
        std::uint32_t code = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
        if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || code == 0 ||
            code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
          return false;
        appendUtf8(out, code);
      } else {
        return false;
      }
    }
    return true;
  }

  std::optional<Element> parseElement(int depth) {
    if (depth > kMaxDepth || ++elements_ > kMaxElements || !startsWith("<")) return std::nullopt;
    ++at_;
    Element element;
    auto tag = name();
    if (!tag) return std::nullopt;
    element.name = std::move(*tag);
    for (;;) {
      const std::size_t before = at_;
      skipSpace();
      if (startsWith("/>")) {
        at_ += 2;
        return element;
      }
      if (startsWith(">")) {
        ++at_;
        break;
      }
      if (at_ == before) return std::nullopt;  // attributes are set apart by space
      auto key = name();
      skipSpace();
      if (!key || !startsWith("=")) return std::nullopt;
      ++at_;
      skipSpace();
      if (at_ >= text_.size() || (text_[at_] != '"' && text_[at_] != '\'')) return std::nullopt;
      const char quote = text_[at_++];
      const auto close = text_.find(quote, at_);
      if (close == std::string_view::npos) return std::nullopt;
      const std::string_view raw = text_.substr(at_, close - at_);
      at_ = close + 1;
      std::string value;
      if (raw.find('<') != std::string_view::npos || !decoded(raw, value)) return std::nullopt;
      element.attributes.emplace_back(std::move(*key), std::move(value));
    }
    // Content: text, CDATA, comments, instructions and child elements up to the end tag.
    for (;;) {
      const auto next = text_.find('<', at_);
      if (next == std::string_view::npos) return std::nullopt;
      if (!decoded(text_.substr(at_, next - at_), element.text)) return std::nullopt;
      at_ = next;
      if (startsWith("</")) {
        at_ += 2;
        const auto end = name();
        skipSpace();
        if (!end || *end != element.name || !startsWith(">")) return std::nullopt;
        ++at_;
        return element;
      }
      if (startsWith("<!--")) {
        if (!skipPast("-->")) return std::nullopt;
      } else if (startsWith("<![CDATA[")) {
        at_ += 9;
        const auto end = text_.find("]]>", at_);
        if (end == std::string_view::npos) return std::nullopt;
        element.text += text_.substr(at_, end - at_);
        at_ = end + 3;
      } else if (startsWith("<?")) {
        if (!skipPast("?>")) return std::nullopt;
      } else if (startsWith("<!")) {
        return std::nullopt;
      } else {
        auto child = parseElement(depth + 1);
        if (!child) return std::nullopt;
        element.children.push_back(std::move(*child));
      }
    }
  }

  std::string_view text_;
  std::size_t at_ = 0;
  std::size_t elements_ = 0;
};

std::string trimmed(std::string_view text) {
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return std::string(text);
}

// A file's fields, attributes first, then child elements: the first of each name counts.
std::map<std::string, std::string> fieldsOf(const Element& file) {
  std::map<std::string, std::string> fields;
  for (const auto& [key, value] : file.attributes) fields.try_emplace(key, trimmed(value));
  for (const Element& child : file.children) fields.try_emplace(child.name, trimmed(child.text));
  return fields;
}

std::optional<std::uint64_t> numberIn(std::string_view text) {
  std::uint64_t number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return number;
}

BundleFile fileOf(const Element& element) {
  const auto fields = fieldsOf(element);
  BundleFile file;
  if (const auto name = fields.find("name"); name != fields.end()) file.name = name->second;
  const auto countField = fields.find("depCnt");
  const auto count = countField == fields.end() ? std::nullopt : numberIn(countField->second);
  // "dep0" … in the order of their numbers, whatever order they are written in.
  std::map<std::uint64_t, const std::string*> deps;
  for (const auto& [key, value] : fields) {
    if (!key.starts_with("dep") || key == "depCnt") continue;
    const auto index = numberIn(std::string_view(key).substr(3));
    if (index && (!count || *index < *count) && !value.empty()) deps.emplace(*index, &value);
  }
  for (const auto& [index, value] : deps) file.deps.push_back(*value);
  return file;
}

}  // namespace

BundleMeta readBundleMeta(std::string_view text) {
  BundleMeta meta;
  if (text.size() > kMaxBundleMetaBytes) {
    meta.fault = BundleMetaFault::TooLarge;
    return meta;
  }
  std::optional<Element> root;
  if (isValidUtf8(text)) root = Reader(text).document();
  if (!root) {
    meta.fault = BundleMetaFault::NotXml;
    return meta;
  }
  if (root->name != "bundle") {
    meta.fault = BundleMetaFault::NotBundle;
    return meta;
  }
  for (const auto& [key, value] : root->attributes)
    if (key == "product") meta.product = value;
  for (const Element& child : root->children) {
    BundleFile file = fileOf(child);
    if (!file.name.empty()) meta.files.push_back(std::move(file));
  }
  return meta;
}

}  // namespace velmorin
