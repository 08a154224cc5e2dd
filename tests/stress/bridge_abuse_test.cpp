// The router against a hostile or broken page: bodies of every wrong shape,
// nesting deep enough to overflow a recursive copy, bodies of tens of
// megabytes and floods of thousands of messages. Replies go to a fake that
// never runs them, as for a page without window.__vlReply: nothing waits for
// the page. Every reply that is sent is valid JSON, and what the bridge holds
// stays within its bounds.
#include <gtest/gtest.h>

#include <atomic>
#include <set>

#include "bridge/fake_platform.h"
#include "bridge/reply_call.h"
#include "bridge/router.h"
#include "commands/dispatcher.h"
#include "support/gate.h"
#include "support/temp_tree.h"

namespace velmorin::bridge {
namespace {

using testing::FakePlatform;
using velmorin::testing::Gate;
using testing::readReplyCall;

// Counts the background tasks that are queued or running, and the most at once.
class CountingPlatform : public FakePlatform {
 public:
  CountingPlatform() : FakePlatform(/*realThreads=*/true) {}
  void runInBackground(std::function<void()> task) override {
    const int now = ++outstanding;
    for (int seen = most.load(); now > seen && !most.compare_exchange_weak(seen, now);) {
    }
    FakePlatform::runInBackground([this, task = std::move(task)] {
      task();
      --outstanding;
    });
  }
  std::atomic<int> outstanding{0};
  std::atomic<int> most{0};
};

RouterServices echo() {
  RouterServices services;
  services.work = [](const std::string& cmd, const Reply& args, platform::WorkControl&) { return Reply{{"cmd", cmd}, {"args", args}}; };
  return services;
}

std::string nested(std::size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); }

TEST(BridgeAbuse, BodiesOfEveryWrongShapeAreDroppedWithoutTrace) {
  FakePlatform platform;
  Router router(platform, echo());
  const std::vector<std::string> bodies = {
      "", " ", "null", "true", "7", "\"info\"", "[]", R"([{"cmd":"info","id":1}])", "{", "{}",
      R"({"cmd":"info"})", R"({"id":1})", R"({"cmd":null,"id":1})", R"({"cmd":7,"id":1})",
      R"({"cmd":["info"],"id":1})", R"({"cmd":{"x":1},"id":1})", R"({"cmd":"info","id":"1"})",
      R"({"cmd":"info","id":true})", R"({"cmd":"info","id":null})", R"({"cmd":"info","id":1.5})",
      R"({"cmd":"info","id":1e300})", R"({"cmd":"info","id":-1e300})", R"({"cmd":"info","id":9223372036854775808})",
      R"({"cmd":"info","id":18446744073709551616})", R"({"cmd":"info","id":[1]})", R"({"cmd":"info","id":{}})",
      R"({"cmd":"info","id":1,})", R"({"cmd":"info","id":NaN})", R"({"cmd":"info","id":Infinity})",
      R"({"cmd":"info","id":0x10})", R"({'cmd':'info','id':1})", "{\"cmd\":\"\xff\xfe\",\"id\":1}",
R"({"cmd":"info","id":1} {"cmd":"info","id":2})",
      "{\"cmd\":" + nested(200000) + ",\"id\":1}", "{\"cmd\":\"info\",\"id\":" + nested(200000) + "}",
      nested(500000), std::string(1 << 20, '{')};
  for (const auto& body : bodies) {
    router.onMessageJson(body);
    platform.runBackground();
    platform.runMain();
    EXPECT_TRUE(platform.scripts.empty()) << body.substr(0, 80);
    platform.scripts.clear();
  }
  EXPECT_TRUE(platform.pickers.empty());
  EXPECT_TRUE(platform.background.empty());
  EXPECT_TRUE(platform.openedUrls.empty());
  EXPECT_TRUE(platform.revealed.empty());
  EXPECT_EQ(platform.ends, 0);
  EXPECT_EQ(router.commandsInFlight(), 0u);
}

// A recursive copy of these arguments would overflow the stack and take the
// whole program down; they count as missing, and the command is answered.
TEST(BridgeAbuse, ArgumentsNestedTooDeepCountAsMissing) {
  FakePlatform platform;
  Router router(platform, echo());
  router.onMessageJson("{\"cmd\":\"scan\",\"id\":1,\"args\":{\"dir\":" + nested(300000) + "}}");
  router.onMessageJson("{\"cmd\":\"scan\",\"id\":2,\"junk\":" + nested(300000) + ",\"args\":{\"dir\":\"/x\"}}");
  // Just within the bound the arguments are taken whole.
  const std::string deepest = nested(kMaxArgsDepth - 1);
  router.onMessageJson("{\"cmd\":\"scan\",\"id\":3,\"args\":{\"a\":" + deepest + "}}");
  router.onMessageJson("{\"cmd\":\"scan\",\"id\":4,\"args\":{\"a\":[" + deepest + "]}}");

  // The same through a value built by code, without recursion.
  Reply deep = Reply::array();
  Reply* inner = &deep;
  for (int i = 0; i < 300000; ++i) inner = &inner->emplace_back(Reply::array());
  Reply body = {{"cmd", "scan"}, {"id", 5}};
  body["args"]["x"] = std::move(deep);
  router.onMessage(body);

  platform.runBackground();
  platform.runMain();
  ASSERT_EQ(platform.scripts.size(), 5u);
  std::map<std::int64_t, Reply> args;
  for (const auto& script : platform.scripts) {
    const auto call = readReplyCall(script);
    ASSERT_TRUE(call);
    args[call->id] = call->reply["args"];
  }
  EXPECT_EQ(args[1], Reply::object());
  EXPECT_EQ(args[2], (Reply{{"dir", "/x"}}));
  EXPECT_EQ(args[3], Reply::parse("{\"a\":" + deepest + "}"));
  EXPECT_EQ(args[4], Reply::object());
  EXPECT_EQ(args[5], Reply::object());
}

TEST(BridgeAbuse, ThirtyMegabyteBodiesAreAnsweredAndLetGo) {
  velmorin::testing::TempTree home;
  const Values values = valuesForHome(home.root());
  FakePlatform platform(/*realThreads=*/true);
  RouterServices services;
  services.work = [&values](const std::string& cmd, const Reply& args, platform::WorkControl&) { return work(values, cmd, args); };
  Router router(platform, services);

  const std::string huge(30u << 20, 'a');
  // A path far beyond any the system takes, to a command that reads it.
  router.onMessageJson(R"({"cmd":"scan","id":1,"args":{"dir":")" + huge + R"("}})");
  ASSERT_TRUE(platform.runMainUntilScripts(1, std::chrono::seconds(120)));
  // Tens of megabytes of keys nobody reads, of escapes, and of a name nobody knows.
  std::string keys = R"({"cmd":"info","id":2,"args":{)";
  for (int i = 0; keys.size() < (30u << 20); ++i) keys += "\"k" + std::to_string(i) + "\":[1,\"" + std::string(1000, 'x') + "\",{}],";
  keys += "\"end\":0}}";
  router.onMessageJson(keys);
  ASSERT_TRUE(platform.runMainUntilScripts(2, std::chrono::seconds(120)));
  std::string escapes = R"({"cmd":"zip","id":3,"args":{"path":")";
  while (escapes.size() < (30u << 20)) escapes += "\\u00e9\\ud83c\\udfb9\\n\\\"";
  router.onMessageJson(escapes + "\"}}");
  ASSERT_TRUE(platform.runMainUntilScripts(3, std::chrono::seconds(120)));
  router.onMessageJson(R"({"cmd":")" + huge + R"(","id":4})");
  ASSERT_TRUE(platform.runMainUntilScripts(4, std::chrono::seconds(120)));

  std::map<std::int64_t, Reply> replies;
  for (const auto& script : platform.scripts) {
    const auto call = readReplyCall(script);
    ASSERT_TRUE(call);
    replies[call->id] = call->reply;
  }
  EXPECT_EQ(replies[1], Reply::object()) << replies[1].dump().substr(0, 300);
  EXPECT_EQ(replies[2]["os"], "linux");
  EXPECT_EQ(replies[3]["ok"], false);
  EXPECT_FALSE(fs::exists(values.DESKTOP / "Velmorin.zip"));
  EXPECT_EQ(replies[4], (Reply{{"error", "cmd"}, {"code", "invalid"}}));
  EXPECT_EQ(router.commandsInFlight(), 0u);
}

TEST(BridgeAbuse, AFloodIsAnsweredInFullWhileTheQueueStaysBounded) {
  CountingPlatform platform;
  Gate gate;
  RouterServices services = echo();
  services.work = [&gate](const std::string& cmd, const Reply& args, platform::WorkControl&) {
    gate.wait();
    return Reply{{"cmd", cmd}, {"n", args["n"]}};
  };
  Router router(platform, services);

  // Far more than the bound, posted as fast as the loop goes.
  constexpr int kFlood = 5000;
  for (int i = 0; i < kFlood; ++i) router.onMessage(Reply{{"cmd", "scan"}, {"id", i}, {"args", {{"n", i}}}});
  // Past the bound each command is answered at once, as busy.
  EXPECT_EQ(platform.scripts.size(), static_cast<std::size_t>(kFlood) - Router::kMaxInFlight);
  EXPECT_EQ(router.commandsInFlight(), Router::kMaxInFlight);
  for (const auto& script : platform.scripts) EXPECT_EQ(readReplyCall(script)->reply, Router::busyReply(false));

  gate.open();
  ASSERT_TRUE(platform.runMainUntilScripts(kFlood, std::chrono::seconds(120)));
  EXPECT_LE(platform.most.load(), static_cast<int>(Router::kMaxInFlight));
  std::set<std::int64_t> ids;
  int answered = 0;
  for (const auto& script : platform.scripts) {
    const auto call = readReplyCall(script);
    ASSERT_TRUE(call);
    EXPECT_TRUE(ids.insert(call->id).second) << "two replies for " << call->id;
    if (call->reply != Router::busyReply(false)) {
      EXPECT_EQ(call->reply["n"], call->id);
      ++answered;
    }
  }
  EXPECT_EQ(ids.size(), static_cast<std::size_t>(kFlood));
  EXPECT_EQ(answered, static_cast<int>(Router::kMaxInFlight));
  EXPECT_EQ(router.commandsInFlight(), 0u);

  // Once the flood has drained, commands run again.
  router.onMessage(Reply{{"cmd", "scan"}, {"id", kFlood}, {"args", {{"n", kFlood}}}});
  ASSERT_TRUE(platform.runMainUntilScripts(kFlood + 1));
  EXPECT_EQ(readReplyCall(platform.scripts.back())->reply["n"], kFlood);
}

TEST(BridgeAbuse, HugeBodiesInFlightAreBoundedByTheirSize) {
  FakePlatform platform(/*realThreads=*/true);
  Gate gate;
  RouterServices services = echo();
  services.work = [&gate](const std::string& cmd, const Reply&, platform::WorkControl&) {
    gate.wait();
    return Reply{{"cmd", cmd}};
  };
  Router router(platform, services);
  const std::string big(40u << 20, 'b');
  const auto body = [&](int id, std::size_t size) {
    return R"({"cmd":"scan","id":)" + std::to_string(id) + R"(,"args":{"dir":")" + big.substr(0, size) + "\"}}";
  };
  router.onMessageJson(body(1, 40u << 20));  // alone, so taken whatever its size
  router.onMessageJson(body(2, 30u << 20));  // would pass the bound: busy
  router.onMessageJson(body(3, 1000));       // small ones still fit
  ASSERT_EQ(platform.scripts.size(), 1u);
  EXPECT_EQ(readReplyCall(platform.scripts[0])->id, 2);
  EXPECT_EQ(readReplyCall(platform.scripts[0])->reply, Router::busyReply(false));
  EXPECT_EQ(router.commandsInFlight(), 2u);
  gate.open();
  ASSERT_TRUE(platform.runMainUntilScripts(3));
  EXPECT_EQ(router.commandsInFlight(), 0u);
  router.onMessageJson(body(4, 30u << 20));
  ASSERT_TRUE(platform.runMainUntilScripts(4));
  EXPECT_EQ(readReplyCall(platform.scripts[3])->reply, (Reply{{"cmd", "scan"}}));
}

}  // namespace
}  // namespace velmorin::bridge
