#include "commands/scan_roots.h"

#include <system_error>

namespace velmorin {

std::string absolutePath(const std::string& path) {
  std::error_code ec;
  std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  if (ec) absolute = path;
  std::string text = absolute.lexically_normal().string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

std::vector<std::string> scanRoots(const Values& values, const std::optional<std::string>& dir) {
  if (dir) {
    // An empty text names no folder.
    if (dir->empty() || dir->find('\0') != std::string::npos) return {};
    return {absolutePath(*dir)};
  }
  return {absolutePath(values.EXPORT_DIR), absolutePath(values.DESKTOP), absolutePath(values.DOCUMENTS),
          absolutePath(values.DOWNLOADS)};
}

}  // namespace velmorin
