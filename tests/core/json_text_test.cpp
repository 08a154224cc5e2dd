#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

#include "vocabulary/json_elements.h"
#include "vocabulary/json_text.h"
#include "vocabulary/json_writer.h"
#include "vocabulary/long_reply.h"

namespace velmorin {
namespace {

TEST(JsonText, PrettyFormSortsEscapesSlashesAndKeepsUtf8) {
  const Reply reply = {{"b", {{"z", 1}, {"a", "/tmp/a"}}}, {"a", "Escritorio \u203a Velmorin"}, {"c", Reply::array()}};
  EXPECT_EQ(prettyJson(reply),
            "{\n  \"a\": \"Escritorio \u203a Velmorin\",\n  \"b\": {\n    \"a\": \"\\/tmp\\/a\",\n    \"z\": 1\n  },\n"
            "  \"c\": []\n}");
}

TEST(JsonText, TextThatIsNotUtf8StillGivesValidJson) {
  const Reply reply = {{"path", std::string("/tmp/bad\xff\xfe name")}};
  for (const std::string& text : {compactJson(reply), prettyJson(reply)}) {
    const auto back = parseJson(text);
    ASSERT_TRUE(back) << text;
    EXPECT_EQ((*back)["path"], "/tmp/bad\uFFFD\uFFFD name");
  }
}

// What dump() writes, in the pretty form with its slashes escaped.
std::string dumped(const Reply& reply, JsonStyle style) {
  const auto replace = nlohmann::json::error_handler_t::replace;
  if (style == JsonStyle::Compact) return reply.dump(-1, ' ', false, replace);
  std::string text;
  for (const char c : reply.dump(2, ' ', false, replace)) text += c == '/' ? std::string("\\/") : std::string(1, c);
  return text;
}

TEST(JsonText, TheWriterWritesWhatDumpWritesWholeOrInPiecesWithALongMemberWrittenLate) {
  Reply list = Reply::array();
  for (int i = 0; i < 3000; ++i) list.push_back({{"path", "/a/" + std::to_string(i) + "\"/\"\n\x01"}, {"n", i}});
  const Reply reply = {
      {"texts", {"", "plain", "a/b", "caf\u00e9 \u203a \U0001F3B9", "\x7f", std::string("bad\xff\xc0\x80 \xed\xa0\x80")}},
      {"numbers", {0, -1, 1.5, -0.0, 1e14, 1e15, 1733640000123.4567, 1e-5, 0.1, std::numeric_limits<double>::quiet_NaN(),
                   std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::uint64_t>::max()}},
      {"empty", {{"array", Reply::array()}, {"object", Reply::object()}}},
      {"other", {true, false, nullptr}},
      {"list", list}};
  for (const JsonStyle style : {JsonStyle::Compact, JsonStyle::Pretty}) {
    const std::string expected = dumped(reply, style);
    EXPECT_EQ(style == JsonStyle::Compact ? compactJson(reply) : prettyJson(reply), expected);

    // Handed over in pieces, the long list written late among the other members.
    LongReply late(reply);
    late.head.erase("list");
    late.listKey = "list";
    late.writeList = [&list](JsonWriter& out) { out.value(list); };
    std::string pieces;
    int calls = 0;
    JsonWriter out(style, [&](std::string_view piece) { pieces += piece, ++calls; });
    writeReply(late, out);
    EXPECT_EQ(out.finish(), "");
    EXPECT_EQ(pieces, expected);
    EXPECT_GT(calls, 1);
    EXPECT_EQ(replyText(late, style), expected);
  }
}

TEST(JsonText, ALongArrayWrittenOnTwoThreadsReadsAsDumpWritesItAndAFailureOnEitherIsThrown) {
  for (const std::size_t count : {0, 1, 256, 257, 1000, 2049}) {
    Reply list = Reply::array();
    for (std::size_t i = 0; i < count; ++i) list.push_back({{"n", i}, {"path", "/a/" + std::to_string(i)}});
    for (const JsonStyle style : {JsonStyle::Compact, JsonStyle::Pretty}) {
      std::string pieces;
      JsonWriter out(style, [&](std::string_view piece) { pieces += piece; });
      out.beginObject();
      out.key("list");
      out.beginArray();
      writeElements(out, count, [&](JsonWriter& into, std::size_t i) { into.value(list[i]); });
      out.endArray();
      out.endObject();
      (void)out.finish();
      EXPECT_EQ(pieces, dumped(Reply{{"list", list}}, style)) << count;
    }
  }
  // The second block is the helper's, the first this thread's.
  for (const std::size_t failing : {300, 10}) {
    JsonWriter out(JsonStyle::Compact);
    out.beginArray();
    EXPECT_THROW(writeElements(out, 2000,
                               [&](JsonWriter& into, std::size_t i) {
                                 if (i == failing) throw std::runtime_error("no");
                                 into.number(static_cast<std::int64_t>(i));
                               }),
                 std::runtime_error);
  }
}

TEST(JsonText, ParseRejectsWhatIsNotJsonAndWhatNestsTooDeep) {
  EXPECT_FALSE(parseJson("{\"a\":"));
  EXPECT_EQ((*parseJson(" {\"a\": [1, 2.5]} "))["a"][1], 2.5);
  const auto nested = [](int levels) { return "{\"a\": " + std::string(levels - 1, '[') + std::string(levels - 1, ']') + "}"; };
  EXPECT_TRUE(parseJson(nested(kMaxJsonLevels)));
  EXPECT_FALSE(parseJson(nested(kMaxJsonLevels + 1)));
}

// A reply written out of order would read differently from its dictionary's
// dump(); the writer stops rather than send it.
TEST(JsonTextDeathTest, TheWriterStopsOnKeysOutOfOrderAndUnmatchedEnds) {
  const auto unsorted = [] {
    JsonWriter out(JsonStyle::Compact);
    out.beginObject();
    out.key("path"), out.text("a");
    out.key("name"), out.text("b");
  };
  EXPECT_DEATH(unsorted(), "lastKey < name");
  const auto mismatched = [] {
    JsonWriter out(JsonStyle::Compact);
    out.beginObject();
    out.endArray();
  };
  EXPECT_DEATH(mismatched(), "VERIFY");
  const auto keyless = [] {
    JsonWriter out(JsonStyle::Compact);
    out.beginObject();
    out.number(1);
  };
  EXPECT_DEATH(keyless(), "VERIFY");
}

}  // namespace
}  // namespace velmorin
