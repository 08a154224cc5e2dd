#include <gtest/gtest.h>

#include "commands/commands.h"
#include "commands/usb_search.h"
#include "support/temp_tree.h"

namespace velmorin {
namespace {

Reply connectedAs(const char* name) { return {{"connected", true}, {"name", name}}; }
const Reply kNone = {{"connected", false}};

platform::UsbDevice product(const std::string& name) { return {name, std::nullopt}; }
platform::UsbDevice vendor(unsigned id) { return {std::nullopt, id}; }

TEST(UsbSearch, TheFirstProductNameThatBeginsWithNord) {
  EXPECT_EQ(searchUsbDevices({product("Nord Stage 3")}), connectedAs("Nord Stage 3"));
  EXPECT_EQ(searchUsbDevices({product("USB Keyboard"), product("Nord Piano 5"), product("Nord Stage 4")}),
            connectedAs("Nord Piano 5"));
  EXPECT_EQ(searchUsbDevices({product("Nordic Dongle")}), connectedAs("Nordic Dongle"));
  // A name ends where a quoted listing would end it.
  EXPECT_EQ(searchUsbDevices({product("Nord \"x\"")}), connectedAs("Nord "));
}

TEST(UsbSearch, TheMakersVendorIdIsTheFallback) {
  EXPECT_EQ(searchUsbDevices({product("My Nord Stage"), vendor(4094)}), connectedAs("Nord"));
  EXPECT_EQ(searchUsbDevices({vendor(4092)}), connectedAs("Nord"));
  EXPECT_EQ(searchUsbDevices({vendor(40941), vendor(409), product("nord stage")}), kNone);
  EXPECT_EQ(searchUsbDevices({}), kNone);
  // A product string that is not UTF-8 hides nothing else.
  EXPECT_EQ(searchUsbDevices({product("Nord \xff"), vendor(4094)}), connectedAs("Nord"));
}

class SysfsTest : public ::testing::Test {
 protected:
  void device(const std::string& name, const std::string& product, const std::string& vendor) {
    if (!product.empty()) home.file("sys/bus/usb/devices/" + name + "/product", product + "\n");
    if (!vendor.empty()) home.file("sys/bus/usb/devices/" + name + "/idVendor", vendor + "\n");
  }
  testing::TempTree home;
  Values values = valuesForHome(home.root());
};

TEST_F(SysfsTest, NoSysfsMeansNotConnected) { EXPECT_EQ(nord(values), kNone); }

TEST_F(SysfsTest, FindsTheKeyboardAmongOtherDevices) {
  device("usb1", "xHCI Host Controller", "1d6b");
  device("1-1", "USB Keyboard", "046d");
  device("1-1:1.0", "", "");
  home.file("sys/bus/usb/devices/1-1:1.0/bInterfaceClass", "03\n");
  device("1-2", "Nord Stage 3", "0ffc");
  EXPECT_EQ(nord(values), connectedAs("Nord Stage 3"));
}

TEST_F(SysfsTest, VendorIdAloneIsEnoughForEitherId) {
  device("1-3", "", "0ffc");
  EXPECT_EQ(nord(values), connectedAs("Nord"));
  fs::remove_all(home / "sys");
  device("1-3", "Piano", "0FFE");
  EXPECT_EQ(nord(values), connectedAs("Nord"));
}

TEST_F(SysfsTest, OneBadProductStringHidesNothingElse) {
  device("1-1", "Bad \xff name", "1234");
  device("1-2", "Nord Lead A1", "0ffc");
  EXPECT_EQ(nord(values), connectedAs("Nord Lead A1"));
}

}  // namespace
}  // namespace velmorin
