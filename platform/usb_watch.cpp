#include "platform/usb_watch.h"

#include <gudev/gudev.h>

namespace velmorin::platform {

namespace {

class GudevWatch : public UsbWatch {
 public:
  explicit GudevWatch(std::function<void()> changed) : changed_(std::move(changed)) {
    const gchar* subsystems[] = {"usb", nullptr};
    client_ = g_udev_client_new(subsystems);
    g_signal_connect(client_, "uevent", G_CALLBACK(onEvent), this);
  }
  ~GudevWatch() override {
    g_signal_handlers_disconnect_by_data(client_, this);
    g_object_unref(client_);
  }
  GudevWatch(const GudevWatch&) = delete;
  GudevWatch& operator=(const GudevWatch&) = delete;

 private:
  static void onEvent(GUdevClient*, const gchar* action, GUdevDevice* device, gpointer self) {
    // A keyboard brings its interfaces along; the device itself is enough.
    if (g_strcmp0(g_udev_device_get_devtype(device), "usb_device") != 0) return;
    if (g_strcmp0(action, "add") != 0 && g_strcmp0(action, "remove") != 0) return;
    static_cast<GudevWatch*>(self)->changed_();
  }

  std::function<void()> changed_;
  GUdevClient* client_ = nullptr;
};

}  // namespace

std::unique_ptr<UsbWatch> watchUsbDevices(std::function<void()> changed) {
  return std::make_unique<GudevWatch>(std::move(changed));
}

}  // namespace velmorin::platform
