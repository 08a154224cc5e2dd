#include <gtest/gtest.h>

#include "vocabulary/json_text.h"

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

TEST(JsonText, ParseRejectsWhatIsNotJson) {
  EXPECT_FALSE(parseJson("{\"a\":"));
  EXPECT_EQ((*parseJson(" {\"a\": [1, 2.5]} "))["a"][1], 2.5);
}

}  // namespace
}  // namespace velmorin
