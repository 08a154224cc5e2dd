#include "commands/commands.h"
#include "commands/usb_search.h"

namespace velmorin {

Reply nord(const Values& values) {
  return searchUsbListing(usbListing(platform::listUsbDevices(values.usbDevices)));
}

}  // namespace velmorin
