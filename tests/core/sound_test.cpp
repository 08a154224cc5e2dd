// The sound and compare commands on programs the tests write field by field,
// as files and inside a backup.
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

class SoundCommand : public ::testing::Test {
 protected:
  // Panel A alone, its piano on: a Grand; panel B's organ on but B is off.
  ProgramWriter grand() {
    ProgramWriter program("ns3f", 592);
    program.set(0x31, 6, 2, 0).set(0x43, 7, 1, 1).set(0x48, 5, 3, 0).set(0xB6 + 0x107, 7, 1, 1);
    return program;
  }
  Reply run(const char* command, const Json& args) { return work(values, command, args); }
  Reply soundOf(const fs::path& path, const std::string& inside = "") {
    return run("sound", {{"path", path.string()}, {"inside", inside}});
  }

  TempTree home;
  Values values = valuesForHome(home.root());
};

TEST_F(SoundCommand, AProgramsSheetAndSummaryFromItsFileOrItsBackup) {
  const std::string bytes = grand().bytes();
  const fs::path file = home.file("Music/Warm Grand.ns3f", bytes);
  testing::HandZip zip;
  zip.central(zip.add("Program/Bank A/Warm Grand.ns3f", bytes));
  const fs::path backup = home.file("Music/Backup.ns3b", zip.finish());

  const Reply reply = soundOf(file);
  ASSERT_EQ(reply["ok"], true) << reply.dump();
  EXPECT_EQ(reply["decoded"], true);
  EXPECT_EQ(reply["name"], "Warm Grand");
  EXPECT_EQ(reply["model"], "Nord Stage 3");
  EXPECT_EQ(reply["check"], "ok");
  EXPECT_EQ(reply["version"], "3.04");
  EXPECT_EQ(reply["note"], "");
  EXPECT_EQ(reply["sheet"]["A"]["piano"]["type"], "Grand");
  EXPECT_EQ(reply["sheet"]["B"]["organ"]["on"], true);
  EXPECT_EQ(reply["summary"], "A: Grand");  // panel B, with its organ, is off
  const Reply inBackup = soundOf("Program/Bank A/Warm Grand.ns3f", backup.string());
  EXPECT_EQ(inBackup["sheet"], reply["sheet"]) << inBackup.dump();
  EXPECT_EQ(soundOf("Program/Bank A/Other.ns3f", backup.string())["code"], "notFound");

  // Damage that leaves the layout whole still shows the sound; a cut-off file does not.
  std::string damaged = bytes;
  damaged.back() ^= 1;
  const Reply broken = soundOf(home.file("Music/Broken.ns3f", damaged));
  EXPECT_EQ(broken["check"], "damaged");
  EXPECT_EQ(broken["decoded"], true);
  values.preferredLanguages = [] { return std::vector<std::string>{"es"}; };
  const Reply cut = soundOf(home.file("Music/Cut.ns3f", bytes.substr(0, 300)));
  EXPECT_EQ(cut["decoded"], false);
  EXPECT_EQ(cut["sheet"], nullptr);
  EXPECT_NE(cut["note"].get<std::string>().find("cortado"), std::string::npos) << cut.dump();
  const Reply lead = soundOf(home.file("Music/Lead.nlas", testing::nordFile("nlas", 1, 141)));
  EXPECT_EQ(lead["decoded"], false);
  EXPECT_NE(lead["note"].get<std::string>().find("Nord Lead"), std::string::npos) << lead.dump();
  EXPECT_EQ(soundOf(home / "Music/None.ns3f")["code"], "notFound");

  // The library says what plays in the same words, for files and backups alike.
  const Reply library = run("library", {{"dir", (home / "Music").string()}});
  std::map<std::string, Json> heard;
  for (const Json& program : library["programs"])
    heard[program["name"].get<std::string>() + (program["inside"] == "" ? "" : " (backup)")] = program["sound"];
  EXPECT_EQ(heard["Warm Grand"]["summary"], "A: Grand") << library.dump();
  EXPECT_EQ(heard["Warm Grand"]["piano"], "Grand");
  EXPECT_EQ(heard["Warm Grand"]["organ"], "");  // only on in panel B, which is off
  EXPECT_EQ(heard["Warm Grand (backup)"], heard["Warm Grand"]);
  EXPECT_EQ(heard["Lead"], nullptr);
  EXPECT_EQ(heard["Cut"], nullptr);
}

TEST_F(SoundCommand, CompareNamesEverySettingThatDiffersAndTheHeaderFacts) {
  const fs::path a = home.file("A.ns3f", grand().bytes());
  const fs::path b = home.file("B.ns3f", grand().set(0x48, 5, 3, 1).set(0x0E, 7, 8, 3).bytes());  // Upright, another slot
  const auto side = [](const fs::path& path) { return Json{{"path", path.string()}, {"inside", ""}}; };
  Reply reply = run("compare", {{"a", side(a)}, {"b", side(b)}});
  ASSERT_EQ(reply["ok"], true) << reply.dump();
  EXPECT_EQ(reply["decoded"], true);
  EXPECT_EQ(reply["sameSound"], false);
  EXPECT_EQ(reply["differences"], (Json::array({{{"key", "A.piano.type"}, {"a", "Grand"}, {"b", "Upright"}}})));
  EXPECT_EQ(reply["header"], (Json::array({{{"key", "slot"}, {"a", "A:11"}, {"b", "A:14"}},
                                            {{"key", "name"}, {"a", "A"}, {"b", "B"}}})));
  EXPECT_EQ(run("compare", {{"a", side(a)}, {"b", side(a)}})["sameSound"], true);

  // Without a layout the bytes after the header decide: another slot is the same sound.
  const fs::path leadA = home.file("LeadA.nlas", testing::nordFile("nlas", 1, 141, 0, 1));
  const fs::path leadB = home.file("LeadB.nlas", testing::nordFile("nlas", 1, 141, 2, 7));
  reply = run("compare", {{"a", side(leadA)}, {"b", side(leadB)}});
  EXPECT_EQ(reply["decoded"], false);
  EXPECT_EQ(reply["sameSound"], true);
  EXPECT_EQ(reply["differences"], Json::array());
  EXPECT_EQ(run("compare", {{"a", side(leadA)}})["code"], "invalid");
}

}  // namespace
}  // namespace velmorin
