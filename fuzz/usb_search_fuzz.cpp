// Any product-string bytes and vendor id give one of the three replies.
#include <cstdint>
#include <string>

#include "commands/usb_search.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const unsigned id = data[0] * 256u + data[1];
  const std::string text(reinterpret_cast<const char*>(data) + 2, size - 2);
  const velmorin::Reply reply = velmorin::searchUsbDevices({{text, id}, {std::nullopt, id ^ 0x0FFC}, {text, std::nullopt}});
  if (!reply.is_object() || !reply["connected"].is_boolean()) __builtin_trap();
  if (reply["connected"] != reply.contains("name")) __builtin_trap();
  (void)velmorin::compactJson(reply);
  return 0;
}
