// The installed program's window: /usr/bin/velmorin-sync hands over to the
// window program in libexec, which finds the page among the installed files
// and shows the status report the real commands gave it. check_install.sh runs
// this with the source and build folders out of reach.
#include <gtest/gtest.h>

#include "shell/support/fake_desktop.h"
#include "shell/support/webdriver.h"

namespace velmorin::testing {
namespace {

using nlohmann::json;

constexpr const char* kInstalledProgram = "/usr/bin/velmorin-sync";

// Waits (up to 20 s) until the page's visible text holds every string given.
constexpr const char* kWaitForTexts = R"JS(
  const [wanted, done] = arguments;
  const deadline = Date.now() + 20000;
  (function poll() {
    const text = document.body ? document.body.innerText : '';
    if (wanted.every((w) => text.includes(w))) return done('shown');
    if (Date.now() > deadline) return done(text);
    setTimeout(poll, 50);
  })();
)JS";

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
