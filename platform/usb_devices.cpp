#include "platform/usb_devices.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "platform/folder.h"

namespace velmorin::platform {

namespace {
std::optional<std::string> readAttribute(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}
}  // namespace

std::vector<UsbDevice> listUsbDevices(const std::filesystem::path& devicesRoot) {
  std::vector<UsbDevice> devices;
  std::vector<std::string> names = namesIn(devicesRoot);
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    const auto folder = devicesRoot / name;
    UsbDevice device;
    device.product = readAttribute(folder / "product");
    if (const auto vendor = readAttribute(folder / "idVendor")) {
      try {
        std::size_t used = 0;
        const unsigned long id = std::stoul(*vendor, &used, 16);
        if (used == vendor->size() && id <= 0xFFFF) device.vendorId = static_cast<unsigned>(id);
      } catch (const std::exception&) {
        // Not a hex number: the device is listed without a vendor id.
      }
    }
    // Interfaces ("1-1:1.0") carry neither attribute.
    if (device.product || device.vendorId) devices.push_back(std::move(device));
  }
  return devices;
}

}  // namespace velmorin::platform
