// The shape check decides between "route it" and "drop it silently".
#include "bridge/message.h"

#include <gtest/gtest.h>

namespace velmorin::bridge {
namespace {

std::optional<Message> read(const char* json) { return readMessage(std::string(json)); }

TEST(MessageShape, ReadsCommandIdAndArguments) {
  const auto m = read(R"({"cmd":"scan","id":12,"args":{"since":0}})");
  ASSERT_TRUE(m);
  EXPECT_EQ(m->cmd, "scan");
  EXPECT_EQ(m->id, 12);
  EXPECT_EQ(m->args, (Reply{{"since", 0}}));
}

TEST(MessageShape, MissingOrMistypedArgsBecomeAnEmptyDictionary) {
  for (const char* json : {R"({"cmd":"x","id":1})", R"({"cmd":"x","id":1,"args":[1,2]})",
                           R"({"cmd":"x","id":1,"args":"a"})", R"({"cmd":"x","id":1,"args":null})"}) {
    const auto m = read(json);
    ASSERT_TRUE(m) << json;
    EXPECT_TRUE(m->args.is_object()) << json;
    EXPECT_TRUE(m->args.empty()) << json;
  }
}

TEST(MessageShape, DropsBodiesThatAreNotDictionaries) {
  for (const char* json : {"null", "\"scan\"", "[]", "42", "true", "", "{", "{\"cmd\":\"x\",\"id\":1"})
    EXPECT_FALSE(read(json)) << json;
}

TEST(MessageShape, DropsMissingOrMistypedCommand) {
  for (const char* json : {R"({"id":1})", R"({"cmd":1,"id":1})", R"({"cmd":null,"id":1})",
                           R"({"cmd":["info"],"id":1})"})
    EXPECT_FALSE(read(json)) << json;
}

TEST(MessageShape, DropsIdsThatAreNotWholeNumbers) {
  for (const char* json : {R"({"cmd":"info"})", R"({"cmd":"info","id":"3"})", R"({"cmd":"info","id":1.5})",
                           R"({"cmd":"info","id":true})", R"({"cmd":"info","id":null})",
                           R"({"cmd":"info","id":1e300})", R"({"cmd":"info","id":9223372036854775808})",
                           R"({"cmd":"info","id":-9.3e18})",
                           // 2^63 written as a float: a double holds it exactly, an int64 cannot
                           R"({"cmd":"info","id":9223372036854775808.0})", R"({"cmd":"info","id":9.223372036854775808e18})"})
    EXPECT_FALSE(read(json)) << json;
}

TEST(MessageShape, AcceptsWholeNumbersInAnySpelling) {
  EXPECT_EQ(read(R"({"cmd":"a","id":-7})")->id, -7);
  EXPECT_EQ(read(R"({"cmd":"a","id":3.0})")->id, 3);
  EXPECT_EQ(read(R"({"cmd":"a","id":1e3})")->id, 1000);
  EXPECT_EQ(read(R"({"cmd":"a","id":9223372036854775807})")->id, INT64_MAX);
  EXPECT_EQ(read(R"({"cmd":"a","id":-9223372036854775808})")->id, INT64_MIN);
  EXPECT_EQ(read(R"({"cmd":"a","id":-9.223372036854775808e18})")->id, INT64_MIN);
}

TEST(MessageShape, KeepsTheCommandNameExactly) {
  EXPECT_EQ(read(R"({"cmd":"PickFolder","id":1})")->cmd, "PickFolder");
  EXPECT_EQ(read(R"({"cmd":"","id":1})")->cmd, "");
}

}  // namespace
}  // namespace velmorin::bridge
