// The real program under a real X server, its page driven through WebKitWebDriver:
// messages go through the real web view, router, dispatcher and desktop.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>

#include "shell/support/child_process.h"
#include "shell/support/fake_desktop.h"
#include "shell/support/held_folder.h"
#include "shell/support/shared_app.h"
#include "shell/support/test_page.h"
#include "shell/support/webdriver.h"

namespace velmorin::testing {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;

// Posts `messages`, waits for the reply to `sentinel` and `settleMs` more, and
// gives every reply that arrived meanwhile as [{id, text}].
constexpr const char* kExchange = R"JS(
  const [messages, sentinel, settleMs, done] = arguments;
  const start = window.replies.length;
  for (const m of messages) window.post(m);
  const deadline = Date.now() + 20000;
  (function poll() {
    const got = window.replies.slice(start);
    if (got.some((r) => r.id === sentinel)) return setTimeout(() => done(window.replies.slice(start)), settleMs);
    if (Date.now() > deadline) return done(got);
    setTimeout(poll, 20);
  })();
)JS";

// Posts the install `message`; once its copy has done `cancelAt` files, posts
// a cancel for it. Gives the replies to both and the progress the page heard.
constexpr const char* kInstallAndCancel = R"JS(
  const [message, cancelAt, done] = arguments;
  const id = message.id, cancelId = id + 1;
  const start = window.progress.length, repliesStart = window.replies.length;
  let cancelled = cancelAt < 0;
  window.post(message);
  const deadline = Date.now() + 120000;
  (function poll() {
    const heard = window.progress.slice(start).filter((p) => p.id === id);
    if (!cancelled && heard.some((p) => p.report.phase === 'copy' && p.report.done >= cancelAt)) {
      cancelled = true;
      window.post({ cmd: 'cancel', id: cancelId, args: { id } });
    }
    const replies = window.replies.slice(repliesStart);
    const answered = replies.some((r) => r.id === id) && (cancelAt < 0 || replies.some((r) => r.id === cancelId));
    if (answered || Date.now() > deadline)
      return done({ progress: window.progress.slice(start), replies });
    setTimeout(poll, 10);
  })();
)JS";

// Loads `src` as a script and says whether the scheme served it.
constexpr const char* kLoadScript = R"JS(
  const [src, done] = arguments;
  const s = document.createElement('script');
  s.src = src;
  s.onload = () => done('loaded');
  s.onerror = () => done('refused');
  document.head.append(s);
)JS";

struct Reply {
  std::int64_t id;
  json value;
};

std::vector<Reply> repliesOf(const json& list) {
  std::vector<Reply> replies;
  if (!list.is_array()) {
    ADD_FAILURE() << "the page answered " << list.dump();
    return replies;
  }
  for (const auto& r : list) replies.push_back({r["id"].get<std::int64_t>(), json::parse(r["text"].get<std::string>())});
  return replies;
}

class Application : public SharedApp {
 protected:
  std::vector<Reply> exchange(const json& messages, std::int64_t sentinel, int settleMs = 0) {
    return repliesOf(app_->executeAsync(kExchange, {messages, sentinel, settleMs}));
  }
  json ask(const json& message) {
    const auto replies = exchange(json::array({message}), message["id"].get<std::int64_t>());
    EXPECT_EQ(replies.size(), 1u);
    return replies.empty() ? json() : replies[0].value;
  }
  std::string url() { return app_->command("GET", "/url")["value"].get<std::string>(); }
  void click(const std::string& selector) {
    const json found = app_->command("POST", "/element", json{{"using", "css selector"}, {"value", selector}});
    const std::string element = found["value"].begin().value().get<std::string>();
    app_->command("POST", "/element/" + element + "/click", json::object());
  }
};

// --- round trips ------------------------------------------------------------

TEST_F(Application, ACommandReachesTheDispatcherAndItsReplyComesBackUnderItsId) {
  const auto replies = exchange({{{"cmd", "info"}, {"id", 101}}}, 101);
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].id, 101);
  // The process's own values answer: the export folder lies in this test's home.
  EXPECT_EQ(replies[0].value["exportDir"], (desktop_->home() / "Desktop/Para Velmorin").string());
}

// Every file below `folder` with its size.
std::map<std::string, std::uintmax_t> filesBelow(const fs::path& folder) {
  std::map<std::string, std::uintmax_t> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    files[fs::relative(entry.path(), folder).string()] = entry.is_regular_file() ? entry.file_size() : 0;
  return files;
}

TEST_F(Application, AnInstallOfFourThousandProgramsShowsItsProgressAndACancelMidwayChangesNothing) {
  const fs::path progs = desktop_->home() / "Music/Big Set";
  fs::create_directories(progs);
  for (int i = 0; i < 4000; ++i) std::ofstream(progs / ("Program " + std::to_string(i) + ".ns3f")) << std::string(4096, 'a' + i % 26);
  const fs::path dest = desktop_->home() / "Stick";
  json install = {{"cmd", "install"}, {"id", 501},
                  {"args", {{"dest", dest.string()}, {"model", "Nord Stage 3"}, {"progs", progs.string()}, {"ext", "ns3f"}}}};
  json heard = app_->executeAsync(kInstallAndCancel, {install, -1});
  ASSERT_EQ(heard["replies"].size(), 1u) << heard.dump();
  const json done = json::parse(heard["replies"][0]["text"].get<std::string>());
  ASSERT_EQ(done["ok"], true) << done.dump();
  EXPECT_EQ(done["count"], 4000);
  // The copy's progress: counted against the whole, never backwards, at most ten a second.
  std::uint64_t last = 0, reports = 0;
  for (const auto& p : heard["progress"]) {
    EXPECT_EQ(p["id"], 501);
    if (p["report"]["phase"] != "copy") continue;
    ++reports;
    EXPECT_EQ(p["report"]["total"], 4000);
    EXPECT_GE(p["report"]["done"].get<std::uint64_t>(), last);
    last = p["report"]["done"].get<std::uint64_t>();
  }
  EXPECT_GE(reports, 1u) << heard.dump();

  // A second install, with more programs, cancelled during its copy.
  for (int i = 4000; i < 4500; ++i) std::ofstream(progs / ("Program " + std::to_string(i) + ".ns3f")) << "new";
  const auto before = filesBelow(dest);
  install["id"] = 503;
  heard = app_->executeAsync(kInstallAndCancel, {install, 200});
  std::map<std::int64_t, json> replies;
  for (const auto& r : heard["replies"]) replies[r["id"].get<std::int64_t>()] = json::parse(r["text"].get<std::string>());
  ASSERT_EQ(replies.size(), 2u) << heard.dump();
  EXPECT_EQ(replies[504], (json{{"ok", true}, {"found", true}}));
  EXPECT_EQ(replies[503]["code"], "cancelled") << replies[503].dump();
  EXPECT_EQ(filesBelow(dest), before);
}

// A list saved as a web page is a folder: the preview and the install agree,
// and it arrives whole.
TEST_F(Application, AListFolderIsPlannedInstalledAndReadBackWhole) {
  const fs::path list = desktop_->home() / "Downloads/Nord Stage 3 Program List.html";
  fs::create_directories(list / "files");
  std::ofstream(list / "index.html") << "<html>list</html>";
  std::ofstream(list / "files/logo.png") << "png";
  const json args = {{"dest", (desktop_->home() / "Stick").string()}, {"model", "Nord Stage 3"}, {"list", list.string()}};
  const json plan = ask({{"cmd", "plan"}, {"id", 601}, {"args", args}});
  EXPECT_EQ(plan["ok"], true) << plan.dump();
  const json done = ask({{"cmd", "install"}, {"id", 602}, {"args", args}});
  ASSERT_EQ(done["ok"], true) << done.dump();
  EXPECT_EQ(done["lists"], 1);
  EXPECT_EQ(filesBelow(desktop_->home() / "Stick/Nord Stage 3/Program lists/Nord Stage 3 Program List.html"),
            filesBelow(list));
}

TEST_F(Application, UnknownNamesAndNegativeIdsGoThroughTheDispatcher) {
  const auto replies = exchange({{{"cmd", "PickFolder"}, {"id", -7}}}, -7);
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].id, -7);
  EXPECT_EQ(replies[0].value, (json{{"error", "cmd"}, {"code", "invalid"}}));
}

TEST_F(Application, MalformedMessagesGetNoReplyAtAll) {
  const json messages = {"info", 42, nullptr, {{"cmd", "info"}, {"id", "3"}}, {{"cmd", "info"}},
                         {{"id", 201}}, {{"cmd", 7}, {"id", 202}}, {{"cmd", "quit"}, {"id", 1.5}},
                         {{"cmd", "nosuch"}, {"id", 203}}};
  const auto replies = exchange(messages, 203, 1500);
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].id, 203);
}

TEST_F(Application, SeveralCommandsAtOnceEachGetTheirOwnReply) {
  json messages = json::array();
  for (int id = 301; id <= 310; ++id) messages.push_back({{"cmd", id % 2 ? "info" : "nosuch"}, {"id", id}});
  const auto replies = exchange(messages, 310, 1500);
  std::set<std::int64_t> ids;
  for (const auto& r : replies) ids.insert(r.id);
  EXPECT_EQ(ids.size(), 10u);
  EXPECT_EQ(replies.size(), 10u);
}

TEST_F(Application, QuotesBackslashesLineBreaksAndNonAsciiSurviveBothSerialisations) {
  const std::string awkward = "Nord \"Stage\" \\ back 'quote'\nline ñ … 🎹";
  const fs::path folder = desktop_->home() / awkward;
  fs::create_directories(folder);
  std::ofstream(folder / "Piano.ns3f") << "x";
  const json reply = ask({{"cmd", "scan"}, {"id", 401}, {"args", {{"dir", folder.string()}, {"since", 0}}}});
  ASSERT_TRUE(reply.contains("progs")) << reply.dump();
  EXPECT_EQ(reply["progs"]["dir"], folder.string());
}

// --- the requests served on the main thread -------------------------------------

TEST_F(Application, OpenUrlOpensOnlyWebAndMailLinksAndAlwaysAnswersOk) {
  const std::size_t before = desktop_->opened().size();
  for (const char* url : {"file:///etc/passwd", "javascript:alert(1)", "smb://server/share"})
    EXPECT_EQ(ask({{"cmd", "openURL"}, {"id", 501}, {"args", {{"url", url}}}}), (json{{"ok", true}})) << url;
  EXPECT_EQ(ask({{"cmd", "openURL"}, {"id", 502}, {"args", "not a dictionary"}}), (json{{"ok", true}}));
  EXPECT_EQ(ask({{"cmd", "openURL"}, {"id", 503}, {"args", {{"url", "https://example.org/docs?a=1"}}}}),
            (json{{"ok", true}}));
  ASSERT_TRUE(desktop_->waitForOpened(before + 1));
  std::this_thread::sleep_for(1s);  // room for a wrongly opened one to show up
  const auto opened = desktop_->opened();
  ASSERT_EQ(opened.size(), before + 1);
  EXPECT_EQ(opened.back(), "browser https://example.org/docs?a=1");
}

TEST_F(Application, OpenNsmLaunchesTheDesktopEntryFound) {
  const std::size_t before = desktop_->opened().size();
  EXPECT_EQ(ask({{"cmd", "openNSM"}, {"id", 601}}), (json{{"ok", true}}));
  ASSERT_TRUE(desktop_->waitForOpened(before + 1));
  EXPECT_EQ(desktop_->opened().back(), "nsm ");
}

TEST_F(Application, RevealWithoutAFileManagerServiceOpensTheContainingFolder) {
  const std::size_t before = desktop_->opened().size();
  const fs::path file = desktop_->home() / "Desktop/Velmorin.zip";
  EXPECT_EQ(ask({{"cmd", "reveal"}, {"id", 701}, {"args", {{"path", file.string()}}}}), (json{{"ok", true}}));
  ASSERT_TRUE(desktop_->waitForOpened(before + 1, 40s));
  EXPECT_EQ(desktop_->opened().back(), "files " + (desktop_->home() / "Desktop").string());
}

TEST_F(Application, RepliesToAnEarlierPageNeverReachTheReloadedOne) {
  const fs::path folder = desktop_->tree().file("home/Pack me/Piano.ns3f").parent_path();
  HeldFolder held(desktop_->home() / "Desktop");  // the zip waits at its lock
  app_->execute("window.post(arguments[0]); return 0",
                {{{"cmd", "zip"}, {"id", 801}, {"args", {{"path", folder.string()}}}}});
  app_->command("POST", "/refresh", json::object());
  // The reloaded page asks something else under the same id and hears its own answer…
  EXPECT_EQ(ask({{"cmd", "nosuch"}, {"id", 801}}), (json{{"error", "cmd"}, {"code", "invalid"}}));
  held.release();
  // …and nothing more once the zip has finished and had time to reply.
  const fs::path archive = desktop_->home() / "Desktop/Velmorin.zip";
  for (int i = 0; i < 600 && !fs::exists(archive); ++i) std::this_thread::sleep_for(50ms);
  ASSERT_TRUE(fs::exists(archive));
  exchange({{{"cmd", "info"}, {"id", 802}}}, 802, 1500);
  EXPECT_EQ(app_->execute("return window.replies.filter((r) => r.id === 801).length"), 1);
}

// --- the page stays in its folder and on its scheme --------------------------------

TEST_F(Application, TheSchemeServesThePageFolderAndNothingOutsideIt) {
  EXPECT_EQ(app_->executeAsync(kLoadScript, {"inside.js"}), "loaded");
  EXPECT_EQ(app_->executeAsync(kLoadScript, {"outside.js"}), "refused");
  EXPECT_EQ(app_->executeAsync(kLoadScript, {"velmorin://ui/%2e%2e/secret.js"}), "refused");
  EXPECT_EQ(app_->executeAsync(kLoadScript, {"velmorin://ui/missing.js"}), "refused");
  EXPECT_EQ(app_->execute("return [window.insideLoaded === true, window.secretLoaded === undefined]"),
            (json{true, true}));
}

TEST_F(Application, TheContentSecurityPolicyKeepsInlineScriptOut) {
  EXPECT_EQ(app_->execute("return [typeof window.post, window.inlineRan === undefined]"), (json{"function", true}));
}

TEST_F(Application, ScriptsCannotNavigateAwayOrOpenWindows) {
  const std::size_t before = desktop_->opened().size();
  app_->execute("location.href = 'https://example.org/away'; return 0");
  app_->execute("window.open('https://example.org/popup'); return 0");
  std::this_thread::sleep_for(1500ms);
  EXPECT_EQ(url(), "velmorin://ui/index.html");
  EXPECT_EQ(app_->command("GET", "/window/handles")["value"].size(), 1u);
  EXPECT_EQ(desktop_->opened().size(), before);
}

TEST_F(Application, ClickedWebLinksOpenInTheBrowserAndOtherLinksNowhere) {
  const std::size_t before = desktop_->opened().size();
  click("#file");
  click("#web");
  ASSERT_TRUE(desktop_->waitForOpened(before + 1));
  click("#blank");
  ASSERT_TRUE(desktop_->waitForOpened(before + 2));
  std::this_thread::sleep_for(1s);
  const auto opened = desktop_->opened();
  ASSERT_EQ(opened.size(), before + 2);
  EXPECT_EQ(opened[before], "browser https://example.org/clicked?q=1");
  EXPECT_EQ(opened[before + 1], "browser https://example.org/new-window");
  EXPECT_TRUE(url().starts_with("velmorin://ui/index.html"));
  EXPECT_EQ(app_->command("GET", "/window/handles")["value"].size(), 1u);
}

// --- the window ---------------------------------------------------------------------

TEST_F(Application, ThePageGetsAnEightEightyBySevenTwentyView) {
  EXPECT_EQ(app_->execute("return [innerWidth, innerHeight]"), (json{880, 720}));
}

TEST_F(Application, TheWindowCannotShrinkBelowItsMinimum) {
  app_->command("POST", "/window/rect", json{{"width", 300}, {"height", 300}});
  std::this_thread::sleep_for(500ms);
  const json rect = app_->command("GET", "/window/rect")["value"];
  EXPECT_GE(rect["width"].get<int>(), 640) << rect.dump();
  EXPECT_GE(rect["height"].get<int>(), 600) << rect.dump();
  // The page itself keeps at least that much room.
  const json view = app_->execute("return [innerWidth, innerHeight]");
  EXPECT_GE(view[0].get<int>(), 640) << view.dump();
  EXPECT_GE(view[1].get<int>(), 600) << view.dump();
  app_->command("POST", "/window/rect", json{{"width", 880}, {"height", 720}});
}

TEST_F(Application, ThePageSeesTheApplicationsLanguages) {
  EXPECT_EQ(app_->execute("return navigator.languages[0]"), "en-GB");
}

// --- separate lives ---------------------------------------------------------------------

class SpanishApplication : public ::testing::Test {};

TEST_F(SpanishApplication, ThePageSeesSpanishFirstWhenTheApplicationSpeaksSpanish) {
  FakeDesktop desktop;
  TestPage page;
  auto env = desktop.environment();
  env["VELMORIN_UI_DIR"] = page.folder().string();
  env["LANGUAGE"] = "es_ES:en";
  DrivenApp app(VELMORIN_BINARY, env);
  ASSERT_TRUE(app.ready()) << app.error();
  const json languages = app.execute("return navigator.languages");
  ASSERT_FALSE(languages.empty());
  EXPECT_TRUE(languages[0].get<std::string>().starts_with("es")) << languages.dump();
}

class Quitting : public ::testing::Test {};

TEST_F(Quitting, QuitAnswersFirstThenEndsTheProcessWithStatusZero) {
  FakeDesktop desktop;
  TestPage page;
  auto env = desktop.environment();
  env["VELMORIN_UI_DIR"] = page.folder().string();
  DrivenApp app(VELMORIN_BINARY, env);
  ASSERT_TRUE(app.ready()) << app.error();
  const json replies = app.executeAsync(kExchange, {json::array({{{"cmd", "quit"}, {"id", 77}}}), 77, 0});
  ASSERT_EQ(replies.size(), 1u) << replies.dump();
  EXPECT_EQ(replies[0]["text"], R"({"ok":true})");
  EXPECT_EQ(app.exitStatus(15s), 0);
}

}  // namespace
}  // namespace velmorin::testing
