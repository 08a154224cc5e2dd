// The application's own page in the real window: on opening it asks for the
// status report and the keyboard, and shows what the real commands answered.
#include <gtest/gtest.h>

#include <fstream>

#include "shell/support/child_process.h"
#include "shell/support/fake_desktop.h"
#include "shell/support/page_waits.h"
#include "shell/support/webdriver.h"
#include "support/nord_file.h"

namespace velmorin::testing {
namespace {

using nlohmann::json;

TEST(RealPage, ShowsTheStatusReportTheCommandsGaveIt) {
  FakeDesktop desktop;
  desktop.addNordSoundManager();
  auto env = desktop.environment();
  env["VELMORIN_UI_DIR"] = VELMORIN_SOURCE_UI;
  env["LANGUAGE"] = "en_US";
  DrivenApp app(VELMORIN_BINARY, env);
  ASSERT_TRUE(app.ready()) << app.error() << "\n" << app.driverLog();

  // "info" answered: the destination's path lies in this test's own home, and
  // the manager entry the desktop holds is named.
  const std::string dest = (desktop.home() / "Desktop/Velmorin").string();
  EXPECT_EQ(app.executeAsync(kWaitForTexts, json::array({json::array({dest, "Nord Sound Manager"})})), "shown");
  EXPECT_EQ(app.execute("return document.documentElement.lang"), "en");

  // What a person sees, kept for the README and for looking at after a failure:
  // the page has really painted (text and panels, not the bare window colour).
  std::this_thread::sleep_for(std::chrono::seconds(1));
  const fs::path shot = fs::path(VELMORIN_TEST_OUTPUT) / "real-page.png";
  int status = -1;
  commandOutput("import -window root " + shellQuote(shot.string()), &status);
  ASSERT_EQ(status, 0);
  const std::string colours = commandOutput("convert " + shellQuote(shot.string()) + " -format %k info:");
  EXPECT_GT(std::stoi(colours), 50) << colours;
}

// A new user's first install: programs loose on the Desktop, searched for and
// installed into the destination the page offers, without any question.
TEST(RealPage, ProgramsLooseOnTheDesktopInstallIntoTheOfferedDestination) {
  FakeDesktop desktop;
  int slot = 0;
  for (const char* name : {"Piano.ns3f", "Organ.ns3f", "Strings.ns3f"})
    std::ofstream(desktop.home() / "Desktop" / name) << nordFile("ns3f", 1, 592, 0, ++slot);
  auto env = desktop.environment();
  env["VELMORIN_UI_DIR"] = VELMORIN_SOURCE_UI;
  env["LANGUAGE"] = "en_US";
  DrivenApp app(VELMORIN_BINARY, env);
  ASSERT_TRUE(app.ready()) << app.error();
  const fs::path model = desktop.home() / "Desktop/Velmorin/Nord Stage 3";
  ASSERT_EQ(app.executeAsync(kWaitForTexts, json::array({json::array({model.parent_path().string()})})), "shown");
  app.execute("document.getElementById('scan-usual').click()");
  ASSERT_EQ(app.executeAsync(kWaitForTexts, json::array({json::array({"Programs: 3 files (.ns3f)"})})), "shown");
  app.execute("document.getElementById('install-button').click()");
  EXPECT_EQ(app.executeAsync(kWaitForTexts, json::array({json::array({"Installed 3 programs", model.string()})})),
            "shown");
  EXPECT_EQ(app.execute("return document.getElementById('confirm').open"), false);
  EXPECT_TRUE(fs::is_regular_file(model / "Programs (.ns3f)/Strings.ns3f"));
}

TEST(RealPage, SpeaksSpanishWhenTheApplicationDoes) {
  FakeDesktop desktop;
  auto env = desktop.environment();
  env["VELMORIN_UI_DIR"] = VELMORIN_SOURCE_UI;
  env["LANGUAGE"] = "es_ES";
  DrivenApp app(VELMORIN_BINARY, env);
  ASSERT_TRUE(app.ready()) << app.error();
  EXPECT_EQ(app.executeAsync(kWaitForTexts, json::array({json::array({(desktop.home() / "Desktop/Velmorin").string()})})),
            "shown");
  EXPECT_EQ(app.execute("return document.documentElement.lang"), "es");
}

}  // namespace
}  // namespace velmorin::testing
