// The installed program's window: /usr/bin/velmorin-sync hands over to the
// window program in libexec, which finds the page among the installed files
// and shows the status report the real commands gave it. check_install.sh runs
// this with the source and build folders out of reach.
#include <gtest/gtest.h>

#include "shell/support/fake_desktop.h"
#include "shell/support/page_waits.h"
#include "shell/support/webdriver.h"

namespace velmorin::testing {
namespace {

using nlohmann::json;

constexpr const char* kInstalledProgram = "/usr/bin/velmorin-sync";

TEST(InstalledWindow, ShowsThePageWithTheStatusReport) {
  FakeDesktop desktop;
  desktop.addNordSoundManager();
  auto env = desktop.environment();
  env["LANGUAGE"] = "es_ES";
  DrivenApp app(kInstalledProgram, env);
  ASSERT_TRUE(app.ready()) << app.error() << "\n" << app.driverLog();

  // "info" answered the page: the destination in this test's own home and the
  // manager entry its desktop holds; then the page is the installed one, in
  // Spanish (its language is set once the page has started).
  const std::string dest = (desktop.home() / "Desktop/Velmorin").string();
  EXPECT_EQ(app.executeAsync(kWaitForTexts, json::array({json::array({dest, "Nord Sound Manager"})})), "shown");
  EXPECT_EQ(app.execute("return location.protocol + document.documentElement.lang"), "velmorin:es");
}

}  // namespace
}  // namespace velmorin::testing
