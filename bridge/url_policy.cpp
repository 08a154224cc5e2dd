#include "bridge/url_policy.h"

#include <optional>
#include <string_view>
#include <vector>

#include "platform/utf8.h"
#include "vocabulary/text.h"

namespace velmorin::bridge {

namespace {

bool isAsciiAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c) {
  if (isAsciiDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// One round of percent-decoding; a "%" not followed by two hex digits stays.
std::string percentDecoded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// The text and every form that decoding it again gives, as a handler that
// decodes once or twice more would read it. Nothing when it still changes
// after a few rounds: no link a person means to open is encoded that deep.
std::optional<std::vector<std::string>> decodedForms(const std::string& text) {
  constexpr std::size_t kMostForms = 4;
  std::vector<std::string> forms{text};
  for (;;) {
    std::string next = percentDecoded(forms.back());
    if (next == forms.back()) return forms;
    if (forms.size() == kMostForms) return std::nullopt;
    forms.push_back(std::move(next));
  }
}

// Control characters (C0, DEL, C1) and the marks, embeddings, overrides and
// isolates that reorder text on screen, with which a link can read as one
// address and lead to another. `spaceToo`: a raw space is no part of a URL
// either, while an encoded one ("%20") is.
bool hasControlOrBidi(std::string_view text, bool spaceToo) {
  const auto at = [&](std::size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u; };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = at(i);
    if (c < 0x20 || c == 0x7f || (spaceToo && c == ' ')) return true;
    if (c == 0xc2 && at(i + 1) >= 0x80 && at(i + 1) <= 0x9f) return true;  // U+0080–U+009F
    if (c == 0xd8 && at(i + 1) == 0x9c) return true;                         // U+061C
    if (c == 0xe2 && at(i + 1) == 0x80 && (at(i + 2) == 0x8e || at(i + 2) == 0x8f)) return true;  // U+200E, U+200F
    if (c == 0xe2 && at(i + 1) == 0x80 && at(i + 2) >= 0xaa && at(i + 2) <= 0xae) return true;    // U+202A–U+202E
    if (c == 0xe2 && at(i + 1) == 0x81 && at(i + 2) >= 0xa6 && at(i + 2) <= 0xa9) return true;    // U+2066–U+2069
  }
  return false;
}

// The part of an http(s) link between "//" and the path ("" when there is none).
std::string authorityOf(const std::string& url, const std::string& scheme) {
  const std::string rest = url.substr(scheme.size() + 1);
  if (!rest.starts_with("//")) return {};
  const auto hostEnd = rest.find_first_of("/?#", 2);
  return rest.substr(2, hostEnd == std::string::npos ? std::string::npos : hostEnd - 2);
}

// A mail link may ask the mail client to attach a local file ("attach",
// "attachment"); the names are compared in any letter case, however encoded.
bool asksForAttachment(const std::vector<std::string>& forms) {
  for (const auto& form : forms) {
    const std::string text = lowerAscii(form);
    std::size_t start = text.find_first_of("?&;");
    while (start != std::string::npos) {
      const auto end = text.find_first_of("?&;", start + 1);
      std::string_view field(text.data() + start + 1, (end == std::string::npos ? text.size() : end) - start - 1);
      field = field.substr(0, field.find('='));
      // White space before the name, as a mail program may skip it; never the locale's idea of it.
      while (!field.empty() && std::string_view(" \t\r\n\f\v").find(field.front()) != std::string_view::npos)
        field.remove_prefix(1);
      if (field.starts_with("attach")) return true;
      start = end;
    }
  }
  return false;
}

}  // namespace

std::string urlScheme(const std::string& url) {
  // scheme = ALPHA *( ALPHA / DIGIT / "+" / "-" / "." ) ":"
  if (url.empty() || !isAsciiAlpha(url[0])) return {};
  std::string scheme;
  for (char c : url) {
    if (c == ':') return scheme;
    if (!isAsciiAlpha(c) && !isAsciiDigit(c) && c != '+' && c != '-' && c != '.') return {};
    scheme += lowerAscii(c);
  }
  return {};
}

bool openableExternally(const std::string& url) {
  if (!platform::isValidUtf8(url) || hasControlOrBidi(url, true)) return false;
  const auto forms = decodedForms(url);
  if (!forms) return false;
  for (std::size_t i = 1; i < forms->size(); ++i)
    if (hasControlOrBidi((*forms)[i], false)) return false;

  const std::string scheme = urlScheme(url);
  if (scheme == "mailto") return url.size() > scheme.size() + 1 && !asksForAttachment(*forms);
  if (scheme != "http" && scheme != "https") return false;
  const std::string authority = authorityOf(url, scheme);
  // A host must follow: "https://" or "https:///path" open nothing useful.
  if (authority.empty() || authority[0] == ':') return false;
  // A user name or password ("user@host", "user:pw@host") can put a familiar
  // name in front of the real host.
  const auto authorityForms = decodedForms(authority);
  if (!authorityForms) return false;
  for (const auto& form : *authorityForms)
    if (form.find('@') != std::string::npos) return false;
  return true;
}

}  // namespace velmorin::bridge
