// Only web and mail links leave the application; everything else could run or
// expose something on this machine.
#include "bridge/url_policy.h"

#include <gtest/gtest.h>

namespace velmorin::bridge {
namespace {

TEST(UrlPolicy, OpensWebAndMailLinks) {
  for (const char* url : {"https://www.nordkeyboards.com/", "http://example.org", "HTTPS://Example.org/a?b#c",
                          "https://user@example.org:8443/x", "mailto:help@example.org",
                          "MailTo:help@example.org?subject=Nord", "https://[::1]/", "https://ñandú.es/"})
    EXPECT_TRUE(openableExternally(url)) << url;
}

TEST(UrlPolicy, RefusesEveryOtherScheme) {
  for (const char* url : {"file:///etc/passwd", "FILE:///home", "javascript:alert(1)", "smb://host/share",
                          "ftp://example.org", "data:text/html,x", "vbscript:x", "ssh://host", "sftp://h/x",
                          "apt:firefox", "x-scheme-handler:x", "velmorin://ui/index.html", "about:blank",
                          "httpx://example.org", "http-s://example.org"})
    EXPECT_FALSE(openableExternally(url)) << url;
}

TEST(UrlPolicy, RefusesTextThatIsNotAUrl) {
  for (const char* url : {"", "example.org", "/usr/bin/xterm", "./run.sh", "www.nord.no/x", ":http://x",
                          "http:example.org", "https://", "https:///path", "https://:80/", "https://user@/",
                          "https://exa mple.org", "https://example.org/\n", "https://e.org/\t", "mailto:",
                          " https://example.org", "https://example.org/\x7f"})
    EXPECT_FALSE(openableExternally(url)) << url;
}

TEST(UrlPolicy, SchemeIsLowerCasedAndRequiresTheColon) {
  EXPECT_EQ(urlScheme("HTTPS://x"), "https");
  EXPECT_EQ(urlScheme("web+nord:x"), "web+nord");
  EXPECT_EQ(urlScheme("no-colon"), "");
  EXPECT_EQ(urlScheme("1http://x"), "");
  EXPECT_EQ(urlScheme("/a:b"), "");
}

}  // namespace
}  // namespace velmorin::bridge
