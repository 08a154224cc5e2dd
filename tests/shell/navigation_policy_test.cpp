// The page never leaves its scheme; web links the user clicks go to the browser.
#include "shell/navigation_policy.h"

#include <gtest/gtest.h>

namespace velmorin::shell {
namespace {

TEST(NavigationPolicy, ThePageMayMoveWithinItsOwnScheme) {
  EXPECT_EQ(navigationFor("velmorin://ui/index.html", false, false), Navigation::Allow);
  EXPECT_EQ(navigationFor("velmorin://ui/help.html#x", true, false), Navigation::Allow);
}

TEST(NavigationPolicy, ClickedWebAndMailLinksOpenOutside) {
  EXPECT_EQ(navigationFor("https://www.nordkeyboards.com/support", true, false), Navigation::OpenOutside);
  EXPECT_EQ(navigationFor("http://example.org", true, true), Navigation::OpenOutside);
  EXPECT_EQ(navigationFor("mailto:help@example.org", true, false), Navigation::OpenOutside);
}

TEST(NavigationPolicy, ScriptsCannotSendThePageOrTheUserAnywhere) {
  EXPECT_EQ(navigationFor("https://example.org/", false, false), Navigation::Refuse);
  EXPECT_EQ(navigationFor("https://example.org/", false, true), Navigation::Refuse);
}

TEST(NavigationPolicy, OtherSchemesAreRefusedEvenWhenClicked) {
  for (const char* uri : {"file:///etc/passwd", "javascript:alert(1)", "smb://h/s", "data:text/html,x",
                          "about:blank", "velmorin://elsewhere/x", "velmorin://ui/../x", ""})
    EXPECT_EQ(navigationFor(uri, true, false), Navigation::Refuse) << uri;
}

TEST(NavigationPolicy, NoNewWindowEverShowsThePage) {
  EXPECT_EQ(navigationFor("velmorin://ui/index.html", true, true), Navigation::Refuse);
}

}  // namespace
}  // namespace velmorin::shell
