#include "commands/commands.h"
#include "commands/usb_search.h"

namespace velmorin {

Reply nord(const Values& values) { return searchUsbDevices(platform::listUsbDevices(values.usbDevices)); }

}  // namespace velmorin
