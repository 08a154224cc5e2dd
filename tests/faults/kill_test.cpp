// A run killed at any moment leaves, for each item, either the earlier one or
// the new one complete; the next run succeeds and leaves nothing behind.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

#include "core/archive_reading.h"
#include "fault_fixtures.h"

extern char** environ;

namespace velmorin {
namespace {

using namespace testing;

// Starts the real program with HOME set; returns its process id.
pid_t start(const fs::path& home, const std::vector<std::string>& arguments) {
  std::vector<std::string> words = {"/usr/bin/env", "HOME=" + home.string(), "XDG_CONFIG_HOME=", VELMORIN_BINARY};
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

std::set<std::string> archiveNames(const fs::path& archive) {
  std::set<std::string> names;
  for (auto& name : archiveEntries(archive)) names.insert(name);
  return names;
}

TEST(Killed, InstallLeavesOldOrNewNeverAMix) {
  TempTree home;
  for (int i = 0; i < 300; ++i) {
    home.file("A/a" + std::to_string(i) + ".ns3f", presetLike(16'000, i));
    home.file("B/b" + std::to_string(i) + ".ns3f", presetLike(16'000, 1000 + i));
  }
  home.file("A/Nord Stage 3 Program List.html", "<html>A</html>");
  home.file("B/Nord Stage 3 Program List.html", "<html>B</html>");
  std::set<std::string> setA, setB;
  for (int i = 0; i < 300; ++i) {
    setA.insert("a" + std::to_string(i) + ".ns3f");
    setB.insert("b" + std::to_string(i) + ".ns3f");
  }
  const fs::path model = home / "Dest/Nord Stage 3";
  const auto installOf = [&](const std::string& set) {
    return std::vector<std::string>{"--command", "install",
                                    Reply({{"dest", (home / "Dest").string()}, {"model", "Nord Stage 3"},
                                           {"progs", (home / set).string()}, {"ext", "ns3f"},
                                           {"list", (home / set / "Nord Stage 3 Program List.html").string()}})
                                        .dump()};
  };

  std::mt19937 random(7);
  int interrupted = 0;
  for (int round = 0; round < 14; ++round) {
    const pid_t pid = start(home.root(), installOf(round % 2 ? "B" : "A"));
    interrupted += killAfter(pid, std::chrono::microseconds(random() % 400'000));
    if (!fs::exists(model / "Programs (.ns3f)")) continue;  // the first install never got that far
    const auto programs = namesIn(model / "Programs (.ns3f)");
    EXPECT_TRUE(programs == setA || programs == setB) << "round " << round << ": " << programs.size() << " files";
    int archives = 0;
    for (const auto& name : namesIn(model)) {
      if (!name.ends_with(".zip")) continue;
      ++archives;
      EXPECT_TRUE(archiveIsIntact(model / name)) << name;
      const auto names = archiveNames(model / name);
      EXPECT_TRUE(names == setA || names == setB) << "round " << round;
    }
    EXPECT_LE(archives, 1);
    const auto lists = namesIn(model / "Program lists");
    if (lists.contains("Nord Stage 3 Program List.html")) {
      std::ifstream list(model / "Program lists/Nord Stage 3 Program List.html");
      const std::string text((std::istreambuf_iterator<char>(list)), std::istreambuf_iterator<char>());
      EXPECT_TRUE(text == "<html>A</html>" || text == "<html>B</html>") << text;
    }
  }
  EXPECT_GT(interrupted, 3) << "the kills came too late to test anything";

  const Reply done = runCommand(home.root(), "--command install " + shellQuote(installOf("A")[2]));
  ASSERT_EQ(done["ok"], true) << done.dump();
  EXPECT_EQ(namesIn(model / "Programs (.ns3f)"), setA);
  for (const auto& name : namesIn(model))
    EXPECT_TRUE(name == "Programs (.ns3f)" || name == "Program lists" || name.ends_with(".zip")) << name;
  for (const auto& name : namesIn(model / "Program lists")) EXPECT_EQ(name, "Nord Stage 3 Program List.html");
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

  std::mt19937 random(11);
  int interrupted = 0;
  for (int round = 0; round < 10; ++round) {
    const pid_t pid = start(home.root(), {"--command", "zip", Reply({{"path", (home / "Pack").string()}}).dump()});
    interrupted += killAfter(pid, std::chrono::microseconds(random() % 300'000));
    ASSERT_TRUE(archiveIsIntact(archive)) << "round " << round;
    const auto names = archiveNames(archive);
    EXPECT_TRUE(names == packNames || names == (std::set<std::string>{"Old/", "Old/only.txt"})) << "round " << round;
  }
  EXPECT_GT(interrupted, 3);
  ASSERT_EQ(runCommand(home.root(), "--command zip " + shellQuote(Reply({{"path", (home / "Pack").string()}}).dump()))["ok"],
            true);
  EXPECT_EQ(namesIn(home / "Desktop"), std::set<std::string>{"Velmorin.zip"});
}

}  // namespace
}  // namespace velmorin
