#include <gtest/gtest.h>

#include "archive_reading.h"
#include "commands/commands.h"
#include "commands/dispatcher.h"
#include "support/private_trash.h"
#include "support/temp_tree.h"

namespace velmorin {
namespace {

using testing::TempTree;
using Names = std::vector<std::string>;

class ZipTest : public ::testing::Test {
 protected:
  TempTree home;
  Values values = valuesForHome(home.root());
  fs::path archive = home / "Desktop/Velmorin.zip";
};

TEST_F(ZipTest, FolderIsTheOneTopEntry) {
  home.file("X/a.ns3f", "abc");
  home.file("X/sub/.b", "hidden");
  const Reply reply = work(values, "zip", {{"path", (home / "X").string() + "/"}});
  ASSERT_EQ(reply["ok"], true) << reply.dump();
  EXPECT_EQ(reply["path"], archive.string());
  EXPECT_EQ(reply["bytes"], fs::file_size(archive));
  EXPECT_EQ(testing::archiveEntries(archive), (Names{"X/", "X/a.ns3f", "X/sub/", "X/sub/.b"}));
  EXPECT_TRUE(testing::archiveIsIntact(archive));
}

TEST_F(ZipTest, SecondCallReplacesTheFirst) {
  home.file("A/1.txt");
  home.file("B/2.txt");
  ASSERT_EQ(work(values, "zip", {{"path", (home / "A").string()}})["ok"], true);
  ASSERT_EQ(work(values, "zip", {{"path", (home / "B").string()}})["ok"], true);
  EXPECT_EQ(testing::archiveEntries(archive), (Names{"B/", "B/2.txt"}));
  EXPECT_EQ(fs::directory_iterator(home / "Desktop")->path(), archive);  // no temporary file left
}

TEST_F(ZipTest, FailuresSayWhyAndKeepTheEarlierArchive) {
  home.file("A/1.txt");
  ASSERT_EQ(work(values, "zip", {{"path", (home / "A").string()}})["ok"], true);
  for (const Reply& args : {Reply::object(), Reply({{"path", 3}}), Reply({{"path", (home / "missing").string()}})}) {
    const Reply reply = work(values, "zip", args);
    EXPECT_EQ(reply["ok"], false) << args.dump();
    EXPECT_EQ(reply["bytes"], 0);
    EXPECT_EQ(reply["path"], archive.string());
    EXPECT_FALSE(reply["error"].get<std::string>().empty());
  }
  EXPECT_EQ(testing::archiveEntries(archive), (Names{"A/", "A/1.txt"}));
}

TEST_F(ZipTest, TheReplacedArchiveGoesToTheTrashAndAFolderInItsPlaceStays) {
  home.file("A/1.txt");
  home.file("B/2.txt");
  const Reply first = work(values, "zip", {{"path", (home / "A").string()}});
  EXPECT_EQ(first["trashed"], 0);
  EXPECT_EQ(first["replaced"], false);
  const Reply second = work(values, "zip", {{"path", (home / "B").string()}});
  EXPECT_EQ(second["trashed"], 1);
  EXPECT_EQ(second["replaced"], true) << "the page says the first archive made way";
  bool found = false;
  for (const auto& [name, original] : testing::trashedItems())
    if (original == archive.string() && testing::archiveEntries(testing::privateTrash() / "files" / name) ==
                                            Names{"A/", "A/1.txt"})
      found = true;
  EXPECT_TRUE(found) << "the first archive, in the Trash";

  fs::remove(archive);
  home.file("Desktop/Velmorin.zip/mine.txt", "the user's");
  const Reply refused = work(values, "zip", {{"path", (home / "A").string()}});
  EXPECT_EQ(refused["ok"], false);
  EXPECT_NE(refused.value("error", "").find("stands where the archive goes"), std::string::npos) << refused;
  EXPECT_EQ(testing::readText(home / "Desktop/Velmorin.zip/mine.txt"), "the user's");
}

TEST_F(ZipTest, PackingTheDesktopItselfLeavesItsOwnArchiveOut) {
  home.file("Desktop/note.txt", "n");
  ASSERT_EQ(work(values, "zip", {{"path", (home / "Desktop").string()}})["ok"], true);
  ASSERT_EQ(work(values, "zip", {{"path", (home / "Desktop").string()}})["ok"], true);
  EXPECT_EQ(testing::archiveEntries(archive), (Names{"Desktop/", "Desktop/note.txt"}));
}

TEST(FolderSize, CountsFileBytesAtEveryDepthAndNothingElse) {
  TempTree tree;
  EXPECT_EQ(folderSize(tree / "missing"), 0);
  tree.folder("empty/a/b");
  EXPECT_EQ(folderSize(tree / "empty"), 0);
  tree.file("full/.hidden", "12");
  tree.file("full/a/b/c/deep", "12345");
  fs::create_directory_symlink(tree / "full", tree / "full/a/loop");
  EXPECT_EQ(folderSize(tree / "full"), 7 + static_cast<std::int64_t>((tree / "full").string().size()));
  EXPECT_EQ(folderSize(tree / "full/a/b/c/deep"), 5);
}

}  // namespace
}  // namespace velmorin
