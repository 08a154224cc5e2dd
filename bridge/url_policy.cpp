#include "bridge/url_policy.h"

#include <cctype>

namespace velmorin::bridge {

namespace {

bool isAsciiAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string urlScheme(const std::string& url) {
  // scheme = ALPHA *( ALPHA / DIGIT / "+" / "-" / "." ) ":"
  if (url.empty() || !isAsciiAlpha(url[0])) return {};
  std::string scheme;
  for (char c : url) {
    if (c == ':') return scheme;
    if (!isAsciiAlpha(c) && !isAsciiDigit(c) && c != '+' && c != '-' && c != '.') return {};
    scheme += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return {};
}

bool openableExternally(const std::string& url) {
  for (char c : url) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u == 0x7f) return false;
  }
  const std::string scheme = urlScheme(url);
  if (scheme == "mailto") return url.size() > scheme.size() + 1;
  if (scheme != "http" && scheme != "https") return false;
  const std::string rest = url.substr(scheme.size() + 1);
  if (!rest.starts_with("//")) return false;
  // A host must follow: "https://" or "https:///path" open nothing useful.
  const auto hostEnd = rest.find_first_of("/?#", 2);
  const std::string authority = rest.substr(2, hostEnd == std::string::npos ? std::string::npos : hostEnd - 2);
  const auto at = authority.rfind('@');
  const std::string host = at == std::string::npos ? authority : authority.substr(at + 1);
  return !host.empty() && host[0] != ':';
}

}  // namespace velmorin::bridge
