// Commands run at once from many threads, as the bridge runs them.
#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "archive_reading.h"
#include "commands/dispatcher.h"
#include "platform/fault_hook.h"
#include "support/temp_tree.h"

namespace velmorin {
namespace {

TEST(Concurrency, ScansInstallsAndZipsTogetherGiveTheSameRepliesAsAlone) {
  testing::TempTree home;
  const Values values = valuesForHome(home.root());
  for (int i = 0; i < 40; ++i) home.file("Sounds/p" + std::to_string(i) + ".ns3f", std::string(100 + i, 'x'));
  home.file("Sounds/Nord Stage 3 Program List.html", "<html/>");
  home.file("Pack/a/b.txt", "pack me");
  // Enough for the library to write its list on two threads.
  for (int i = 0; i < 600; ++i) home.file("Library/p" + std::to_string(i) + ".ns2p", std::string(50 + i, 'y'));
  const Reply libraryArgs = {{"dir", (home / "Library").string()}};
  const Reply expectedLibrary = work(values, "library", libraryArgs);
  ASSERT_EQ(expectedLibrary["programs"].size(), 600u);

  const Reply scanArgs = {{"dir", (home / "Sounds").string()}};
  const Reply expectedScan = work(values, "scan", scanArgs);
  const auto installArgs = [&](const std::string& model) {
    return Reply{{"dest", (home / "Dest").string()}, {"model", model}, {"progs", (home / "Sounds").string()},
                 {"ext", "ns3f"}, {"list", (home / "Sounds/Nord Stage 3 Program List.html").string()}};
  };

  std::vector<std::thread> threads;
  std::vector<Reply> replies(24);
  for (int i = 0; i < 24; ++i) {
    threads.emplace_back([&, i] {
      switch (i % 5) {
        case 0: replies[i] = work(values, "scan", scanArgs); break;
        case 1: replies[i] = work(values, "install", installArgs("Model " + std::to_string(i % 3))); break;
        case 2: replies[i] = work(values, "zip", {{"path", (home / "Pack").string()}}); break;
        case 3: replies[i] = work(values, "library", libraryArgs); break;
        default: replies[i] = work(values, "info", Reply::object()); break;
      }
    });
  }
  for (auto& thread : threads) thread.join();

  for (int i = 0; i < 24; ++i) {
    switch (i % 5) {
      case 0: EXPECT_EQ(replies[i], expectedScan); break;
      case 3: EXPECT_EQ(replies[i], expectedLibrary); break;
      case 1:
        EXPECT_EQ(replies[i]["ok"], true) << replies[i].dump();
        EXPECT_EQ(replies[i]["count"], 40);
        break;
      case 2: EXPECT_EQ(replies[i]["ok"], true) << replies[i].dump(); break;
      default: EXPECT_EQ(replies[i]["os"], "linux"); break;
    }
  }
  // Installs into the same model folder took turns: each folder is whole, with one archive.
  for (int m = 0; m < 3; ++m) {
    const fs::path model = home / ("Dest/Model " + std::to_string(m));
    int archives = 0;
    for (const auto& entry : fs::directory_iterator(model)) {
      if (entry.path().extension() == ".zip") {
        ++archives;
        EXPECT_TRUE(testing::archiveIsIntact(entry.path()));
        EXPECT_EQ(testing::archiveEntries(entry.path()).size(), 40u);
      }
    }
    EXPECT_EQ(archives, 1);
    EXPECT_FALSE(fs::exists(model / ".nuevo"));
    EXPECT_EQ(std::distance(fs::directory_iterator(model / "Programs (.ns3f)"), fs::directory_iterator()), 40);
  }
  EXPECT_EQ(testing::archiveEntries(home / "Desktop/Velmorin.zip"), (std::vector<std::string>{"Pack/", "Pack/a/", "Pack/a/b.txt"}));
}

// An exception in a worker thread (as running out of memory would throw)
// fails its own command and nothing else: the process goes on.
TEST(WorkerFaults, AnExceptionInAnyWorkerFailsOnlyItsCommand) {
  testing::TempTree home;
  const Values values = valuesForHome(home.root());
  for (int i = 0; i < 8; ++i) home.file("Pack/sub" + std::to_string(i) + "/p.ns3f", std::string(2000, 'p'));
  ASSERT_EQ(work(values, "zip", {{"path", (home / "Pack").string()}})["ok"], true);
  const auto archived = testing::archiveEntries(home / "Desktop/Velmorin.zip");

  static std::string plantedAt;
  platform::faultHook = [](const char* where) {
    if (plantedAt == where) throw std::runtime_error(std::string("planted in ") + where);
  };
  for (const char* where : {"tree-step", "zip-walk", "zip-piece"}) {
    plantedAt = where;
    const Reply scanned = work(values, "scan", {{"dir", (home / "Pack").string()}});
    const Reply zipped = work(values, "zip", {{"path", (home / "Pack").string()}});
    const Reply& failed = plantedAt == "tree-step" ? scanned : zipped;
    EXPECT_EQ(failed["ok"], false) << where;
    EXPECT_NE(failed.value("error", "").find(std::string("planted in ") + where), std::string::npos) << failed;
  }
  platform::faultHook = nullptr;
  EXPECT_EQ(testing::archiveEntries(home / "Desktop/Velmorin.zip"), archived);  // the earlier archive stayed
  EXPECT_EQ(work(values, "scan", {{"dir", (home / "Pack").string()}})["progs"]["count"], 1);
}

}  // namespace
}  // namespace velmorin
