// The real program against a hostile page, through the real web view: a flood
// of messages, a body of tens of megabytes, an object nested far deeper than
// any JSON printer recurses, and a page without window.__vlReply. The program
// stays up and answers the next command.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "shell/support/shared_app.h"

namespace velmorin::testing {
namespace {

using nlohmann::json;

// Posts one kind of abuse (the page allows no eval, so the kinds are written
// out here), then waits until the reply to `sentinel` came, or 25 s passed;
// gives the ids answered meanwhile.
constexpr const char* kAbuseAndWait = R"JS(
  const [kind, sentinel, done] = arguments;
  const start = window.replies.length;
  if (kind === 'flood') {
    for (let i = 1; i <= 3000; i++) window.post({cmd: i % 2 ? 'nord' : 'nosuch', id: 10000 + i});
  } else if (kind === 'huge') {
    window.post({cmd: 'scan', id: 20001, args: {dir: 'x'.repeat(30 * 1024 * 1024)}});
  } else if (kind === 'deep') {
    let deep = {};
    for (let i = 0; i < 200000; i++) deep = [deep];
    try { window.post({cmd: 'info', id: 30001, args: {x: deep}}); } catch (e) {}
  }
  window.post({cmd: 'info', id: sentinel});
  const deadline = Date.now() + 25000;
  (function poll() {
    const got = window.replies.slice(start);
    if (got.some((r) => r.id === sentinel) || Date.now() > deadline) return done(got.map((r) => r.id));
    setTimeout(poll, 20);
  })();
)JS";

class Abuse : public SharedApp {
 protected:
  // The ids answered after the abuse, the sentinel's among them.
  std::vector<std::int64_t> abuse(const std::string& kind, std::int64_t sentinel) {
    const json ids = app_->executeAsync(kAbuseAndWait, {kind, sentinel});
    std::vector<std::int64_t> out;
    if (ids.is_array())
      for (const auto& id : ids) out.push_back(id.get<std::int64_t>());
    else
      ADD_FAILURE() << "the page answered " << ids.dump().substr(0, 300);
    return out;
  }
};

TEST_F(Abuse, AFloodOfMessagesIsAnsweredInFullAndTheProgramStaysUp) {
  // Commands are answered in the order they finish, so the sentinel can come
  // before some of the flood: wait for all of them.
  const auto ids = abuse("flood", 9999);
  std::set<std::int64_t> unique(ids.begin(), ids.end());
  EXPECT_EQ(unique.size(), ids.size()) << "an id answered twice";
  EXPECT_TRUE(unique.count(9999));
  const json more = app_->executeAsync(R"JS(
    const done = arguments[0];
    const deadline = Date.now() + 25000;
    (function poll() {
      const ids = new Set(window.replies.map((r) => r.id).filter((id) => id > 10000 && id <= 13000));
      if (ids.size === 3000 || Date.now() > deadline) return done(ids.size);
      setTimeout(poll, 50);
    })();
  )JS");
  EXPECT_EQ(more, 3000);
}

TEST_F(Abuse, ThirtyMegabytesInOneMessageAreAnswered) {
  const auto ids = abuse("huge", 20002);
  EXPECT_TRUE(std::find(ids.begin(), ids.end(), 20002) != ids.end());
  // The big one may finish after the sentinel.
  const json answered = app_->executeAsync(R"JS(
    const done = arguments[0];
    const deadline = Date.now() + 25000;
    (function poll() {
      const found = window.replies.filter((r) => r.id === 20001);
      if (found.length > 0 || Date.now() > deadline) return done(found.map((r) => JSON.parse(r.text)));
      setTimeout(poll, 50);
    })();
  )JS");
  ASSERT_EQ(answered.size(), 1u) << answered.dump().substr(0, 300);
  EXPECT_EQ(answered[0], json::object());  // nothing found at a path that long
}

TEST_F(Abuse, ADeeplyNestedMessageDoesNotBringTheProgramDown) {
  // Whether the web view can pass it on at all is its own affair; the program
  // must survive it and answer the next command.
  const auto ids = abuse("deep", 30002);
  EXPECT_TRUE(std::find(ids.begin(), ids.end(), 30002) != ids.end());
  EXPECT_FALSE(app_->exitStatus(std::chrono::seconds(0))) << "the program ended";
}

TEST_F(Abuse, APageWithoutItsReplyFunctionLosesOnlyItsOwnReplies) {
  // Replies to a page without window.__vlReply fail in the page; the program
  // does not wait for the page and keeps serving.
  app_->execute(R"JS(
    window.savedReply = window.__vlReply;
    delete window.__vlReply;
    for (let i = 1; i <= 200; i++) window.post({cmd: 'info', id: 40000 + i});
  )JS");
  const json settled = app_->executeAsync("const done = arguments[0]; setTimeout(() => done(true), 3000);");
  EXPECT_EQ(settled, true);
  app_->execute("window.__vlReply = window.savedReply;");
  const auto ids = abuse("none", 40999);
  EXPECT_TRUE(std::find(ids.begin(), ids.end(), 40999) != ids.end());
  EXPECT_EQ(std::set<std::int64_t>(ids.begin(), ids.end()).size(), ids.size());
  EXPECT_FALSE(app_->exitStatus(std::chrono::seconds(0))) << "the program ended";
}

}  // namespace
}  // namespace velmorin::testing
