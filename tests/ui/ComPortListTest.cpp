#include "device/ComPortList.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

using Names = std::vector<std::string>;

const Names kClassic = {"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8"};

TEST(BuildComPortList, ListsWhatTheDialogOffers)
{
    Names usbAndClassic = {"/dev/ttyACM1", "/dev/ttyUSB0"};
    usbAndClassic.insert(usbAndClassic.end(), kClassic.begin(), kClassic.end());
    // retries, the system's ports, the configured port and whether it exists, USB devices, listed
    // clang-format off
    const std::tuple<int, Names, const char*, bool, Names, Names> rows[] = {
        // From the second retry on only the classic names are offered, and USB cables once each.
        {2, {"COM3", "COM12"}, "COM4", false, {}, kClassic}, {5, {}, "/tmp/rm42.tty", true, {}, kClassic},
        {2, {}, "COM4", false, {"/dev/ttyUSB0", "/dev/ttyACM1", "/dev/ttyUSB0"}, usbAndClassic},
        // Before that the system's list, which has the USB cables already.
        {1, {"COM3"}, "COM4", false, {}, {"COM3"}},
        {1, {"/dev/ttyS0"}, "COM4", false, {"/dev/ttyUSB0"}, {"/dev/ttyS0"}},
        // Sorted as text and without regard to case; duplicates and empty names dropped.
        {0, {"COM2", "COM10", "COM1"}, "COM4", false, {}, {"COM1", "COM10", "COM2"}},
        {0, {"com3", "COM20", "Com1", "", "com3"}, "COM4", false, {}, {"Com1", "COM20", "com3"}},
        // The configured port is added when it exists and is not listed already.
        {0, {"/dev/ttyUSB0", "/dev/ttyS0"}, "/tmp/x", true, {}, {"/dev/ttyS0", "/dev/ttyUSB0", "/tmp/x"}},
        {0, {"/dev/ttyS1"}, "/dev/ttyS1", true, {}, {"/dev/ttyS1"}},
        {0, {"/dev/ttyS0"}, "/tmp/gone.tty", false, {}, {"/dev/ttyS0"}},
        {0, {"/dev/ttyS0"}, "", true, {}, {"/dev/ttyS0"}}, {0, {}, "COM4", false, {}, {}}};
    // clang-format on
    for (const auto& [retries, system, configured, exists, usb, listed] : rows)
        EXPECT_EQ(BuildComPortList(retries, system, configured, exists, usb), listed)
            << retries << configured;
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
