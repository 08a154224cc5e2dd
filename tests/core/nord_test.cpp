#include <gtest/gtest.h>

#include "commands/commands.h"
#include "commands/usb_search.h"
#include "support/temp_tree.h"

namespace velmorin {
namespace {

Reply connectedAs(const char* name) { return {{"connected", true}, {"name", name}}; }
const Reply kNone = {{"connected", false}};

TEST(UsbSearch, ProductNameLinesThatBeginWithNord) {
  EXPECT_EQ(searchUsbListing("    | |   \"USB Product Name\" = \"Nord Stage 3\"\n"), connectedAs("Nord Stage 3"));
  EXPECT_EQ(searchUsbListing("\"kUSBProductString\" = \"Nord Electro 6D\""), connectedAs("Nord Electro 6D"));
  EXPECT_EQ(searchUsbListing("\"USB Product Name\" = \"USB Keyboard\"\n\n"
                             "\"USB Product Name\" = \"Nord Piano 5\"\n"
                             "\"USB Product Name\" = \"Nord Stage 4\"\n"),
            connectedAs("Nord Piano 5"));
  EXPECT_EQ(searchUsbListing("\"USB Product Name\" = \"Nordic Dongle\""), connectedAs("Nordic Dongle"));
}

TEST(UsbSearch, VendorMarkerIsTheFallback) {
  EXPECT_EQ(searchUsbListing("\"USB Product Name\" = \"My Nord Stage\"\n\"idVendor\" = 4094\n"), connectedAs("Nord"));
  EXPECT_EQ(searchUsbListing("\"idVendor\" = 4092\n"), connectedAs("Nord"));
  EXPECT_EQ(searchUsbListing("\"idVendor\" = 40941\n"), connectedAs("Nord"));
  EXPECT_EQ(searchUsbListing("\"idVendor\"=4094\n"), kNone);
  EXPECT_EQ(searchUsbListing("\"Nord Stage 3\" on a line without a product key\n"), kNone);
  EXPECT_EQ(searchUsbListing(""), kNone);
  EXPECT_EQ(searchUsbListing("\"USB Product Name\" = \"Nord \xff\"\n\"idVendor\" = 4094"), kNone);
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
  EXPECT_EQ(usbListing({{std::string("Nord \"x\""), 4092u}}), "  \"idVendor\" = 4092\n");
}

}  // namespace
}  // namespace velmorin
