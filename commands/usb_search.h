#pragma once
// Finding a Nord keyboard in a USB registry listing, one property per line:
//   "USB Product Name" = "Nord Stage 3"
//   "idVendor" = 4092
#include <string>
#include <vector>

#include "app/json_text.h"
#include "platform/usb_devices.h"

namespace velmorin {

// {"connected": true, "name": …} or {"connected": false}.
Reply searchUsbListing(const std::string& listing);

// The devices in the listing form the search reads.
std::string usbListing(const std::vector<platform::UsbDevice>& devices);

}  // namespace velmorin
