#pragma once
// Where the page's folder is: beside the program in the build tree, or in the
// installed data folder. No GUI here.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace velmorin::shell {

struct UiSearch {
  std::optional<std::filesystem::path> override;  // $VELMORIN_UI_DIR: used alone when set
  std::filesystem::path executable;               // the running program
  std::filesystem::path buildDir;                 // where this build puts the program
  std::filesystem::path sourceUi;                 // the ui folder of the source tree it was built from
  std::filesystem::path installedUi;              // DATADIR/velmorin-sync/ui of the configured prefix
};

// The folders to try, in order.
std::vector<std::filesystem::path> uiCandidates(const UiSearch& search);

// The first candidate that holds index.html.
std::optional<std::filesystem::path> findUiFolder(const UiSearch& search);

// The search for this process: its environment, /proc/self/exe and the paths
// this build was configured with.
UiSearch processUiSearch();

}  // namespace velmorin::shell
