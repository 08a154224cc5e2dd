// Restoring chosen programs from backups and folders the tests make, read
// back with unzip and by reading the destination's files.
#include <gtest/gtest.h>

#include <map>

#include "archive_reading.h"
#include "commands/dispatcher.h"
#include "support/hand_zip.h"
#include "support/nord_file.h"
#include "support/private_trash.h"
#include "support/temp_tree.h"

namespace velmorin {
namespace {

using testing::TempTree;
using Files = std::map<std::string, std::string>;

// Every file below `folder` (hidden ones too) with its content, by relative path.
Files filesBelow(const fs::path& folder) {
  Files files;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (!entry.is_directory()) files[fs::relative(entry.path(), folder).string()] = testing::readText(entry.path());
  return files;
}

std::vector<std::string> texts(const Json& list) { return list.get<std::vector<std::string>>(); }

class RestoreTest : public ::testing::Test {
 protected:
  Reply restore(const fs::path& from, const std::vector<std::string>& entries, bool preview = false) {
    Reply args = {{"from", from.string()}, {"entries", entries}, {"dest", (home / "Dest").string()}};
    if (preview) args["restore"] = true;
    return work(values, preview ? "plan" : "restore", args);
  }

  TempTree home;
  Values values = valuesForHome(home.root());
};

TEST_F(RestoreTest, ReplacesThroughTheTrashReadsBackAndDoesWhatThePreviewSaid) {
  const std::string warm = testing::nordFile("ns3f", 1, 3000, 0, 4);
  home.file("Make/Program/Bank A/Warm.ns3f", warm);
  home.file("Make/Program/Bank A/Bright.ns3f", testing::nordFile("ns3f", 1, 2000, 0, 5));
  home.file("Make/Program/Bank B/Same.ns3f", testing::nordFile("ns3f", 1, 1000, 1, 0));
  testing::commandOutput("cd " + testing::shellQuote((home / "Make").string()) + " && zip -qr ../Backup.ns3b Program");
  const fs::path backup = home / "Backup.ns3b";
  ASSERT_TRUE(fs::exists(backup));
  home.file("Dest/Warm.ns3f", "the one overwritten on stage");
  home.file("Dest/Same.ns3f", testing::nordFile("ns3f", 1, 1000, 1, 0));
  home.file("Dest/Notes.txt", "the user's own");
  const std::vector<std::string> chosen = {"Program/Bank A/Warm.ns3f", "Program/Bank A/Bright.ns3f",
                                           "Program/Bank B/Same.ns3f"};

  const Files before = filesBelow(home / "Dest");
  const Reply plan = restore(backup, chosen, true);
  ASSERT_EQ(plan["ok"], true) << plan.dump();
  EXPECT_EQ(plan["programs"], Json({{"add", {"Bright.ns3f"}}, {"replace", {"Warm.ns3f"}}, {"same", {"Same.ns3f"}}}));
  EXPECT_EQ(plan["trash"], 1);
  EXPECT_EQ(plan["bytesNeeded"], 5000);
  EXPECT_GT(plan["bytesFree"].get<std::int64_t>(), 0);
  EXPECT_EQ(plan["warnings"], Json::array());
  EXPECT_EQ(filesBelow(home / "Dest"), before) << "the preview changed something";

  const auto trashedBefore = testing::trashedItems();
  const Reply done = restore(backup, chosen);
  ASSERT_EQ(done["ok"], true) << done.dump();
  EXPECT_EQ(done, Json({{"ok", true}, {"written", 2}, {"replaced", 1}, {"trashed", 1}, {"refused", Json::array()},
                        {"verified", true}}));
  // What was restored is what the backup holds, as unzip reads it.
  const Files after = filesBelow(home / "Dest");
  EXPECT_EQ(after, (Files{{"Warm.ns3f", testing::archiveMember(backup, chosen[0])},
                          {"Bright.ns3f", testing::archiveMember(backup, chosen[1])},
                          {"Same.ns3f", testing::archiveMember(backup, chosen[2])},
                          {"Notes.txt", "the user's own"}}));
  EXPECT_EQ(after.at("Warm.ns3f"), warm);
  // The overwritten one waits in the Trash, with the place it came from.
  int found = 0;
  for (const auto& [name, original] : testing::trashedItems())
    if (!trashedBefore.contains(name) && original == (home / "Dest/Warm.ns3f").string())
      found += testing::readText(testing::privateTrash() / "files" / name) == "the one overwritten on stage";
  EXPECT_EQ(found, 1);

  // Once restored, the same choice is all the same and writes nothing.
  const Reply again = restore(backup, chosen, true);
  EXPECT_EQ(again["programs"]["same"].size(), 3u) << again.dump();
  EXPECT_EQ(restore(backup, chosen)["written"], 0);

  // From a folder the entries are paths below it; a link is never followed.
  home.file("Dest/Warm.ns3f", "overwritten again");
  fs::create_symlink(home / "Dest/Notes.txt", home / "Make/Program/Bank A/Link.ns3f");
  const Reply fromFolder = restore(home / "Make", {"Program/Bank A/Warm.ns3f", "Program/Bank A/Link.ns3f"});
  ASSERT_EQ(fromFolder["ok"], true) << fromFolder.dump();
  EXPECT_EQ(fromFolder["written"], 1);
  EXPECT_EQ(texts(fromFolder["refused"]), std::vector<std::string>{"Program/Bank A/Link.ns3f"});
  EXPECT_EQ(testing::readText(home / "Dest/Warm.ns3f"), warm);
}

TEST_F(RestoreTest, HostileEntriesAreRefusedByNameTheOthersRestoredAndNothingLandsOutsideTheDestination) {
  testing::HandZip zip;
  const std::map<std::string, std::string> entries = {
      {"../Escaped.ns3f", "out"},       {"/etc/Absolute.ns3f", "abs"},   {"P/../../Up.ns3f", "up"},
      {"..\\Windows.ns3f", "win"},      {"P/Bell\x07.ns3f", "ctl"},      {"P/Folder/", ""},
      {"P/.hidden.ns3f", "hid"},        {"A/Twin.ns3f", "one"},          {"B/Twin.ns3f", "two"},
      {"P/Good.ns3f", "good program"},  {"P/Table.ns3f", "a table"}};
  for (const auto& [name, data] : entries) zip.central(zip.add(name, data));
  // Entries that lie about their content: a wrong CRC, and a length longer than the data.
  zip.central(zip.add("P/Crc.ns3f", "crc data", true, [](auto& record) { record.crc ^= 1; }));
  zip.central(zip.add("P/Short.ns3f", "short", false, [](auto& record) { record.size += 10; }));
  home.file("Backup.ns3b", zip.finish());
  home.file("Dest/Table.ns3f/inside.txt", "a folder in the way");

  std::vector<std::string> chosen;
  for (const auto& [name, data] : entries) chosen.push_back(name);
  chosen.insert(chosen.end(), {"P/Crc.ns3f", "P/Short.ns3f", "P/Nowhere.ns3f", "P/Good.ns3f"});
  const Files outside = filesBelow(home.root());

  const Reply plan = restore(home / "Backup.ns3b", chosen, true);
  ASSERT_EQ(plan["ok"], true) << plan.dump();
  EXPECT_EQ(plan["programs"], Json({{"add", {"Good.ns3f"}}, {"replace", Json::array()}, {"same", Json::array()}}));
  EXPECT_EQ(plan["warnings"], Json({"badName", "sameName", "inTheWay", "damaged", "missing"})) << plan.dump();

  const Reply done = restore(home / "Backup.ns3b", chosen);
  ASSERT_EQ(done["ok"], true) << done.dump();
  EXPECT_EQ(done["written"], 1);
  std::vector<std::string> refused = chosen;
  refused.erase(std::find(refused.begin(), refused.end(), "P/Good.ns3f"));
  refused.pop_back();  // the second P/Good.ns3f is the same choice
  EXPECT_EQ(texts(done["refused"]), refused);
  // Only the good program was added, and nowhere but the destination.
  Files expected = outside;
  expected["Dest/Good.ns3f"] = "good program";
  EXPECT_EQ(filesBelow(home.root()), expected);
}

TEST_F(RestoreTest, BadRequestsFailInTheUsersLanguageAndChangeNothing) {
  home.file("NotAZip.ns3b", "just text");
  home.file("Dest/Keep.ns3f", "keep");
  values.preferredLanguages = [] { return std::vector<std::string>{"es-ES"}; };
  for (const bool preview : {false, true}) {
    const Reply notZip = restore(home / "NotAZip.ns3b", {"Keep.ns3f"}, preview);
    EXPECT_EQ(notZip["ok"], false);
    EXPECT_EQ(notZip["code"], "invalid");
    EXPECT_NE(notZip["error"].get<std::string>().find("no es un archivo ZIP"), std::string::npos) << notZip.dump();
    EXPECT_EQ(work(values, preview ? "plan" : "restore",
                   {{"restore", preview}, {"from", (home / "Dest").string()}, {"entries", {1}},
                    {"dest", (home / "Dest").string()}})["code"],
              "invalid");
    EXPECT_EQ(restore(home / "Nowhere", {"Keep.ns3f"}, preview)["code"], "notFound");
  }
  EXPECT_EQ(filesBelow(home / "Dest"), (Files{{"Keep.ns3f", "keep"}}));
}

}  // namespace
}  // namespace velmorin
