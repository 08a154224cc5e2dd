#include "commands/scan_roots.h"

#include "platform/paths.h"

namespace velmorin {

std::vector<std::string> scanRoots(const Values& values, const std::optional<std::string>& dir) {
  using platform::absolutePath;
  if (dir) {
    // An empty text names no folder.
    if (dir->empty() || dir->find('\0') != std::string::npos) return {};
    return {absolutePath(*dir)};
  }
  return {absolutePath(values.EXPORT_DIR), absolutePath(values.DESKTOP), absolutePath(values.DOCUMENTS),
          absolutePath(values.DOWNLOADS)};
}

std::vector<std::string> libraryRoots(const Values& values, const std::optional<std::string>& dir) {
  std::vector<std::string> roots = scanRoots(values, dir);
  // A Music folder set to the home folder itself would mean reading all of it.
  if (!dir && platform::absolutePath(values.MUSIC) != platform::absolutePath(values.HOME))
    roots.push_back(platform::absolutePath(values.MUSIC));
  return roots;
}

bool isPackageFolder(std::string_view extension) {
  static constexpr std::string_view kPackages[] = {"app",       "bundle", "framework", "photoslibrary", "musiclibrary",
                                                   "tvlibrary", "pkg",    "logicx",    "band"};
  for (const auto package : kPackages)
    if (extension == package) return true;
  return false;
}

}  // namespace velmorin
