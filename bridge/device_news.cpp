#include "bridge/device_news.h"

#include "bridge/reply_script.h"

namespace velmorin::bridge {

DeviceNews::DeviceNews(BridgePlatform& platform, std::function<Reply()> askNord)
    : platform_(platform), askNord_(std::move(askNord)), self_(std::make_shared<DeviceNews*>(this)) {}

DeviceNews::~DeviceNews() = default;

void DeviceNews::devicesChanged() {
  const std::uint64_t change = ++changes_;
  std::weak_ptr<DeviceNews*> weak = self_;
  platform_.postToMainAfter(kSettle, [weak, change] {
    const auto self = weak.lock();
    // A later change has its own wait; the last one asks.
    if (self && (*self)->changes_ == change) (*self)->ask();
  });
}

void DeviceNews::ask() {
  std::weak_ptr<DeviceNews*> weak = self_;
  BridgePlatform* platform = &platform_;
  const std::uint64_t asked = ++asks_;
  platform_.runInBackground([weak, platform, asked, askNord = askNord_] {
    if (weak.expired()) return;
    Reply reply;
    try {
      reply = askNord();
    } catch (...) {
      reply = Reply{{"connected", false}};
    }
    platform->postToMain([weak, platform, asked, reply = std::move(reply)] {
      const auto self = weak.lock();
      // An answer overtaken by a later question would show an older state.
      if (!self || (*self)->asks_ != asked) return;
      platform->evaluateScript(eventScript(Reply{{"type", "nord"}, {"reply", reply}}));
    });
  });
}

}  // namespace velmorin::bridge
