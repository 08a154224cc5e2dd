// What a set of programs needs, on sets, sound files, backups and bundles the
// tests write themselves; and the library's facts of piano and sample files.
#include <gtest/gtest.h>

#include <map>

#include "commands/dispatcher.h"
#include "commands/sound_names.h"
#include "support/bit_writer.h"
#include "support/hand_zip.h"
#include "support/temp_tree.h"

namespace velmorin {
namespace {

using testing::ProgramWriter;
using testing::TempTree;

constexpr std::size_t kStage3PanelB = 0x107;

// A Stage 3 program: which panels are on (0 A, 1 B, 2 both), and for each
// panel its piano and synth switches and ids; a synth plays its sample only
// with the Sample oscillator (type 4).
struct Panel {
  bool piano = false;
  std::uint32_t pianoId = 0;
  bool synth = false;
  bool sampleOscillator = true;
  std::uint32_t sampleId = 0;
};
std::string stage3(int panels, const Panel& a, const Panel& b = {}) {
  ProgramWriter program("ns3f", 592);
  program.set(0x31, 6, 2, static_cast<std::uint32_t>(panels));
  for (const auto& [panel, shift] : {std::pair{a, std::size_t{0}}, std::pair{b, kStage3PanelB}}) {
    program.set(0x43 + shift, 7, 1, panel.piano).set(0x49 + shift, 3, 32, panel.pianoId);
    program.set(0x52 + shift, 7, 1, panel.synth).set(0x8D + shift, 1, 3, panel.sampleOscillator ? 4 : 0);
    program.set(0xA8 + shift, 2, 32, panel.sampleId);
  }
  return program.bytes();
}

// A Stage 2 program, slot A alone, its piano on; Stage 2 writes ids in a form of its own.
std::string stage2(std::uint32_t pianoId) {
  ProgramWriter program("ns2p", 565);
  program.set(0x2E, 7, 2, 0).set(0x48, 7, 1, 1).set(0xD0, 5, 32, (pianoId + 1) ^ 0x80000000u);
  return program.bytes();
}

// A piano or sample file: its name where the maker's header keeps it (20
// bytes earlier in the older header), then `size` bytes in all.
std::string soundFile(const std::string& type, int header, int version, const std::string& name,
                      std::size_t size = 0x200) {
  std::string bytes(size, '\0');
  bytes.replace(0, 4, "CBIN");
  testing::put(bytes, 0x04, header, 4);
  bytes.replace(0x08, 4, type);
  testing::put(bytes, 0x14, version, 2);
  std::size_t at = type == "nsmp" ? 0x52 : version >= 600 ? 0x68 : 0x48;
  if (header == 0) at -= 20;
  bytes.replace(at, name.size(), name);
  return bytes;
}

std::string zipOf(const std::map<std::string, std::string>& entries) {
  testing::HandZip zip;
  for (const auto& [name, data] : entries) zip.central(zip.add(name, data));
  return zip.finish();
}

class Needs : public ::testing::Test {
 protected:
  Needs() {
    values.soundsTable = home.file("table/sounds.tsv",
                                   "hash\text\tname\tversion\tcategory\tsize\n"
                                   "11111111\tnpno\tRoyal Grand\t5.3\tNone\t1000\n"
                                   "22222222\tnsmp3\tStrings Sect\t3.0\tMisc\t200\n"
                                   "33333333\tnpno\tBright Upright\t6.1\tNone\t3000\n"
                                   "44444444\tnsmp\tOld Pad\t2.0\tPad\t400\n"
                                   "55555555\t\tNo Size\t3.0\tMisc\t\n");
  }
  Reply run(const Json& args) { return work(values, "needs", args); }
  static Json at(const fs::path& path, const std::string& inside = "") {
    return {{"path", path.string()}, {"inside", inside}};
  }
  // The sounds of a reply by name (the id for one the table lacks).
  static std::map<std::string, Json> byName(const Reply& reply) {
    std::map<std::string, Json> sounds;
    for (const Json& sound : reply["sounds"])
      sounds[sound["name"] == "" ? sound["id"].get<std::string>() : sound["name"].get<std::string>()] = sound;
    return sounds;
  }
  static bool noteSays(const Reply& reply, const std::string& words) {
    for (const Json& note : reply["notes"])
      if (note.get<std::string>().find(words) != std::string::npos) return true;
    return false;
  }

  TempTree home;
  Values values = valuesForHome(home.root());
};

TEST(SoundNames, AnIdsFirstRowAnswersAndLinesThatDoNotParseArePassedOver) {
  TempTree tree;
  const fs::path table = tree.file("sounds.tsv",
                                   "hash\text\tname\tversion\tcategory\tsize\n"
                                   "0000ABCD\tnpno\tFirst\t1.0\tNone\t10\r\n"
                                   "0000abcd\tnpno\tSecond\t1.0\tNone\t20\n"
                                   "0000beef no tabs\n"
                                   "0000beef\tnsmp\tLast\t2.0\tPad\t30");
  ASSERT_TRUE(soundRow(table, 0xABCD));
  EXPECT_EQ(soundRow(table, 0xABCD)->name, "First");
  EXPECT_EQ(soundRow(table, 0xABCD)->size, 10);
  EXPECT_EQ(soundName(table, 0xABCD), "First");
  EXPECT_EQ(soundNamer(table)(0xBEEF), "Last");
  EXPECT_EQ(soundRow(table, 0xBEEF)->version, "2.0");
  EXPECT_FALSE(soundRow(table, 0x1234));
  EXPECT_EQ(soundNamer(table)(0x1234), "");
}

TEST_F(Needs, ASetsPianosAndSamplesFromTheSectionsThatPlayAndWhereThisComputerHasThem) {
  // Panel B is off: its piano does not count. Both panels of the second: A's
  // piano, B's unknown piano; B's piano id under a switched-off piano, and a
  // synth of another oscillator with an old sample id, do not count.
  const fs::path set = home.folder("Gig");
  const fs::path first = home.file("Gig/First.ns3f", stage3(0, {.piano = true, .pianoId = 0x11111111, .synth = true,
                                                                .sampleId = 0x22222222},
                                                           {.piano = true, .pianoId = 0x33333333}));
  const fs::path second = home.file("Gig/Second.ns3f",
                                    stage3(2, {.piano = true, .pianoId = 0x11111111, .synth = true, .sampleId = 0},
                                           {.piano = true, .pianoId = 0x0badcafe, .synth = true,
                                            .sampleOscillator = false, .sampleId = 0x44444444}));
  const fs::path old = home.file("Gig/Old.ns2p", stage2(0x33333333));
  const fs::path lead = home.file("Gig/Lead.nlas", testing::nordFile("nlas", 1, 141));

  // What this computer has: the piano as a file, the sample in a backup (older
  // header), and the same piano at another version, which is not it.
  home.file("Music/Pianos/Royal.npno", soundFile("npno", 1, 530, "Royal Grand"));
  home.file("Music/Pianos/Royal Older.npno", soundFile("npno", 1, 520, "Royal Grand"));
  home.file("Documents/Backup.ns3b", zipOf({{"Samp Lib/Strings.nsmp3", soundFile("nsmp", 0, 300, "Strings Sect")}}));

  const Reply reply = run({{"programs", Json::array({at(first), at(second), at(old), at(lead)})}});
  ASSERT_EQ(reply["ok"], true) << reply.dump();
  const auto sounds = byName(reply);
  ASSERT_EQ(sounds.size(), 4u) << reply.dump();
  EXPECT_EQ(sounds.at("Royal Grand"),
            (Json{{"id", "11111111"}, {"kind", "piano"}, {"name", "Royal Grand"}, {"version", "5.3"}, {"size", 1000},
                  {"programs", 2}, {"found", Json::array({at(home / "Music/Pianos/Royal.npno")})}}));
  EXPECT_EQ(sounds.at("Strings Sect")["found"], Json::array({at("Samp Lib/Strings.nsmp3", (home / "Documents/Backup.ns3b").string())}));
  EXPECT_EQ(sounds.at("Strings Sect")["programs"], 1);
  EXPECT_EQ(sounds.at("Bright Upright")["programs"], 1);  // the Stage 2 program alone
  EXPECT_EQ(sounds.at("Bright Upright")["found"], Json::array());
  EXPECT_EQ(sounds.at("0badcafe"), (Json{{"id", "0badcafe"}, {"kind", "piano"}, {"name", ""}, {"version", ""},
                                         {"size", 0}, {"programs", 1}, {"found", Json::array()}}));
  EXPECT_EQ(reply["sounds"][0]["kind"], "piano");
  EXPECT_EQ(reply["sounds"][3]["kind"], "sample");
  EXPECT_EQ(reply["missing"], 2);
  EXPECT_EQ(reply["bytesNeeded"], 3000);
  EXPECT_TRUE(noteSays(reply, "0badcafe")) << reply.dump();
  EXPECT_TRUE(noteSays(reply, "Nord Lead")) << reply.dump();

  // The whole folder is the same set; in Spanish the notes are too.
  values.preferredLanguages = [] { return std::vector<std::string>{"es"}; };
  const Reply folder = run({{"dir", set.string()}});
  ASSERT_EQ(folder["ok"], true) << folder.dump();
  EXPECT_EQ(folder["sounds"], reply["sounds"]);
  EXPECT_TRUE(noteSays(folder, "no está en la tabla")) << folder.dump();

  // A set's own folder is seen too, where the library does not look.
  TempTree away;
  away.file("Set/Upright.ns3f", stage3(0, {.piano = true, .pianoId = 0x33333333}));
  const fs::path upright = away.file("Set/Pianos/Upright.npno", soundFile("npno", 1, 610, "Bright Upright"));
  const Reply own = run({{"dir", (away.root() / "Set").string()}});
  ASSERT_EQ(own["ok"], true) << own.dump();
  EXPECT_EQ(byName(own).at("Bright Upright")["found"], Json::array({at(upright)})) << own.dump();
  EXPECT_EQ(own["missing"], 0);

  // Requests that name no set.
  EXPECT_EQ(run(Json::object())["code"], "invalid");
  EXPECT_EQ(run({{"programs", "First.ns3f"}})["code"], "invalid");
  EXPECT_EQ(run({{"programs", Json::array({{{"inside", ""}}})}})["code"], "invalid");
  EXPECT_EQ(run({{"dir", (home / "Nowhere").string()}})["code"], "notFound");
  const Reply gone = run({{"programs", Json::array({at(home / "Gig/Gone.ns3f")})}});
  EXPECT_EQ(gone["sounds"], Json::array());
  EXPECT_EQ(gone["notes"].size(), 1u) << gone.dump();
}

TEST_F(Needs, ABundlesDescriptionNamesWhatItsProgramsNeedAndWhatItHolds) {
  // Its first program plays nothing of its own; the description says it needs
  // a piano the bundle holds and a sample it does not. The second program is
  // described with child elements rather than attributes.
  const std::string quiet = stage3(0, {});
  const std::string meta =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- made by hand -->\n"
      "<bundle product=\"Nord Stage 3\">\n"
      "  <file name=\"Program/Solo.ns3f\" depCnt=\"2\" dep1=\"Samp Lib/Old Pad.nsmp\" dep0=\"Piano/Upright.npno\"/>\n"
      "  <file><name>Program/Duo.ns3f</name><depCnt>1</depCnt><dep0>Piano/Upright.npno</dep0>"
      "<dep1>Samp Lib/Beyond Count.nsmp</dep1></file>\n"
      "</bundle>\n";
  home.file("Set/Live.ns3fb", zipOf({{"meta.xml", meta},
                                     {"Program/Solo.ns3f", quiet},
                                     {"Program/Duo.ns3f", quiet},
                                     {"Piano/Upright.npno", soundFile("npno", 1, 610, "Bright Upright")}}));
  // Without a description, a bundle's programs still need what they play.
  home.file("Set/Plain.ns3fb",
            zipOf({{"Program/Grand.ns3f", stage3(0, {.piano = true, .pianoId = 0x11111111})}}));

  Reply reply = run({{"dir", (home / "Set").string()}});
  ASSERT_EQ(reply["ok"], true) << reply.dump();
  auto sounds = byName(reply);
  ASSERT_EQ(sounds.size(), 3u) << reply.dump();
  EXPECT_EQ(sounds.at("Bright Upright")["id"], "33333333");
  EXPECT_EQ(sounds.at("Bright Upright")["programs"], 2);
  EXPECT_EQ(sounds.at("Bright Upright")["found"],
            Json::array({at("Piano/Upright.npno", (home / "Set/Live.ns3fb").string())}));
  EXPECT_EQ(sounds.at("Old Pad")["id"], "44444444");
  EXPECT_EQ(sounds.at("Old Pad")["found"], Json::array());
  EXPECT_EQ(sounds.at("Royal Grand")["programs"], 1);
  EXPECT_EQ(reply["missing"], 2);
  EXPECT_EQ(reply["bytesNeeded"], 1400);
  EXPECT_TRUE(noteSays(reply, "\"Plain.ns3fb\" has no meta.xml")) << reply.dump();

  // Hostile descriptions: a document type with entities that would grow past
  // any memory, text that is not XML, another root, and one too large to read.
  // Each is a note; the programs still count.
  const std::string laughs =
      "<?xml version=\"1.0\"?><!DOCTYPE bundle [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;\">]>"
      "<bundle><file name=\"Program/Grand.ns3f\" depCnt=\"1\" dep0=\"&b;\"/></bundle>";
  const std::string grand = stage3(0, {.piano = true, .pianoId = 0x11111111});
  const std::map<std::string, std::string> hostile = {
      {"Laughs", laughs},
      {"Broken", "<bundle><file name=\"Program/Grand.ns3f\" dep0=\"Piano/Upright.npno\"></bundle>"},
      {"Other", "<library><file name=\"Program/Grand.ns3f\" dep0=\"Piano/Upright.npno\"/></library>"},
      {"Huge", "<bundle>" + std::string(2 << 20, ' ') + "</bundle>"}};
  Json programs = Json::array();
  for (const auto& [name, text] : hostile) {
    const fs::path bundle = home.file("Hostile/" + name + ".ns3fb", zipOf({{"meta.xml", text}, {"Program/Grand.ns3f", grand}}));
    programs.push_back(at("Program/Grand.ns3f", bundle.string()));
  }
  programs.push_back(at("Program/Grand.ns3f", home.file("Hostile/NotZip.ns3fb", grand).string()));
  reply = run({{"programs", programs}});
  ASSERT_EQ(reply["ok"], true) << reply.dump();
  sounds = byName(reply);
  ASSERT_EQ(sounds.size(), 1u) << reply.dump();
  EXPECT_EQ(sounds.at("Royal Grand")["programs"], 4);  // the one that is no ZIP could not be read
  EXPECT_TRUE(noteSays(reply, "\"Laughs.ns3fb\" is not XML")) << reply.dump();
  EXPECT_TRUE(noteSays(reply, "\"Broken.ns3fb\" is not XML")) << reply.dump();
  EXPECT_TRUE(noteSays(reply, "\"Other.ns3fb\" does not describe a bundle")) << reply.dump();
  EXPECT_TRUE(noteSays(reply, "\"Huge.ns3fb\" is too large")) << reply.dump();
  EXPECT_TRUE(noteSays(reply, "NotZip.ns3fb")) << reply.dump();
}

TEST_F(Needs, TheLibraryGivesPianosAndSamplesTheirKindNameAndVersionFromTheirHeaders) {
  home.file("Music/Grand.npno", soundFile("npno", 1, 530, "Royal Grand"));
  home.file("Music/Later.npno", soundFile("npno", 0, 610, "Bright Upright"));
  home.file("Music/Pad.nsmp3", soundFile("nsmp", 1, 301, "Old Pad"));
  // Hostile headers: cut short, a name that fills its field with no NUL, bytes that are not UTF-8.
  home.file("Music/Short.npno", soundFile("npno", 1, 530, "").substr(0, 0x16));
  home.file("Music/Long.npno", soundFile("npno", 1, 530, std::string(40, 'L')));
  home.file("Music/Odd.nsmp", soundFile("nsmp", 1, 200, "Pad \xff\xfe"));
  home.file("Music/Cut.nsmp", soundFile("nsmp", 1, 200, "Cut Name Goes On").substr(0, 0x56));
  home.file("Music/Tune.ns3f", stage3(0, {}));
  home.file("Music/Cut Short.ns3b", zipOf({{"Samp Lib/Pad.nsmp", soundFile("nsmp", 1, 200, "Pad")}}).substr(0, 60));

  const Reply library = work(values, "library", {{"dir", (home / "Music").string()}});
  ASSERT_EQ(library["ok"], true) << library.dump();
  std::map<std::string, Json> rows;
  for (const Json& row : library["programs"]) rows[row["name"].get<std::string>()] = row;
  const auto facts = [&](const char* name) {
    const Json& row = rows.at(name);
    return Json::array({row["kind"], row["soundName"], row["soundVersion"]});
  };
  EXPECT_EQ(facts("Grand"), Json::array({"piano", "Royal Grand", "5.3"}));
  EXPECT_EQ(rows.at("Grand")["version"], 530);  // the header's number stays as it was
  EXPECT_EQ(facts("Later"), Json::array({"piano", "Bright Upright", "6.1"}));
  EXPECT_EQ(facts("Pad"), Json::array({"sample", "Old Pad", "3.01"}));
  EXPECT_EQ(facts("Short"), Json::array({"piano", "", "5.3"}));
  EXPECT_EQ(facts("Long"), Json::array({"piano", std::string(32, 'L'), "5.3"}));
  EXPECT_EQ(facts("Odd"), Json::array({"sample", "Pad ??", "2.0"}));
  EXPECT_EQ(facts("Cut"), Json::array({"sample", "Cut", "2.0"}));
  EXPECT_EQ(facts("Tune"), Json::array({"program", "", ""}));
  EXPECT_EQ(facts("Cut Short"), Json::array({"backup", "", ""}));
}

}  // namespace
}  // namespace velmorin
