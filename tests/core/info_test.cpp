#include <gtest/gtest.h>

#include "commands/commands.h"
#include "commands/dispatcher.h"
#include "commands/nsm.h"
#include "commands/numeric_compare.h"
#include "support/temp_tree.h"

namespace velmorin {
namespace {

using testing::TempTree;

class InfoTest : public ::testing::Test {
 protected:
  InfoTest() {
    values.applicationFolders = {home / "System Applications", home / "Applications"};
    values.desktopEntryFolders = {home / "share/applications", home / "usr/applications"};
  }
  void app(const std::string& folder, const std::string& name) { home.folder(folder + "/" + name + "/Contents"); }
  std::string nsmName() {
    const auto found = findNSM(values);
    return found ? found->name : "(none)";
  }

  TempTree home;
  Values values = valuesForHome(home.root());
};

TEST(NumericCompare, DigitsCompareByValueOtherBytesByCode) {
  EXPECT_LT(compareNumeric("Nord Sound Manager 9.app", "Nord Sound Manager 10.app"), 0);
  EXPECT_GT(compareNumeric("Nord Sound Manager.app", "Nord Sound Manager 4.app"), 0);  // "." > " "
  EXPECT_EQ(compareNumeric("v007", "v7"), 0);
  EXPECT_LT(compareNumeric("a", "ab"), 0);
  EXPECT_LT(compareNumeric("B", "a"), 0);
}

TEST_F(InfoTest, NothingInstalled) {
  app("Applications", "nord sound manager.app");
  app("Applications", "Nord Sound Manager.app.zip");
  app("Applications", "Nord Sound Manager Backup");
  EXPECT_EQ(work(values, "info", Reply::object())["nsm"], Reply({{"found", false}, {"name", ""}}));
}

TEST_F(InfoTest, GreatestVersionWinsAndSystemFolderWinsTies) {
  app("System Applications", "Nord Sound Manager 9.app");
  app("Applications", "Nord Sound Manager 10.app");
  EXPECT_EQ(nsmName(), "Nord Sound Manager 10");

  TempTree other;
  Values same = valuesForHome(other.root());
  same.applicationFolders = {other / "sys", other / "user"};
  other.folder("sys/Nord Sound Manager.app");
  other.folder("user/Nord Sound Manager.app");
  const auto found = findNSM(same);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->location, other / "sys/Nord Sound Manager.app");
  EXPECT_FALSE(found->desktopEntry);
}

TEST_F(InfoTest, DesktopEntriesCountIncludingWineSubFolders) {
  home.file("share/applications/wine/Programs/Nord/Nord Sound Manager.desktop",
            "[Desktop Entry]\nName=Nord Sound Manager 8\nName[es]=Gestor\nExec=wine nsm.exe\n");
  home.file("usr/applications/nsm.desktop", "[Desktop Entry]\nName = Nord Sound Manager 7\n");
  home.file("usr/applications/other.desktop", "[Desktop Entry]\nName=Other\n");
  const auto found = findNSM(values);
  ASSERT_TRUE(found);
  EXPECT_TRUE(found->desktopEntry);
  EXPECT_EQ(found->name, "Nord Sound Manager 8");
  EXPECT_EQ(work(values, "info", Reply::object())["nsm"]["name"], "Nord Sound Manager 8");
}

TEST_F(InfoTest, DesktopDestinationByLanguageWithoutICloud) {
  Reply report = info(values);
  EXPECT_EQ(report["os"], "linux");
  EXPECT_EQ(report["icloud"], Reply({{"found", false}, {"path", ""}}));
  EXPECT_EQ(report["dest"], (home / "Desktop/Velmorin").string());
  EXPECT_EQ(report["destLabel"], "Desktop \u203a Velmorin");
  EXPECT_EQ(report["destCloud"], false);
  EXPECT_EQ(report["exportDir"], (home / "Desktop/Para Velmorin").string());
  EXPECT_TRUE(report["diskFree"].is_number_integer());
  EXPECT_GT(report["diskFree"].get<double>(), 0);
  EXPECT_EQ(report.size(), 8u);

  values.preferredLanguages = [] { return std::vector<std::string>{"es-ES"}; };
  EXPECT_EQ(info(values)["destLabel"], "Escritorio \u203a Velmorin");
}

TEST_F(InfoTest, ICloudFolderBecomesTheDestinationWhateverTheLanguage) {
  home.file("Library/Mobile Documents/com~apple~CloudDocs/keep");
  values.preferredLanguages = [] { return std::vector<std::string>{"es"}; };
  const Reply report = info(values);
  EXPECT_EQ(report["icloud"]["path"], values.ICLOUD.string());
  EXPECT_EQ(report["dest"], (values.ICLOUD / "Velmorin").string());
  EXPECT_EQ(report["destLabel"], "iCloud Drive \u203a Velmorin");
  EXPECT_EQ(report["destCloud"], true);
}

TEST_F(InfoTest, AFileAtTheICloudPathIsNoICloudAndNoDiskMeansZero) {
  home.file("Library/Mobile Documents/com~apple~CloudDocs", "not a folder");
  values.HOME = home / "missing";
  const Reply report = info(values);
  EXPECT_EQ(report["destCloud"], false);
  EXPECT_EQ(report["diskFree"], 0.0);
}

TEST_F(InfoTest, PrepareCreatesTheExportFolderAndMailTouchesNothing) {
  EXPECT_EQ(work(values, "prepare", Reply::object()), Reply({{"ok", true}}));
  EXPECT_TRUE(fs::is_directory(values.EXPORT_DIR));
  EXPECT_EQ(work(values, "prepare", Reply::object()), Reply({{"ok", true}}));
  // A file where the Desktop should be: still ok, no folder.
  TempTree blocked;
  Values v = valuesForHome(blocked.root());
  blocked.file("Desktop", "file");
  EXPECT_EQ(work(v, "prepare", Reply::object()), Reply({{"ok", true}}));
  EXPECT_FALSE(fs::exists(v.EXPORT_DIR));
  EXPECT_EQ(work(v, "mail", {{"to", "x"}}), Reply({{"ok", true}}));
}

TEST_F(InfoTest, UnknownNamesGetTheFixedError) {
  for (const char* name : {"Info", "INFO", " info", "", "pickFolder", "quit"})
    EXPECT_EQ(work(values, name, {{"dest", 1}}), Reply({{"error", "cmd"}, {"code", "invalid"}})) << name;
}

}  // namespace
}  // namespace velmorin

namespace velmorin {
namespace {

// Bytes free for the user on the disk that holds `path`, as Python's statvfs tells.
double freeByPython(const fs::path& path) {
  int status = -1;
  const std::string out = testing::commandOutput(
      "python3 -c 'import os, sys; s = os.statvfs(sys.argv[1]); print(s.f_bavail * s.f_frsize)' " +
          testing::shellQuote(path.string()),
      &status);
  EXPECT_EQ(status, 0) << out;
  return std::stod(out.empty() ? "0" : out);
}

// The free space the page shows is the destination's disk, not the home folder's:
// a destination not made yet is measured at its nearest existing folder.
TEST(FreeSpace, IsMeasuredWhereTheDestinationIsNotInTheHome) {
  TempTree home;
  const Values values = valuesForHome(home.root());
  std::vector<fs::path> places = {home / "Desktop/Velmorin/Nord Stage 3"};
  if (fs::is_directory("/dev/shm")) places.push_back("/dev/shm/velmorin-not-made/Velmorin");
  for (const fs::path& dest : places) {
    const Reply reply = work(values, "freeSpace", {{"path", dest.string()}});
    ASSERT_EQ(reply["ok"], true) << reply.dump();
    const fs::path measured = reply["path"].get<std::string>();
    EXPECT_TRUE(fs::is_directory(measured)) << measured;
    EXPECT_EQ(dest.string().rfind(measured.string(), 0), 0u) << measured << " holds " << dest;
    const double expected = freeByPython(measured);
    EXPECT_NEAR(reply["diskFree"].get<double>(), expected, expected * 0.02 + 1e6) << dest;
  }
  EXPECT_FALSE(fs::exists(home / "Desktop/Velmorin")) << "measuring makes nothing";
  for (const Json& args : {Json::object(), Json{{"path", ""}}, Json{{"path", 3}}}) {
    const Reply refused = work(values, "freeSpace", args);
    EXPECT_EQ(refused["ok"], false) << args;
    EXPECT_EQ(refused["code"], "invalid") << args;
  }
}

}  // namespace
}  // namespace velmorin
