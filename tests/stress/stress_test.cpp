// Dozens of commands at once, as the page sends them: straight into the
// dispatcher from many threads, and through the router and a real pool. Every
// reply is checked, and so is what is left on disk: each model folder holds one
// whole program set with its list and one archive that unzip reads in full.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <random>
#include <set>
#include <thread>

#include "bridge/fake_platform.h"
#include "bridge/reply_call.h"
#include "bridge/router.h"
#include "commands/dispatcher.h"
#include "core/archive_reading.h"
#include "support/temp_tree.h"

namespace velmorin {
namespace {

using testing::TempTree;
using testing::archiveEntries;
using testing::archiveIsIntact;
using testing::archiveMember;

// Sorted names directly inside `folder`.
std::vector<std::string> names(const fs::path& folder) {
  std::vector<std::string> out;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) out.push_back(entry.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

std::string contents(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A tree of program files and one list, each file's bytes naming the tree so a
// mix of two trees shows.
struct Source {
  std::string tag;
  fs::path progs;
  fs::path list;
  std::string ext;
  std::vector<std::string> files;  // sorted
};

class Stress : public ::testing::Test {
 protected:
  void SetUp() override {
    // Two sets for the same model and list name, different files and bytes.
    sources_["A"] = makeSource("A", "ns3f", 30, "p");
    sources_["B"] = makeSource("B", "ns3f", 17, "q");
    sources_["C"] = makeSource("C", "ne6p", 12, "e");
    home_.file("sys/bus/usb/devices/1-2/product", "Nord Stage 3\n");
    home_.file("sys/bus/usb/devices/1-2/idVendor", "0ffc\n");
    for (int i = 0; i < 25; ++i) home_.file("Pack1/sub/f" + std::to_string(i) + ".txt", std::string(1000 + i, 'a'));
    home_.file("Pack2/only.txt", "second pack");
    packs_["Pack1"] = {"Pack1/", "Pack1/sub/"};
    for (int i = 0; i < 25; ++i) packs_["Pack1"].push_back("Pack1/sub/f" + std::to_string(i) + ".txt");
    packs_["Pack2"] = {"Pack2/", "Pack2/only.txt"};
    for (auto& [name, entries] : packs_) std::sort(entries.begin(), entries.end());

    // What each read-only command answers when it runs alone.
    for (const auto& [tag, source] : sources_)
      aloneScans_[tag] = work(values_, "scan", Reply{{"dir", source.progs.string()}});
    aloneInfo_ = work(values_, "info", Reply::object());
    aloneInfo_.erase("diskFree");
  }

  Source makeSource(const std::string& tag, const std::string& ext, int count, const std::string& stem) {
    Source source{tag, home_ / ("Trees/" + tag), home_ / ("Trees/" + tag + "/Nord Program List.html"), ext, {}};
    for (int i = 0; i < count; ++i) {
      const std::string name = stem + std::to_string(i) + "." + ext;
      home_.file("Trees/" + tag + "/" + name, tag + std::string(200 + i * 7, 'x'));
      source.files.push_back(name);
    }
    home_.file("Trees/" + tag + "/Nested/deep." + ext, "not copied");
    home_.file("Trees/" + tag + "/Nord Program List.html", "<html>" + tag + "</html>", 1700000000000);
    std::sort(source.files.begin(), source.files.end());
    return source;
  }

  Reply installArgs(const std::string& model, const std::string& tag) const {
    const Source& source = sources_.at(tag);
    return {{"dest", (home_ / "Dest").string()}, {"model", model}, {"progs", source.progs.string()},
            {"ext", source.ext}, {"list", source.list.string()}};
  }

  // One command of the mix, numbered so the same number always gives the same
  // command: its name, arguments and a check of its reply.
  struct Job {
    std::string cmd;
    Reply args;
    std::function<void(const Reply&)> check;
  };

  Job job(int n) {
    static const char* kModels[] = {"Stage", "Stage", "Electro", "Lead/X"};
    switch (n % 8) {
      case 0:
      case 1: {
        const std::string tag = n % 16 < 8 ? "A" : (n % 3 == 0 ? "B" : "C");
        return {"scan", Reply{{"dir", sources_.at(tag).progs.string()}},
                [this, tag](const Reply& r) { EXPECT_EQ(r, aloneScans_.at(tag)) << tag; }};
      }
      case 2:
      case 3: {
        const std::string model = kModels[(n / 8) % 4];
        // "Stage" gets A or B; the others always the same set.
        const std::string tag = model == "Stage" ? (n % 3 == 0 ? "B" : "A") : (model == "Electro" ? "C" : "A");
        installed_[model].insert(tag);
        return {"install", installArgs(model, tag), [this, tag](const Reply& r) {
                  EXPECT_EQ(r["ok"], true) << r.dump();
                  EXPECT_EQ(r["count"], sources_.at(tag).files.size()) << r.dump();
                  EXPECT_EQ(r["lists"], 1) << r.dump();
                }};
      }
      case 4: {
        const std::string pack = n % 3 == 0 ? "Pack2" : "Pack1";
        return {"zip", Reply{{"path", (home_ / pack).string()}}, [](const Reply& r) {
                  EXPECT_EQ(r["ok"], true) << r.dump();
                  EXPECT_GT(r["bytes"].get<long long>(), 0) << r.dump();
                }};
      }
      case 5:
        return {"info", Reply::object(), [this](Reply r) {
                  EXPECT_TRUE(r["diskFree"].is_number()) << r.dump();
                  r.erase("diskFree");
                  EXPECT_EQ(r, aloneInfo_);
                }};
      case 6:
        return {"nord", Reply::object(),
                [](const Reply& r) { EXPECT_EQ(r, (Reply{{"connected", true}, {"name", "Nord Stage 3"}})); }};
      default:
        return {"prepare", Reply::object(), [](const Reply& r) { EXPECT_EQ(r, (Reply{{"ok", true}})); }};
    }
  }

  // Each model folder: one program set from one source, its list from the same
  // source, nothing half-done, and one archive holding exactly that set.
  void checkDisk() {
    for (const auto& [model, tags] : installed_) {
      SCOPED_TRACE(model);
      std::string safe = model;
      std::replace(safe.begin(), safe.end(), '/', '-');
      const fs::path folder = home_ / "Dest" / safe;
      const std::string ext = sources_.at(*tags.begin()).ext;
      const fs::path programs = folder / ("Programs (." + ext + ")");
      const auto programNames = names(programs);
      const Source* match = nullptr;
      for (const auto& tag : tags)
        if (sources_.at(tag).files == programNames) match = &sources_.at(tag);
      ASSERT_NE(match, nullptr) << "program folder holds no whole set: " << programNames.size() << " files";
      for (const auto& name : programNames)
        EXPECT_EQ(contents(programs / name).substr(0, 1), match->tag) << name;
      EXPECT_EQ(contents(folder / "Program lists/Nord Program List.html"), "<html>" + match->tag + "</html>");

      std::vector<fs::path> archives;
      for (const auto& name : names(folder)) {
        if (name.ends_with(".zip")) archives.push_back(folder / name);
        EXPECT_FALSE(name.starts_with(".")) << "leftover " << name;
      }
      ASSERT_EQ(archives.size(), 1u);
      EXPECT_TRUE(archiveIsIntact(archives[0]));
      EXPECT_EQ(archiveEntries(archives[0]), match->files);
      EXPECT_EQ(archiveMember(archives[0], match->files.front()), contents(match->progs / match->files.front()));
      std::vector<std::string> expected = {archives[0].filename().string(), "Program lists", programs.filename().string()};
      std::sort(expected.begin(), expected.end());
      EXPECT_EQ(names(folder), expected);
    }
    // The Desktop archive is one whole pack, never a mix or a leftover temporary.
    const fs::path zip = home_ / "Desktop/Velmorin.zip";
    ASSERT_TRUE(archiveIsIntact(zip));
    const auto entries = archiveEntries(zip);
    EXPECT_TRUE(entries == packs_.at("Pack1") || entries == packs_.at("Pack2")) << entries.size() << " entries";
    for (const auto& name : names(home_ / "Desktop"))
      EXPECT_TRUE(name == "Velmorin.zip" || name == "Para Velmorin") << "leftover " << name;
    EXPECT_TRUE(fs::is_directory(values_.EXPORT_DIR));
    // The sources are only read.
    for (const auto& [tag, source] : sources_) EXPECT_EQ(names(source.progs).size(), source.files.size() + 2);
  }

  TempTree home_;
  Values values_ = valuesForHome(home_.root());
  std::map<std::string, Source> sources_;
  std::map<std::string, std::vector<std::string>> packs_;
  std::map<std::string, Reply> aloneScans_;
  Reply aloneInfo_;
  std::map<std::string, std::set<std::string>> installed_;
};

TEST_F(Stress, ManyThreadsCallTheDispatcherAtOnce) {
  constexpr int kThreads = 32;
  constexpr int kPerThread = 3;
  std::vector<std::vector<Job>> jobs(kThreads);
  std::vector<std::vector<Reply>> replies(kThreads, std::vector<Reply>(kPerThread));
  for (int t = 0; t < kThreads; ++t)
    for (int k = 0; k < kPerThread; ++k) jobs[t].push_back(job(t * kPerThread + k));

  // Every thread waits at the start line so the commands really overlap.
  std::atomic<int> ready{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      ready.fetch_add(1);
      while (ready.load() < kThreads) std::this_thread::yield();
      for (int k = 0; k < kPerThread; ++k) replies[t][k] = work(values_, jobs[t][k].cmd, jobs[t][k].args);
    });
  }
  for (auto& thread : threads) thread.join();

  for (int t = 0; t < kThreads; ++t) {
    for (int k = 0; k < kPerThread; ++k) {
      SCOPED_TRACE(jobs[t][k].cmd + " " + jobs[t][k].args.dump());
      jobs[t][k].check(replies[t][k]);
    }
  }
  checkDisk();
}

TEST_F(Stress, TheRouterAnswersEveryCommandOfABurstWithItsOwnId) {
  bridge::testing::FakePlatform platform(/*realThreads=*/true);
  bridge::RouterServices services;
  services.work = [this](const std::string& cmd, const Reply& args, platform::WorkControl&) { return work(values_, cmd, args); };
  bridge::Router router(platform, services);

  constexpr int kCommands = 72;
  std::map<std::int64_t, Job> sent;
  std::mt19937 random(6);
  int valid = 0;
  for (int n = 0; n < kCommands; ++n) {
    Job next = job(n);
    // Ids as the page might choose them: negative, large, out of order.
    const std::int64_t id = (static_cast<std::int64_t>(random()) << 20) * (n % 2 ? -1 : 1) + n;
    router.onMessage(Reply{{"cmd", next.cmd}, {"id", id}, {"args", next.args}});
    sent.emplace(id, std::move(next));
    ++valid;
    // Malformed messages mixed in are dropped without a reply and without harm.
    if (n % 9 == 0) router.onMessageJson(R"({"cmd":"install","id":"7","args":{}})");
    if (n % 11 == 0) router.onMessageJson("{\"cmd\":\"zip\"");
  }
  router.onMessage(Reply{{"cmd", "Install"}, {"id", 1}});  // unknown name
  sent.emplace(1, Job{"Install", Reply::object(), [](const Reply& r) { EXPECT_EQ(r, (Reply{{"error", "cmd"}, {"code", "invalid"}})); }});
  ++valid;

  ASSERT_TRUE(platform.runMainUntilScripts(valid, std::chrono::seconds(120)));
  platform.runMain();
  ASSERT_EQ(platform.scripts.size(), static_cast<std::size_t>(valid));
  std::set<std::int64_t> answered;
  for (const auto& script : platform.scripts) {
    const auto call = bridge::testing::readReplyCall(script);
    ASSERT_TRUE(call) << script.substr(0, 200);
    ASSERT_TRUE(sent.count(call->id)) << call->id;
    EXPECT_TRUE(answered.insert(call->id).second) << "two replies for " << call->id;
    SCOPED_TRACE(sent.at(call->id).cmd);
    sent.at(call->id).check(call->reply);
  }
  checkDisk();
}

}  // namespace
}  // namespace velmorin
