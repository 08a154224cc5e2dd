// Where the window looks for its page.
#include "shell/ui_location.h"

#include <gtest/gtest.h>

#include "support/temp_tree.h"

namespace velmorin::shell {
namespace {

using velmorin::testing::TempTree;
namespace fs = std::filesystem;

class UiLocation : public ::testing::Test {
 protected:
  UiSearch search() const {
    UiSearch s;
    s.executable = tree / "build/velmorin-sync";
    s.buildDir = tree / "build";
    s.sourceUi = tree / "src/ui";
    s.installedUi = tree / "usr/share/velmorin-sync/ui";
    return s;
  }
  TempTree tree;
};

TEST_F(UiLocation, AProgramInItsBuildFolderUsesTheSourcePage) {
  tree.folder("build");
  tree.file("src/ui/index.html");
  EXPECT_EQ(findUiFolder(search()), tree / "src/ui");
}

TEST_F(UiLocation, AnInstalledProgramUsesTheDataFolderBesideIt) {
  tree.file("opt/vs/share/velmorin-sync/ui/index.html");
  tree.file("src/ui/index.html");
  tree.folder("build");
  UiSearch s = search();
  s.executable = tree / "opt/vs/bin/velmorin-sync";
  EXPECT_EQ(findUiFolder(s), tree / "opt/vs/share/velmorin-sync/ui");
}

TEST_F(UiLocation, AProgramOutsideTheBuildFolderNeverReadsTheSourceTree) {
  tree.file("src/ui/index.html");
  tree.folder("build");
  UiSearch s = search();
  s.executable = tree / "elsewhere/bin/velmorin-sync";
  EXPECT_FALSE(findUiFolder(s));
  tree.file("usr/share/velmorin-sync/ui/index.html");
  EXPECT_EQ(findUiFolder(s), tree / "usr/share/velmorin-sync/ui");
}

TEST_F(UiLocation, AFolderWithoutIndexDoesNotCount) {
  tree.folder("build");
  tree.file("src/ui/styles.css");
  tree.file("usr/share/velmorin-sync/ui/index.html");
  EXPECT_EQ(findUiFolder(search()), tree / "usr/share/velmorin-sync/ui");
}

TEST_F(UiLocation, TheOverrideIsUsedAloneEvenWhenItHasNoPage) {
  tree.folder("build");
  tree.file("src/ui/index.html");
  UiSearch s = search();
  s.override = tree / "test-ui";
  EXPECT_EQ(uiCandidates(s), std::vector<fs::path>{tree / "test-ui"});
  EXPECT_FALSE(findUiFolder(s));
  tree.file("test-ui/index.html");
  EXPECT_EQ(findUiFolder(s), tree / "test-ui");
}

TEST_F(UiLocation, NothingAnywhereGivesNothing) {
  tree.folder("build");
  EXPECT_FALSE(findUiFolder(search()));
  EXPECT_FALSE(uiCandidates(search()).empty());
}

}  // namespace
}  // namespace velmorin::shell
