// Any listing text, and any sysfs attribute bytes, give one of the three replies.
#include <cstdint>
#include <string>

#include "commands/usb_search.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (const velmorin::Reply& reply :
       {velmorin::searchUsbListing(text),
        velmorin::searchUsbListing(velmorin::usbListing({{text, size > 0 ? data[0] * 257u : 4092u}}))}) {
    if (!reply.is_object() || !reply["connected"].is_boolean()) __builtin_trap();
    if (reply["connected"] != reply.contains("name")) __builtin_trap();
    (void)velmorin::compactJson(reply);
  }
  return 0;
}
