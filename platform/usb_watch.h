#pragma once
// Hears USB devices being plugged in and out, from udev (through GUdev), on
// the GLib main context of the thread that starts the watch.
#include <functional>
#include <memory>

namespace velmorin::platform {

class UsbWatch {
 public:
  virtual ~UsbWatch() = default;
};

// Calls `changed` on that main context after a USB device (not one of its
// interfaces) has been added or removed. The watch ends when the value is
// destroyed. Where udev cannot be reached, no change is ever heard, and the
// page's "Check again" still asks afresh.
std::unique_ptr<UsbWatch> watchUsbDevices(std::function<void()> changed);

}  // namespace velmorin::platform
