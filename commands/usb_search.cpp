#include "commands/usb_search.h"

#include <algorithm>
#include <string_view>

#include "vocabulary/text.h"

namespace velmorin {

namespace {

constexpr unsigned kVendorIds[] = {4094, 4092};

// The product string up to a double quote or line break, as a listing of
// quoted names would end it; nothing unless it begins with "Nord" and is
// text that a reply can hold.
std::optional<std::string> nordName(const std::optional<std::string>& product) {
  if (!product || !product->starts_with("Nord") || !isValidUtf8(*product)) return std::nullopt;
  return product->substr(0, product->find_first_of("\"\n"));
}

}  // namespace

Reply searchUsbDevices(const std::vector<platform::UsbDevice>& devices) {
  for (const auto& device : devices)
    if (const auto name = nordName(device.product)) return {{"connected", true}, {"name", *name}};
  for (const auto& device : devices)
    if (device.vendorId && std::ranges::find(kVendorIds, *device.vendorId) != std::end(kVendorIds))
      return {{"connected", true}, {"name", "Nord"}};
  return {{"connected", false}};
}

}  // namespace velmorin
