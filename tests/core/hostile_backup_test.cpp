// The library on backups made to lie, cut short, built to cost minutes, and
// swapped for a FIFO while it reads them; links named as programs. Each
// archive is written byte by byte, so what its directory says can differ
// from what it holds.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <future>
#include <map>
#include <thread>
#include <unistd.h>

#include "commands/dispatcher.h"
#include "vocabulary/json_text.h"
#include "support/hand_zip.h"
#include "support/nord_file.h"
#include "support/temp_tree.h"

namespace velmorin {
namespace {

using testing::HandZip;
using testing::nordFile;
using testing::TempTree;
using namespace std::chrono_literals;

const std::string kLongName = "Program/" + std::string(4096, 'n') + "/Long.ns3f";

// Backups of every kind of lie, in `folder`; `big` adds one of 100 MiB
// unpacked (slow under valgrind).
void writeHostileBackups(const TempTree& home, const std::string& folder, bool big = true) {
  HandZip lies;
  lies.central(lies.add("Program/Good.ns3f", nordFile("ns3f", 1, 592)));
  lies.central(lies.add("Program/Crc.ns3f", nordFile("ns3f", 1, 592, 1), true, [](auto& r) { r.crc ^= 1; }));
  lies.central(lies.add("Program/Old.ns3f", nordFile("ns3f", 0, 574), true, [](auto& r) { r.crc ^= 1; }));
  const std::string part = nordFile("ns3f", 1, 592).substr(0, 100);
  lies.central(lies.add("Program/Short.ns3f", part, true, [](auto& r) { r.size = 592; }));
  lies.central(lies.add("Program/Stored.ns3f", part, false, [](auto& r) { r.size = 592; }));
  lies.central(lies.add("Program/Garbled.ns3f", "\xff\xff\xff\xff not deflate", false, [](auto& r) { r.method = 8; }));
  lies.central(lies.add(kLongName, nordFile("ns3f", 1, 592)));
  home.file(folder + "/Lies.ns3b", lies.finish());

  HandZip whole;
  for (const char* name : {"A.ns3f", "B.ns3f", "C.ns3f"}) whole.central(whole.add(name, nordFile("ns3f", 1, 592)));
  const std::string cut = whole.finish();
  home.file(folder + "/Cut.ns3b", cut.substr(0, cut.size() - 30));

  // 2,000 records of one deflated mebibyte.
  HandZip bomb;
  HandZip::Record shared = bomb.add("P/0.ns3f", std::string(1 << 20, '\0'));
  for (int i = 0; i < 2000; ++i, shared.name = "P/" + std::to_string(i) + ".ns3f") bomb.central(shared);
  home.file(folder + "/Bomb.ns3b", bomb.finish());

  // 100 honest entries of a mebibyte each: 100 MiB from 100 KB.
  if (big) {
    HandZip large;
    for (int i = 0; i < 100; ++i) large.central(large.add("P/" + std::to_string(i) + ".ns3f", std::string(1 << 20, 'a')));
    home.file(folder + "/Big.ns3b", large.finish());
  }

  HandZip many;
  many.central(many.add("A.ns3f", nordFile("ns3f", 1, 592)));
  home.file(folder + "/Many.ns3b", many.finish(std::uint64_t{1} << 40));
}

// Rows by backup file name and path inside ("" for the backup's own row).
using Key = std::pair<std::string, std::string>;

std::map<Key, Json> rowsOf(const Reply& reply) {
  std::map<Key, Json> rows;
  for (const Json& program : reply["programs"]) {
    const std::string inside = program["inside"];
    const std::string path = program["path"];
    if (inside.empty()) rows[{fs::path(path).filename().string(), ""}] = program;
    else rows[{fs::path(inside).filename().string(), path}] = program;
  }
  return rows;
}

class HostileBackup : public ::testing::Test {
 protected:
  Reply library() { return work(values, "library", {{"dir", (home / "Music").string()}}); }
  TempTree home;
  Values values = valuesForHome(home.root());
};

TEST_F(HostileBackup, LiesCutsAndBombsAreDamagedWithTheirReasonAndCostLittle) {
  writeHostileBackups(home, "Music");
  const Reply reply = library();
  ASSERT_EQ(reply["ok"], true) << reply.dump().substr(0, 2000);
  auto rows = rowsOf(reply);
  const auto expect = [&](const std::string& backup, const std::string& path, const char* check, const char* problem) {
    const Json& row = rows[{backup, path}];
    EXPECT_EQ(row["check"], check) << backup << " " << path.substr(0, 60) << ": " << row;
    EXPECT_EQ(row["problem"], problem) << backup << " " << path.substr(0, 60) << ": " << row;
  };
  expect("Lies.ns3b", "Program/Good.ns3f", "ok", "");
  expect("Lies.ns3b", "Program/Crc.ns3f", "damaged", "zipCrc");
  expect("Lies.ns3b", "Program/Old.ns3f", "damaged", "zipCrc");
  expect("Lies.ns3b", "Program/Short.ns3f", "damaged", "short");
  expect("Lies.ns3b", "Program/Stored.ns3f", "damaged", "short");
  expect("Lies.ns3b", "Program/Garbled.ns3f", "damaged", "zipData");
  expect("Lies.ns3b", kLongName, "ok", "");
  EXPECT_EQ(rows[Key("Lies.ns3b", "Program/Crc.ns3f")]["slot"], "B:11");
  expect("Cut.ns3b", "", "damaged", "zipDamaged");
  expect("Bomb.ns3b", "", "damaged", "zipLimit");
  expect("Big.ns3b", "", "damaged", "zipLimit");
  expect("Many.ns3b", "", "damaged", "zipLimit");

  // Nothing of the bomb is listed; of the big one, what fitted its allowance.
  std::map<std::string, int> inside;
  for (const auto& [key, row] : rows) inside[key.first] += key.second.empty() ? 0 : 1;
  EXPECT_EQ(inside["Bomb.ns3b"], 0);
  EXPECT_GT(inside["Big.ns3b"], 0);
  EXPECT_LT(inside["Big.ns3b"], 100);
  EXPECT_EQ(inside["Cut.ns3b"] + inside["Many.ns3b"], 0);
  EXPECT_EQ(reply["total"], rows.size());
}

// The program itself under valgrind: no read of memory it did not write,
// whatever the archives say (ASan sees the same through the whole suite).
TEST_F(HostileBackup, TheProgramReadsThemUnderValgrindWithoutAnError) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "a sanitizer build is not run under valgrind";
#endif
  if (std::system("valgrind --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "valgrind is not installed";
  writeHostileBackups(home, "Music", false);
  int status = -1;
  const std::string out = testing::commandOutput(
      "HOME=" + testing::shellQuote(home.root().string()) + " valgrind -q --error-exitcode=99 " VELMORIN_BINARY
      " --command library " + testing::shellQuote(compactJson({{"dir", (home / "Music").string()}})),
      &status);
  EXPECT_EQ(status, 0);
  const auto reply = parseJson(out);
  ASSERT_TRUE(reply) << out.substr(0, 2000);
  auto rows = rowsOf(*reply);
  EXPECT_EQ(rows[Key("Lies.ns3b", kLongName)]["check"], "ok");
  EXPECT_EQ(rows[Key("Bomb.ns3b", "")]["problem"], "zipLimit");
}

// Nothing outside the walked folders is read: links named as programs or
// backups are left out, whatever they lead to.
TEST_F(HostileBackup, LinksNamedAsProgramsOrBackupsAreNotFollowed) {
  home.file("Music/Real.ns3f", nordFile("ns3f", 1, 592));
  home.file("Outside/Kept.ns3f", nordFile("ns3f", 1, 592));
  HandZip outside;
  outside.central(outside.add("Inside.ns3f", nordFile("ns3f", 1, 592)));
  home.file("Outside/Kept.ns3b", outside.finish());
  fs::create_symlink("/proc/self/status", home / "Music/Status.ns3f");
  fs::create_symlink(home / "Outside/Kept.ns3f", home / "Music/Elsewhere.ns3f");
  fs::create_symlink(home / "Outside/Kept.ns3b", home / "Music/Elsewhere.ns3b");
  const Reply reply = library();
  ASSERT_EQ(reply["total"], 1) << reply.dump();
  EXPECT_EQ(reply["programs"][0]["path"], (home / "Music/Real.ns3f").string());
}

// A thread swaps the backup for a FIFO and back as fast as it can while the
// library reads the folder again and again: every read ends.
TEST_F(HostileBackup, ABackupSwappedForAFifoMeanwhileNeverHoldsTheLibrary) {
  HandZip backup;
  backup.central(backup.add("Inside.ns3f", nordFile("ns3f", 1, 592)));
  const fs::path zip = home.file("Spare/zip", backup.finish());
  const fs::path fifo = home / "Spare/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const fs::path place = home.folder("Music") / "Live.ns3b";
  std::atomic<bool> stop = false;
  std::thread swapper([&] {
    while (!stop) {
      for (const fs::path& spare : {zip, fifo}) {
        std::rename(spare.c_str(), place.c_str());
        std::rename(place.c_str(), spare.c_str());
      }
    }
  });
  int reads = 0;
  bool held = false;
  for (const auto until = std::chrono::steady_clock::now() + 3s; std::chrono::steady_clock::now() < until && !held;
       ++reads) {
    auto read = std::async(std::launch::async, [&] { return library(); });
    held = read.wait_for(60s) == std::future_status::timeout;
    if (held) {
      stop = true;
      swapper.join();
      // A writer lets the reader that waits on the FIFO go.
      for (const fs::path& at : {fifo, place}) close(open(at.c_str(), O_WRONLY | O_NONBLOCK));
    }
    EXPECT_EQ(read.get()["ok"], true);
  }
  if (!held) {
    stop = true;
    swapper.join();
  }
  EXPECT_FALSE(held) << "a read of the library waited on the FIFO, after " << reads << " reads";
}

}  // namespace
}  // namespace velmorin
