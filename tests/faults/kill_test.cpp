// A run killed at any moment leaves, for each item, either the earlier one or
// the new one complete; the next run succeeds and leaves nothing behind.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <thread>

#include "core/archive_reading.h"
#include "fault_fixtures.h"

extern char** environ;

namespace velmorin {
namespace {

using namespace testing;

// Starts the real program with HOME set; returns its process id.
pid_t start(const fs::path& home, const std::vector<std::string>& arguments) {
  std::vector<std::string> words = {"/usr/bin/env", "HOME=" + home.string(), "XDG_CONFIG_HOME=", "XDG_DATA_HOME=",
                                    VELMORIN_BINARY};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// Kills it after `delay`; true when it was still running.
bool killAfter(pid_t pid, std::chrono::microseconds delay) {
  std::this_thread::sleep_for(delay);
  const bool running = waitpid(pid, nullptr, WNOHANG) == 0;
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return running;
}

// Kills runs at random moments within as long as a whole run took here, and
// sooner after each kill that came too late: later runs find warm caches, and
// load changes the pace several times over.
class KillTimes {
 public:
  KillTimes(std::chrono::microseconds whole, unsigned seed)
      : window_(std::max<std::int64_t>(whole.count(), 1000)), random_(seed) {}

  // True when the run was still going when killed.
  bool kill(pid_t pid) {
    const bool running = killAfter(pid, std::chrono::microseconds(random_() % window_));
    if (running)
      ++interrupted_;
    else
      window_ = std::max<std::int64_t>(window_ / 2, 1000);
    return running;
  }
  int interrupted() const { return interrupted_; }

 private:
  std::int64_t window_;
  std::mt19937 random_;
  int interrupted_ = 0;
};

std::set<std::string> archiveNames(const fs::path& archive) {
  std::set<std::string> names;
  for (auto& name : archiveEntries(archive)) names.insert(name);
  return names;
}

// Which install a model folder's list, program folder and archive come from:
// "A", "B", "" when there is none yet, or "mix" when they disagree.
std::string installedSet(const fs::path& model, const std::map<std::set<std::string>, std::string>& sets) {
  std::vector<std::string> archives;
  for (const auto& name : namesIn(model))
    if (name.ends_with(".zip")) archives.push_back(name);
  const bool programs = fs::exists(model / "Programs (.ns3f)");
  const bool list = fs::exists(model / "Program lists/Nord Stage 3 Program List.html");
  if (!programs && !list && archives.empty()) return "";
  if (!programs || !list || archives.size() != 1 || !archiveIsIntact(model / archives[0])) return "mix";
  const auto found = sets.find(namesIn(model / "Programs (.ns3f)"));
  if (found == sets.end() || archiveNames(model / archives[0]) != found->first) return "mix";
  const std::string text = readText(model / "Program lists/Nord Stage 3 Program List.html");
  return text == "<html>" + found->second + "</html>" ? found->second : "mix";
}

TEST(Killed, InstallLeavesTheListProgramsAndArchiveOfOneInstall) {
  TempTree home;
  std::map<std::set<std::string>, std::string> sets;
  for (const std::string set : {"A", "B"}) {
    std::set<std::string> names;
    for (int i = 0; i < 300; ++i) {
      const std::string name = set + std::to_string(i) + ".ns3f";
      home.file(set + "/" + name, presetLike(16'000, i + (set == "B" ? 1000 : 0)));
      names.insert(name);
    }
    home.file(set + "/Nord Stage 3 Program List.html", "<html>" + set + "</html>");
    sets[names] = set;
  }
  const fs::path model = home / "Dest/Nord Stage 3";
  const auto installOf = [&](const std::string& set) {
    Reply args = {{"dest", (home / "Dest").string()}, {"model", "Nord Stage 3"}};
    if (!set.empty()) {
      args["progs"] = (home / set).string();
      args["ext"] = "ns3f";
      args["list"] = (home / set / "Nord Stage 3 Program List.html").string();
    }
    return std::vector<std::string>{"--command", "install", args.dump()};
  };

  // Kills spread over as long as a whole install takes on this machine now
  // (sanitizers and load change it several times over).
  const auto began = std::chrono::steady_clock::now();
  ASSERT_EQ(runCommand(home.root(), "--command install " + shellQuote(installOf("B")[2]))["ok"], true);
  const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - began);
  KillTimes kills(whole, 7);
  int pending = 0;
  std::string last = "B";
  for (int round = 0; round < 20; ++round) {
    const std::string set = round % 2 ? "B" : "A";
    const pid_t pid = start(home.root(), installOf(set));
    kills.kill(pid);
    // A kill after the change was sealed leaves it for the next command in
    // that folder to finish; before that, nothing visible has changed.
    if (fs::exists(model / ".velmorin-journal")) {
      ++pending;
    } else {
      const std::string now = installedSet(model, sets);
      EXPECT_TRUE(now == last || now == set) << "round " << round << ": " << now << " after " << last;
    }
    // An install with nothing to copy only touches the folder: it finishes or undoes what the kill left.
    const Reply touched = runCommand(home.root(), "--command install " + shellQuote(installOf("")[2]));
    ASSERT_EQ(touched["ok"], true) << touched.dump();
    const std::string now = installedSet(model, sets);
    EXPECT_TRUE(now == last || now == set) << "round " << round << ": " << now << " after " << last;
    last = now;
    for (const auto& name : namesIn(model))
      EXPECT_TRUE(name == "Programs (.ns3f)" || name == "Program lists" || name.ends_with(".zip")) << name;
    for (const auto& name : namesIn(model / "Program lists")) EXPECT_EQ(name, "Nord Stage 3 Program List.html");
  }
  EXPECT_GT(kills.interrupted(), 5) << "the kills came too late to test anything";
  RecordProperty("sealed_when_killed", pending);

  const Reply done = runCommand(home.root(), "--command install " + shellQuote(installOf("A")[2]));
  ASSERT_EQ(done["ok"], true) << done.dump();
  EXPECT_EQ(installedSet(model, sets), "A");
}

TEST(Killed, ZipLeavesTheOldOrTheNewArchive) {
  TempTree home;
  for (int i = 0; i < 40; ++i) home.file("Pack/f" + std::to_string(i), presetLike(400'000, i));
  home.file("Old/only.txt", "old");
  const fs::path archive = home / "Desktop/Velmorin.zip";
  ASSERT_EQ(runCommand(home.root(), "--command zip " + shellQuote(Reply({{"path", (home / "Old").string()}}).dump()))["ok"],
            true);
  std::set<std::string> packNames = {"Pack/"};
  for (int i = 0; i < 40; ++i) packNames.insert("Pack/f" + std::to_string(i));

  // Kills land within the time a whole zip takes here, however fast the machine.
  const auto began = std::chrono::steady_clock::now();
  ASSERT_EQ(runCommand(home.root(), "--command zip " + shellQuote(Reply({{"path", (home / "Pack").string()}}).dump()))["ok"],
            true);
  const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - began);
  ASSERT_EQ(runCommand(home.root(), "--command zip " + shellQuote(Reply({{"path", (home / "Old").string()}}).dump()))["ok"],
            true);
  KillTimes kills(whole, 11);
  for (int round = 0; round < 10; ++round) {
    const pid_t pid = start(home.root(), {"--command", "zip", Reply({{"path", (home / "Pack").string()}}).dump()});
    kills.kill(pid);
    // A sealed change is finished by the next zip; until then the old archive may be in the Trash.
    if (fs::exists(home / "Desktop/.velmorin-journal")) continue;
    ASSERT_TRUE(archiveIsIntact(archive)) << "round " << round;
    const auto names = archiveNames(archive);
    EXPECT_TRUE(names == packNames || names == (std::set<std::string>{"Old/", "Old/only.txt"})) << "round " << round;
  }
  EXPECT_GT(kills.interrupted(), 3) << "the kills came too late to test anything";
  ASSERT_EQ(runCommand(home.root(), "--command zip " + shellQuote(Reply({{"path", (home / "Pack").string()}}).dump()))["ok"],
            true);
  EXPECT_EQ(namesIn(home / "Desktop"), std::set<std::string>{"Velmorin.zip"});
}

}  // namespace
}  // namespace velmorin

namespace velmorin {
namespace {

using namespace testing;

TEST(Killed, RestoreLeavesTheEarlierProgramsOrTheRestoredOnes) {
  TempTree home;
  std::vector<std::string> entries;
  std::map<std::string, std::string> earlier, restored;
  for (int i = 0; i < 120; ++i) {
    const std::string name = "P" + std::to_string(i) + ".ns3f";
    earlier[name] = presetLike(20'000, i);
    restored[name] = presetLike(20'000, i + 1000);
    home.file("Make/Program/" + name, restored[name]);
    entries.push_back("Program/" + name);
  }
  commandOutput("cd " + shellQuote((home / "Make").string()) + " && zip -q0r ../Backup.ns3b Program");
  ASSERT_TRUE(fs::exists(home / "Backup.ns3b"));
  const fs::path dest = home / "Dest";
  const auto argsOf = [&](const std::vector<std::string>& chosen) {
    return Reply({{"from", (home / "Backup.ns3b").string()}, {"entries", chosen}, {"dest", dest.string()}}).dump();
  };
  const auto putBackEarlier = [&] {
    fs::remove_all(dest);
    for (const auto& [name, bytes] : earlier) home.file("Dest/" + name, bytes);
  };
  // "earlier", "restored", or "mix" when the destination holds some of each or anything else.
  const auto state = [&] {
    std::map<std::string, std::string> now;
    for (const auto& name : namesIn(dest)) now[name] = readText(dest / name);
    return now == earlier ? "earlier" : now == restored ? "restored" : "mix";
  };

  putBackEarlier();
  const auto began = std::chrono::steady_clock::now();
  const Reply whole = runCommand(home.root(), "--command restore " + shellQuote(argsOf(entries)));
  ASSERT_EQ(whole["written"], 120) << whole.dump();
  const auto took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - began);
  ASSERT_EQ(state(), std::string("restored"));

  KillTimes kills(took, 13);
  int sealed = 0;
  for (int round = 0; round < 10; ++round) {
    putBackEarlier();
    kills.kill(start(home.root(), {"--command", "restore", argsOf(entries)}));
    sealed += fs::exists(dest / ".velmorin-journal");
    // A restore choosing nothing only finishes or undoes what the kill left.
    const Reply settled = runCommand(home.root(), "--command restore " + shellQuote(argsOf({})));
    ASSERT_EQ(settled["ok"], true) << settled.dump();
    const std::string now = state();
    EXPECT_TRUE(now == "earlier" || now == "restored") << "round " << round << ": " << now;
  }
  EXPECT_GT(kills.interrupted(), 3) << "the kills came too late to test anything";
  RecordProperty("sealed_when_killed", sealed);
}

}  // namespace
}  // namespace velmorin
