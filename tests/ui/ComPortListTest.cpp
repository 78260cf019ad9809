#include "device/ComPortList.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Names = std::vector<std::string>;

const Names kClassic = {"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8"};

TEST(BuildComPortList, ListsWhatTheDialogOffers)
{
    // From the second retry on only the classic names are offered.
    EXPECT_EQ(BuildComPortList(2, {"COM3", "COM12"}, "COM4", false), kClassic);
    EXPECT_EQ(BuildComPortList(5, {}, "/tmp/rm42.tty", true), kClassic);
    EXPECT_EQ(BuildComPortList(1, {"COM3"}, "COM4", false), Names{"COM3"});
    // USB cables stay choosable beside the classic names, once each; before that the system's
    // list has them.
    Names fallback = {"/dev/ttyACM1", "/dev/ttyUSB0"};
    fallback.insert(fallback.end(), kClassic.begin(), kClassic.end());
    EXPECT_EQ(BuildComPortList(2, {}, "COM4", false, {"/dev/ttyUSB0", "/dev/ttyACM1", "/dev/ttyUSB0"}),
              fallback);
    EXPECT_EQ(BuildComPortList(1, {"/dev/ttyS0"}, "COM4", false, {"/dev/ttyUSB0"}), Names{"/dev/ttyS0"});
    // Sorted as text and without regard to case; duplicates and empty names dropped.
    EXPECT_EQ(BuildComPortList(0, {"COM2", "COM10", "COM1"}, "COM4", false),
              (Names{"COM1", "COM10", "COM2"}));
    EXPECT_EQ(BuildComPortList(0, {"com3", "COM20", "Com1", "", "com3"}, "COM4", false),
              (Names{"Com1", "COM20", "com3"}));
    // The configured port is added when it exists and is not listed already.
    EXPECT_EQ(BuildComPortList(0, {"/dev/ttyUSB0", "/dev/ttyS0"}, "/tmp/x.tty", true),
              (Names{"/dev/ttyS0", "/dev/ttyUSB0", "/tmp/x.tty"}));
    EXPECT_EQ(BuildComPortList(0, {"/dev/ttyS1"}, "/dev/ttyS1", true), Names{"/dev/ttyS1"});
    EXPECT_EQ(BuildComPortList(0, {"/dev/ttyS0"}, "/tmp/gone.tty", false), Names{"/dev/ttyS0"});
    EXPECT_EQ(BuildComPortList(0, {"/dev/ttyS0"}, "", true), Names{"/dev/ttyS0"});
    EXPECT_EQ(BuildComPortList(0, {}, "COM4", false), Names{});
}

TEST(UsbSerialDevices, FollowsTheByIdLinksAndListsTheUsbAndAcmDevices)
{
    namespace fs = std::filesystem;
    TempDir dir;
    const std::string dev = fs::canonical(dir.Path()).string();
    fs::create_directories(dev + "/serial/by-id");
    for (const char* name : {"ttyUSB3", "ttyACM0", "ttyXRUSB0", "ttyS0", "ttyUSB"})
        WriteFileBytes(dev + "/" + name, "");
    fs::create_symlink("../../ttyUSB3", dev + "/serial/by-id/usb-FTDI_RM42-if00-port0");
    fs::create_symlink("../../ttyXRUSB0", dev + "/serial/by-id/usb-Exar_cable-if00");
    fs::create_symlink("../../ttyUSB9", dev + "/serial/by-id/usb-unplugged-if00");

    Names found = UsbSerialDevices(dev);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (Names{dev + "/ttyACM0", dev + "/ttyUSB", dev + "/ttyUSB3", dev + "/ttyUSB3",
                            dev + "/ttyXRUSB0"}));
    EXPECT_EQ(UsbSerialDevices(dev + "/missing"), Names{});
}

TEST(SelectComPort, FindsThePrefixFromTheSecondEntryAndWrapsRound)
{
    // clang-format off
    const std::tuple<Names, const char*, int> cases[] = {
        {{"COM1", "COM10"}, "COM1", 1}, // COM10 also begins with COM1 and is met first
        {{"COM1", "COM2"}, "COM1", 0}, {kClassic, "COM4", 3}, {{"COM1", "com3"}, "Com3", 1},
        {{"com1", "COM2"}, "COM1", 0}, {{"COM3"}, "COM4", -1}, {{"COM1", "COM2"}, "COM10", -1}, {{}, "COM4", -1},
        // An empty text is a prefix of everything.
        {{"COM1", "COM2", "COM3"}, "", 1}, {{"COM1"}, "", 0}, {{}, "", -1}};
    // clang-format on
    for (const auto& [names, text, index] : cases)
        EXPECT_EQ(SelectComPort(names, text), index) << text << " in " << names.size();
}

} // namespace
