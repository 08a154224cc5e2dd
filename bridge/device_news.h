#pragma once
// Tells the page what "nord" answers whenever a USB device comes or goes, as
// the event {"type": "nord", "reply": …}, so the keyboard tile follows the cable.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

#include "vocabulary/json_text.h"
#include "bridge/bridge_platform.h"

namespace velmorin::bridge {

class DeviceNews {
 public:
  // `askNord` runs in the background and gives what "nord" answers now.
  // `platform` must outlive this and every task it starts.
  DeviceNews(BridgePlatform& platform, std::function<Reply()> askNord);
  ~DeviceNews();
  DeviceNews(const DeviceNews&) = delete;
  DeviceNews& operator=(const DeviceNews&) = delete;

  // Main thread. A device has come or gone. A keyboard announces itself and its
  // interfaces in a burst, and its name is readable a moment after the first
  // event: the page hears once, kSettle after the last change.
  void devicesChanged();

  static constexpr std::chrono::milliseconds kSettle{250};

 private:
  void ask();

  BridgePlatform& platform_;
  std::function<Reply()> askNord_;
  std::shared_ptr<DeviceNews*> self_;  // tasks hold it weakly
  std::uint64_t changes_ = 0;          // main thread only, both
  std::uint64_t asks_ = 0;
};

}  // namespace velmorin::bridge
