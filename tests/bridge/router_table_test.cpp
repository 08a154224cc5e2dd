// The router follows the command table: who serves each request, whose
// progress the page hears, and which ones quitting waits for.
#include <gtest/gtest.h>

#include "bridge/fake_platform.h"
#include "bridge/reply_call.h"
#include "bridge/router.h"
#include "commands/command_table.h"

namespace velmorin::bridge {
namespace {

using testing::FakePlatform;

TEST(RouterTable, EveryRowIsServedWhereTheTableSaysAndHeardAsItSays) {
  for (const CommandRow& row : commandTable()) {
    SCOPED_TRACE(std::string(row.name));
    FakePlatform platform;
    std::vector<std::string> worked;
    RouterServices services;
    services.work = [&worked](const std::string& cmd, const Json&, platform::WorkControl& control) -> LongReply {
      worked.push_back(cmd);
      control.begin(platform::WorkPhase::Scan, 1);
      return Reply{{"ok", true}};
    };
    Router router(platform, services);
    router.onMessage(Reply{{"cmd", std::string(row.name)}, {"id", 1}, {"args", {{"kind", "dest"}, {"url", "https://x.org"}}}});
    const bool background = !platform.background.empty();
    // Whether quitting now ends at once or waits for this command.
    router.endWhenFinished();
    const int endedAtOnce = platform.ends;
    platform.runBackground();
    platform.runMain();

    if (onCommandLine(row)) {
      EXPECT_TRUE(background);
      EXPECT_EQ(worked, std::vector<std::string>{std::string(row.name)});
      EXPECT_EQ(endedAtOnce, row.writesUserFiles ? 0 : 1);
      std::size_t progress = 0;
      for (const auto& script : platform.scripts) progress += script.find("__vlProgress(1,") != std::string::npos;
      EXPECT_EQ(progress, row.reportsProgress ? 1u : 0u);
      EXPECT_TRUE(testing::readReplyCall(platform.scripts.back())) << platform.scripts.back();
    } else {
      // Served on the main thread: an answer, a dialog, a print or a delayed end, never the dispatcher.
      EXPECT_FALSE(background);
      EXPECT_TRUE(worked.empty());
      EXPECT_FALSE(platform.scripts.empty() && platform.pickers.empty() && platform.delayed.empty() &&
                   platform.prints.empty());
    }
  }
}

}  // namespace
}  // namespace velmorin::bridge
