#include "commands/usb_search.h"

#include <string_view>

#include "commands/text_util.h"

namespace velmorin {

namespace {
// The quoted name in a product-name line: a double quote, "Nord", then anything
// up to the next double quote.
std::optional<std::string> nordName(std::string_view line) {
  for (auto at = line.find("\"Nord"); at != std::string_view::npos; at = line.find("\"Nord", at + 1)) {
    const auto close = line.find('"', at + 1);
    if (close != std::string_view::npos) return std::string(line.substr(at + 1, close - at - 1));
  }
  return std::nullopt;
}

// The maker's USB vendor ids as the listing prints them: 4094 (0x0FFE) and
// Clavia's registered 4092 (0x0FFC).
constexpr std::string_view kVendorMarkers[] = {"\"idVendor\" = 4094", "\"idVendor\" = 4092"};
}  // namespace

Reply searchUsbListing(const std::string& listing) {
  if (!isValidUtf8(listing)) return {{"connected", false}};
  std::string_view text(listing);
  while (!text.empty()) {
    const auto end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    const bool productLine = line.find("USB Product Name") != std::string_view::npos ||
                             line.find("kUSBProductString") != std::string_view::npos;
    if (!productLine) continue;
    if (auto name = nordName(line)) return {{"connected", true}, {"name", *name}};
  }
  for (const auto marker : kVendorMarkers)
    if (listing.find(marker) != std::string::npos) return {{"connected", true}, {"name", "Nord"}};
  return {{"connected", false}};
}

std::string usbListing(const std::vector<platform::UsbDevice>& devices) {
  std::string listing;
  for (const auto& device : devices) {
    // A product string that is not UTF-8, or that would break the one-line form,
    // is left out rather than hiding every other device.
    if (device.product && isValidUtf8(*device.product) &&
        device.product->find_first_of("\"\n") == std::string::npos)
      listing += "  \"USB Product Name\" = \"" + *device.product + "\"\n";
    if (device.vendorId) listing += "  \"idVendor\" = " + std::to_string(*device.vendorId) + "\n";
  }
  return listing;
}

}  // namespace velmorin
