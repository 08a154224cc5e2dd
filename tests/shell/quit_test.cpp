// Quitting, each way a person can, while an install runs: the program stays
// until the install is done, its page says so, and it then ends by itself
// with status 0 and the install whole on disk.
#include <gtest/gtest.h>

#include "shell/support/fake_desktop.h"
#include "shell/support/held_folder.h"
#include "shell/support/page_waits.h"
#include "shell/support/webdriver.h"
#include "shell/support/x_input.h"

namespace velmorin::testing {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;

enum class Way { PageQuitButton, MenuQuit, CtrlQ, WindowCloseButton };

class QuitWhileInstalling : public ::testing::TestWithParam<Way> {
 protected:
  static void quit(DrivenApp& app) {
    XWindowUser user;
    switch (GetParam()) {
      case Way::PageQuitButton: {
        const json found = app.command("POST", "/element", json{{"using", "css selector"}, {"value", "#quit"}});
        app.command("POST", "/element/" + found["value"].begin().value().get<std::string>() + "/click", json::object());
        break;
      }
      case Way::MenuQuit:  // F10 opens the first menu, whose items are About, then Quit
        ASSERT_TRUE(user.type({{XK_F10}, {XK_Down}, {XK_Down}, {XK_Return}}));
        break;
      case Way::CtrlQ:
        ASSERT_TRUE(user.type({{XK_Control_L, XK_q}}));
        break;
      case Way::WindowCloseButton:
        ASSERT_TRUE(user.askToClose());
        break;
    }
  }
};

TEST_P(QuitWhileInstalling, FinishesTheInstallThenEnds) {
  FakeDesktop desktop;
  const fs::path progs = desktop.tree().file("home/Music/Stage/A.ns3f").parent_path();
  desktop.tree().file("home/Music/Stage/B.ns3f");
  const fs::path dest = desktop.home() / "Desktop/Velmorin";
  const fs::path model = dest / "Nord Stage 3";
  fs::create_directories(model);
  HeldFolder held(model);
  auto env = desktop.environment();
  env["VELMORIN_UI_DIR"] = VELMORIN_SOURCE_UI;
  env["LANGUAGE"] = "en_US";
  DrivenApp app(VELMORIN_BINARY, env);
  ASSERT_TRUE(app.ready()) << app.error();

  // The page is up once it shows what "info" said.
  ASSERT_EQ(app.executeAsync(kWaitForText, {"Not found on this computer."}), true);
  const json install = {{"cmd", "install"},
                        {"id", 9001},
                        {"args", {{"dest", dest.string()}, {"model", "Nord Stage 3"}, {"progs", progs.string()},
                                  {"ext", "ns3f"}}}};
  app.execute("window.webkit.messageHandlers.vl.postMessage(arguments[0])", json::array({install}));
  quit(app);
  EXPECT_EQ(app.executeAsync(kWaitForText, {"Finishing the install or archive that is running."}), true);
  EXPECT_FALSE(app.exitStatus(0s)) << "the program ended with the install half done";

  held.release();
  EXPECT_EQ(app.exitStatus(60s), 0) << app.driverLog();
  std::size_t programs = 0, archives = 0;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(model / "Programs (.ns3f)", ec)) programs += entry.is_regular_file();
  for (const auto& entry : fs::directory_iterator(model, ec)) archives += entry.path().extension() == ".zip";
  EXPECT_EQ(programs, 2u);
  EXPECT_EQ(archives, 1u);
}

std::string wayName(const ::testing::TestParamInfo<Way>& way) {
  const char* names[] = {"PageQuitButton", "MenuQuit", "CtrlQ", "WindowCloseButton"};
  return names[static_cast<int>(way.param)];
}

INSTANTIATE_TEST_SUITE_P(EveryWay, QuitWhileInstalling,
                         ::testing::Values(Way::PageQuitButton, Way::MenuQuit, Way::CtrlQ, Way::WindowCloseButton),
                         wayName);

}  // namespace
}  // namespace velmorin::testing
