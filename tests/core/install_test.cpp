#include <gtest/gtest.h>

#include <ctime>

#include "archive_reading.h"
#include "commands/commands.h"
#include "commands/dispatcher.h"
#include "support/temp_tree.h"

namespace velmorin {
namespace {

using testing::TempTree;
using Names = std::vector<std::string>;

std::string today() {
  const std::time_t now = std::time(nullptr);
  std::tm local {};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", &local);
  return text;
}

Names entriesOf(const fs::path& folder) {
  Names names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class InstallTest : public ::testing::Test {
 protected:
  InstallTest() {
    home.file("Sounds/A.ns3f", "aaaa");
    home.file("Sounds/B.NS3F", "bb");
    home.file("Sounds/._hidden.ns3f", "h");
    home.file("Sounds/other.ns4f", "other");
    home.file("Sounds/deeper/C.ns3f", "not copied");
    home.file("Sounds/Kit.ns3f/inside.txt", "folder copied whole");
    home.file("Lists/Nord Stage 3 Program List.html", "<html>list</html>");
  }

  Reply run(Reply args) { return work(values, "install", args); }
  Reply fullInstall() {
    return run({{"dest", (home / "Dest").string()},
                {"model", "Nord Stage 3"},
                {"list", (home / "Lists/Nord Stage 3 Program List.html").string()},
                {"progs", (home / "Sounds").string()},
                {"ext", "ns3f"}});
  }

  TempTree home;
  Values values = valuesForHome(home.root());
};

TEST_F(InstallTest, InstallsListProgramsAndOneDatedArchive) {
  const Reply reply = fullInstall();
  const fs::path model = home / "Dest/Nord Stage 3";
  ASSERT_EQ(reply["ok"], true) << reply.dump();
  EXPECT_EQ(reply["count"], 4);
  EXPECT_EQ(reply["lists"], 1);
  EXPECT_EQ(reply["path"], model.string());
  EXPECT_EQ(reply["root"], (home / "Dest").string());
  const std::string archive = "Nord Stage 3 Programs " + today() + ".zip";
  EXPECT_EQ(entriesOf(model), (Names{archive, "Program lists", "Programs (.ns3f)"}));
  EXPECT_EQ(entriesOf(model / "Programs (.ns3f)"), (Names{"._hidden.ns3f", "A.ns3f", "B.NS3F", "Kit.ns3f"}));
  EXPECT_EQ(entriesOf(model / "Program lists"), (Names{"Nord Stage 3 Program List.html"}));
  EXPECT_EQ(testing::archiveEntries(model / archive),
            (Names{"._hidden.ns3f", "A.ns3f", "B.NS3F", "Kit.ns3f/", "Kit.ns3f/inside.txt"}));
  EXPECT_TRUE(testing::archiveIsIntact(model / archive));
  EXPECT_EQ(testing::archiveMember(model / archive, "A.ns3f"), "aaaa");
  EXPECT_EQ(reply["bytes"], folderSize(model));
  EXPECT_EQ(reply["bytes"], 4 + 2 + 1 + 19 + 17 + fs::file_size(model / archive));
}

TEST_F(InstallTest, SpanishNamesFoldersAndArchive) {
  values.preferredLanguages = [] { return Names{"es-419"}; };
  ASSERT_EQ(fullInstall()["ok"], true);
  EXPECT_EQ(entriesOf(home / "Dest/Nord Stage 3"),
            (Names{"Listas de programas", "Nord Stage 3 Programas " + today() + ".zip", "Programas (.ns3f)"}));
}

TEST_F(InstallTest, DestIsRequiredAndChecked) {
  EXPECT_EQ(run(Reply::object()), Reply({{"ok", false}, {"error", "dest"}}));
  EXPECT_EQ(run({{"dest", 5}, {"model", "x"}}), Reply({{"ok", false}, {"error", "dest"}}));
  EXPECT_EQ(entriesOf(home.root()), (Names{"Lists", "Sounds"}));
}

TEST_F(InstallTest, OnlyDestMakesTheNordFolderAndNothingElse) {
  const Reply reply = run({{"dest", (home / "Dest").string()}});
  EXPECT_EQ(reply, Reply({{"ok", true}, {"count", 0}, {"lists", 0}, {"bytes", 0},
                          {"path", (home / "Dest/Nord").string()}, {"root", (home / "Dest").string()}}));
  EXPECT_TRUE(entriesOf(home / "Dest/Nord").empty());
}

TEST_F(InstallTest, SlashInModelBecomesDashAndUnsafeNamesAreRefused) {
  const Reply reply = run({{"dest", (home / "Dest").string()}, {"model", "Nord/Stage 3"},
                           {"progs", (home / "Sounds").string()}, {"ext", "ns4f"}});
  ASSERT_EQ(reply["ok"], true);
  EXPECT_EQ(reply["count"], 1);
  EXPECT_TRUE(fs::exists(home / ("Dest/Nord-Stage 3/Nord-Stage 3 Programs " + today() + ".zip")));
  for (const char* model : {"..", ".", ""}) {
    const Reply refused = run({{"dest", (home / "Dest").string()}, {"model", model}});
    EXPECT_EQ(refused["ok"], false) << model;
    EXPECT_TRUE(refused["error"].is_string());
  }
  const Reply escape = run({{"dest", (home / "Dest").string()}, {"progs", (home / "Sounds").string()},
                            {"ext", "x)/../../../outside"}});
  EXPECT_EQ(escape["ok"], false);
  EXPECT_FALSE(fs::exists(home / "outside)"));
}

TEST_F(InstallTest, ProgramStepNeedsBothProgsAndExt) {
  EXPECT_EQ(run({{"dest", (home / "Dest").string()}, {"progs", (home / "Sounds").string()}})["count"], 0);
  EXPECT_EQ(run({{"dest", (home / "Dest").string()}, {"ext", "ns3f"}})["count"], 0);
  EXPECT_EQ(entriesOf(home / "Dest/Nord"), Names{});
}

TEST_F(InstallTest, UpperCaseExtMatchesNothingAndLeavesAnEmptyFolder) {
  const Reply reply = run({{"dest", (home / "Dest").string()}, {"progs", (home / "Sounds").string()}, {"ext", "NS3F"}});
  ASSERT_EQ(reply["ok"], true);
  EXPECT_EQ(reply["count"], 0);
  EXPECT_EQ(entriesOf(home / "Dest/Nord/Programs (.NS3F)"), Names{});
}

TEST_F(InstallTest, ReinstallReplacesTheFolderAndKeepsOneArchive) {
  ASSERT_EQ(fullInstall()["ok"], true);
  const fs::path model = home / "Dest/Nord Stage 3";
  home.file("Dest/Nord Stage 3/Nord Stage 3 Programs 2020-01-01.zip", "old archive");
  home.file("Dest/Nord Stage 3/notes.zip", "any zip goes");
  home.file("Dest/Nord Stage 3/Programs (.ns4f)/keep.ns4f", "other model stays");
  fs::remove(home / "Sounds/A.ns3f");
  const Reply again = fullInstall();
  ASSERT_EQ(again["ok"], true);
  EXPECT_EQ(again["count"], 3);
  EXPECT_EQ(entriesOf(model), (Names{"Nord Stage 3 Programs " + today() + ".zip", "Program lists", "Programs (.ns3f)",
                                     "Programs (.ns4f)"}));
  EXPECT_FALSE(fs::exists(model / "Programs (.ns3f)/A.ns3f"));
  EXPECT_EQ(again["bytes"], folderSize(model));
}

TEST_F(InstallTest, FailedCopyKeepsTheEarlierProgramsListAndArchive) {
  ASSERT_EQ(fullInstall()["ok"], true);
  const fs::path model = home / "Dest/Nord Stage 3";
  const fs::path archive = model / ("Nord Stage 3 Programs " + today() + ".zip");
  const auto archiveBefore = testing::archiveEntries(archive);
  // Reading /proc/self/mem from its start fails even for root.
  fs::create_symlink("/proc/self/mem", home / "Sounds/Z.ns3f");
  const Reply reply = fullInstall();
  EXPECT_EQ(reply["ok"], false);
  EXPECT_NE(reply["error"].get<std::string>().find("Z.ns3f"), std::string::npos) << reply["error"];
  EXPECT_EQ(reply.size(), 2u);
  EXPECT_EQ(entriesOf(model / "Programs (.ns3f)"), (Names{"._hidden.ns3f", "A.ns3f", "B.NS3F", "Kit.ns3f"}));
  EXPECT_EQ(testing::archiveEntries(archive), archiveBefore);
  EXPECT_TRUE(fs::exists(model / "Program lists/Nord Stage 3 Program List.html"));

  // The next good install clears the leftover staging folder.
  fs::remove(home / "Sounds/Z.ns3f");
  ASSERT_EQ(fullInstall()["ok"], true);
  EXPECT_FALSE(fs::exists(model / ".nuevo"));
}

TEST_F(InstallTest, FifosAndSocketsWithTheExtensionAreSkippedNotWaitedFor) {
  ASSERT_EQ(mkfifo((home / "Sounds/pipe.ns3f").c_str(), 0644), 0);
  const Reply reply = fullInstall();
  ASSERT_EQ(reply["ok"], true) << reply.dump();
  EXPECT_EQ(reply["count"], 4);
}

TEST_F(InstallTest, MissingListOrProgramFolderFailsWithItsName) {
  Reply reply = run({{"dest", (home / "Dest").string()}, {"list", (home / "nope.html").string()}});
  EXPECT_EQ(reply["ok"], false);
  EXPECT_NE(reply["error"].get<std::string>().find("nope.html"), std::string::npos);
  reply = run({{"dest", (home / "Dest").string()}, {"progs", (home / "gone").string()}, {"ext", "ns3f"}});
  EXPECT_EQ(reply["ok"], false);
  EXPECT_EQ(reply["error"], "Could not list folder \"" + (home / "gone").string() + "\": No such file or directory");
}

TEST_F(InstallTest, DestinationThatIsAFileFailsClearly) {
  home.file("Dest", "a file");
  const Reply reply = fullInstall();
  EXPECT_EQ(reply["ok"], false);
  EXPECT_EQ(reply["error"].get<std::string>().rfind("Could not create folder \"", 0), 0u) << reply["error"];
}

}  // namespace
}  // namespace velmorin
