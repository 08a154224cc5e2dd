// Every routing rule, against a fake platform and fake core services.
#include "bridge/router.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <set>

#include "bridge/fake_platform.h"
#include "bridge/reply_call.h"
#include "support/gate.h"
#include "support/temp_tree.h"

namespace velmorin::bridge {
namespace {

using testing::FakePlatform;
using testing::readReplyCall;

struct WorkCall {
  std::string cmd;
  Reply args;
};

class RouterTest : public ::testing::Test {
 protected:
  RouterServices services() {
    RouterServices s;
    s.work = [this](const std::string& cmd, const Reply& args, platform::WorkControl& control) -> LongReply {
      workCalls.push_back({cmd, args});
      if (cmd == "echo") return Reply{{"echo", args}};
      if (cmd == "list" || cmd == "badList") {
        LongReply reply(Reply{{"total", 2}, {"ok", true}});
        reply.listKey = "programs";
        reply.writeList = [cmd](JsonWriter& out) {
          if (cmd == "badList") throw std::runtime_error("no memory left");
          out.beginArray(), out.text("/a"), out.text("\u203a"), out.endArray();
        };
        return reply;
      }
      if (cmd == "install" || cmd == "info") {
        control.begin(platform::WorkPhase::Copy, 4, 400);
        control.advance(1, 100);
        return Reply{{"cancelled", control.cancelled()}};
      }
      return Reply{{"error", "cmd"}};
    };
    s.findNsm = [this] { return nsm; };
    s.spanish = [this] { return spanishNow; };
    s.icloud = [this] { return icloud; };
    return s;
  }

  // Posts `json`, runs the background and main-thread work it started, and gives
  // the reply calls that reached the page.
  std::vector<testing::ReplyCall> post(const std::string& json) {
    const std::size_t before = platform.scripts.size();
    router.onMessageJson(json);
    platform.runBackground();
    platform.runMain();
    std::vector<testing::ReplyCall> calls;
    for (std::size_t i = before; i < platform.scripts.size(); ++i) {
      auto call = readReplyCall(platform.scripts[i]);
      EXPECT_TRUE(call) << platform.scripts[i];
      if (call) calls.push_back(*call);
    }
    return calls;
  }

  FakePlatform platform;
  std::vector<WorkCall> workCalls;
  std::optional<NsmApp> nsm;
  bool spanishNow = false;
  std::optional<std::filesystem::path> icloud;
  Router router{platform, services()};
};

TEST_F(RouterTest, ALongListIsWrittenInTheBackgroundAmongTheOtherMembersAndItsFailureStillAnswers) {
  auto calls = post(R"({"cmd":"list","id":3})");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].reply, (Reply{{"ok", true}, {"programs", {"/a", "\u203a"}}, {"total", 2}}));
  calls = post(R"({"cmd":"badList","id":4})");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].reply, (Reply{{"ok", false}, {"error", "no memory left"}, {"code", "failed"}}));
  EXPECT_EQ(router.commandsInFlight(), 0u);
}

// --- malformed messages ---------------------------------------------------

TEST_F(RouterTest, MalformedMessagesGetNoReplyAndRunNothing) {
  for (const char* json : {R"("info")", R"({"cmd":"info","id":"3"})", R"({"cmd":"quit"})", R"({"id":4})",
                           R"({"cmd":"openURL","id":2.5,"args":{"url":"https://nord.no"}})", "not json",
                           R"({"cmd":"pickFolder","id":null})"}) {
    EXPECT_TRUE(post(json).empty()) << json;
  }
  EXPECT_TRUE(workCalls.empty());
  EXPECT_TRUE(platform.openedUrls.empty());
  EXPECT_TRUE(platform.pickers.empty());
  EXPECT_TRUE(platform.delayed.empty());
}

TEST_F(RouterTest, ParsedBodiesAreRoutedLikeTextOnes) {
  router.onMessage(Reply{{"cmd", "echo"}, {"id", 9}, {"args", {{"a", 1}}}});
  platform.runBackground();
  platform.runMain();
  ASSERT_EQ(platform.scripts.size(), 1u);
  EXPECT_EQ(readReplyCall(platform.scripts[0])->reply, (Reply{{"echo", {{"a", 1}}}}));
  router.onMessage(Reply::array({1, 2}));
  platform.runBackground();
  platform.runMain();
  EXPECT_EQ(platform.scripts.size(), 1u);
}

// --- commands for the dispatcher ------------------------------------------

TEST_F(RouterTest, OtherCommandsRunInTheBackgroundAndAnswerOnTheMainThread) {
  router.onMessageJson(R"({"cmd":"echo","id":12,"args":{"since":0}})");
  // Nothing runs on the posting thread: the dispatcher waits for the background.
  EXPECT_TRUE(workCalls.empty());
  EXPECT_TRUE(platform.scripts.empty());
  platform.runBackground();
  ASSERT_EQ(workCalls.size(), 1u);
  EXPECT_EQ(workCalls[0].cmd, "echo");
  EXPECT_EQ(workCalls[0].args, (Reply{{"since", 0}}));
  // The reply waits for the main thread.
  EXPECT_TRUE(platform.scripts.empty());
  platform.runMain();
  ASSERT_EQ(platform.scripts.size(), 1u);
  EXPECT_EQ(platform.scripts[0], R"(window.__vlReply(12, ["{\"echo\":{\"since\":0}}"][0]))");
}

TEST_F(RouterTest, UnknownAndCaseVariantNamesGoToTheDispatcher) {
  for (const char* cmd : {"nosuch", "PickFolder", "pickfolder", "QUIT", "openUrl", "reveal ", ""}) {
    const auto calls = post(std::string(R"({"cmd":")") + cmd + R"(","id":4})");
    ASSERT_EQ(calls.size(), 1u) << cmd;
    EXPECT_EQ(calls[0].id, 4);
    EXPECT_EQ(calls[0].reply, (Reply{{"error", "cmd"}})) << cmd;
    ASSERT_FALSE(workCalls.empty());
    EXPECT_EQ(workCalls.back().cmd, cmd);
  }
  EXPECT_TRUE(platform.pickers.empty());
  EXPECT_TRUE(platform.delayed.empty());
}

TEST_F(RouterTest, MistypedArgsReachTheDispatcherAsAnEmptyDictionary) {
  post(R"({"cmd":"echo","id":1,"args":"x"})");
  ASSERT_EQ(workCalls.size(), 1u);
  EXPECT_EQ(workCalls[0].args, Reply::object());
}

TEST_F(RouterTest, NegativeIdsAreEchoedWithTheirSign) {
  const auto calls = post(R"({"cmd":"echo","id":-42})");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].id, -42);
}

TEST_F(RouterTest, AThrowingCommandStillGetsAValidReply) {
  RouterServices s = services();
  s.work = [](const std::string&, const Reply&, platform::WorkControl&) -> Reply { throw std::runtime_error("boom"); };
  Router throwing(platform, s);
  throwing.onMessageJson(R"({"cmd":"info","id":3})");
  platform.runBackground();
  platform.runMain();
  ASSERT_EQ(platform.scripts.size(), 1u);
  const auto call = readReplyCall(platform.scripts[0]);
  ASSERT_TRUE(call);
  EXPECT_EQ(call->id, 3);
  EXPECT_EQ(call->reply["ok"], false);
}

TEST_F(RouterTest, TasksOutlivingTheRouterNeitherRunNorReply) {
  {
    Router shortLived(platform, services());
    shortLived.onMessageJson(R"({"cmd":"echo","id":1})");
  }
  platform.runBackground();
  platform.runMain();
  EXPECT_TRUE(workCalls.empty());
  EXPECT_TRUE(platform.scripts.empty());
}

TEST_F(RouterTest, ARouterGoneWhileTheCommandRunsSendsNoReply) {
  auto shortLived = std::make_unique<Router>(platform, services());
  shortLived->onMessageJson(R"({"cmd":"echo","id":1})");
  platform.runBackground();
  shortLived.reset();
  platform.runMain();
  EXPECT_EQ(workCalls.size(), 1u);
  EXPECT_TRUE(platform.scripts.empty());
}

// --- openURL ----------------------------------------------------------------

TEST_F(RouterTest, OpenUrlOpensWebAndMailLinksAndAlwaysAnswersOk) {
  for (const char* url : {"https://www.nordkeyboards.com/", "http://example.org/a?b=c", "mailto:help@example.org"}) {
    const auto calls = post(std::string(R"({"cmd":"openURL","id":3,"args":{"url":")") + url + R"("}})");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].reply, (Reply{{"ok", true}}));
    EXPECT_EQ(platform.openedUrls.back(), url);
  }
  EXPECT_EQ(platform.openedUrls.size(), 3u);
  EXPECT_TRUE(workCalls.empty());
}

TEST_F(RouterTest, OpenUrlRefusesLocalAndScriptSchemesButStillAnswersOk) {
  for (const char* url : {"file:///etc/passwd", "javascript:alert(1)", "smb://server/share", "ftp://x.org",
                          "data:text/html,hi", "/usr/bin/xterm", "velmorin://ui/index.html", "", "https://",
                          "https://user:pw@example.org/", "mailto:a@example.org?attach=/etc/passwd"}) {
    const auto calls = post(Reply{{"cmd", "openURL"}, {"id", 3}, {"args", {{"url", url}}}}.dump());
    ASSERT_EQ(calls.size(), 1u) << url;
    EXPECT_EQ(calls[0].reply, (Reply{{"ok", true}}));
  }
  EXPECT_TRUE(platform.openedUrls.empty());
}

TEST_F(RouterTest, OpenUrlWithoutArgsOpensNothingAndAnswersOk) {
  EXPECT_EQ(post(R"({"cmd":"openURL","id":3})")[0].innerText, R"({"ok":true})");
  EXPECT_EQ(platform.scripts.back(), R"(window.__vlReply(3, ["{\"ok\":true}"][0]))");
  post(R"({"cmd":"openURL","id":3,"args":{"url":42}})");
  EXPECT_TRUE(platform.openedUrls.empty());
}

// --- openNSM ------------------------------------------------------------------

TEST_F(RouterTest, OpenNsmLaunchesWhatFindNsmFoundAndSaysSo) {
  nsm = NsmApp{"/usr/share/applications/Nord Sound Manager.desktop", "Nord Sound Manager", true};
  const auto calls = post(R"({"cmd":"openNSM","id":8})");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].reply, (Reply{{"ok", true}}));
  ASSERT_EQ(platform.openedApps.size(), 1u);
  EXPECT_EQ(platform.openedApps[0].location, nsm->location);
  EXPECT_TRUE(platform.openedApps[0].desktopEntry);
}

TEST_F(RouterTest, OpenNsmAnswersFalseWhenNotInstalled) {
  const auto calls = post(R"({"cmd":"openNSM","id":8})");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].reply, (Reply{{"ok", false}}));
  EXPECT_TRUE(platform.openedApps.empty());
}

// --- reveal -------------------------------------------------------------------

TEST_F(RouterTest, RevealShowsAbsoluteAndRelativePathsAndAlwaysAnswersOk) {
  post(R"({"cmd":"reveal","id":1,"args":{"path":"/home/ana/Desktop/Velmorin.zip"}})");
  post(R"({"cmd":"reveal","id":2,"args":{"path":"lists/../Velmorin.zip"}})");
  ASSERT_EQ(platform.revealed.size(), 2u);
  EXPECT_EQ(platform.revealed[0], "/home/ana/Desktop/Velmorin.zip");
  EXPECT_EQ(platform.revealed[1], std::filesystem::current_path() / "Velmorin.zip");
  // Nothing checks that the path exists.
  EXPECT_EQ(post(R"({"cmd":"reveal","id":3,"args":{"path":"/no/such/file"}})")[0].reply, (Reply{{"ok", true}}));
}

TEST_F(RouterTest, RevealThatOpensNothingSaysSoInTheUsersLanguage) {
  platform.revealOpens = false;
  for (const bool es : {false, true}) {
    spanishNow = es;
    const auto calls = post(R"({"cmd":"reveal","id":4,"args":{"path":"/home/ana/Gone/Velmorin.zip"}})");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].reply["ok"], false);
    EXPECT_EQ(calls[0].reply["code"], "failed");
    EXPECT_NE(calls[0].reply["error"].get<std::string>().find(es ? "gestor de archivos" : "file manager"), std::string::npos);
  }
}

TEST_F(RouterTest, RevealWithoutATextPathRevealsNothing) {
  for (const char* json : {R"({"cmd":"reveal","id":1})", R"({"cmd":"reveal","id":1,"args":{"path":7}})",
                           R"({"cmd":"reveal","id":1,"args":{"path":null}})"}) {
    const auto calls = post(json);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].reply, (Reply{{"ok", true}}));
  }
  EXPECT_TRUE(platform.revealed.empty());
}

// --- quit -----------------------------------------------------------------------

TEST_F(RouterTest, QuitRepliesFirstAndEndsTheApplicationAFifthOfASecondLater) {
  const auto calls = post(R"({"cmd":"quit","id":99})");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].id, 99);
  EXPECT_EQ(calls[0].reply, (Reply{{"ok", true}}));
  EXPECT_EQ(platform.ends, 0);
  ASSERT_EQ(platform.delayed.size(), 1u);
  EXPECT_EQ(platform.delays[0], std::chrono::milliseconds(200));
  platform.delayed[0]();
  EXPECT_EQ(platform.ends, 1);
  EXPECT_TRUE(workCalls.empty());
}

// --- pickFolder -------------------------------------------------------------------

TEST_F(RouterTest, PickFolderOpensAChooserAndRepliesWithThePathLater) {
  router.onMessageJson(R"({"cmd":"pickFolder","id":7,"args":{"kind":"list"}})");
  ASSERT_EQ(platform.pickers.size(), 1u);
  EXPECT_EQ(platform.pickers[0].options.title, "Choose the folder where you saved the lists");
  EXPECT_TRUE(platform.scripts.empty());  // no reply until the user decides
  platform.pickers[0].done(std::string("/srv/Shared/Nord/"));
  ASSERT_EQ(platform.scripts.size(), 1u);
  const auto call = readReplyCall(platform.scripts[0]);
  EXPECT_EQ(call->id, 7);
  EXPECT_EQ(call->reply, (Reply{{"path", "/srv/Shared/Nord"}}));
  EXPECT_TRUE(workCalls.empty());
}

TEST_F(RouterTest, PickFolderCancelledRepliesCancel) {
  router.onMessageJson(R"({"cmd":"pickFolder","id":5})");
  platform.pickers.at(0).done(std::nullopt);
  EXPECT_EQ(readReplyCall(platform.scripts.at(0))->reply, (Reply{{"cancel", true}}));
}

TEST_F(RouterTest, PickFolderRepliesOncePerRequestInWhateverOrderTheyClose) {
  router.onMessageJson(R"({"cmd":"pickFolder","id":7,"args":{"kind":"list"}})");
  router.onMessageJson(R"({"cmd":"pickFolder","id":8,"args":{"kind":"dest"}})");
  ASSERT_EQ(platform.pickers.size(), 2u);
  platform.pickers[1].done(std::nullopt);
  platform.pickers[0].done(std::string("/a"));
  platform.pickers[0].done(std::string("/b"));  // a platform that reports twice
  ASSERT_EQ(platform.scripts.size(), 2u);
  EXPECT_EQ(readReplyCall(platform.scripts[0])->id, 8);
  EXPECT_EQ(readReplyCall(platform.scripts[1])->id, 7);
  EXPECT_EQ(readReplyCall(platform.scripts[1])->reply, (Reply{{"path", "/a"}}));
}

TEST_F(RouterTest, PickFolderAnswersAPathThatIsNotUtf8WithAnErrorInTheUsersLanguageNeverAnotherPath) {
  for (const bool es : {false, true}) {
    spanishNow = es;
    router.onMessageJson(R"({"cmd":"pickFolder","id":6,"args":{"kind":"dest"}})");
    platform.pickers.back().done(std::string("/home/ana/M\xfasica"));  // Latin-1 "Música"
    const auto call = readReplyCall(platform.scripts.back());
    ASSERT_TRUE(call);
    EXPECT_EQ(call->id, 6);
    EXPECT_FALSE(call->reply.contains("path")) << call->innerText;
    EXPECT_NE(call->reply.value("error", "").find(es ? "no son texto UTF-8" : "not valid UTF-8"), std::string::npos)
        << call->innerText;
  }
}

// The destination is the folder chosen, and one that cannot be written is refused
// as it is chosen; other kinds of folder are only read.
TEST_F(RouterTest, PickFolderRefusesADestinationThatCannotBeWrittenWhenItIsChosen) {
  velmorin::testing::TempTree tree;
  const auto file = tree.file("notes.txt", "a file");
  router.onMessageJson(R"({"cmd":"pickFolder","id":1,"args":{"kind":"dest"}})");
  EXPECT_EQ(platform.pickers.back().options.title, "Choose the destination folder: the keyboard model's folder is made in it");
  platform.pickers.back().done(tree.root().string());
  EXPECT_EQ(readReplyCall(platform.scripts.back())->reply, (Reply{{"path", tree.root().string()}}));
  for (const auto& [kind, refused] :
       {std::pair{"dest", true}, std::pair{"restore", true}, std::pair{"progs", false}}) {
    for (const auto& bad : {tree.root() / "missing", file / "below"}) {
      router.onMessageJson(std::string(R"({"cmd":"pickFolder","id":2,"args":{"kind":")") + kind + R"("}})");
      platform.pickers.back().done(bad.string());
      const Reply reply = readReplyCall(platform.scripts.back())->reply;
      EXPECT_EQ(reply.contains("path"), !refused) << kind << " " << bad << " " << reply.dump();
      if (refused) {
        EXPECT_EQ(reply["ok"], false);
        EXPECT_NE(reply["error"].get<std::string>().find(bad.string()), std::string::npos) << reply.dump();
        EXPECT_TRUE(reply["code"] == "notFound" || reply["code"] == "notFolder") << reply.dump();
      }
    }
  }
}

TEST_F(RouterTest, PickSaveFileOpensASaveDialogAndSaysWhetherTheUserAgreedToReplace) {
  velmorin::testing::TempTree tree;
  tree.file("Gig.csv", "an earlier list");
  spanishNow = true;
  router.onMessageJson(R"({"cmd":"pickSaveFile","id":3,"args":{"kind":"setList"}})");
  ASSERT_EQ(platform.pickers.size(), 1u);
  EXPECT_TRUE(platform.pickers[0].options.saveFile);
  EXPECT_EQ(platform.pickers[0].options.fileName.rfind("Lista ", 0), 0u);
  EXPECT_EQ(platform.pickers[0].options.fileName.substr(platform.pickers[0].options.fileName.size() - 4), ".csv");
  platform.pickers[0].done((tree.root() / "Gig.csv").string());
  EXPECT_EQ(readReplyCall(platform.scripts.back())->reply,
            (Reply{{"path", (tree.root() / "Gig.csv").string()}, {"replace", true}}));
  router.onMessageJson(R"({"cmd":"pickSaveFile","id":4})");
  platform.pickers.back().done((tree.root() / "New.csv").string());
  EXPECT_EQ(readReplyCall(platform.scripts.back())->reply,
            (Reply{{"path", (tree.root() / "New.csv").string()}, {"replace", false}}));
  router.onMessageJson(R"({"cmd":"pickSaveFile","id":5})");
  platform.pickers.back().done(std::nullopt);
  EXPECT_EQ(readReplyCall(platform.scripts.back())->reply, (Reply{{"cancel", true}}));
}

// Printing ends when the print does: printed, cancelled in the dialog, or failed
// in the printing system's words within a sentence in the user's language; each
// request is answered once, and never on a page loaded since.
TEST_F(RouterTest, PrintAnswersWhenThePrintEndsAndOnlyOnce) {
  router.onMessageJson(R"({"cmd":"print","id":1})");
  router.onMessageJson(R"({"cmd":"print","id":2})");
  spanishNow = true;
  router.onMessageJson(R"({"cmd":"print","id":3})");
  ASSERT_EQ(platform.prints.size(), 3u);
  EXPECT_TRUE(platform.scripts.empty()) << "no answer before the print ends";
  platform.prints[1]({PrintOutcome::State::cancelled, ""});
  platform.prints[0]({PrintOutcome::State::printed, ""});
  platform.prints[0]({PrintOutcome::State::failed, "late"});
  platform.prints[2]({PrintOutcome::State::failed, "sin impresora"});
  ASSERT_EQ(platform.scripts.size(), 3u);
  EXPECT_EQ(readReplyCall(platform.scripts[0])->id, 2);
  EXPECT_EQ(readReplyCall(platform.scripts[0])->reply, (Reply{{"ok", true}, {"cancel", true}}));
  EXPECT_EQ(readReplyCall(platform.scripts[1])->reply, (Reply{{"ok", true}}));
  EXPECT_EQ(readReplyCall(platform.scripts[2])->reply,
            (Reply{{"ok", false}, {"error", "No se pudo imprimir (sin impresora)."}, {"code", "failed"}}));

  router.onMessageJson(R"({"cmd":"print","id":4})");
  router.pageLoaded();
  platform.prints.back()({PrintOutcome::State::printed, ""});
  EXPECT_EQ(platform.scripts.size(), 3u);
}

TEST_F(RouterTest, PickFolderKindMustBeText) {
  icloud = "/home/ana/Library/Mobile Documents/com~apple~CloudDocs";
  router.onMessageJson(R"({"cmd":"pickFolder","id":5,"args":{"kind":2}})");
  ASSERT_EQ(platform.pickers.size(), 1u);
  EXPECT_EQ(platform.pickers[0].options.title, "Choose the folder with the Nord programs");
  EXPECT_FALSE(platform.pickers[0].options.startFolder);
}

TEST_F(RouterTest, PickFolderAsksLanguageAndICloudAtEachRequest) {
  icloud = "/home/ana/iCloud";
  spanishNow = true;
  router.onMessageJson(R"({"cmd":"pickFolder","id":1,"args":{"kind":"dest"}})");
  icloud.reset();
  spanishNow = false;
  router.onMessageJson(R"({"cmd":"pickFolder","id":2,"args":{"kind":"dest"}})");
  ASSERT_EQ(platform.pickers.size(), 2u);
  EXPECT_EQ(platform.pickers[0].options.title,
            "Elige la carpeta de destino: en ella se crea la carpeta del modelo de teclado");
  EXPECT_EQ(platform.pickers[0].options.acceptLabel, "Elegir");
  EXPECT_EQ(platform.pickers[0].options.startFolder, std::filesystem::path("/home/ana/iCloud"));
  EXPECT_EQ(platform.pickers[1].options.acceptLabel, "Choose");
  EXPECT_FALSE(platform.pickers[1].options.startFolder);
}

TEST_F(RouterTest, APickerClosingAfterTheRouterIsGoneSendsNothing) {
  auto shortLived = std::make_unique<Router>(platform, services());
  shortLived->onMessageJson(R"({"cmd":"pickFolder","id":1})");
  shortLived.reset();
  platform.pickers.at(0).done(std::string("/x"));
  EXPECT_TRUE(platform.scripts.empty());
}

// --- page loads and quitting ----------------------------------------------------

TEST_F(RouterTest, RepliesMeantForAnEarlierPageAreDroppedAndStillCounted) {
  router.onMessageJson(R"({"cmd":"echo","id":1})");
  router.onMessageJson(R"({"cmd":"pickFolder","id":2})");
  router.pageLoaded();
  platform.runBackground();
  platform.runMain();
  platform.pickers.at(0).done(std::string("/srv/Nord"));
  EXPECT_TRUE(platform.scripts.empty());
  EXPECT_EQ(router.commandsInFlight(), 0u);
  // The new page's own requests, under the same ids, are answered.
  EXPECT_EQ(post(R"({"cmd":"echo","id":1,"args":{"page":2}})").at(0).reply, (Reply{{"echo", {{"page", 2}}}}));
  router.onMessageJson(R"({"cmd":"pickFolder","id":2})");
  platform.pickers.at(1).done(std::nullopt);
  EXPECT_EQ(readReplyCall(platform.scripts.at(1))->reply, (Reply{{"cancel", true}}));
}

TEST_F(RouterTest, QuittingWaitsForInstallsAndZipsAloneAndRefusesNewOnes) {
  router.onMessageJson(R"({"cmd":"scan","id":1})");
  router.endWhenFinished();  // a scan does not hold the quit back
  EXPECT_EQ(platform.ends, 1);
  router.onMessageJson(R"({"cmd":"install","id":2})");
  router.onMessageJson(R"({"cmd":"quit","id":3})");  // the page's quit, then Ctrl+Q: the page is told once
  platform.delayed.at(0)();
  router.endWhenFinished();
  spanishNow = true;
  router.onMessageJson(R"({"cmd":"zip","id":4})");
  ASSERT_EQ(platform.scripts.size(), 3u);
  EXPECT_EQ(platform.scripts[1], R"(typeof window.__vlEvent === "function" && window.__vlEvent({"type":"finishing"}))");
  const auto refused = readReplyCall(platform.scripts[2]);
  EXPECT_EQ(refused->reply["ok"], false);
  EXPECT_NE(refused->reply.value("error", "").find("cerrando"), std::string::npos);
  platform.runBackground();
  platform.runMain();
  EXPECT_EQ(platform.scripts.size(), 6u);  // the scan and the install answered, and the install's progress
  EXPECT_EQ(platform.ends, 1);
  platform.delayed.at(1)();  // the end, after the last write's reply
  EXPECT_EQ(platform.ends, 2);
}

// --- cancel and progress ------------------------------------------------------------

TEST_F(RouterTest, CancelReachesOnlyThisPagesRunningCommandOfThatId) {
  router.onMessageJson(R"({"cmd":"install","id":5})");
  router.onMessageJson(R"({"cmd":"install","id":6})");
  // Answered at once, on the main thread, while the commands wait to run.
  for (const char* json : {R"({"cmd":"cancel","id":7,"args":{"id":5}})", R"({"cmd":"cancel","id":8,"args":{"id":99}})",
                           R"({"cmd":"cancel","id":9,"args":{"id":"5"}})", R"({"cmd":"cancel","id":10})"})
    router.onMessageJson(json);
  ASSERT_EQ(platform.scripts.size(), 4u);
  EXPECT_EQ(readReplyCall(platform.scripts[0])->reply, (Reply{{"ok", true}, {"found", true}}));
  for (int i = 1; i < 4; ++i) EXPECT_EQ(readReplyCall(platform.scripts[i])->reply, (Reply{{"ok", true}, {"found", false}}));
  platform.scripts.clear();
  platform.runBackground();
  platform.runMain();
  std::map<std::int64_t, Reply> replies;
  for (const auto& script : platform.scripts)
    if (const auto call = readReplyCall(script)) replies[call->id] = call->reply;
  EXPECT_EQ(replies[5], (Reply{{"cancelled", true}}));
  EXPECT_EQ(replies[6], (Reply{{"cancelled", false}}));
  // Answered: nothing left to cancel. An earlier page's command is not this page's.
  EXPECT_EQ(post(R"({"cmd":"cancel","id":11,"args":{"id":5}})").at(0).reply, (Reply{{"ok", true}, {"found", false}}));
  router.onMessageJson(R"({"cmd":"install","id":12})");
  router.pageLoaded();
  EXPECT_EQ(post(R"({"cmd":"cancel","id":13,"args":{"id":12}})").at(0).reply, (Reply{{"ok", true}, {"found", false}}));
}

TEST_F(RouterTest, LongCommandsReportProgressBeforeTheirReply) {
  router.onMessageJson(R"({"cmd":"install","id":-4})");
  router.onMessageJson(R"({"cmd":"info","id":3})");  // quick: no progress
  platform.runBackground();
  platform.runMain();
  ASSERT_EQ(platform.scripts.size(), 3u);
  EXPECT_EQ(platform.scripts[0],
            R"(typeof window.__vlProgress === "function" && window.__vlProgress(-4, )"
            R"({"bytes":0,"done":0,"phase":"copy","total":4,"totalBytes":400}))");
  EXPECT_EQ(readReplyCall(platform.scripts[1])->id, -4);
  EXPECT_EQ(readReplyCall(platform.scripts[2])->id, 3);
}

// --- concurrency, with real threads ---------------------------------------------

TEST(RouterThreads, ASlowCommandDoesNotHoldBackALaterOne) {
  FakePlatform platform(/*realThreads=*/true);
  // However the test ends, the gate opens as it goes, so the pool can stop.
  velmorin::testing::Gate gate;
  RouterServices services;
  services.work = [&](const std::string& cmd, const Reply&, platform::WorkControl&) {
    if (cmd == "slow") gate.wait();
    return Reply{{"cmd", cmd}};
  };
  Router router(platform, services);
  router.onMessageJson(R"({"cmd":"slow","id":1})");
  router.onMessageJson(R"({"cmd":"fast","id":2})");
  // The fast one answers while the slow one is still blocked.
  ASSERT_TRUE(platform.runMainUntilScripts(1));
  EXPECT_EQ(readReplyCall(platform.scripts[0])->id, 2);
  gate.open();
  ASSERT_TRUE(platform.runMainUntilScripts(2));
  EXPECT_EQ(readReplyCall(platform.scripts[1])->id, 1);
  EXPECT_EQ(readReplyCall(platform.scripts[1])->reply, (Reply{{"cmd", "slow"}}));
}

TEST(RouterThreads, ManyCommandsEachGetTheirOwnReply) {
  FakePlatform platform(/*realThreads=*/true);
  RouterServices services;
  services.work = [](const std::string&, const Reply& args, platform::WorkControl&) { return Reply{{"n", args["n"]}}; };
  Router router(platform, services);
  constexpr int kCount = 200;
  for (int i = 0; i < kCount; ++i)
    router.onMessage(Reply{{"cmd", "x"}, {"id", i}, {"args", {{"n", i}}}});
  ASSERT_TRUE(platform.runMainUntilScripts(kCount));
  std::set<std::int64_t> ids;
  for (const auto& script : platform.scripts) {
    const auto call = readReplyCall(script);
    ASSERT_TRUE(call);
    EXPECT_EQ(call->reply["n"], call->id);
    ids.insert(call->id);
  }
  EXPECT_EQ(ids.size(), static_cast<std::size_t>(kCount));
}

}  // namespace
}  // namespace velmorin::bridge
