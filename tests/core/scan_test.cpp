#include <gtest/gtest.h>

#include "commands/commands.h"
#include "commands/dispatcher.h"
#include "support/temp_tree.h"

namespace velmorin {
namespace {

using testing::TempTree;

constexpr long long kDay = 86'400'000;
constexpr long long kJan2024 = 1'704'067'200'000;

class ScanTest : public ::testing::Test {
 protected:
  Reply scanDir(const fs::path& dir, double since = 0) { return scan(values, since, dir.string()); }

  TempTree home;
  Values values = valuesForHome(home.root());
};

TEST_F(ScanTest, FindsNothingInEmptyOrMissingFolders) {
  EXPECT_EQ(scan(values, 0, std::nullopt), Reply::object());
  EXPECT_EQ(scanDir(home / "missing"), Reply::object());
  EXPECT_EQ(scan(values, 0, std::string()), Reply::object());
}

TEST_F(ScanTest, ReportsNewestListAndModelFromItsName) {
  home.file("Documents/old Program list.html", "a", kJan2024);
  home.file("Documents/Nord Stage 3 Program List.html", "12345", kJan2024 + kDay);
  home.file("Documents/notes.html", "x", kJan2024 + 2 * kDay);  // no "program" in its name
  const Reply found = scan(values, 0, std::nullopt);
  ASSERT_TRUE(found.contains("list"));
  EXPECT_EQ(found["list"]["name"], "Nord Stage 3 Program List.html");
  EXPECT_EQ(found["list"]["model"], "Nord Stage 3");
  EXPECT_EQ(found["list"]["size"], 5);
  EXPECT_EQ(found["list"]["path"], (home / "Documents/Nord Stage 3 Program List.html").string());
  EXPECT_FALSE(found.contains("progs"));
}

// Every list is offered, newest first, with the model its name or its content
// names; the preview warns when the chosen list is for another model.
TEST_F(ScanTest, ListsAreOfferedWithTheirModelsAndTheWrongOneIsWarnedOf) {
  home.file("Documents/Nord Stage 3 Program List.html", "<title>whatever</title>", kJan2024);
  home.file("Downloads/my programs.htm", "<html><title>NORD STAGE 2 Program List</title>", kJan2024 + 2 * kDay);
  home.file("Desktop/programs to sort.html", "<p>nothing said</p>", kJan2024 + kDay);
  home.file("Desktop/Sounds/A.ns3f", "a");
  const Reply found = scan(values, 0, std::nullopt);
  ASSERT_EQ(found["lists"].size(), 3u) << found.dump();
  EXPECT_EQ(found["lists"][0]["name"], "my programs.htm");
  EXPECT_EQ(found["lists"][0]["model"], "Nord Stage 2");
  EXPECT_EQ(found["lists"][0]["modified"], static_cast<double>(kJan2024 + 2 * kDay));
  EXPECT_EQ(found["lists"][1]["model"], "");
  EXPECT_EQ(found["lists"][2]["model"], "Nord Stage 3");
  EXPECT_EQ(found["list"]["path"], found["lists"][0]["path"]);

  Reply args{{"dest", (home / "Dest").string()}, {"progs", (home / "Desktop/Sounds").string()}, {"ext", "ns3f"}};
  const auto warnings = [&](const Json& list) {
    args["list"] = list["path"];
    return work(values, "plan", args)["warnings"];
  };
  EXPECT_NE(warnings(found["lists"][0]).dump().find("listModel"), std::string::npos);
  EXPECT_EQ(warnings(found["lists"][2]).dump().find("listModel"), std::string::npos);
}

TEST_F(ScanTest, ListNamesIgnoreLetterCaseButModelNeedsCapitalProgram) {
  home.file("Downloads/my programs.HTM", "x", kJan2024);
  const Reply found = scan(values, 0, std::nullopt);
  EXPECT_EQ(found["list"]["name"], "my programs.HTM");
  EXPECT_EQ(found["list"]["model"], "my programs.HTM");
}

TEST_F(ScanTest, ListsWithEqualDatesKeepTheFirstFoundInRootOrder) {
  home.file("Downloads/b program.html", "x", kJan2024);
  home.file("Desktop/a program.html", "x", kJan2024);
  EXPECT_EQ(scan(values, 0, std::nullopt)["list"]["name"], "a program.html");
}

TEST_F(ScanTest, ThresholdIsExactToTheMillisecond) {
  const long long at = kJan2024 + 123;
  home.file("s/on time program.html", "x", at);
  home.file("s/late.ns3f", "x", at - 1);
  const Reply found = scanDir(home / "s", static_cast<double>(at));
  EXPECT_EQ(found["list"]["name"], "on time program.html");
  EXPECT_FALSE(found.contains("progs"));
  EXPECT_FALSE(scanDir(home / "s", static_cast<double>(at + 1)).contains("list"));
}

TEST_F(ScanTest, WalksTwoFolderLevelsBelowTheRootAndNoDeeper) {
  home.file("r/a/b/x.ns3f");
  home.file("r/a/b/c/y.ns4f");
  home.file("r/a/b/c/z.ns4f");
  const Reply found = scanDir(home / "r");
  EXPECT_EQ(found["progs"]["dir"], (home / "r/a/b").string());
  EXPECT_EQ(found["progs"]["ext"], "ns3f");
}

TEST_F(ScanTest, NeverEntersPackagesOrHiddenFolders) {
  home.file("r/Library.app/a.ns3f");
  home.file("r/Song.LOGICX/a.ns3f");
  home.file("r/.hidden/a.ns3f");
  home.file("r/.b.ns3f");
  EXPECT_EQ(scanDir(home / "r"), Reply::object());
}

TEST_F(ScanTest, FolderNamedLikeAProgramIsWalkedNotCounted) {
  home.file("r/Sounds.ns3f/Bank.NS3F");
  const Reply found = scanDir(home / "r");
  EXPECT_EQ(found["progs"]["dir"], (home / "r/Sounds.ns3f").string());
  EXPECT_EQ(found["progs"]["count"], 1);
  EXPECT_EQ(found["progs"]["model"], "Nord Stage 3");
}

TEST_F(ScanTest, ReportedCountIncludesOldAndHiddenFilesOfTheExtension) {
  for (int i = 0; i < 3; ++i) home.file("r/p/new" + std::to_string(i) + ".ns3f", "abcd", kJan2024 + kDay);
  for (int i = 0; i < 5; ++i) home.file("r/p/old" + std::to_string(i) + ".ns3f", "ab", kJan2024 - kDay);
  home.file("r/p/._x.ns3f", "z", kJan2024 + kDay);
  // Four newer files elsewhere outnumber the three in p only if old ones counted in the choice.
  for (int i = 0; i < 2; ++i) home.file("r/q/n" + std::to_string(i) + ".ns3f", "a", kJan2024 + kDay);
  const Reply found = scanDir(home / "r", static_cast<double>(kJan2024));
  EXPECT_EQ(found["progs"]["dir"], (home / "r/p").string());
  EXPECT_EQ(found["progs"]["count"], 9);
  EXPECT_EQ(found["progs"]["size"], 3 * 4 + 5 * 2 + 1);
}

TEST_F(ScanTest, ChoosesTheModelWithMostFilesInOneFolder) {
  for (int i = 0; i < 4; ++i) home.file("r/" + std::to_string(i) + ".ns3f");
  for (int i = 0; i < 2; ++i) home.file("r/" + std::to_string(i) + ".ns4f");
  const Reply found = scanDir(home / "r");
  EXPECT_EQ(found["progs"]["ext"], "ns3f");
  EXPECT_EQ(found["progs"]["model"], "Nord Stage 3");
  EXPECT_EQ(found["progs"]["count"], 4);
}

TEST_F(ScanTest, EqualCountsKeepTheFolderFoundFirst) {
  // Roots are walked in a known order: the export folder, the Desktop,
  // Documents, Downloads. Of two folders with as many files, the earlier wins.
  home.file("Downloads/b/1.npno");
  home.file("Documents/a/1.ne6p");
  EXPECT_EQ(scan(values, 0, std::nullopt)["progs"]["dir"], (home / "Documents/a").string());
  home.file("Desktop/Para Velmorin/c/1.nlsp");
  EXPECT_EQ(scan(values, 0, std::nullopt)["progs"]["dir"], (home / "Desktop/Para Velmorin/c").string());
}

TEST_F(ScanTest, ExportFolderCountsOnceAndReachesDeeperAsItsOwnRoot) {
  // Three levels below the export folder: too deep through Desktop, found from its own root.
  home.file("Desktop/Para Velmorin/a/b/1.nlsp");
  home.file("Desktop/Para Velmorin/2.npno");
  const Reply found = scan(values, 0, std::nullopt);
  EXPECT_EQ(found["progs"]["dir"], (home / "Desktop/Para Velmorin").string());
  EXPECT_EQ(found["progs"]["count"], 1);
  home.file("Desktop/Para Velmorin/a/b/2.nlsp");
  EXPECT_EQ(scan(values, 0, std::nullopt)["progs"]["dir"], (home / "Desktop/Para Velmorin/a/b").string());
}

TEST_F(ScanTest, DirReplacesTheUsualRootsAndRelativePathsStartHere) {
  home.file("Desktop/1.ns2p");
  home.file("other/1.ne5p");
  EXPECT_EQ(scanDir(home / "other")["progs"]["ext"], "ne5p");
  const fs::path before = fs::current_path();
  fs::current_path(home.root());
  const Reply found = scan(values, 0, std::string("./other/"));
  fs::current_path(before);
  EXPECT_EQ(found["progs"]["dir"], (home / "other").string());
}

TEST_F(ScanTest, SurvivesLinkLoopsAndCountsProgramsWhateverTheirNames) {
  for (int i = 0; i < 3; ++i) home.file("r/a/" + std::to_string(i) + ".ne7p");
  fs::create_directory_symlink(home / "r", home / "r/a/loop");
  fs::create_directory_symlink(home / "r", home / "r/loop.ns3f");
  // Names that are not UTF-8 count as they do in the folder's full count
  // (and in the install); a list or folder so named could not be reported.
  home.file(std::string("r/bad\xff.ns3f"));
  home.file(std::string("r/bad\xfe.ns3f"));
  home.file("r/fine.ns3f");
  home.file(std::string("r/b\xff" "d/1.ns3f"));
  home.file(std::string("r/list\xff program.html"));
  const Reply found = scanDir(home / "r");
  EXPECT_EQ(found["progs"]["dir"], (home / "r").string());
  EXPECT_EQ(found["progs"]["count"], 4);  // the full count takes the link named loop.ns3f too
  EXPECT_FALSE(found.contains("list"));
  EXPECT_NO_THROW(found.dump());
}

TEST_F(ScanTest, EachUsualFolderIsWalkedToItsOwnDepthWhenTheDesktopIsHome) {
  // What xdg-user-dirs writes when ~/Desktop is missing.
  values.DESKTOP = home.root();
  values.EXPORT_DIR = home / "Para Velmorin";
  home.file("Documents/a/b/1.nlsp");
  home.file("Documents/a/b/2.nlsp");
  home.file("Downloads/c/3.npno");
  const Reply found = scan(values, 0, std::nullopt);
  EXPECT_EQ(found["progs"]["dir"], (home / "Documents/a/b").string());
  EXPECT_EQ(found["progs"]["count"], 2);
  home.file("Downloads/c/4.npno");
  home.file("Downloads/c/5.npno");
  EXPECT_EQ(scan(values, 0, std::nullopt)["progs"]["dir"], (home / "Downloads/c").string());
}

TEST_F(ScanTest, LinkedProgramFilesCountWithTheirTargetsDates) {
  home.file("store/a.ns3f", "abc", kJan2024 + kDay);
  home.folder("r");
  fs::create_symlink(home / "store/a.ns3f", home / "r/a.ns3f");
  fs::create_symlink(home / "nowhere.ns3f", home / "r/broken.ns3f");
  const Reply found = scanDir(home / "r", static_cast<double>(kJan2024));
  EXPECT_EQ(found["progs"]["dir"], (home / "r").string());
  EXPECT_EQ(found["progs"]["count"], 2);  // the final count takes every entry of the extension
  EXPECT_EQ(found["progs"]["size"], 3);
}

TEST_F(ScanTest, DispatcherPassesSinceOnlyWhenItIsANumber) {
  home.file("s/a program.html", "x", kJan2024);
  const auto listFound = [&](Reply args) {
    args["dir"] = (home / "s").string();
    return work(values, "scan", args).contains("list");
  };
  EXPECT_FALSE(listFound({{"since", static_cast<double>(kJan2024 + 1)}}));
  EXPECT_TRUE(listFound({{"since", std::to_string(kJan2024 + 1)}}));  // text: since 0
  EXPECT_TRUE(listFound({{"since", 12.5}}));
  // A "dir" that is not text means the usual folders, which hold nothing here.
  EXPECT_EQ(work(values, "scan", {{"dir", 7}}), Reply::object());
}

}  // namespace
}  // namespace velmorin
