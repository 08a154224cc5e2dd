#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>

#include "archive_reading.h"
#include "commands/commands.h"
#include "commands/dispatcher.h"
#include "platform/fault_hook.h"
#include "support/nord_file.h"
#include "support/private_trash.h"
#include "support/temp_tree.h"

namespace velmorin {
namespace {

using testing::TempTree;
using Names = std::vector<std::string>;

// The one dated archive named "<model> <word> yyyy-MM-dd.zip" in `folder`,
// found by its pattern; "" when there is not exactly one.
std::string datedArchive(const fs::path& folder, const std::string& model, const std::string& word = "Programs") {
  const std::regex pattern(std::regex_replace(model, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)") + " " + word +
                           R"( \d{4}-\d{2}-\d{2}\.zip)");
  std::vector<std::string> found;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (std::regex_match(name, pattern)) found.push_back(name);
  }
  return found.size() == 1 ? found.front() : "";
}

Names entriesOf(const fs::path& folder) {
  Names names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class InstallTest : public ::testing::Test {
 protected:
  InstallTest() {
    home.file("Sounds/A.ns3f", "aaaa");
    home.file("Sounds/B.NS3F", "bb");
    home.file("Sounds/._hidden.ns3f", "h");
    home.file("Sounds/other.ns4f", "other");
    home.file("Sounds/deeper/C.ns3f", "not copied");
    home.file("Sounds/Kit.ns3f/inside.txt", "folder copied whole");
    home.file("Lists/Nord Stage 3 Program List.html", "<html>list</html>");
  }

  Reply run(Reply args) { return work(values, "install", args); }
  Reply fullInstall() {
    return run({{"dest", (home / "Dest").string()},
                {"model", "Nord Stage 3"},
                {"list", (home / "Lists/Nord Stage 3 Program List.html").string()},
                {"progs", (home / "Sounds").string()},
                {"ext", "ns3f"}});
  }

  TempTree home;
  Values values = valuesForHome(home.root());
};

TEST_F(InstallTest, InstallsListProgramsAndOneDatedArchive) {
  const Reply reply = fullInstall();
  const fs::path model = home / "Dest/Nord Stage 3";
  ASSERT_EQ(reply["ok"], true) << reply.dump();
  EXPECT_EQ(reply["count"], 4);
  EXPECT_EQ(reply["lists"], 1);
  EXPECT_EQ(reply["path"], model.string());
  EXPECT_EQ(reply["root"], (home / "Dest").string());
  const std::string archive = datedArchive(model, "Nord Stage 3");
  ASSERT_NE(archive, "");
  EXPECT_EQ(entriesOf(model), (Names{archive, "Program lists", "Programs (.ns3f)"}));
  EXPECT_EQ(entriesOf(model / "Programs (.ns3f)"), (Names{"._hidden.ns3f", "A.ns3f", "B.NS3F", "Kit.ns3f"}));
  EXPECT_EQ(entriesOf(model / "Program lists"), (Names{"Nord Stage 3 Program List.html"}));
  EXPECT_EQ(testing::archiveEntries(model / archive),
            (Names{"._hidden.ns3f", "A.ns3f", "B.NS3F", "Kit.ns3f/", "Kit.ns3f/inside.txt"}));
  EXPECT_TRUE(testing::archiveIsIntact(model / archive));
  EXPECT_EQ(testing::archiveMember(model / archive, "A.ns3f"), "aaaa");
  EXPECT_EQ(reply["bytes"], folderSize(model));
  EXPECT_EQ(reply["bytes"], 4 + 2 + 1 + 19 + 17 + fs::file_size(model / archive));
}

TEST_F(InstallTest, SpanishNamesFoldersAndArchive) {
  values.preferredLanguages = [] { return Names{"es-419"}; };
  ASSERT_EQ(fullInstall()["ok"], true);
  const std::string archive = datedArchive(home / "Dest/Nord Stage 3", "Nord Stage 3", "Programas");
  ASSERT_NE(archive, "");
  EXPECT_EQ(entriesOf(home / "Dest/Nord Stage 3"), (Names{"Listas de programas", archive, "Programas (.ns3f)"}));
}

TEST_F(InstallTest, DestIsRequiredAndChecked) {
  const Reply missing{{"ok", false}, {"error", "dest"}, {"code", "invalid"}};
  EXPECT_EQ(run(Reply::object()), missing);
  EXPECT_EQ(run({{"dest", 5}, {"model", "x"}}), missing);
  EXPECT_EQ(entriesOf(home.root()), (Names{"Lists", "Sounds"}));
}

TEST_F(InstallTest, OnlyDestMakesTheNordFolderAndNothingElse) {
  const Reply reply = run({{"dest", (home / "Dest").string()}});
  EXPECT_EQ(reply, Reply({{"ok", true}, {"count", 0}, {"lists", 0}, {"bytes", 0},
                          {"path", (home / "Dest/Nord").string()}, {"root", (home / "Dest").string()},
                          {"trashed", 0}, {"skipped", 0}, {"verified", true}, {"programBytes", 0},
                          {"archiveBytes", 0}}));
  EXPECT_TRUE(entriesOf(home / "Dest/Nord").empty());
}

TEST_F(InstallTest, SlashInModelBecomesDashAndUnsafeNamesAreRefused) {
  const Reply reply = run({{"dest", (home / "Dest").string()}, {"model", "Nord/Stage 3"},
                           {"progs", (home / "Sounds").string()}, {"ext", "ns4f"}});
  ASSERT_EQ(reply["ok"], true);
  EXPECT_EQ(reply["count"], 1);
  EXPECT_NE(datedArchive(home / "Dest/Nord-Stage 3", "Nord-Stage 3"), "");
  for (const char* model : {"..", ".", ""}) {
    const Reply refused = run({{"dest", (home / "Dest").string()}, {"model", model}});
    EXPECT_EQ(refused["ok"], false) << model;
    EXPECT_TRUE(refused["error"].is_string());
  }
  const Reply escape = run({{"dest", (home / "Dest").string()}, {"progs", (home / "Sounds").string()},
                            {"ext", "x)/../../../outside"}});
  EXPECT_EQ(escape["ok"], false);
  EXPECT_FALSE(fs::exists(home / "outside)"));
}

TEST_F(InstallTest, ProgramStepNeedsBothProgsAndExt) {
  EXPECT_EQ(run({{"dest", (home / "Dest").string()}, {"progs", (home / "Sounds").string()}})["count"], 0);
  EXPECT_EQ(run({{"dest", (home / "Dest").string()}, {"ext", "ns3f"}})["count"], 0);
  EXPECT_EQ(entriesOf(home / "Dest/Nord"), Names{});
}

TEST_F(InstallTest, UpperCaseExtMatchesNothingAndLeavesAnEmptyFolder) {
  const Reply reply = run({{"dest", (home / "Dest").string()}, {"progs", (home / "Sounds").string()}, {"ext", "NS3F"}});
  ASSERT_EQ(reply["ok"], true);
  EXPECT_EQ(reply["count"], 0);
  EXPECT_EQ(entriesOf(home / "Dest/Nord/Programs (.NS3F)"), Names{});
}

TEST_F(InstallTest, ReinstallTrashesWhatItReplacesAndLeavesTheUsersOwnFilesAlone) {
  ASSERT_EQ(fullInstall()["ok"], true);
  const fs::path model = home / "Dest/Nord Stage 3";
  home.file("Dest/Nord Stage 3/Nord Stage 3 Programs 2020-01-01.zip", "our older archive");
  home.file("Dest/Nord Stage 3/Nord Stage 3 Programas 2021-02-03.zip", "our older archive, Spanish");
  home.file("Dest/Nord Stage 3/Factory Bank v2.zip", "the user's");
  home.file("Dest/Nord Stage 3/Nord Stage 3 Programs 2020-1-1.zip", "not a date of ours");
  home.file("Dest/Nord Stage 3/old project.zip/song.txt", "a folder of the user's");
  home.file("Dest/Nord Stage 3/Programs (.ns4f)/keep.ns4f", "other model stays");
  fs::remove(home / "Sounds/A.ns3f");
  const auto trashedBefore = testing::trashedItems().size();

  const Reply again = fullInstall();
  ASSERT_EQ(again["ok"], true) << again.dump();
  const std::string archive = datedArchive(model, "Nord Stage 3");
  EXPECT_EQ(again["count"], 3);
  EXPECT_EQ(again["trashed"], 5);  // programs, list, today's archive and the two older ones
  EXPECT_EQ(entriesOf(model), (Names{"Factory Bank v2.zip", "Nord Stage 3 Programs 2020-1-1.zip", archive,
                                     "Program lists", "Programs (.ns3f)", "Programs (.ns4f)", "old project.zip"}));
  EXPECT_EQ(entriesOf(model / "Programs (.ns3f)"), (Names{"._hidden.ns3f", "B.NS3F", "Kit.ns3f"}));
  EXPECT_EQ(again["bytes"], folderSize(model));

  // The file manager can put each back where it was.
  const auto trashed = testing::trashedItems();
  EXPECT_EQ(trashed.size(), trashedBefore + 5);
  std::set<std::string> originals;
  for (const auto& [name, original] : trashed) originals.insert(original);
  for (const fs::path& replaced : {model / "Programs (.ns3f)", model / "Program lists/Nord Stage 3 Program List.html",
                                  model / archive, model / "Nord Stage 3 Programs 2020-01-01.zip",
                                  model / "Nord Stage 3 Programas 2021-02-03.zip"})
    EXPECT_TRUE(originals.contains(replaced.string())) << replaced;
  const bool earlierProgramsKept = std::any_of(trashed.begin(), trashed.end(), [&](const auto& item) {
    return item.second == (model / "Programs (.ns3f)").string() &&
           fs::exists(testing::privateTrash() / "files" / item.first / "A.ns3f");
  });
  EXPECT_TRUE(earlierProgramsKept) << "the earlier program folder, with A.ns3f, is in the Trash";
}

// What an install made is read back before it counts: a copy that differs
// from its source (a program with a checksum too, where only its header
// differs: its slot), or an archive that does not read back, fails the
// install and keeps the earlier set.
fs::path corruptIn;  // the model folder, for the fault hook
bool corruptArchive = false;
enum class Damage { Copy, ProgramHeader, Archive };
Damage damage = Damage::Copy;

TEST_F(InstallTest, ACopyOrArchiveThatDoesNotReadBackFailsAndKeepsTheEarlierSet) {
  home.file("Sounds/Slot.ns3f", testing::nordFile("ns3f", 1, 592, 0, 3));
  ASSERT_EQ(fullInstall()["verified"], true);
  corruptIn = home / "Dest/Nord Stage 3";
  const std::string archive = datedArchive(corruptIn, "Nord Stage 3");
  const Names before = entriesOf(corruptIn), programsBefore = entriesOf(corruptIn / "Programs (.ns3f)");
  home.file("Sounds/A.ns3f", "AAAA");
  for (const Damage made : {Damage::Copy, Damage::ProgramHeader, Damage::Archive}) {
    damage = made;
    platform::faultHook = [](const char* where) {
      // The copies are compared before the archive is made, which is read back after.
      if (std::string(where) != (damage == Damage::Archive ? "archive-check" : "install-check")) return;
      if (damage == Damage::Copy) {
        std::ofstream(corruptIn / ".nuevo/A.ns3f") << "zzzz";  // same length, other bytes
      } else if (damage == Damage::ProgramHeader) {
        std::fstream slot(corruptIn / ".nuevo/Slot.ns3f", std::ios::in | std::ios::out | std::ios::binary);
        slot.seekp(0x0E);
        slot.put(9);  // another place on the keyboard, outside the checksum
      } else {
        for (const auto& entry : fs::directory_iterator(corruptIn))
          if (entry.path().extension() == ".part") fs::resize_file(entry.path(), fs::file_size(entry.path()) - 10);
      }
    };
    const Reply reply = fullInstall();
    platform::faultHook = nullptr;
    // Named where the copy would be, never by its temporary place.
    const std::string named = made == Damage::Copy ? "Programs (.ns3f)/A.ns3f"
                              : made == Damage::ProgramHeader ? "Programs (.ns3f)/Slot.ns3f"
                                                              : archive;
    EXPECT_EQ(reply["code"], "failed") << reply.dump();
    EXPECT_NE(reply.value("error", "").find(named), std::string::npos) << reply.dump();
    EXPECT_EQ(entriesOf(corruptIn), before);
    EXPECT_EQ(entriesOf(corruptIn / "Programs (.ns3f)"), programsBefore);
    EXPECT_EQ(testing::readText(corruptIn / "Programs (.ns3f)/A.ns3f"), "aaaa");
    EXPECT_TRUE(testing::archiveIsIntact(corruptIn / archive));
  }
}

// One byte changed where the archive's first entry's data starts, or in the
// middle of a long entry (read back in steps, not at once): either fails.
TEST_F(InstallTest, AnArchiveDamagedInAnyEntryFailsTheReadBack) {
  std::string samples(8 << 20, '\0');
  std::uint32_t seed = 7;
  for (std::size_t i = 0; i < samples.size(); i += 2) {  // like a sample: noisy low bytes, few high ones
    seed = seed * 1664525u + 1013904223u;
    samples[i] = static_cast<char>(seed >> 24);
    samples[i + 1] = static_cast<char>((seed >> 13) % 8 * 31);
  }
  home.file("Sounds/Live Set.ns3f", samples);
  ASSERT_EQ(fullInstall()["verified"], true);
  corruptIn = home / "Dest/Nord Stage 3";
  const std::string archive = datedArchive(corruptIn, "Nord Stage 3");
  for (const bool inTheMiddle : {false, true}) {
    corruptArchive = inTheMiddle;
    platform::faultHook = [](const char* where) {
      if (std::string(where) != "archive-check") return;
      for (const auto& entry : fs::directory_iterator(corruptIn)) {
        if (entry.path().extension() != ".part") continue;
        std::fstream file(entry.path(), std::ios::in | std::ios::out | std::ios::binary);
        unsigned char local[30];
        file.read(reinterpret_cast<char*>(local), sizeof local);
        const std::streamoff data = 30 + (local[26] | local[27] << 8) + (local[28] | local[29] << 8);
        const std::streamoff at = corruptArchive ? static_cast<std::streamoff>(fs::file_size(entry.path()) / 2) : data;
        file.seekg(at);
        const char was = static_cast<char>(file.get());
        file.seekp(at);
        file.put(static_cast<char>(was ^ 0x10));
      }
    };
    const Reply reply = fullInstall();
    platform::faultHook = nullptr;
    EXPECT_EQ(reply["code"], "failed") << reply.dump();
    EXPECT_NE(reply.value("error", "").find(archive), std::string::npos) << reply.dump();
    EXPECT_TRUE(testing::archiveIsIntact(corruptIn / archive));
    EXPECT_EQ(testing::archiveMember(corruptIn / archive, "Live Set.ns3f"), samples);
  }
}

TEST_F(InstallTest, FailedCopyKeepsTheEarlierProgramsListAndArchive) {
  ASSERT_EQ(fullInstall()["ok"], true);
  const fs::path model = home / "Dest/Nord Stage 3";
  const fs::path archive = model / datedArchive(model, "Nord Stage 3");
  const auto archiveBefore = testing::archiveEntries(archive);
  home.file("Lists/Nord Stage 3 Program List.html", "<html>a new list</html>");
  // Writing past the size limit fails for every user, root too.
  home.file("Sounds/Z.ns3f", std::string(256 * 1024, 'z'));
  const Reply reply = [&] {
    const testing::FileSizeLimit limit(128 * 1024);
    return fullInstall();
  }();
  EXPECT_EQ(reply["ok"], false);
  EXPECT_NE(reply["error"].get<std::string>().find("Z.ns3f"), std::string::npos) << reply["error"];
  EXPECT_EQ(reply["code"], "noSpace");
  EXPECT_EQ(reply.size(), 3u);
  EXPECT_EQ(entriesOf(model / "Programs (.ns3f)"), (Names{"._hidden.ns3f", "A.ns3f", "B.NS3F", "Kit.ns3f"}));
  EXPECT_EQ(testing::archiveEntries(archive), archiveBefore);
  EXPECT_EQ(testing::readText(model / "Program lists/Nord Stage 3 Program List.html"), "<html>list</html>");
  EXPECT_EQ(entriesOf(model), (Names{archive.filename().string(), "Program lists", "Programs (.ns3f)"}));
  EXPECT_EQ(entriesOf(model / "Program lists"), (Names{"Nord Stage 3 Program List.html"}));
}

TEST_F(InstallTest, LinksBringInNothingFromOutsideTheChosenFolders) {
  home.file(".ssh/id_rsa", "PRIVATE KEY");
  fs::create_directory_symlink("../.ssh", home / "Sounds/zz Extra.ns3f");
  fs::create_symlink("../.ssh/id_rsa", home / "Sounds/id.ns3f");
  fs::create_symlink("../../.ssh/id_rsa", home / "Sounds/Kit.ns3f/key");
  fs::create_symlink("A.ns3f", home / "Sounds/Alias.ns3f");  // inside: copied as the file
  const Reply reply = fullInstall();
  ASSERT_EQ(reply["ok"], true) << reply.dump();
  EXPECT_EQ(reply["count"], 5);
  EXPECT_EQ(reply["skipped"], 3);
  const fs::path programs = home / "Dest/Nord Stage 3/Programs (.ns3f)";
  EXPECT_EQ(entriesOf(programs), (Names{"._hidden.ns3f", "A.ns3f", "Alias.ns3f", "B.NS3F", "Kit.ns3f"}));
  EXPECT_EQ(entriesOf(programs / "Kit.ns3f"), (Names{"inside.txt"}));
  EXPECT_FALSE(fs::is_symlink(programs / "Alias.ns3f"));
  const fs::path archive = home / "Dest/Nord Stage 3" / datedArchive(home / "Dest/Nord Stage 3", "Nord Stage 3");
  EXPECT_EQ(testing::archiveEntries(archive),
            (Names{"._hidden.ns3f", "A.ns3f", "Alias.ns3f", "B.NS3F", "Kit.ns3f/", "Kit.ns3f/inside.txt"}));

  // A list that leads out of its own folder is refused before anything changes.
  fs::create_symlink("../.ssh/id_rsa", home / "Lists/Stage Program List.html");
  const Reply refused = run({{"dest", (home / "Dest").string()}, {"model", "Nord Stage 3"},
                             {"list", (home / "Lists/Stage Program List.html").string()},
                             {"progs", (home / "Sounds").string()}, {"ext", "ns3f"}});
  EXPECT_EQ(refused["ok"], false);
  EXPECT_NE(refused.value("error", "").find("outside its own folder"), std::string::npos) << refused;
  EXPECT_EQ(entriesOf(home / "Dest/Nord Stage 3/Program lists"), (Names{"Nord Stage 3 Program List.html"}));
  // One that stays inside is copied as the file it leads to.
  fs::create_symlink("Nord Stage 3 Program List.html", home / "Lists/Short Program List.html");
  const Reply linked = run({{"dest", (home / "Dest").string()}, {"model", "Nord Stage 3"},
                            {"list", (home / "Lists/Short Program List.html").string()}});
  ASSERT_EQ(linked["ok"], true) << linked;
  EXPECT_EQ(testing::readText(home / "Dest/Nord Stage 3/Program lists/Short Program List.html"), "<html>list</html>");
}

// A bank pack keeps its banks: the preview, the copy, the archive and the
// read-back all see them as subfolders of the program folder.
TEST_F(InstallTest, APackIsInstalledWithItsBanksAsSubfolders) {
  for (const char* bank : {"Bank B", "Bank A", "Bank K"})
    for (int i = 0; i < 2; ++i)
      home.file(std::string("Pack/") + bank + "/P" + std::to_string(i) + ".ns3f", testing::nordFile("ns3f", 1, 592, 0, i));
  home.file("Pack/Readme.ns3f", testing::nordFile("ns3f", 1, 592));
  home.file("Pack/Bank A/.hidden/H.ns3f", "hidden folders stay out");
  home.file("Pack/Docs/notes.txt", "a folder without programs stays out");
  home.file("Pack/Bank A/Broken.ns3f", "short");
  Reply args{{"dest", (home / "Pack/Velmorin").string()}, {"model", "Nord Stage 3"},
             {"progs", (home / "Pack").string()}, {"ext", "ns3f"}, {"subfolders", true}};
  const Reply plan = work(values, "plan", args);
  ASSERT_EQ(plan["ok"], true) << plan.dump();
  EXPECT_EQ(plan["programs"]["add"], 8);
  EXPECT_EQ(plan["damagedNames"], Json::array({"Bank A/Broken.ns3f"}));
  Reply reply = run(args);
  ASSERT_EQ(reply["ok"], true) << reply.dump();
  EXPECT_EQ(reply["count"], 8);
  const fs::path model = home / "Pack/Velmorin/Nord Stage 3";
  const fs::path programs = model / "Programs (.ns3f)";
  EXPECT_EQ(entriesOf(programs), (Names{"Bank A", "Bank B", "Bank K", "Readme.ns3f"}));
  EXPECT_EQ(entriesOf(programs / "Bank A"), (Names{"Broken.ns3f", "P0.ns3f", "P1.ns3f"}));
  EXPECT_EQ(testing::archiveEntries(model / datedArchive(model, "Nord Stage 3")),
            (Names{"Bank A/", "Bank A/Broken.ns3f", "Bank A/P0.ns3f", "Bank A/P1.ns3f", "Bank B/", "Bank B/P0.ns3f",
                   "Bank B/P1.ns3f", "Bank K/", "Bank K/P0.ns3f", "Bank K/P1.ns3f", "Readme.ns3f"}));

  // Again, with a bank gone: the preview says what goes, and the install
  // never takes in its own destination, which lies inside the pack.
  fs::remove_all(home / "Pack/Bank K");
  const Reply again = work(values, "plan", args);
  EXPECT_EQ(again["programs"]["same"], 6);
  EXPECT_EQ(again["programs"]["remove"], 2);
  EXPECT_EQ(again["removeNames"], Json::array({"Bank K/P0.ns3f", "Bank K/P1.ns3f"}));
  EXPECT_EQ(run(args)["count"], 6);
  EXPECT_EQ(entriesOf(programs), (Names{"Bank A", "Bank B", "Readme.ns3f"}));
  // Without its subfolders, only the pack's own programs.
  args["subfolders"] = false;
  EXPECT_EQ(run(args)["count"], 1);
}

TEST_F(InstallTest, ADestinationInsideACopiedEntryOrProgramsInsideTheReplacedFolderAreRefused) {
  fs::create_directory_symlink(home / "Sounds", home / "Sounds link");
  home.file("Dest/Nord Stage 3/Programs (.ns3f)/P.ns3f");
  const std::vector<std::pair<fs::path, fs::path>> layouts = {
      {home / "Sounds", home / "Sounds/Kit.ns3f/Velmorin"},          // inside a folder copied whole
      {home / "Sounds", home / "Sounds link/Kit.ns3f/inner"},        // the same through a link
      {home / "Dest/Nord Stage 3/Programs (.ns3f)", home / "Dest"},  // the programs in the folder replaced
  };
  for (const auto& [progs, dest] : layouts) {
    const Reply reply =
        run({{"dest", dest.string()}, {"model", "Nord Stage 3"}, {"progs", progs.string()}, {"ext", "ns3f"}});
    EXPECT_EQ(reply["code"], "nested") << progs << " " << dest << reply;
  }
  EXPECT_FALSE(fs::exists(home / "Sounds/Kit.ns3f/Velmorin"));
  EXPECT_FALSE(fs::exists(home / "Sounds/Kit.ns3f/inner"));
  EXPECT_EQ(entriesOf(home / "Dest/Nord Stage 3"), (Names{"Programs (.ns3f)"}));
  EXPECT_EQ(entriesOf(home / "Dest/Nord Stage 3/Programs (.ns3f)"), (Names{"P.ns3f"}));
}

TEST_F(InstallTest, WhatWouldFailLateIsRefusedBeforeAnythingChanges) {
  // A list name as long as names get installs: the work names are short.
  const std::string longList(250, 'L');
  home.file("Lists/" + longList + ".html", "<html>long</html>");
  Reply reply = run({{"dest", (home / "Dest").string()}, {"list", (home / "Lists" / (longList + ".html")).string()}});
  ASSERT_EQ(reply["ok"], true) << reply;
  EXPECT_EQ(testing::readText(home / "Dest/Nord/Program lists" / (longList + ".html")), "<html>long</html>");

  // A model name that fits a folder but not its archive's name.
  const std::string longModel(240, 'M');
  reply = run({{"dest", (home / "Dest").string()}, {"model", longModel}, {"progs", (home / "Sounds").string()},
               {"ext", "ns3f"}});
  EXPECT_EQ(reply["ok"], false);
  EXPECT_NE(reply.value("error", "").find("too long"), std::string::npos) << reply;
  EXPECT_FALSE(fs::exists(home / "Dest" / longModel));

  // A folder where the archive goes is never removed.
  ASSERT_EQ(fullInstall()["ok"], true);
  const fs::path model = home / "Dest/Nord Stage 3";
  const std::string archive = datedArchive(model, "Nord Stage 3");
  fs::remove(model / archive);
  home.file("Dest/Nord Stage 3/" + archive + "/mine.txt", "the user's");
  fs::remove(home / "Sounds/A.ns3f");
  reply = fullInstall();
  EXPECT_EQ(reply["ok"], false);
  EXPECT_NE(reply.value("error", "").find("stands where the archive goes"), std::string::npos) << reply;
  EXPECT_TRUE(fs::exists(model / "Programs (.ns3f)/A.ns3f"));
  EXPECT_EQ(testing::readText(model / archive / "mine.txt"), "the user's");
}

TEST_F(InstallTest, PathsMeanWhatTheKernelFinds) {
  // "link/../Sounds" is the folder beside the link's target, not the one
  // beside the link, for the install, the scan and the zip alike.
  home.file("real/Sounds/K.ns3f", "kernel's");
  home.folder("real/target");
  fs::create_directory_symlink(home / "real/target", home / "link");
  const std::string through = (home / "link/../Sounds").string();
  const Reply installed =
      run({{"dest", (home / "Dest").string()}, {"model", "Nord Stage 3"}, {"progs", through}, {"ext", "ns3f"}});
  ASSERT_EQ(installed["ok"], true) << installed;
  EXPECT_EQ(entriesOf(home / "Dest/Nord Stage 3/Programs (.ns3f)"), (Names{"K.ns3f"}));
  EXPECT_EQ(scan(values, 0, through)["progs"]["count"], 1);
  ASSERT_EQ(work(values, "zip", {{"path", through}})["ok"], true);
  EXPECT_EQ(testing::archiveEntries(home / "Desktop/Velmorin.zip"), (Names{"Sounds/", "Sounds/K.ns3f"}));
  ASSERT_EQ(work(values, "zip", {{"path", (home / "link/..").string()}})["ok"], true);
  EXPECT_EQ(testing::archiveEntries(home / "Desktop/Velmorin.zip").front(), "real/");
}

TEST_F(InstallTest, FifosAndSocketsWithTheExtensionAreSkippedNotWaitedFor) {
  ASSERT_EQ(mkfifo((home / "Sounds/pipe.ns3f").c_str(), 0644), 0);
  const Reply reply = fullInstall();
  ASSERT_EQ(reply["ok"], true) << reply.dump();
  EXPECT_EQ(reply["count"], 4);
}

TEST_F(InstallTest, MissingListOrProgramFolderFailsWithItsName) {
  Reply reply = run({{"dest", (home / "Dest").string()}, {"list", (home / "nope.html").string()}});
  EXPECT_EQ(reply["ok"], false);
  EXPECT_NE(reply["error"].get<std::string>().find("nope.html"), std::string::npos);
  reply = run({{"dest", (home / "Dest").string()}, {"progs", (home / "gone").string()}, {"ext", "ns3f"}});
  EXPECT_EQ(reply["ok"], false);
  EXPECT_EQ(reply["error"], "Could not list folder \"" + (home / "gone").string() + "\": No such file or directory");
}

TEST_F(InstallTest, DestinationThatIsAFileFailsClearly) {
  home.file("Dest", "a file");
  const Reply reply = fullInstall();
  EXPECT_EQ(reply["ok"], false);
  EXPECT_EQ(reply["error"].get<std::string>().rfind("Could not create folder \"", 0), 0u) << reply["error"];
}

}  // namespace
}  // namespace velmorin
