// The preview, cancelling and progress of the long commands, their error
// codes and texts, and the lasting settings: on real folders.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "commands/commands.h"
#include "commands/dispatcher.h"
#include "support/nord_file.h"
#include "support/temp_tree.h"

namespace velmorin {
namespace {

using namespace std::chrono_literals;
using testing::TempTree;
using platform::WorkControl;
using platform::WorkPhase;
using platform::WorkProgress;

// Every file and link below `folder` with its size and a hash of its content
// (a link: its target).
std::map<std::string, std::string> snapshot(const fs::path& folder) {
  std::map<std::string, std::string> files;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    const std::string name = fs::relative(it->path(), folder).string();
    if (it->is_symlink()) files[name] = "-> " + fs::read_symlink(it->path()).string();
    else if (it->is_directory()) files[name + "/"] = "";
    else {
      const std::string content = testing::readText(it->path());
      files[name] = std::to_string(content.size()) + ":" + std::to_string(std::hash<std::string>{}(content));
    }
  }
  return files;
}

class Preview : public ::testing::Test {
 protected:
  Json installArgs(const std::string& model = "Nord Stage 3", const std::string& ext = "ns3f") {
    return {{"dest", (home / "Dest").string()},
            {"model", model},
            {"list", (home / "Lists/Nord Stage 3 Program List.html").string()},
            {"progs", (home / "Sounds").string()},
            {"ext", ext}};
  }

  TempTree home;
  Values values = valuesForHome(home.root());
};

// Random program folders, one after another into the same destination: the
// preview's counts are what the install then does.
TEST_F(Preview, CountsAreWhatTheInstallThenDoes) {
  std::mt19937 random(7);
  home.file("Lists/Nord Stage 3 Program List.html", "<html>list</html>");
  home.file("Elsewhere/secret.ns3f", "outside");
  const fs::path programs = home / "Dest/Nord Stage 3/Programs (.ns3f)";
  for (int round = 0; round < 12; ++round) {
    // Names from a small pool, contents of few sizes: same names, same sizes
    // with other bytes, and equal files all happen.
    fs::remove_all(home / "Sounds");
    home.folder("Sounds");
    for (int i = 0; i < 25; ++i) {
      const std::string name = "P" + std::to_string(random() % 30) + (random() % 4 ? ".ns3f" : ".NS3F");
      home.file("Sounds/" + name, std::string(random() % 3, static_cast<char>('a' + random() % 2)));
    }
    home.file("Sounds/other.ns4f", "not this model");
    if (round % 3 == 0) fs::create_symlink("P1.ns3f", home / "Sounds/inside-link.ns3f");
    if (round % 4 == 0) fs::create_symlink(home / "Elsewhere/secret.ns3f", home / "Sounds/outside-link.ns3f");
    if (round % 5 == 1) home.file("Sounds/Kit.ns3f/inside.txt", "a folder goes whole");
    // A link named as an older archive of ours is no archive of ours: it stays.
    if (round == 6) fs::create_symlink(home / "Elsewhere/secret.ns3f", home / "Dest/Nord Stage 3/Nord Stage 3 Programs 2020-01-01.zip");

    const auto before = fs::exists(programs) ? snapshot(programs) : std::map<std::string, std::string>{};
    const bool listThere = fs::exists(home / "Dest/Nord Stage 3/Program lists/Nord Stage 3 Program List.html");
    const Reply plan = work(values, "plan", installArgs());
    ASSERT_EQ(plan["ok"], true) << plan.dump();
    const Reply done = work(values, "install", installArgs());
    ASSERT_EQ(done["ok"], true) << done.dump();
    const auto after = snapshot(programs);

    // Top-level entries before and after; a file is the same when its bytes are.
    const auto tops = [](const std::map<std::string, std::string>& files) {
      std::set<std::string> names;
      for (const auto& [name, content] : files) names.insert(name.substr(0, name.find('/')));
      return names;
    };
    const std::set<std::string> old = tops(before), now = tops(after);
    std::int64_t add = 0, replace = 0, same = 0, remove = 0;
    for (const std::string& name : now) {
      if (!old.contains(name)) ++add;
      else if (before.contains(name) && after.contains(name) && before.at(name) == after.at(name)) ++same;
      else ++replace;
    }
    for (const std::string& name : old) remove += now.contains(name) ? 0 : 1;

    const std::string at = "round " + std::to_string(round) + ": " + plan.dump() + "\n" + done.dump();
    EXPECT_EQ(plan["programs"]["add"], add) << at;
    EXPECT_EQ(plan["programs"]["replace"], replace) << at;
    EXPECT_EQ(plan["programs"]["same"], same) << at;
    EXPECT_EQ(plan["programs"]["remove"], remove) << at;
    EXPECT_EQ(add + replace + same, done["count"].get<std::int64_t>()) << at;
    EXPECT_EQ(plan["trash"], done["trashed"]) << at;
    EXPECT_EQ(plan["list"]["replaces"], listThere) << at;
    EXPECT_EQ(plan["archive"]["replaces"].size(), round == 0 ? 0u : 1u) << at;
    EXPECT_EQ(plan["path"], (home / "Dest/Nord Stage 3").string());
    EXPECT_GE(plan["bytesNeeded"].get<std::int64_t>(), done["programBytes"].get<std::int64_t>()) << at;
    // Every file here is too short to be a program: all but a folder copied whole are damaged.
    const std::int64_t damaged = done["count"].get<std::int64_t>() - (fs::is_directory(home / "Sounds/Kit.ns3f") ? 1 : 0);
    EXPECT_EQ(plan["damaged"], damaged) << at;
    EXPECT_EQ(plan["warnings"], damaged > 0 ? Json::array({"damaged"}) : Json::array()) << at;
  }
}

TEST_F(Preview, WarnsOfAnotherModelsProgramsAndForeignFilesAndFailsAsTheInstallWould) {
  home.file("Lists/Nord Stage 3 Program List.html", "<html>list</html>");
  home.file("Sounds/E.ne6p", "electro");
  home.file("Dest/Nord Stage 3/Factory Bank v2.zip", "the user's own");
  const Reply plan = work(values, "plan", installArgs("Nord Stage 3", "ne6p"));
  // The Stage 3 list does not belong with Electro programs either.
  EXPECT_EQ(plan["warnings"], Json::array({"listModel", "modelMismatch", "foreignFiles"})) << plan.dump();
  Json electro = installArgs("Nord Electro 6", "ne6p");
  electro.erase("list");
  EXPECT_EQ(work(values, "plan", electro)["warnings"], Json::array());
  EXPECT_EQ(snapshot(home / "Dest").size(), 2u);  // the model folder and the user's file

  for (const Json& bad : {Json::object(), Json{{"dest", (home / "Dest").string()}, {"model", ".."}}})
    EXPECT_EQ(work(values, "plan", bad), work(values, "install", bad));
}

// Programs loose on the Desktop install into the Desktop's own destination;
// only a layout that would copy the destination into itself, or replace the
// programs it copies, is refused, by the preview and the install alike.
TEST_F(Preview, ADestinationInsideTheProgramFolderIsRefusedOnlyWhereTheCopyWouldTakeItIn) {
  home.file("Desktop/A.ns3f", testing::nordFile("ns3f", 1, 592));
  home.file("Desktop/B.ns3f", testing::nordFile("ns3f", 1, 592, 0, 1));
  home.file("Desktop/Kit.ns3f/C.ns3f", "a folder copied whole");
  const auto args = [&](const fs::path& dest, const fs::path& progs) {
    return Json{{"dest", dest.string()}, {"model", "Nord Stage 3"}, {"progs", progs.string()}, {"ext", "ns3f"}};
  };
  const fs::path desktop = home / "Desktop";
  for (int round = 0; round < 2; ++round) {
    const Json loose = args(desktop / "Velmorin", desktop);
    const Reply plan = work(values, "plan", loose);
    ASSERT_EQ(plan["ok"], true) << plan.dump();
    EXPECT_EQ(plan["warnings"], Json::array()) << plan.dump();
    const Reply done = work(values, "install", loose);
    ASSERT_EQ(done["ok"], true) << done.dump();
    EXPECT_EQ(done["count"], 3);
  }
  EXPECT_TRUE(fs::is_regular_file(desktop / "Velmorin/Nord Stage 3/Programs (.ns3f)/Kit.ns3f/C.ns3f"));
  // The programs folder's own entries, never the destination: the Velmorin
  // folder is not a program and was not copied in the second round.
  EXPECT_FALSE(fs::exists(desktop / "Velmorin/Nord Stage 3/Programs (.ns3f)/Velmorin"));

  home.file("Desktop/Velmorin/Nord Stage 3/.nuevo/E.ns3f", "left by a killed run");
  const auto before = snapshot(home.root());
  const Json refusals[] = {
      args(desktop / "Kit.ns3f/Out", desktop),                                  // inside an entry it copies
      args(desktop / "Velmorin", desktop / "Velmorin/Nord Stage 3/Programs (.ns3f)"),  // the folder it replaces
      args(desktop / "Velmorin", desktop / "Velmorin/Nord Stage 3/.nuevo"),          // its own work folder
  };
  for (const Json& refused : refusals) {
    const Reply plan = work(values, "plan", refused);
    EXPECT_EQ(plan["code"], "nested") << refused.dump() << plan.dump();
    EXPECT_EQ(plan, work(values, "install", refused)) << refused.dump();
  }
  EXPECT_EQ(snapshot(home.root()), before);
  // The model folder itself may hold the programs: nothing of it is replaced.
  home.file("Desktop/Velmorin/Nord Stage 3/D.ns3f", "d");
  EXPECT_EQ(work(values, "install", args(desktop / "Velmorin", desktop / "Velmorin/Nord Stage 3"))["count"], 1);
}

// Codes for the page, texts in the user's language, for failures found before
// and during the work.
TEST_F(Preview, FailuresCarryACodeAndSpeakTheUsersLanguage) {
  values.preferredLanguages = [] { return std::vector<std::string>{"es-ES"}; };
  home.file("Sounds/A.ns3f", "a");
  home.file("Lists/Nord Stage 3 Program List.html", "<html>list</html>");
  home.file("Dest", "a file where the destination goes");
  Reply reply = work(values, "install", installArgs());
  EXPECT_EQ(reply["code"], "notFolder");
  EXPECT_EQ(reply["error"], "No se pudo crear la carpeta \"" + (home / "Dest/Nord Stage 3").string() +
                                "\": no es una carpeta");
  fs::remove(home / "Dest");
  reply = work(values, "install", installArgs(std::string(300, 'N')));
  EXPECT_EQ(reply["code"], "nameTooLong");
  EXPECT_TRUE(reply["error"].get<std::string>().starts_with("El nombre")) << reply["error"];
  reply = work(values, "zip", {{"path", (home / "Missing").string()}});
  EXPECT_EQ(reply["code"], "notFound");
  EXPECT_TRUE(reply["error"].get<std::string>().starts_with("No se pudo comprimir")) << reply["error"];
}

// Stopped in each phase, an install leaves the earlier set exactly as it was.
TEST_F(Preview, ACancelledInstallOrZipChangesNothing) {
  home.file("Lists/Nord Stage 3 Program List.html", "<html>first</html>");
  for (int i = 0; i < 40; ++i) home.file("Sounds/P" + std::to_string(i) + ".ns3f", std::string(64 * 1024, 'a' + i % 26));
  ASSERT_EQ(work(values, "install", installArgs())["ok"], true);
  ASSERT_EQ(work(values, "zip", {{"path", (home / "Sounds").string()}})["ok"], true);
  home.file("Lists/Nord Stage 3 Program List.html", "<html>second</html>");
  for (int i = 0; i < 300; ++i) home.file("Sounds/Q" + std::to_string(i) + ".ns3f", std::string(64 * 1024, 'q'));
  const auto dest = snapshot(home / "Dest");
  const auto desktop = snapshot(values.DESKTOP);

  for (const WorkPhase phase : {WorkPhase::Copy, WorkPhase::Archive}) {
    for (const char* command : {"install", "zip"}) {
      if (std::string(command) == "zip" && phase == WorkPhase::Copy) continue;
      WorkControl* self = nullptr;
      WorkControl control(
          [&](const WorkProgress& progress) {
            if (progress.phase == phase && progress.done >= 50) self->cancel();
          },
          0ms);
      self = &control;
      const Json args = std::string(command) == "zip" ? Json{{"path", (home / "Sounds").string()}} : installArgs();
      const Reply reply = work(values, command, args, &control);
      EXPECT_EQ(reply["code"], "cancelled") << command << " " << reply.dump();
      EXPECT_EQ(reply["ok"], false);
      EXPECT_EQ(snapshot(home / "Dest"), dest) << command;
      EXPECT_EQ(snapshot(values.DESKTOP), desktop) << command;
    }
  }
  // Cancelled, a first install into a new place leaves none of the folders it made.
  WorkControl* self = nullptr;
  WorkControl cancelling(
      [&](const WorkProgress& progress) {
        if (progress.phase == WorkPhase::Copy && progress.done >= 50) self->cancel();
      },
      0ms);
  self = &cancelling;
  Json fresh = installArgs();
  fresh["dest"] = (home / "Stick/Velmorin").string();
  EXPECT_EQ(work(values, "install", fresh, &cancelling)["code"], "cancelled");
  EXPECT_FALSE(fs::exists(home / "Stick"));

  WorkControl stopped;
  stopped.cancel();
  EXPECT_EQ(work(values, "scan", Json::object(), &stopped)["code"], "cancelled");
  EXPECT_EQ(work(values, "plan", installArgs(), &stopped)["code"], "cancelled");
}

TEST_F(Preview, AnInstallReportsItsCopyThenItsArchiveWithTotals) {
  for (int i = 0; i < 30; ++i) home.file("Sounds/P" + std::to_string(i) + ".ns3f", std::string(1000 + i, 'p'));
  home.file("Sounds/skip.ns4f", "other model");
  std::vector<WorkProgress> seen;
  WorkControl control([&](const WorkProgress& progress) { seen.push_back(progress); }, 0ms);
  Json args = installArgs();
  args.erase("list");
  ASSERT_EQ(work(values, "install", args, &control)["ok"], true);
  ASSERT_FALSE(seen.empty());
  std::map<WorkPhase, WorkProgress> last;
  for (std::size_t i = 0; i < seen.size(); ++i) {
    const WorkProgress& p = seen[i];
    if (i > 0) {
      if (seen[i - 1].phase == p.phase) {
        EXPECT_GE(p.done, seen[i - 1].done);
      }
      EXPECT_LE(static_cast<int>(seen[i - 1].phase), static_cast<int>(p.phase));  // copy, then archive
    }
    last[p.phase] = p;
  }
  EXPECT_EQ(last[WorkPhase::Copy].total, 30u);
  EXPECT_EQ(last[WorkPhase::Copy].done, 30u);
  // The copy's bytes are known from the start, so the page can measure a few big files.
  EXPECT_EQ(last[WorkPhase::Copy].totalBytes, 30u * 1000 + 29 * 30 / 2);
  EXPECT_EQ(last[WorkPhase::Copy].bytes, last[WorkPhase::Copy].totalBytes);
  EXPECT_EQ(last[WorkPhase::Archive].total, 30u);
  EXPECT_EQ(last[WorkPhase::Archive].done, 30u);
  EXPECT_EQ(last[WorkPhase::Archive].bytes, last[WorkPhase::Archive].totalBytes);
  EXPECT_EQ(last[WorkPhase::Archive].totalBytes, 30u * 1000 + 29 * 30 / 2);
}

TEST_F(Preview, SettingsAreMergedKeptWholeAndADamagedFileMeansDefaults) {
  EXPECT_EQ(work(values, "settings", Json::object()), (Reply{{"ok", true}, {"settings", Json::object()}}));
  EXPECT_EQ(work(values, "saveSettings", {{"dest", "/media/USB"}, {"page", {{"x", 1}}}}), (Reply{{"ok", true}}));
  EXPECT_EQ(work(values, "saveSettings", {{"page", nullptr}, {"future", "kept"}}), (Reply{{"ok", true}}));
  EXPECT_EQ(work(values, "settings", Json::object())["settings"], (Json{{"dest", "/media/USB"}, {"future", "kept"}}));
  EXPECT_EQ(parseJson(testing::readText(values.settingsFile)), (Json{{"dest", "/media/USB"}, {"future", "kept"}}));
  EXPECT_EQ(snapshot(values.settingsFile.parent_path()).size(), 1u);  // no draft left

  values.preferredLanguages = [] { return std::vector<std::string>{"es"}; };
  for (const char* damaged : {"{\"dest\": \"/med", "[1, 2]", ""}) {
    home.file(fs::relative(values.settingsFile, home.root()), damaged);
    const Reply read = work(values, "settings", Json::object());
    EXPECT_EQ(read["settings"], Json::object()) << damaged;
    EXPECT_TRUE(read.value("notice", "").starts_with("No se pudieron leer")) << damaged;
  }
  EXPECT_EQ(work(values, "saveSettings", {{"dest", "/srv"}}), (Reply{{"ok", true}}));
  EXPECT_EQ(work(values, "settings", Json::object()), (Reply{{"ok", true}, {"settings", {{"dest", "/srv"}}}}));
  // Settings that indented would be too long for the next read are written compact.
  const Json many = std::vector<int>(20'000, 1);
  EXPECT_EQ(work(values, "saveSettings", {{"many", many}}), (Reply{{"ok", true}}));
  EXPECT_EQ(work(values, "settings", Json::object()), (Reply{{"ok", true}, {"settings", {{"dest", "/srv"}, {"many", many}}}}));
}

}  // namespace
}  // namespace velmorin
