// Only web and mail links leave the application; everything else could run or
// expose something on this machine.
#include "bridge/url_policy.h"

#include <gtest/gtest.h>

namespace velmorin::bridge {
namespace {

TEST(UrlPolicy, OpensWebAndMailLinks) {
  for (const char* url : {"https://www.nordkeyboards.com/", "http://example.org", "HTTPS://Example.org/a?b#c",
                          "https://example.org:8443/x", "mailto:help@example.org",
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

TEST(UrlPolicy, RefusesCredentialsAttachmentsAndHiddenCharactersHoweverWritten) {
  for (const char* url : {"https://user@example.org/", "https://user:pw@example.org/", "HTTP://a:b@example.org",
                          "https://x%40y@e.org/", "https://example.org%40evil.test/",
                          "mailto:a@e.org?attach=/etc/passwd", "mailto:a@e.org?subject=x&ATTACHMENT=~/.ssh/id_rsa",
                          "mailto:a@e.org?%61ttach=/x", "mailto:a@e.org?%2561ttach=/x", "mailto:a@e.org%3Fattach=/x",
                          "mailto:a@e.org?a=1;Attach=/x", "https://e.org/\xE2\x80\xAE" "gnp.exe",
                          "https://e.org/%E2%80%AEx", "https://e.org/%e2%81%a6x", "https://e.org/\xE2\x80\x8F" "x",
                          "https://e.org/%D8%9C", "https://e.org/%C2%85", "https://e.org/a%0Ab", "https://e.org/%250A",
                          "https://e.org/%7F", "https://e.org/%2525252541", "https://e.org/\xff"})
    EXPECT_FALSE(openableExternally(url)) << url;
  // Encoded spaces and percent signs, and words that only contain "attach", stay fine.
  for (const char* url : {"https://e.org/a%20b?q=50%25", "mailto:a@e.org?subject=Attach%20this&body=attached",
                          "https://e.org/%E2%80%99s", "https://e.org/#@x", "https://e.org/p?u=a@b"})
    EXPECT_TRUE(openableExternally(url)) << url;
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
