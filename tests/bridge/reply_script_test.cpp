// The reply call is the page's only way to hear back: its text must survive two
// rounds of JSON and a script parser.
#include "bridge/reply_script.h"

#include <gtest/gtest.h>

#include "bridge/reply_call.h"

namespace velmorin::bridge {
namespace {

using testing::readReplyCall;

TEST(ReplyScript, MatchesTheDocumentedFormExactly) {
  EXPECT_EQ(replyScript(7, Reply{{"ok", true}}), R"(window.__vlReply(7, ["{\"ok\":true}"][0]))");
  EXPECT_EQ(replyScript(0, Reply::object()), R"(window.__vlReply(0, ["{}"][0]))");
}

TEST(ReplyScript, EchoesNegativeAndExtremeIds) {
  EXPECT_TRUE(replyScript(-3, Reply{{"ok", true}}).starts_with("window.__vlReply(-3, "));
  EXPECT_TRUE(replyScript(INT64_MIN, Reply::object()).starts_with("window.__vlReply(-9223372036854775808, "));
  EXPECT_TRUE(replyScript(INT64_MAX, Reply::object()).starts_with("window.__vlReply(9223372036854775807, "));
}

TEST(ReplyScript, TextWithQuotesBackslashesBreaksAndNonAsciiSurvives) {
  const std::string awkward = "a \"quoted\" C:\\path\\ line\nbreak\r\ttab </script> ñ … 🎹 \u2028\u2029 '";
  const Reply reply{{"path", awkward}, {"list", {awkward, 1, 2.5, nullptr}}, {"nested", {{"k", awkward}}}};
  const std::string script = replyScript(12, reply);
  const auto call = readReplyCall(script);
  ASSERT_TRUE(call) << script;
  EXPECT_EQ(call->id, 12);
  EXPECT_EQ(call->reply, reply);
}

TEST(ReplyScript, TheScriptIsPlainAsciiWithoutRawLineBreaks) {
  // Raw U+2028, line feeds or non-ASCII bytes in script text are where string
  // literals break; every one of them has to be an escape.
  const std::string script = replyScript(1, Reply{{"t", "x\ny\u2028z ñ 🎹"}});
  for (unsigned char c : script) {
    EXPECT_LT(c, 0x80);
    EXPECT_NE(c, '\n');
    EXPECT_NE(c, '\r');
  }
}

TEST(ReplyScript, InvalidUtf8StillGivesValidJson) {
  const Reply reply{{"name", std::string("bad \xff\xfe bytes")}};
  const auto call = readReplyCall(replyScript(5, reply));
  ASSERT_TRUE(call);
  ASSERT_TRUE(call->reply.contains("name"));
  EXPECT_TRUE(call->reply["name"].get<std::string>().starts_with("bad "));
}

}  // namespace
}  // namespace velmorin::bridge
