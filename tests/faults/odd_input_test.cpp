// Odd names, many files, links and entries that vanish while a command runs.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "commands/commands.h"
#include "commands/dispatcher.h"
#include "core/archive_reading.h"
#include "fault_fixtures.h"

namespace velmorin {
namespace {

using namespace testing;

TEST(OddInput, NamesWithEveryKindOfCharacterRoundTrip) {
  TempTree home;
  const Values values = valuesForHome(home.root());
  const std::vector<std::string> names = {
      std::string(250, 'n') + ".ns3f",          // 255 bytes, the longest a name can be
      "with space 'single' \"double\".ns3f",
      "line\nbreak.ns3f",
      "Canción ñandú 音色.ns3f",
      std::string("latin1 \xe9\xe8.ns3f"),      // not UTF-8
      "<img src=x onerror=alert(1)>.ns3f",
  };
  for (const auto& name : names) home.file("Sounds it's \"odd\"/" + name, name);
  const fs::path progs = home / "Sounds it's \"odd\"";

  const Reply found = work(values, "scan", {{"dir", progs.string()}});
  EXPECT_EQ(found["progs"]["dir"], progs.string());
  EXPECT_EQ(found["progs"]["count"], static_cast<int>(names.size()));  // the final count takes every entry
  EXPECT_TRUE(parseJson(compactJson(found)));

  const Reply installed = work(values, "install", {{"dest", (home / "Dest é").string()}, {"model", "Nord \"Stage\" 3"},
                                                   {"progs", progs.string()}, {"ext", "ns3f"}});
  ASSERT_EQ(installed["ok"], true) << compactJson(installed);
  EXPECT_EQ(installed["count"], static_cast<int>(names.size()));
  const fs::path model = home / "Dest é/Nord \"Stage\" 3";
  EXPECT_EQ(namesIn(model / "Programs (.ns3f)"), std::set<std::string>(names.begin(), names.end()));

  const Reply zipped = work(values, "zip", {{"path", progs.string()}});
  ASSERT_EQ(zipped["ok"], true) << compactJson(zipped);
  EXPECT_TRUE(archiveIsIntact(home / "Desktop/Velmorin.zip"));
  EXPECT_EQ(archiveEntries(home / "Desktop/Velmorin.zip").size(), names.size() + 1);
}

TEST(OddInput, TenThousandProgramFilesInOneFolder) {
  TempTree home;
  const Values values = valuesForHome(home.root());
  for (int i = 0; i < 10'000; ++i) home.file("Many/p" + std::to_string(i) + ".nlsp", "lead");
  const Reply found = work(values, "scan", {{"dir", (home / "Many").string()}});
  EXPECT_EQ(found["progs"]["count"], 10'000);
  EXPECT_EQ(found["progs"]["size"], 40'000);
  const Reply installed = work(values, "install", {{"dest", (home / "Dest").string()}, {"model", "Nord Lead"},
                                                   {"progs", (home / "Many").string()}, {"ext", "nlsp"}});
  ASSERT_EQ(installed["ok"], true);
  EXPECT_EQ(installed["count"], 10'000);
  for (const auto& name : namesIn(home / "Dest/Nord Lead")) {
    if (name.ends_with(".zip")) {
      EXPECT_EQ(archiveEntries(home / "Dest/Nord Lead" / name).size(), 10'000u);
    }
  }
}

TEST(OddInput, HundredThousandEntriesInAScanRoot) {
  TempTree home;
  const Values values = valuesForHome(home.root());
  for (int folder = 0; folder < 100; ++folder) {
    const fs::path dir = home.folder("Big/f" + std::to_string(folder));
    for (int i = 0; i < 1000; ++i) {
      const std::string name = folder == 42 && i % 2 ? "p" + std::to_string(i) + ".ne6p" : "doc" + std::to_string(i) + ".txt";
      std::ofstream(dir / name);
    }
  }
  const Reply found = work(values, "scan", {{"dir", (home / "Big").string()}});
  EXPECT_EQ(found["progs"]["dir"], (home / "Big/f42").string());
  EXPECT_EQ(found["progs"]["count"], 500);
}

TEST(OddInput, LinkLoopsAndLinksOutOfTheTreeAreNotFollowed) {
  TempTree home;
  const Values values = valuesForHome(home.root());
  home.file("Outside/o1.ns4f", "outside");
  home.file("Outside/o2.ns4f", "outside");
  home.file("Tree/in.ns3f", "inside");
  fs::create_directory_symlink(home / "Tree", home / "Tree/self");
  fs::create_directory_symlink(home / "Outside", home / "Tree/elsewhere");
  EXPECT_EQ(work(values, "scan", {{"dir", (home / "Tree").string()}})["progs"]["dir"], (home / "Tree").string());
  EXPECT_EQ(folderSize(home / "Tree"),
            static_cast<std::int64_t>(6 + (home / "Tree").string().size() + (home / "Outside").string().size()));
  ASSERT_EQ(work(values, "zip", {{"path", (home / "Tree").string()}})["ok"], true);
  EXPECT_EQ(archiveEntries(home / "Desktop/Velmorin.zip"),
            (std::vector<std::string>{"Tree/", "Tree/elsewhere", "Tree/in.ns3f", "Tree/self"}));
}

TEST(OddInput, EntriesVanishingDuringScansAndZipsNeverBreakAReply) {
  TempTree home;
  const Values values = valuesForHome(home.root());
  for (int i = 0; i < 50; ++i) home.file("Churn/keep/k" + std::to_string(i) + ".ns3f", "k");
  std::atomic<bool> stop = false;
  std::thread churn([&] {
    for (int i = 0; !stop; ++i) {
      const fs::path dir = home / ("Churn/d" + std::to_string(i % 20));
      std::error_code ec;
      fs::create_directories(dir, ec);
      for (int j = 0; j < 10; ++j) std::ofstream(dir / ("x" + std::to_string(j) + ".ns4f")) << "data";
      fs::remove_all(home / ("Churn/d" + std::to_string((i + 10) % 20)), ec);
    }
  });
  for (int round = 0; round < 30; ++round) {
    const Reply found = work(values, "scan", {{"dir", (home / "Churn").string()}});
    ASSERT_TRUE(found.is_object());
    const Reply zipped = work(values, "zip", {{"path", (home / "Churn/keep").string()}});
    EXPECT_EQ(zipped["ok"], true) << compactJson(zipped);
  }
  stop = true;
  churn.join();
}

}  // namespace
}  // namespace velmorin
