// The executable as a user runs it: the self-test and the command-line front.
#include <gtest/gtest.h>

#include <sstream>

#include "commands/dispatcher.h"
#include "vocabulary/json_text.h"
#include "support/nord_file.h"
#include "support/temp_tree.h"

namespace velmorin {
namespace {

using testing::TempTree;
namespace fs = std::filesystem;

struct Outcome {
  std::string out;
  int status;
};

// Runs the program with HOME set to `home`, English, and the given arguments;
// `wrapper` comes between the environment and the program (more variables, a
// time limit).
Outcome runProgram(const fs::path& home, const std::string& arguments, const std::string& wrapper = "") {
  Outcome outcome;
  outcome.out = testing::commandOutput("env -u DISPLAY -u WAYLAND_DISPLAY -u LANGUAGE -u LC_ALL -u LC_MESSAGES LANG=en_US.UTF-8 XDG_CONFIG_HOME= HOME=" +
                                           testing::shellQuote(home.string()) + " " + wrapper + " " VELMORIN_BINARY " " + arguments +
                                           " 2>/dev/null",
                                       &outcome.status);
  return outcome;
}

// Splits the self-test's output into its documents (each ends with "}" alone on a line).
std::vector<Reply> documents(const std::string& out) {
  std::vector<Reply> docs;
  std::string current;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    current += line + "\n";
    if (line == "}" || line == "{}") {
      const auto parsed = parseJson(current);
      EXPECT_TRUE(parsed) << current;
      docs.push_back(parsed.value_or(Reply()));
      current.clear();
    }
  }
  return docs;
}

TEST(SelfTest, PrintsFourSortedDocumentsAndInstallsWhatItFound) {
  TempTree home;
  home.file("scan/Nord Stage 3 Program List.html", "<html/>");
  home.file("scan/p/A.ns3f", "abc");
  const Outcome run = runProgram(home.root(), "--selftest " + testing::shellQuote((home / "scan").string()) + " " +
                                                  testing::shellQuote((home / "dest").string()) + " ignored extra");
  EXPECT_EQ(run.status, 0);
  const auto docs = documents(run.out);
  ASSERT_EQ(docs.size(), 4u) << run.out;
  EXPECT_EQ(docs[0]["diskFree"], "\u2026");
  EXPECT_EQ(docs[0]["os"], "linux");
  EXPECT_TRUE(docs[1]["connected"].is_boolean());
  EXPECT_EQ(docs[2]["list"]["model"], "Nord Stage 3");
  EXPECT_EQ(docs[3]["ok"], true);
  EXPECT_EQ(docs[3]["count"], 1);
  EXPECT_EQ(docs[3]["lists"], 1);
  EXPECT_TRUE(fs::exists(home / "dest/Nord Stage 3/Programs (.ns3f)/A.ns3f"));
  // Slashes escaped, non-ASCII as UTF-8, 2-space indent, sorted keys.
  EXPECT_NE(run.out.find("\"exportDir\": \"" + std::string() + "\\/"), std::string::npos);
  EXPECT_NE(run.out.find("\"diskFree\": \"\u2026\""), std::string::npos);
  EXPECT_LT(run.out.find("\"dest\""), run.out.find("\"destCloud\""));
  EXPECT_NE(run.out.find("\n  \"icloud\": {\n    \"found\": false,\n    \"path\": \"\"\n  },"), std::string::npos);
}

TEST(SelfTest, EmptyScanInstallsIntoTheNordFolder) {
  TempTree home;
  const Outcome run = runProgram(home.root(), "--selftest " + testing::shellQuote((home / "none").string()) + " " +
                                                  testing::shellQuote((home / "dest").string()));
  EXPECT_EQ(run.status, 0);
  const auto docs = documents(run.out);
  ASSERT_EQ(docs.size(), 4u) << run.out;
  EXPECT_EQ(docs[2], Reply::object());
  EXPECT_EQ(docs[3]["path"], (home / "dest/Nord").string());
  EXPECT_TRUE(fs::is_directory(home / "dest/Nord"));
}

TEST(CommandLine, CommandFrontRunsOneCommand) {
  TempTree home;
  home.file("x/a.npno", "12");
  Outcome run = runProgram(home.root(), "--command scan " + testing::shellQuote("{\"dir\":\"" + (home / "x").string() + "\"}"));
  EXPECT_EQ(run.status, 0);
  const auto parsed = parseJson(run.out);
  ASSERT_TRUE(parsed) << run.out;
  const Reply& reply = *parsed;
  EXPECT_EQ(reply["progs"]["model"], "Nord Piano");
  EXPECT_EQ(runProgram(home.root(), "--command Nope").out, "{\n  \"code\": \"invalid\",\n  \"error\": \"cmd\"\n}\n");
  EXPECT_EQ(runProgram(home.root(), "--command mail").out, "{\n  \"ok\": true\n}\n");
}

TEST(CommandLine, TheLibraryIsWrittenAsItIsMadeExactlyAsItsReplyReads) {
  TempTree home;
  const Values values = valuesForHome(home.root());
  // Well over one piece of output, with names that need escapes and some
  // identical content for the duplicate numbers, in every usual folder (the
  // export folder lies inside another one).
  for (int i = 0; i < 600; ++i)
    home.file("Documents/Set " + std::to_string(i % 7) + "/\"Pad\" \\ " + std::to_string(i) + (i % 2 ? ".ns3f" : ".nlas"),
              "CBIN" + std::to_string(i % 50));
  home.file("Documents/caf\xc3\xa9\xff.ns2p", "x");
  for (const fs::path& folder : {values.DESKTOP, values.DOWNLOADS, values.EXPORT_DIR})
    home.file(fs::relative(folder / "One.ns3f", home.root()), "CBIN");
  const Outcome run = runProgram(home.root(), "--command library");
  EXPECT_EQ(run.status, 0);
  const Reply reply = work(values, "library", Reply::object());
  // The name that is not UTF-8 could not be opened by the name shown: counted, not listed.
  ASSERT_EQ(reply["total"], 603);
  EXPECT_EQ(reply["unlisted"], 1);
  EXPECT_EQ(run.out, prettyJson(reply) + "\n");
  // A reply that could not be written out is no success.
  EXPECT_EQ(runProgram(home.root(), "--command library >/dev/full").status, 1);
}

// What a user with programs loose on the Desktop and a list saved as a web
// page (a folder) meets: the offered destination takes both, as the preview said.
TEST(CommandLine, DesktopProgramsAndAListFolderInstallWhereInfoAndScanPoint) {
  TempTree home;
  home.file("Desktop/Piano.ns3f", testing::nordFile("ns3f", 1, 592));
  home.file("Desktop/Organ.ns3f", testing::nordFile("ns3f", 1, 592, 0, 1));
  home.file("Downloads/Nord Stage 3 Program List.html/index.html", "<html>list</html>");
  home.file("Downloads/Nord Stage 3 Program List.html/img/logo.png", "png");
  const auto command = [&](const std::string& name, const Reply& args) {
    const Outcome run = runProgram(home.root(), "--command " + name + " " + testing::shellQuote(args.dump()));
    EXPECT_EQ(run.status, 0) << run.out;
    return parseJson(run.out).value_or(Reply());
  };
  const Reply info = command("info", Reply::object());
  const Reply found = command("scan", Reply::object());
  ASSERT_EQ(found["progs"]["dir"], (home / "Desktop").string()) << found.dump();
  const Reply args{{"dest", info["dest"]},
                   {"model", found["progs"]["model"]},
                   {"list", (home / "Downloads/Nord Stage 3 Program List.html").string()},
                   {"progs", found["progs"]["dir"]},
                   {"ext", found["progs"]["ext"]}};
  const Reply plan = command("plan", args);
  ASSERT_EQ(plan["ok"], true) << plan.dump();
  EXPECT_EQ(plan["warnings"], Json::array());
  EXPECT_EQ(plan["programs"]["add"], 2);
  const Reply done = command("install", args);
  ASSERT_EQ(done["ok"], true) << done.dump();
  EXPECT_EQ(done["count"], 2);
  EXPECT_EQ(done["lists"], 1);
  const fs::path model = home / "Desktop/Velmorin/Nord Stage 3";
  EXPECT_EQ(testing::readText(model / "Program lists/Nord Stage 3 Program List.html/img/logo.png"), "png");
  EXPECT_EQ(testing::readText(model / "Programs (.ns3f)/Organ.ns3f"), testing::nordFile("ns3f", 1, 592, 0, 1));
}

TEST(CommandLine, BadArgumentsExitTwoAndRunNothing) {
  TempTree home;
  for (const char* args : {"--command prepare '[1]'", "--command prepare 'not json'", "--command", "--command a {} b"}) {
    const Outcome run = runProgram(home.root(), args);
    EXPECT_EQ(run.status, 2) << args;
    EXPECT_EQ(run.out, "") << args;
  }
  EXPECT_FALSE(fs::exists(home / "Desktop"));
  // Refused arguments and failures still reply in JSON, and say so by their status.
  const Outcome refused = runProgram(home.root(), "--command sound '{\"path\": \"\"}'");
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(parseJson(refused.out).value_or(Reply())["code"], "invalid") << refused.out;
  EXPECT_EQ(runProgram(home.root(), "--command nosuch").status, 2);
  const Outcome failed = runProgram(home.root(), "--command sound " + testing::shellQuote(R"({"path": "/nowhere/Pad.ns3f"})"));
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(parseJson(failed.out).value_or(Reply())["ok"], false) << failed.out;
}

// Settings left nested 30,000 deep: the defaults and the notice rather than
// a crash at every start, and the next save writes a small whole file.
TEST(CommandLine, SettingsNestedTooDeepMeanTheDefaultsAndAreReplacedWhole) {
  TempTree home;
  const std::string deep = "{\"dest\": " + std::string(30'000, '[') + std::string(30'000, ']') + "}";
  const fs::path file = home.file(".config/velmorin-sync/settings.json", deep);
  const Outcome read = runProgram(home.root(), "--command settings");
  EXPECT_EQ(read.status, 0);
  const auto reply = parseJson(read.out);
  ASSERT_TRUE(reply) << read.out.substr(0, 200);
  EXPECT_EQ((*reply)["settings"], Json::object());
  EXPECT_TRUE(reply->contains("notice"));
  EXPECT_EQ(runProgram(home.root(), "--command saveSettings '{\"dest\": \"/srv\"}'").status, 0);
  EXPECT_EQ(parseJson(testing::readText(file)), (Json{{"dest", "/srv"}}));
  // Arguments as deep are not an object of arguments.
  EXPECT_EQ(runProgram(home.root(), "--command saveSettings " + testing::shellQuote(deep)).status, 2);
}

TEST(CommandLine, InfoAnswersWhateverTheApplicationFoldersHold) {
  TempTree home;
  const fs::path apps = home / "data/applications";
  home.file("data/applications/wine/Nord Sound Manager 5.desktop", "[Desktop Entry]\nName=Nord Sound Manager 5\n");
  home.file("data/applications/a.desktop", "[Desktop Entry]\nName=Nord Sound Manager 9\nNoDisplay=true\n");
  home.file("data/applications/b.desktop", "[Desktop Entry]\nName=Nord Sound Manager 8\nHidden=true\n");
  home.file("data/applications/Nord Sound Manager 7 Uninstall.desktop", "[Desktop Entry]\nName=Remove it\n");
  home.file("data/applications/c.desktop", "[Desktop Entry]\nName=Nord Sound Manager 6 UNINSTALLER\n");
  // Neither may hold the report up: a FIFO never written to, a device without end.
  ASSERT_EQ(mkfifo((apps / "Nord Sound Manager 99.desktop").c_str(), 0644), 0);
  fs::create_symlink("/dev/zero", apps / "Nord Sound Manager 98.desktop");
  const std::string env = "XDG_DATA_HOME=" + testing::shellQuote((home / "data").string()) +
                          " XDG_DATA_DIRS=" + testing::shellQuote((home / "none").string());
  const Outcome run = runProgram(home.root(), "--command info", env + " timeout 20");
  ASSERT_EQ(run.status, 0) << "124 means it hung";
  const auto parsed = parseJson(run.out);
  ASSERT_TRUE(parsed) << run.out;
  const Reply& reply = *parsed;
  EXPECT_EQ(reply["nsm"]["name"], "Nord Sound Manager 5");
}

TEST(CommandLine, InfoPathsAreTidyAndFreeSpaceIsAWholeNumber) {
  TempTree home;
  const Outcome run = runProgram(home.root().string() + "//", "--command info");
  const auto parsed = parseJson(run.out);
  ASSERT_TRUE(parsed) << run.out;
  const Reply& reply = *parsed;
  for (const char* key : {"dest", "exportDir"}) {
    const std::string path = reply[key];
    EXPECT_EQ(path.find("//"), std::string::npos) << path;
    EXPECT_EQ(path.rfind(home.root().string() + "/Desktop/", 0), 0u) << path;
  }
  EXPECT_TRUE(reply["diskFree"].is_number_integer());
  EXPECT_EQ(run.out.find(".0,"), std::string::npos) << run.out;
}

TEST(CommandLine, TheCommandLineNeverLoadsTheWindowToolkit) {
  TempTree home;
  home.file("scan/p/A.ns3f", "abc");
  // The dynamic loader names every library it maps, dlopen()ed ones too.
  for (const std::string& arguments :
       {std::string("--version"), std::string("--command info"), "--selftest " + testing::shellQuote((home / "scan").string()) + " " +
                                            testing::shellQuote((home / "dest").string())}) {
    const std::string loaded =
        testing::commandOutput("env LD_DEBUG=files HOME=" + testing::shellQuote(home.root().string()) +
                               " " VELMORIN_BINARY " " + arguments + " 2>&1 >/dev/null");
    EXPECT_NE(loaded.find("libstdc++"), std::string::npos) << "the loader said nothing: " << loaded.substr(0, 200);
    for (const char* library : {"libgtk", "libgdk", "libwebkit", "libjavascriptcore"})
      EXPECT_EQ(loaded.find(library), std::string::npos) << arguments << " maps " << library;
  }
}

TEST(CommandLine, HelpVersionAndWindowModeWithoutDisplay) {
  TempTree home;
  EXPECT_EQ(runProgram(home.root(), "--help").status, 0);
  EXPECT_NE(runProgram(home.root(), "--version").out.find("velmorin-sync "), std::string::npos);
  // Too few self-test arguments mean window mode, which prints nothing on
  // standard output and cannot succeed without a display.
  const Outcome window = runProgram(home.root(), "--selftest only-one");
  EXPECT_NE(window.status, 0);
  EXPECT_EQ(window.out, "");
}

}  // namespace
}  // namespace velmorin
