#pragma once
// The USB devices the kernel lists under /sys/bus/usb/devices.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace velmorin::platform {

struct UsbDevice {
  std::optional<std::string> product;  // the device's product string, when it has one
  std::optional<unsigned> vendorId;    // idVendor
};

// Every device (not interface) under `devicesRoot`, in name order; empty when
// the folder is missing or unreadable.
std::vector<UsbDevice> listUsbDevices(const std::filesystem::path& devicesRoot);

}  // namespace velmorin::platform
