#pragma once
// Finding a Nord keyboard among the USB devices plugged in.
#include <vector>

#include "vocabulary/json_text.h"
#include "platform/usb_devices.h"

namespace velmorin {

// {"connected": true, "name": …} or {"connected": false}. The first device
// (in the order given) whose product string begins with "Nord" names the
// keyboard; else a device with the maker's vendor id, 4094 (0x0FFE) or
// Clavia's 4092 (0x0FFC), is a keyboard named "Nord".
Reply searchUsbDevices(const std::vector<platform::UsbDevice>& devices);

}  // namespace velmorin
