// Full and read-only destinations, unreadable sources: every failure says why
// and the earlier programs, list and archive survive it.
#include <gtest/gtest.h>

#include "commands/dispatcher.h"
#include "core/archive_reading.h"
#include "fault_fixtures.h"

namespace velmorin {
namespace {

using namespace testing;

class DiskFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "mounting a small disk needs root";
  }

  // `count` incompressible program files of `size` bytes, named with `prefix`.
  fs::path programSet(const std::string& name, const std::string& prefix, int count, std::size_t size) {
    for (int i = 0; i < count; ++i)
      home.file(name + "/" + prefix + std::to_string(i) + ".ns3f", incompressible(size, i + 17 * count));
    return home / name;
  }
  Reply install(const fs::path& dest, const fs::path& progs) {
    return work(values, "install", {{"dest", dest.string()}, {"model", "Nord Stage 3"},
                                    {"progs", progs.string()}, {"ext", "ns3f"},
                                    {"list", (home / "Nord Stage 3 Program List.html").string()}});
  }
  std::vector<std::string> archivesIn(const fs::path& model) {
    std::vector<std::string> zips;
    for (const auto& name : namesIn(model))
      if (name.ends_with(".zip")) zips.push_back(name);
    return zips;
  }

  TempTree home;
  Values values = valuesForHome(home.root());
};

TEST_F(DiskFaults, FullDiskWhileCopyingKeepsEverythingEarlier) {
  SmallDisk disk("1m");
  ASSERT_TRUE(disk.mounted());
  home.file("Nord Stage 3 Program List.html", "<html/>");
  const auto small = programSet("A", "a", 5, 20'000);
  ASSERT_EQ(install(disk.path(), small)["ok"], true);
  const fs::path model = disk.path() / "Nord Stage 3";
  const auto before = namesIn(model / "Programs (.ns3f)");
  const auto zips = archivesIn(model);
  ASSERT_EQ(zips.size(), 1u);
  const auto archivedBefore = archiveEntries(model / zips[0]);

  const Reply reply = install(disk.path(), programSet("B", "b", 60, 20'000));
  EXPECT_EQ(reply["ok"], false);
  const std::string error = reply.value("error", "");
  EXPECT_NE(error.find("Could not copy \""), std::string::npos) << error;
  EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
  EXPECT_NE(error.find("Programs (.ns3f)/b"), std::string::npos) << error;  // not the temporary copy's place
  EXPECT_EQ(namesIn(model / "Programs (.ns3f)"), before);
  EXPECT_EQ(archivesIn(model), zips);
  EXPECT_EQ(archiveEntries(model / zips[0]), archivedBefore);
  EXPECT_TRUE(archiveIsIntact(model / zips[0]));
  EXPECT_FALSE(fs::exists(model / ".nuevo"));  // its space is given back

  // A tmpfs has no Trash: what a later install replaces is removed, as it
  // must be to make room, and nothing is left aside.
  const Reply again = install(disk.path(), programSet("C", "c", 4, 20'000));
  ASSERT_EQ(again["ok"], true) << again.dump();
  EXPECT_EQ(again["trashed"], 0);
  EXPECT_EQ(namesIn(disk.path()), std::set<std::string>{"Nord Stage 3"});
  EXPECT_EQ(namesIn(model).size(), 3u);
  EXPECT_EQ(namesIn(model / "Programs (.ns3f)").size(), 4u);

  // A first install into a new place that fails leaves no empty folders behind.
  EXPECT_EQ(install(disk.path() / "Velmorin", programSet("D", "d", 60, 20'000))["code"], "noSpace");
  EXPECT_FALSE(fs::exists(disk.path() / "Velmorin"));
}

TEST_F(DiskFaults, FullDiskWhileArchivingIsAFailureAndKeepsTheEarlierArchive) {
  SmallDisk disk("1500k");
  ASSERT_TRUE(disk.mounted());
  home.file("Nord Stage 3 Program List.html", "<html/>");
  ASSERT_EQ(install(disk.path(), programSet("A", "a", 5, 20'000))["ok"], true);
  const fs::path model = disk.path() / "Nord Stage 3";
  const auto zips = archivesIn(model);
  ASSERT_EQ(zips.size(), 1u);
  const auto archivedBefore = archiveEntries(model / zips[0]);

  const Reply reply = install(disk.path(), programSet("B", "b", 40, 20'000));
  EXPECT_EQ(reply["ok"], false);
  const std::string error = reply.value("error", "");
  EXPECT_NE(error.find("Could not write archive \""), std::string::npos) << error;
  EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
  // The programs, the list and the archive are all still the earlier ones.
  EXPECT_EQ(namesIn(model / "Programs (.ns3f)").size(), 5u);
  EXPECT_EQ(archivesIn(model), zips);
  EXPECT_EQ(archiveEntries(model / zips[0]), archivedBefore);
  EXPECT_TRUE(archiveIsIntact(model / zips[0]));
  for (const auto& name : namesIn(model)) EXPECT_FALSE(name.ends_with(".part")) << name;
}

TEST_F(DiskFaults, ReadOnlyDestinationChangesNothing) {
  SmallDisk disk("4m");
  ASSERT_TRUE(disk.mounted());
  home.file("Nord Stage 3 Program List.html", "<html/>");
  ASSERT_EQ(install(disk.path(), programSet("A", "a", 3, 1000))["ok"], true);
  const fs::path model = disk.path() / "Nord Stage 3";
  const auto before = namesIn(model);
  ASSERT_TRUE(disk.makeReadOnly());
  const Reply reply = install(disk.path(), programSet("B", "b", 4, 1000));
  EXPECT_EQ(reply["ok"], false);
  EXPECT_NE(reply.value("error", "").find("Read-only file system"), std::string::npos) << reply.dump();
  EXPECT_EQ(namesIn(model), before);
  EXPECT_EQ(namesIn(model / "Programs (.ns3f)").size(), 3u);
}

TEST_F(DiskFaults, FullDesktopKeepsTheEarlierZip) {
  SmallDisk disk("600k");
  ASSERT_TRUE(disk.mounted());
  values.DESKTOP = disk.path();
  home.file("Small/a.bin", incompressible(100'000, 1));
  ASSERT_EQ(work(values, "zip", {{"path", (home / "Small").string()}})["ok"], true);
  home.file("Big/a.bin", incompressible(700'000, 2));
  const Reply reply = work(values, "zip", {{"path", (home / "Big").string()}});
  EXPECT_EQ(reply["ok"], false);
  EXPECT_NE(reply.value("error", "").find("No space left on device"), std::string::npos) << reply.dump();
  EXPECT_EQ(archiveEntries(disk.path() / "Velmorin.zip"), (std::vector<std::string>{"Small/", "Small/a.bin"}));
  EXPECT_EQ(namesIn(disk.path()), std::set<std::string>{"Velmorin.zip"});
}

// Permissions only hold for an ordinary user: the real program runs as "nobody".
class PermissionFaults : public DiskFaults {
 protected:
  void SetUp() override {
    DiskFaults::SetUp();
    if (IsSkipped()) return;
    if (system("command -v setpriv >/dev/null") != 0) GTEST_SKIP() << "setpriv is missing";
    chmod(home.root().c_str(), 0777);
  }
  Reply asNobody(const std::string& arguments) {
    return runCommand(home.root(), arguments, "setpriv --reuid=65534 --regid=65534 --clear-groups");
  }
  std::string installArgs(const fs::path& progs) {
    return "--command install " + shellQuote(Reply({{"dest", (home / "Dest").string()}, {"model", "Piano"},
                                                    {"progs", progs.string()}, {"ext", "npno"}})
                                                  .dump());
  }
  void openUp(const fs::path& path) {
    for (auto it = fs::recursive_directory_iterator(path); it != fs::recursive_directory_iterator(); ++it)
      chmod(it->path().c_str(), it->is_directory() ? 0777 : 0666);
    chmod(path.c_str(), 0777);
  }
};

TEST_F(PermissionFaults, UnreadableProgramFileFailsByNameAndKeepsTheEarlierFolder) {
  home.file("P/a.npno", "a");
  home.file("P/b.npno", "b");
  openUp(home / "P");
  ASSERT_EQ(asNobody(installArgs(home / "P"))["ok"], true);
  home.file("P/secret.npno", "s");
  chmod((home / "P/secret.npno").c_str(), 0000);
  const Reply reply = asNobody(installArgs(home / "P"));
  EXPECT_EQ(reply["ok"], false);
  EXPECT_NE(reply.value("error", "").find("secret.npno"), std::string::npos) << reply.dump();
  EXPECT_NE(reply.value("error", "").find("Permission denied"), std::string::npos) << reply.dump();
  EXPECT_EQ(namesIn(home / "Dest/Piano/Programs (.npno)"), (std::set<std::string>{"a.npno", "b.npno"}));
}

TEST_F(PermissionFaults, UnreadableProgramFolderAndSubFolder) {
  home.file("Q/a.npno", "a");
  openUp(home / "Q");
  chmod((home / "Q").c_str(), 0000);
  const Reply reply = asNobody(installArgs(home / "Q"));
  EXPECT_EQ(reply["ok"], false);
  EXPECT_EQ(reply["error"], "Could not list folder \"" + (home / "Q").string() + "\": Permission denied");

  // The scan passes over a folder it may not read and reports the rest.
  home.file("R/locked/x.ns3f", "x");
  home.file("R/open/y.ns4f", "y");
  openUp(home / "R");
  chmod((home / "R/locked").c_str(), 0000);
  const Reply found = asNobody("--command scan " + shellQuote(Reply({{"dir", (home / "R").string()}}).dump()));
  EXPECT_EQ(found["progs"]["dir"], (home / "R/open").string()) << found.dump();
}

}  // namespace
}  // namespace velmorin
