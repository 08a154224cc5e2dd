// Two collections set side by side: folders and backups the tests write,
// every kind of row, formats without a layout or a readable header, and
// collections that are not what they claim.
#include <gtest/gtest.h>

#include <map>

#include "commands/dispatcher.h"
#include "support/bit_writer.h"
#include "support/hand_zip.h"
#include "support/temp_tree.h"

namespace velmorin {
namespace {

using testing::ProgramWriter;
using testing::TempTree;

// Panel A's piano on, of `type` (Grand 0 ... Misc 5), at `location`; panel B
// off with its organ on.
ProgramWriter sound(int type, int location) {
  ProgramWriter program("ns3f", 592);
  program.set(0x31, 6, 2, 0).set(0x43, 7, 1, 1).set(0x48, 5, 3, type).set(0xB6 + 0x107, 7, 1, 1);
  program.set(0x0E, 7, 8, location);
  return program;
}

class CompareSets : public ::testing::Test {
 protected:
  Reply compare(const fs::path& a, const fs::path& b, platform::WorkControl* control = nullptr) {
    return work(values, "compareSets", {{"a", a.string()}, {"b", b.string()}}, control);
  }
  // The rows by name and state: "Three changed".
  static std::map<std::string, Json> rowsOf(const Reply& reply) {
    std::map<std::string, Json> rows;
    for (const Json& row : reply["rows"])
      rows[row["name"].get<std::string>() + " " + row["state"].get<std::string>()] = row;
    return rows;
  }

  TempTree home;
  Values values = valuesForHome(home.root());
};

TEST_F(CompareSets, EveryKindOfRowBetweenTwoFolders) {
  home.file("A/Bank A/One.ns3f", sound(0, 0).bytes());
  home.file("A/Bank A/Two.ns3f", sound(1, 1).bytes());
  home.file("A/Bank A/Three.ns3f", sound(2, 2).bytes());
  home.file("A/Bank A/Four.ns3f", sound(3, 3).bytes());
  home.file("A/Bank A/Five.ns3f", sound(4, 4).bytes());
  home.file("A/Lead.nlas", testing::nordFile("nlas", 1, 141, 0, 2));
  home.file("A/Mystery.ns4f", "not a Nord header, version 1");
  home.file("A/Odd.ns4f", "not a Nord header either");

  home.file("B/Bank A/One.ns3f", sound(0, 0).bytes());
  home.file("B/Bank A/Two live.ns3f", sound(1, 1).olderBytes());  // renamed, saved by older software
  home.file("B/Bank A/Three.ns3f", sound(5, 2).bytes());
  home.file("B/Bank B/Four.ns3f", sound(3, 7).bytes());
  home.file("B/Bank A/Six.ns3f", sound(0, 5).set(0xB6 + 0x107, 7, 1, 0).bytes());
  std::string lead = testing::nordFile("nlas", 1, 141, 0, 2);
  lead[0x60] ^= 1;
  home.file("B/Lead.nlas", lead);
  home.file("B/Mystery.ns4f", "not a Nord header, version 2");
  home.file("B/Odd.ns4f", "not a Nord header either");

  const Reply reply = compare(home / "A", home / "B");
  ASSERT_EQ(reply["ok"], true) << reply.dump();
  EXPECT_EQ(reply["counts"], (Json{{"added", 1}, {"removed", 1}, {"changed", 3}, {"moved", 1}, {"same", 3}}))
      << reply.dump(1);
  EXPECT_EQ(reply["notes"], Json::array());
  auto rows = rowsOf(reply);

  EXPECT_EQ(rows["One same"]["slot"], "A:11");
  EXPECT_EQ(rows["One same"]["model"], "Nord Stage 3");
  EXPECT_EQ(rows["One same"]["a"]["path"], (home / "A/Bank A/One.ns3f").string());
  EXPECT_EQ(rows["One same"]["b"]["inside"], "");
  EXPECT_EQ(rows["One same"]["differences"], 0);
  // A new name alone is the same program; both names are shown.
  EXPECT_EQ(rows["Two live same"]["a"]["name"], "Two");
  EXPECT_EQ(rows["Two live same"]["b"]["name"], "Two live");

  const Json& changed = rows["Three changed"];
  EXPECT_EQ(changed["slot"], "A:13");
  EXPECT_EQ(changed["differences"], 1);
  EXPECT_EQ(changed["keys"], Json::array({"A.piano.type"}));

  // Four's sound left A:14 for A:23: one row, with b's slot and name.
  const Json& moved = rows["Four moved"];
  EXPECT_EQ(moved["slot"], "A:23");
  EXPECT_EQ(moved["a"]["slot"], "A:14");
  EXPECT_EQ(moved["b"]["path"], (home / "B/Bank B/Four.ns3f").string());
  EXPECT_EQ(rows.count("Four removed"), 0u);

  EXPECT_EQ(rows["Five removed"]["b"], nullptr);
  EXPECT_EQ(rows["Five removed"]["slot"], "A:15");
  EXPECT_EQ(rows["Six added"]["a"], nullptr);
  EXPECT_EQ(rows["Six added"]["slot"], "A:21");

  // Without a layout a change is one difference with no keys; a file whose
  // header cannot be read is matched by its name.
  EXPECT_EQ(rows["Lead changed"]["differences"], 1);
  EXPECT_EQ(rows["Lead changed"]["keys"], Json::array());
  EXPECT_EQ(rows["Lead changed"]["model"], "Nord Lead A1");
  EXPECT_EQ(rows["Mystery changed"]["slot"], "");
  EXPECT_EQ(rows["Mystery changed"]["differences"], 1);
  EXPECT_EQ(rows["Odd same"]["slot"], "");

  // Swapped programs: two moves and nothing removed.
  home.file("C/X.ns3f", sound(0, 0).bytes());
  home.file("C/Y.ns3f", sound(1, 1).bytes());
  home.file("D/X.ns3f", sound(0, 1).bytes());
  home.file("D/Y.ns3f", sound(1, 0).bytes());
  EXPECT_EQ(compare(home / "C", home / "D")["counts"],
            (Json{{"added", 0}, {"removed", 0}, {"changed", 0}, {"moved", 2}, {"same", 0}}));

  // Several programs at one slot, a folder each: paired by file name first.
  for (const char* side : {"E", "F"}) {
    home.file(std::string(side) + "/Set 1/" + (side[0] == 'E' ? "P" : "Q") + ".ns3f", sound(side[0] == 'E' ? 0 : 1, 0).bytes());
    home.file(std::string(side) + "/Set 2/" + (side[0] == 'E' ? "Q" : "P") + ".ns3f", sound(side[0] == 'E' ? 1 : 0, 0).bytes());
  }
  EXPECT_EQ(compare(home / "E", home / "F")["counts"]["same"], 2);
}

TEST_F(CompareSets, AFolderAgainstABackupWithProgressAndCancel) {
  home.file("Set/One.ns3f", sound(0, 0).bytes());
  home.file("Set/Two.ns3f", sound(1, 1).bytes());
  testing::HandZip zip;
  zip.central(zip.add("Program/Bank A/One.ns3f", sound(0, 0).bytes()));
  zip.central(zip.add("Program/Bank A/Two.ns3f", sound(1, 6).bytes(), false));
  zip.central(zip.add("readme.txt", "notes"));
  const std::string archive = zip.finish();
  const fs::path backup = home.file("Backup.ns3b", archive);

  std::uint64_t heard = 0;
  platform::WorkControl control([&](const platform::WorkProgress& progress) { heard = std::max(heard, progress.done); },
                                std::chrono::milliseconds(0));
  const Reply reply = compare(home / "Set", backup, &control);
  ASSERT_EQ(reply["ok"], true) << reply.dump();
  EXPECT_GT(heard, 0u);
  EXPECT_EQ(reply["counts"], (Json{{"added", 0}, {"removed", 0}, {"changed", 0}, {"moved", 1}, {"same", 1}}));
  auto rows = rowsOf(reply);
  EXPECT_EQ(rows["One same"]["b"], (Json{{"path", "Program/Bank A/One.ns3f"}, {"inside", backup.string()},
                                         {"slot", "A:11"}, {"name", "One"}}));
  EXPECT_EQ(rows["Two moved"]["slot"], "A:22");
  EXPECT_EQ(rows["Two moved"]["a"]["path"], (home / "Set/Two.ns3f").string());

  // The backup against itself, the other way round: nothing changed.
  EXPECT_EQ(compare(backup, backup)["counts"]["same"], 2);

  platform::WorkControl stopped;
  stopped.cancel();
  EXPECT_EQ(compare(home / "Set", backup, &stopped)["code"], "cancelled");
}

TEST_F(CompareSets, CollectionsThatAreNotWhatTheyClaim) {
  home.file("Set/One.ns3f", sound(0, 0).bytes());
  const fs::path fake = home.file("Fake.ns3b", "not a zip at all");
  Reply reply = compare(home / "Set", fake);
  EXPECT_EQ(reply["ok"], false);
  EXPECT_EQ(reply["code"], "invalid");
  EXPECT_NE(reply["error"].get<std::string>().find("Fake.ns3b"), std::string::npos) << reply.dump();

  // A backup cut short: what was read before the damage is compared, and a note says so.
  testing::HandZip zip;
  zip.central(zip.add("One.ns3f", sound(0, 0).bytes()));
  const std::string whole = zip.finish();
  const fs::path cut = home.file("Cut.ns3b", whole.substr(0, whole.size() - 10));
  reply = compare(home / "Set", cut);
  ASSERT_EQ(reply["ok"], true) << reply.dump();
  ASSERT_EQ(reply["notes"].size(), 1u);

  values.preferredLanguages = [] { return std::vector<std::string>{"es"}; };
  reply = compare(home / "Set", fake);
  EXPECT_NE(reply["error"].get<std::string>().find("no es una carpeta"), std::string::npos) << reply.dump();
  EXPECT_EQ(compare(home / "Set", home / "Missing")["code"], "notFound");
  EXPECT_EQ(work(values, "compareSets", {{"a", (home / "Set").string()}})["code"], "invalid");
  EXPECT_EQ(work(values, "compareSets", {{"a", 3}, {"b", "x"}})["code"], "invalid");
}

}  // namespace
}  // namespace velmorin
