// The scheme answers only with files inside the page's folder.
#include "shell/ui_files.h"

#include <gtest/gtest.h>

#include "support/temp_tree.h"

namespace velmorin::shell {
namespace {

using velmorin::testing::TempTree;
namespace fs = std::filesystem;

TEST(UiRelativePath, NamesFilesOfThePageFolder) {
  EXPECT_EQ(uiRelativePath("velmorin://ui/index.html"), "index.html");
  EXPECT_EQ(uiRelativePath("velmorin://ui/css/main.css?v=2#top"), "css/main.css");
  EXPECT_EQ(uiRelativePath("VELMORIN://UI/app.js"), "app.js");
  EXPECT_EQ(uiRelativePath("velmorin://ui/fonts/Inter%20Bold.woff2"), "fonts/Inter Bold.woff2");
  EXPECT_EQ(uiRelativePath("velmorin://ui/m%C3%BAsica.svg"), "música.svg");
  EXPECT_EQ(uiRelativePath("velmorin://ui/a//b.js"), "a/b.js");
}

TEST(UiRelativePath, FoldersMeanTheirIndex) {
  EXPECT_EQ(uiRelativePath("velmorin://ui"), "index.html");
  EXPECT_EQ(uiRelativePath("velmorin://ui/"), "index.html");
  EXPECT_EQ(uiRelativePath("velmorin://ui/help/"), "help/index.html");
  EXPECT_EQ(uiRelativePath("velmorin://ui/?x=1"), "index.html");
}

TEST(UiRelativePath, RefusesClimbingOutEvenWhenEncoded) {
  for (const char* uri : {"velmorin://ui/../secret", "velmorin://ui/a/../../secret", "velmorin://ui/%2e%2e/secret",
                          "velmorin://ui/%2E%2E/secret", "velmorin://ui/.%2e/x", "velmorin://ui/./index.html",
                          "velmorin://ui/a%2f..%2f..%2fsecret", "velmorin://ui/a%2Fb", "velmorin://ui/%00.html",
                          "velmorin://ui/bad%zz", "velmorin://ui/cut%4"})
    EXPECT_FALSE(uiRelativePath(uri)) << uri;
}

TEST(UiRelativePath, RefusesOtherSchemesAndHosts) {
  for (const char* uri : {"file:///etc/passwd", "https://ui/index.html", "velmorin://other/index.html",
                          "velmorin://uix/index.html", "velmorin://ui:80/index.html", "velmorin:ui/index.html",
                          "velmorin:///index.html", "", "about:blank"})
    EXPECT_FALSE(uiRelativePath(uri)) << uri;
}

class FileInside : public ::testing::Test {
 protected:
  TempTree tree;
  fs::path ui = tree.folder("ui");
};

TEST_F(FileInside, FindsRegularFilesInTheFolder) {
  tree.file("ui/index.html");
  tree.file("ui/css/main.css");
  EXPECT_EQ(fileInside(ui, "index.html"), fs::canonical(ui / "index.html"));
  EXPECT_EQ(fileInside(ui, "css/main.css"), fs::canonical(ui / "css/main.css"));
}

TEST_F(FileInside, RefusesWhatIsMissingOrNotAFile) {
  tree.folder("ui/css");
  EXPECT_FALSE(fileInside(ui, "missing.js"));
  EXPECT_FALSE(fileInside(ui, "css"));
  EXPECT_FALSE(fileInside(ui, ""));
  EXPECT_FALSE(fileInside(tree / "no-such-ui", "index.html"));
}

TEST_F(FileInside, RefusesPathsThatLeadOutside) {
  tree.file("secret.txt", "password");
  tree.file("ui-other/x.js");
  EXPECT_FALSE(fileInside(ui, "../secret.txt"));
  EXPECT_FALSE(fileInside(ui, (tree / "secret.txt").string()));  // absolute
  EXPECT_FALSE(fileInside(ui, "../ui-other/x.js"));             // a sibling sharing the prefix
}

TEST_F(FileInside, RefusesLinksLeadingOutside) {
  tree.file("secret.txt", "password");
  tree.folder("outside");
  tree.file("outside/x.js");
  fs::create_symlink(tree / "secret.txt", ui / "secret.txt");
  fs::create_directory_symlink(tree / "outside", ui / "linked");
  EXPECT_FALSE(fileInside(ui, "secret.txt"));
  EXPECT_FALSE(fileInside(ui, "linked/x.js"));
}

TEST_F(FileInside, FollowsLinksThatStayInside) {
  tree.file("ui/real.js");
  fs::create_symlink("real.js", ui / "alias.js");
  EXPECT_EQ(fileInside(ui, "alias.js"), fs::canonical(ui / "real.js"));
}

TEST_F(FileInside, WorksWhenTheFolderItselfIsALink) {
  tree.file("ui/index.html");
  fs::create_directory_symlink(ui, tree / "ui-link");
  EXPECT_TRUE(fileInside(tree / "ui-link", "index.html"));
}

TEST(MimeType, ByExtensionInAnyCase) {
  EXPECT_EQ(mimeTypeFor("index.html"), "text/html");
  EXPECT_EQ(mimeTypeFor("main.js"), "text/javascript");
  EXPECT_EQ(mimeTypeFor("bridge.MJS"), "text/javascript");
  EXPECT_EQ(mimeTypeFor("styles.css"), "text/css");
  EXPECT_EQ(mimeTypeFor("logo.svg"), "image/svg+xml");
  EXPECT_EQ(mimeTypeFor("Inter.woff2"), "font/woff2");
  EXPECT_EQ(mimeTypeFor("README"), "application/octet-stream");
  EXPECT_EQ(mimeTypeFor("archive.ns3f"), "application/octet-stream");
}

}  // namespace
}  // namespace velmorin::shell
