#include "shell/ui_location.h"

#include <cstdlib>
#include <system_error>

namespace velmorin::shell {

namespace fs = std::filesystem;

std::vector<fs::path> uiCandidates(const UiSearch& search) {
  if (search.override) return {*search.override};
  std::vector<fs::path> candidates;
  const fs::path exeDir = search.executable.parent_path();
  if (!exeDir.empty()) {
    // An installed copy finds its data relative to itself, wherever the prefix went.
    candidates.push_back(exeDir.parent_path() / "share" / "velmorin-sync" / "ui");
    // A program still in its build folder uses the source tree's page, so edits show at once.
    std::error_code ec;
    if (!search.buildDir.empty() && fs::equivalent(exeDir, search.buildDir, ec))
      candidates.push_back(search.sourceUi);
  }
  if (!search.installedUi.empty()) candidates.push_back(search.installedUi);
  return candidates;
}

std::optional<fs::path> findUiFolder(const UiSearch& search) {
  for (const auto& candidate : uiCandidates(search)) {
    std::error_code ec;
    if (!candidate.empty() && fs::is_regular_file(candidate / "index.html", ec)) return candidate;
  }
  return std::nullopt;
}

UiSearch processUiSearch() {
  UiSearch search;
  if (const char* dir = std::getenv("VELMORIN_UI_DIR"); dir && *dir) search.override = fs::absolute(dir);
  std::error_code ec;
  search.executable = fs::read_symlink("/proc/self/exe", ec);
#ifdef VELMORIN_BUILD_DIR
  search.buildDir = VELMORIN_BUILD_DIR;
#endif
#ifdef VELMORIN_SOURCE_UI_DIR
  search.sourceUi = VELMORIN_SOURCE_UI_DIR;
#endif
#ifdef VELMORIN_INSTALLED_UI_DIR
  search.installedUi = VELMORIN_INSTALLED_UI_DIR;
#endif
  return search;
}

}  // namespace velmorin::shell
