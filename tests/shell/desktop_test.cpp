// The program as one desktop application among others, on the test's own X
// server and session bus: one instance per user, a keyboard tile that follows
// what udev says is plugged in (devices faked by umockdev), and a notification
// when long work ends behind another window.
#include <gtest/gtest.h>
#include <umockdev.h>

#include "shell/support/child_process.h"
#include "shell/support/fake_desktop.h"
#include "shell/support/fake_notifications.h"
#include "shell/support/held_folder.h"
#include "shell/support/page_waits.h"
#include "shell/support/webdriver.h"
#include "shell/support/x_input.h"

namespace velmorin::testing {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;

// The keyboard tile's state and text once its state is `wanted`, or as it is after 10 s.
constexpr const char* kWaitForTile = R"JS(
  const [wanted, done] = arguments;
  const deadline = Date.now() + 10000;
  (function poll() {
    const tile = document.getElementById('keyboard-state');
    const state = tile ? tile.dataset.state : '';
    if (state === wanted || Date.now() > deadline) return done({ state, text: tile ? tile.textContent : '' });
    setTimeout(poll, 50);
  })();
)JS";

std::map<std::string, std::string> pageEnvironment(const FakeDesktop& desktop) {
  auto env = desktop.environment();
  env["VELMORIN_UI_DIR"] = VELMORIN_SOURCE_UI;
  env["LANGUAGE"] = "en_US";
  return env;
}

TEST(OneInstance, ASecondStartBringsTheWindowForwardAndTheCommandLineStillAnswers) {
  FakeDesktop desktop;
  TempTree logs;
  const auto env = environmentWith(pageEnvironment(desktop));
  ChildProcess first({VELMORIN_BINARY}, env, (logs / "first.log").string());
  XWindowUser user;
  for (int tries = 0; tries < 150 && !user.window(); ++tries) std::this_thread::sleep_for(200ms);
  const Window window = user.window();
  ASSERT_NE(window, 0u) << commandOutput("cat " + shellQuote((logs / "first.log").string()));

  // Another window takes the focus; a second start hands over to the first and ends.
  XFocusThief thief;
  ASSERT_TRUE(thief.take());
  ChildProcess second({VELMORIN_BINARY}, env, (logs / "second.log").string());
  const auto status = second.waitFor(20s);
  ASSERT_TRUE(status) << "the second start did not end";
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << *status;
  EXPECT_TRUE(first.running());
  EXPECT_EQ(user.window(), window) << "a second window opened";
  EXPECT_TRUE(thief.lostTo(window)) << "the first window was not brought forward";

  for (const char* option : {"--version", "--help"}) {
    int exit = -1;
    commandOutput(std::string(VELMORIN_BINARY) + " " + option, &exit);
    EXPECT_EQ(exit, 0) << option;
  }
  int exit = -1;
  const std::string info = commandOutput(std::string(VELMORIN_BINARY) + " --command info", &exit);
  EXPECT_EQ(exit, 0);
  EXPECT_NE(info.find("\"dest\""), std::string::npos) << info;
  first.stop();
}

// udev's view of the machine, faked for the program (through umockdev's
// preloaded library) and changed by the test while the window runs.
class KeyboardTile : public ::testing::Test {
 protected:
  void SetUp() override {
    testbed_ = umockdev_testbed_new();
    auto env = pageEnvironment(desktop_);
    env["UMOCKDEV_DIR"] = umockdev_testbed_get_root_dir(testbed_);
    app_ = std::make_unique<DrivenApp>(VELMORIN_BINARY, env);
  }
  void TearDown() override {
    app_.reset();
    g_object_unref(testbed_);
  }

  std::string plug(const char* name, const char* vendor, const char* product) {
    gchar* path = product ? umockdev_testbed_add_device(testbed_, "usb", name, nullptr, "idVendor", vendor,
                                                        "idProduct", "0021", "product", product, nullptr, "DEVTYPE",
                                                        "usb_device", nullptr)
                          : umockdev_testbed_add_device(testbed_, "usb", name, nullptr, "idVendor", vendor,
                                                        "idProduct", "0021", nullptr, "DEVTYPE", "usb_device", nullptr);
    const std::string syspath = path;
    g_free(path);
    umockdev_testbed_uevent(testbed_, syspath.c_str(), "add");
    return syspath;
  }
  void unplug(const std::string& syspath) {
    umockdev_testbed_uevent(testbed_, syspath.c_str(), "remove");
    umockdev_testbed_remove_device(testbed_, syspath.c_str());
  }
  json tileOnce(const char* state) { return app_->executeAsync(kWaitForTile, {state}); }

  FakeDesktop desktop_;
  UMockdevTestbed* testbed_ = nullptr;
  std::unique_ptr<DrivenApp> app_;
};

TEST_F(KeyboardTile, FollowsANordKeyboardInAndOutAndIgnoresOtherDevices) {
  ASSERT_TRUE(app_->ready()) << app_->error() << "\n" << app_->driverLog();
  ASSERT_EQ(tileOnce("none")["state"], "none");

  // A mouse comes and goes: the tile still says no keyboard, and stays so.
  const std::string mouse = plug("1-3", "046d", "USB Optical Mouse");
  std::this_thread::sleep_for(1500ms);
  EXPECT_EQ(tileOnce("none")["state"], "none");
  unplug(mouse);

  // Clavia's vendor id with the keyboard's own name.
  const std::string stage = plug("1-1", "0ffc", "Nord Stage 3");
  json tile = tileOnce("good");
  EXPECT_EQ(tile["state"], "good");
  EXPECT_EQ(tile["text"], "Nord Stage 3 connected");
  unplug(stage);
  EXPECT_EQ(tileOnce("none")["state"], "none");

  // The other vendor id the keyboards use, with no name to show.
  const std::string unnamed = plug("1-2", "0ffe", nullptr);
  tile = tileOnce("good");
  EXPECT_EQ(tile["state"], "good");
  EXPECT_EQ(tile["text"], "Nord connected");
  unplug(unnamed);
  EXPECT_EQ(tileOnce("none")["state"], "none");
  EXPECT_TRUE(app_->execute("return !!document.getElementById('check-keyboard')").get<bool>());
}

// The wheel turned over the library's table, as a person scrolls down the page:
// once the table is at its end, the page goes on scrolling (WebKitGTK keeps the
// wheel in an inner list that has reached its end unless the page hands it on).
TEST(Wheel, TurnedOverTheLibraryTableTheWheelGoesOnToThePageAtTheTablesEnd) {
  FakeDesktop desktop;
  for (int i = 0; i < 40; ++i)
    desktop.tree().file("home/Desktop/Nord set/Program " + std::to_string(i) + ".ns3f", "not a Nord file");
  DrivenApp app(VELMORIN_BINARY, pageEnvironment(desktop));
  ASSERT_TRUE(app.ready()) << app.error();
  ASSERT_EQ(app.executeAsync(kWaitForText, {"Not found on this computer."}), true);
  app.execute("document.getElementById('tab-library').click(); document.getElementById('library-usual').click();");
  ASSERT_EQ(app.executeAsync(kWaitForText, {"40 of 40 programs shown"}), true);
  // The table in the middle of the view, the page below it long (the damaged files' list).
  const json at = app.execute(R"JS(
    const table = document.getElementById('library-scroll');
    const box = table.getBoundingClientRect();
    window.scrollTo(0, box.top + window.scrollY - (window.innerHeight - box.height) / 2);
    const now = table.getBoundingClientRect();
    return { top: now.top, height: now.height, left: now.left, width: now.width, inner: window.innerHeight,
             scrollY: window.scrollY, room: document.documentElement.scrollHeight - window.innerHeight - window.scrollY };
  )JS");
  ASSERT_GT(at["room"].get<double>(), 200) << at;
  XWindowUser user;
  const auto [width, height] = user.size();
  ASSERT_GT(height, at["inner"].get<int>()) << at;
  const int x = static_cast<int>(at["left"].get<double>() + at["width"].get<double>() / 2);
  const int y = height - at["inner"].get<int>() + static_cast<int>(at["top"].get<double>() + at["height"].get<double>() / 2);
  ASSERT_TRUE(user.wheel(x, y, 60, true));
  std::this_thread::sleep_for(1s);  // the last notches' scrolling settles
  const json after = app.execute(R"JS(
    const table = document.getElementById('library-scroll');
    return { tableAtEnd: table.scrollTop + table.clientHeight >= table.scrollHeight - 1, scrollY: window.scrollY };
  )JS");
  EXPECT_EQ(after["tableAtEnd"], true) << after;
  EXPECT_GT(after["scrollY"].get<double>(), at["scrollY"].get<double>() + 100) << at << after;
}

// An install held back by the test for longer than the user waits in front of it.
class LongInstall : public ::testing::Test {
 protected:
  void SetUp() override {
    progs_ = desktop_.tree().file("home/Music/Stage/A.ns3f").parent_path();
    model_ = desktop_.home() / "Desktop/Velmorin/Nord Stage 3";
    fs::create_directories(model_);
  }
  json install(int id) const {
    return {{"cmd", "install"},
            {"id", id},
            {"args", {{"dest", (desktop_.home() / "Desktop/Velmorin").string()}, {"model", "Nord Stage 3"},
                      {"progs", progs_.string()}, {"ext", "ns3f"}}}};
  }
  // Posts an install and lets it end after 11 s.
  void runLong(DrivenApp& app, int id) {
    HeldFolder held(model_);
    app.execute("window.webkit.messageHandlers.vl.postMessage(arguments[0])", json::array({install(id)}));
    std::this_thread::sleep_for(11s);
    held.release();
  }

  FakeDesktop desktop_;
  fs::path progs_, model_;
};

TEST_F(LongInstall, EndingBehindAnotherWindowIsNotifiedAndTheClickBringsTheWindowBack) {
  FakeNotificationServer server;
  ASSERT_TRUE(server.serving());
  DrivenApp app(VELMORIN_BINARY, pageEnvironment(desktop_));
  ASSERT_TRUE(app.ready()) << app.error();
  ASSERT_EQ(app.executeAsync(kWaitForText, {"Not found on this computer."}), true);
  XWindowUser user;
  XFocusThief thief;
  ASSERT_TRUE(thief.take());

  runLong(app, 9101);
  const auto got = server.received(1, 60s);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].summary, "Install finished");
  EXPECT_EQ(got[0].body, "The programs and the list are in " + model_.string());
  EXPECT_EQ(got[0].desktopEntry, "org.velmorin.Sync");
  ASSERT_NE(std::find(got[0].actions.begin(), got[0].actions.end(), "default"), got[0].actions.end());

  server.click(got[0].id);
  EXPECT_TRUE(thief.lostTo(user.window())) << "the click did not bring the window forward";

  // With the window in front, the next long install ends without a word.
  runLong(app, 9102);
  std::size_t archives = 0;
  for (int tries = 0; tries < 300 && archives < 1; ++tries, std::this_thread::sleep_for(100ms)) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(model_, ec)) archives += entry.path().extension() == ".zip";
  }
  ASSERT_EQ(archives, 1u);
  std::this_thread::sleep_for(2s);
  EXPECT_EQ(server.received(2, 0s).size(), 1u);
}

}  // namespace
}  // namespace velmorin::testing
