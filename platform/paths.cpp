#include "platform/paths.h"

#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <memory>
#include <vector>

namespace velmorin::platform {

namespace {

std::optional<std::string> resolved(const std::string& path) {
  const std::unique_ptr<char, decltype(&free)> real(realpath(path.c_str(), nullptr), &free);
  if (!real) return std::nullopt;
  return std::string(real.get());
}

}  // namespace

std::string absolutePath(const std::string& path) {
  std::string text = path;
  if (text.empty() || text.front() != '/') {
    std::error_code ec;
    const fs::path current = fs::current_path(ec);
    text = (ec ? std::string() : current.string()) + "/" + text;
  }
  std::string tidy;
  tidy.reserve(text.size());
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = std::min(text.find('/', at), text.size());
    const std::string_view part(text.data() + at, end - at);
    if (!part.empty() && part != ".") {
      tidy += '/';
      tidy += part;
    }
    at = end + 1;
  }
  return tidy.empty() ? "/" : tidy;
}

std::optional<std::string> realLocation(const fs::path& path) {
  const std::string absolute = absolutePath(path.string());
  if (auto real = resolved(absolute)) return real;
  // Resolve the longest start that exists; what follows does not exist yet,
  // so it will be made of plain folders and reads as written.
  std::vector<std::string> missing;
  fs::path start = absolute;
  while (start.has_relative_path()) {
    missing.push_back(start.filename().string());
    start = start.parent_path();
    if (auto real = resolved(start.string())) {
      fs::path whole = *real;
      for (auto it = missing.rbegin(); it != missing.rend(); ++it) whole /= *it;
      return whole.lexically_normal().string();
    }
  }
  return std::nullopt;
}

bool isSameOrInside(const std::string& inner, const std::string& outer) {
  if (outer == "/") return true;
  return inner.starts_with(outer) && (inner.size() == outer.size() || inner[outer.size()] == '/');
}

std::optional<std::string> pathOfOpenFile(int fd) {
  return resolved("/proc/self/fd/" + std::to_string(fd));
}

}  // namespace velmorin::platform
