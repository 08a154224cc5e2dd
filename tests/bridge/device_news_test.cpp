// What the page hears when devices come and go: once per burst, and never an
// answer that a later one has overtaken.
#include <gtest/gtest.h>

#include "bridge/device_news.h"
#include "bridge/fake_platform.h"

namespace velmorin::bridge {
namespace {

using testing::FakePlatform;

TEST(DeviceNewsTest, ABurstOfChangesIsAnsweredOnceAndAnOvertakenAnswerIsDropped) {
  FakePlatform platform;
  int asked = 0;
  DeviceNews news(platform, [&asked] {
    ++asked;
    return Reply{{"connected", asked == 1}, {"name", "Nord Stage 3"}};
  });

  // A keyboard and its interfaces: three events, one question after the last.
  for (int i = 0; i < 3; ++i) news.devicesChanged();
  ASSERT_EQ(platform.delayed.size(), 3u);
  for (auto& task : platform.delayed) task();
  platform.delayed.clear();
  EXPECT_EQ(platform.background.size(), 1u);

  // Unplugged and plugged again while the first question is still out: the
  // first answer comes last and must not be shown.
  news.devicesChanged();
  platform.delayed.back()();
  ASSERT_EQ(platform.background.size(), 2u);
  platform.background[1]();  // the newer question is answered first: connected
  platform.background[0]();  // then the older one: not connected, no longer true
  platform.runMain();
  ASSERT_EQ(platform.scripts.size(), 1u);
  EXPECT_NE(platform.scripts[0].find(R"("type":"nord")"), std::string::npos) << platform.scripts[0];
  EXPECT_NE(platform.scripts[0].find(R"("connected":true)"), std::string::npos) << platform.scripts[0];
}

}  // namespace
}  // namespace velmorin::bridge
