// The program library on files made from the public facts about the header:
// every known type with both headers, categories, slots at their edges, forum
// names, each kind of damage, backups that are and are not ZIP archives.
#include <gtest/gtest.h>

#include <map>

#include "commands/commands.h"
#include "commands/dispatcher.h"
#include "commands/program_header.h"
#include "platform/checksum.h"
#include "support/crc_forge.h"
#include "support/hand_zip.h"
#include "support/nord_file.h"
#include "support/temp_tree.h"

namespace velmorin {
namespace {

using testing::nordFile;
using testing::TempTree;

// The programs of a "library" reply by name (and the backup's, for its entries).
std::map<std::string, Json> byName(const Reply& reply) {
  std::map<std::string, Json> programs;
  for (const Json& program : reply["programs"]) programs[program["name"].get<std::string>()] = program;
  return programs;
}

class Library : public ::testing::Test {
 protected:
  Reply read() { return work(values, "library", {{"dir", (home / "Music").string()}}); }
  TempTree home;
  Values values = valuesForHome(home.root());
};

TEST_F(Library, ReadsEveryKnownTypeWithBothHeadersAndTellsEachKindOfDamage) {
  const std::map<std::string, std::pair<int, int>> sizes = {
      {"ns3f", {574, 592}}, {"ns2p", {547, 565}}, {"nlas", {123, 141}}, {"ns3y", {84, 102}}, {"ns2s", {60, 78}}};
  for (const auto& [type, size] : sizes) {
    home.file("Music/" + type + " old." + type, nordFile(type, 0, size.first, 1, 3, 0x0C, 123));
    home.file("Music/" + type + " new." + type, nordFile(type, 1, size.second, 1, 3, 0x0C, 123));
  }
  std::string crc = nordFile("ns3f", 1, 592);
  crc.back() ^= 1;
  home.file("Music/crc.ns3f", crc);
  home.file("Music/magic.ns3f", "XXXX" + nordFile("ns3f", 1, 592).substr(4));
  home.file("Music/type.ns3f", nordFile("ns2p", 1, 592));
  home.file("Music/size.ns3f", nordFile("ns3f", 1, 600));
  home.file("Music/short.ns3f", "");
  home.file("Music/foreign.ne6p", "another format");
  home.file("Music/newer.ne6p", nordFile("ne6p", 1, 3000));  // no known size: its checksum alone
  home.file("Music/.hidden.ns3f", nordFile("ns3f", 1, 592));

  const Reply reply = read();
  ASSERT_EQ(reply["ok"], true) << reply.dump();
  auto programs = byName(reply);
  for (const auto& [type, size] : sizes) {
    const Json& older = programs[type + " old"];
    const Json& newer = programs[type + " new"];
    EXPECT_EQ(older["check"], "unchecked") << older;
    EXPECT_EQ(newer["check"], "ok") << newer;
    EXPECT_EQ(newer["size"], size.second);
    EXPECT_EQ(newer["type"], type);
    EXPECT_EQ(newer["header"], 1);
    EXPECT_EQ(newer["category"], "Synth");
    EXPECT_EQ(newer["version"], 123);
  }
  EXPECT_EQ(programs["nlas new"]["model"], "Nord Lead A1");
  EXPECT_EQ(programs["ns3f new"]["model"], "Nord Stage 3");
  for (const char* problem : {"crc", "magic", "type", "size", "short"}) {
    EXPECT_EQ(programs[problem]["check"], "damaged") << problem;
    EXPECT_EQ(programs[problem]["problem"], problem);
  }
  EXPECT_EQ(programs["magic"]["type"], "");
  EXPECT_EQ(programs["magic"]["category"], "");
  EXPECT_EQ(programs["foreign"]["check"], "unknown");
  EXPECT_EQ(programs["newer"]["check"], "ok");
  EXPECT_FALSE(programs.contains(".hidden"));
  EXPECT_EQ(reply["damaged"], 5);
  EXPECT_EQ(reply["total"], 10 + 7);
  EXPECT_EQ(reply["truncated"], false);
  EXPECT_EQ(reply["folders"].size(), 1u);
  EXPECT_EQ(reply["folders"][0]["count"], 17);
}

TEST_F(Library, ShowsCategoriesSlotsAndNamesAsTheKeyboardDoes) {
  EXPECT_EQ(categoryName(0x00), "Acoustic");
  EXPECT_EQ(categoryName(0x1E), "Arpeggio");
  EXPECT_EQ(categoryName(0xFF), "Undefined");
  EXPECT_EQ(categoryName(0x03), "3");  // unknown: a number, not damage
  EXPECT_EQ(slotText("ns3f", 0, 0), "A:11");
  EXPECT_EQ(slotText("ns3f", 1, 24), "B:55");
  EXPECT_EQ(slotText("ns3f", 15, 25), "26");
  EXPECT_EQ(slotText("ns2p", 0, 0), "A:01:1");
  EXPECT_EQ(slotText("nlas", 2, 7), "8");
  EXPECT_EQ(programName("1624224019581-Warm Pad.ns3f"), "Warm Pad");
  EXPECT_EQ(programName("162422401958-Not a stamp.ns3f"), "162422401958-Not a stamp");

  // Stage 2 keeps only the low bits of its bank and location.
  home.file("Music/Masked.ns2p", nordFile("ns2p", 1, 565, 0x05, 0x80 | 6, 0x03));
  const Json masked = byName(read())["Masked"];
  EXPECT_EQ(masked["bank"], 1);
  EXPECT_EQ(masked["location"], 6);
  EXPECT_EQ(masked["slot"], "B:02:2");
  EXPECT_EQ(masked["category"], "3");
  EXPECT_EQ(masked["categoryCode"], 3);
}

TEST_F(Library, ListsTheProgramsInsideBackupsAndNumbersIdenticalContent) {
  const fs::path source = home.file("Make/Program/Bank A/Inside.ns3f", nordFile("ns3f", 1, 592, 0, 4));
  home.file("Make/Program/Bank A/Broken.ns3f", "XXXX" + nordFile("ns3f", 1, 592).substr(4));
  home.file("Make/readme.txt", "not a program");
  home.folder("Music");
  int status = -1;
  testing::commandOutput("cd " + testing::shellQuote((home / "Make").string()) + " && zip -qr " +
                             testing::shellQuote((home / "Music/Live.ns3b").string()) + " Program readme.txt",
                         &status);
  ASSERT_EQ(status, 0);
  fs::copy_file(source, home / "Music/Same as inside.ns3f");
  home.file("Music/Fake.ns3b", "not a zip at all");

  const Reply reply = read();
  auto programs = byName(reply);
  ASSERT_EQ(reply["total"], 3) << reply.dump();
  EXPECT_EQ(programs["Inside"]["inside"], (home / "Music/Live.ns3b").string());
  EXPECT_EQ(programs["Inside"]["path"], "Program/Bank A/Inside.ns3f");
  EXPECT_EQ(programs["Inside"]["slot"], "A:15");
  EXPECT_EQ(programs["Inside"]["check"], "ok");
  EXPECT_EQ(programs["Broken"]["problem"], "magic");
  EXPECT_EQ(programs["Same as inside"]["inside"], "");
  EXPECT_NE(programs["Inside"]["dup"], 0);
  EXPECT_EQ(programs["Inside"]["dup"], programs["Same as inside"]["dup"]);
  EXPECT_EQ(programs["Broken"]["dup"], 0);
  // A backup's programs belong to the folder that holds the backup.
  ASSERT_EQ(reply["folders"].size(), 1u);
  EXPECT_EQ(reply["folders"][0]["dir"], (home / "Music").string());
  EXPECT_EQ(reply["folders"][0]["count"], 3);
  EXPECT_EQ(reply["folders"][0]["models"], Json::array({"Nord Stage 3"}));
}

// The Music folder is read; the copies an install made of it are marked as
// our own, and each folder says how many programs of each kind lie directly in it.
TEST_F(Library, ReadsMusicAndMarksTheCopiesAnInstallMade) {
  home.file("Music/Stage/A.ns3f", nordFile("ns3f", 1, 592, 0, 1));
  home.file("Music/Stage/B.ns3f", nordFile("ns3f", 1, 592, 0, 2));
  home.file("Music/Stage/Live.ns3y", nordFile("ns3y", 1, 102));
  ASSERT_EQ(work(values, "install", {{"dest", (values.DESKTOP / "Velmorin").string()}, {"model", "Nord Stage 3"},
                                     {"progs", (home / "Music/Stage").string()}, {"ext", "ns3f"}})["ok"], true);

  const Reply reply = work(values, "library", Reply::object());
  std::map<std::string, int> own, others;
  for (const Json& program : reply["programs"]) {
    const std::string where = program["inside"] != "" ? fs::path(program["inside"].get<std::string>()).filename().string()
                                                      : fs::path(program["path"].get<std::string>()).parent_path().filename().string();
    (program["own"] == true ? own : others)[where] += 1;
  }
  EXPECT_EQ(others, (std::map<std::string, int>{{"Stage", 3}})) << reply.dump();
  EXPECT_EQ(own, (std::map<std::string, int>{{"Programs (.ns3f)", 2}})) << reply.dump();
  for (const Json& folder : reply["folders"]) {
    const bool music = folder["dir"] == (home / "Music/Stage").string();
    EXPECT_EQ(folder["own"], !music) << folder;
    if (music) {
      EXPECT_EQ(folder["programs"], (Json{{"ns3f", 2}}));  // presets are not installed
    }
  }
}

TEST_F(Library, ProgramsWithTheSameSizeAndCrcAreDuplicatesOnlyWhenTheirBytesAre) {
  // Two intact programs of one length and CRC-32 that differ in their sound:
  // the second's body changed (its own checksum made good again), then four
  // bytes of the header that nothing reads chosen to bring the CRC back.
  const std::string first = nordFile("ns3f", 1, 592, 0, 4);
  std::string second = first;
  second[0x100] ^= 0x5A;
  testing::put(second, 0x18, platform::crc32Of(std::string_view(second).substr(0x2C)), 4);
  second = testing::withCrc(second, 0x1C, platform::crc32Of(first));
  ASSERT_NE(first, second);
  ASSERT_EQ(platform::crc32Of(first), platform::crc32Of(second));

  home.file("Music/First.ns3f", first);
  home.file("Music/Second.ns3f", second);
  home.file("Music/Copy of first.ns3f", first);
  testing::HandZip zip;
  zip.central(zip.add("Program/readme.ns3f", "not a program"));
  zip.central(zip.add("Program/First inside.ns3f", first));
  zip.central(zip.add("Program/Second inside.ns3f", second));
  zip.central(zip.add("Program/Second again.ns3f", second, false));
  home.file("Music/Live.ns3b", zip.finish());

  auto programs = byName(read());
  ASSERT_EQ(programs.size(), 7u);
  EXPECT_EQ(programs["First"]["check"], "ok");
  EXPECT_EQ(programs["Second"]["check"], "ok");
  const Json firstDup = programs["First"]["dup"], secondDup = programs["Second"]["dup"];
  EXPECT_NE(firstDup, 0);
  EXPECT_NE(secondDup, 0);
  EXPECT_NE(firstDup, secondDup);
  EXPECT_EQ(programs["Copy of first"]["dup"], firstDup);
  EXPECT_EQ(programs["First inside"]["dup"], firstDup);
  EXPECT_EQ(programs["Second inside"]["dup"], secondDup);
  EXPECT_EQ(programs["Second again"]["dup"], secondDup);

  // Alone with its look-alike, neither is a duplicate.
  fs::remove(home / "Music/Live.ns3b");
  fs::remove(home / "Music/Copy of first.ns3f");
  programs = byName(read());
  EXPECT_EQ(programs["First"]["dup"], 0);
  EXPECT_EQ(programs["Second"]["dup"], 0);
}

TEST_F(Library, TenThousandFilesAreListedAndACancelStopsTheWalk) {
  for (int i = 0; i < 10'000; ++i)
    home.file("Music/Set " + std::to_string(i % 40) + "/P" + std::to_string(i) + ".ns3f",
              nordFile("ns3f", 1, 592, i % 16, i % 25));
  const Reply reply = read();
  EXPECT_EQ(reply["total"], 10'000);
  EXPECT_EQ(reply["folders"].size(), 40u);
  EXPECT_EQ(reply["damaged"], 0);
  platform::WorkControl stopped;
  stopped.cancel();
  EXPECT_EQ(work(values, "library", {{"dir", (home / "Music").string()}}, &stopped)["code"], "cancelled");
}

}  // namespace
}  // namespace velmorin
