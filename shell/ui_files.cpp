#include "shell/ui_files.h"

#include <algorithm>
#include <map>
#include <system_error>

#include "vocabulary/text.h"

namespace velmorin::shell {

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> percentDecoded(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '%') {
      if (i + 2 >= text.size()) return std::nullopt;
      const int high = hexValue(text[i + 1]);
      const int low = hexValue(text[i + 2]);
      if (high < 0 || low < 0) return std::nullopt;
      c = static_cast<char>(high * 16 + low);
      i += 2;
    }
    if (c == '\0') return std::nullopt;
    out += c;
  }
  return out;
}


}  // namespace

std::optional<std::string> uiRelativePath(std::string_view uri) {
  const std::string prefix = std::string(kUiScheme) + "://" + std::string(kUiHost);
  if (uri.size() < prefix.size() || lowerAscii(uri.substr(0, prefix.size())) != prefix) return std::nullopt;
  std::string_view rest = uri.substr(prefix.size());
  rest = rest.substr(0, rest.find_first_of("?#"));
  if (!rest.empty() && rest.front() != '/') return std::nullopt;  // "velmorin://uix/…" or a port

  // Decode each segment on its own, so an encoded "/" cannot make a new one.
  const std::string_view path = rest.empty() ? std::string_view("/") : rest;
  std::string relative;
  for (std::size_t start = 1; start <= path.size();) {
    const auto end = std::min(path.find('/', start), path.size());
    const auto segment = percentDecoded(path.substr(start, end - start));
    if (!segment) return std::nullopt;
    if (*segment == "." || *segment == ".." || segment->find('/') != std::string::npos) return std::nullopt;
    if (!segment->empty()) relative += (relative.empty() ? "" : "/") + *segment;
    start = end + 1;
  }
  if (path.back() == '/') relative += relative.empty() ? "index.html" : "/index.html";
  return relative;
}

std::optional<std::filesystem::path> fileInside(const std::filesystem::path& root, const std::string& relative) {
  namespace fs = std::filesystem;
  if (relative.empty() || relative.front() == '/') return std::nullopt;
  std::error_code ec;
  const fs::path realRoot = fs::canonical(root, ec);
  if (ec) return std::nullopt;
  const fs::path realFile = fs::canonical(realRoot / relative, ec);
  if (ec || !fs::is_regular_file(realFile, ec)) return std::nullopt;
  // Inside means the root's components are a prefix of the file's.
  auto fileIt = realFile.begin();
  for (const auto& part : realRoot) {
    if (fileIt == realFile.end() || *fileIt != part) return std::nullopt;
    ++fileIt;
  }
  if (fileIt == realFile.end()) return std::nullopt;
  return realFile;
}

std::string mimeTypeFor(const std::filesystem::path& file) {
  static const std::map<std::string, std::string> kTypes = {
      {".html", "text/html"},
      {".htm", "text/html"},
      {".js", "text/javascript"},
      {".mjs", "text/javascript"},
      {".css", "text/css"},
      {".json", "application/json"},
      {".svg", "image/svg+xml"},
      {".png", "image/png"},
      {".jpg", "image/jpeg"},
      {".jpeg", "image/jpeg"},
      {".gif", "image/gif"},
      {".webp", "image/webp"},
      {".ico", "image/x-icon"},
      {".woff", "font/woff"},
      {".woff2", "font/woff2"},
      {".ttf", "font/ttf"},
      {".otf", "font/otf"},
      {".txt", "text/plain"},
      {".wasm", "application/wasm"},
  };
  const auto found = kTypes.find(lowerAscii(file.extension().string()));
  return found == kTypes.end() ? "application/octet-stream" : found->second;
}

}  // namespace velmorin::shell
