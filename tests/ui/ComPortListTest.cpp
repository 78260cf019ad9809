#include "ui/ComPortList.h"

#include <gtest/gtest.h>

#include <string>
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

TEST(SelectComPort, FindsThePrefixFromTheSecondEntryAndWrapsRound)
{
    EXPECT_EQ(SelectComPort({"COM1", "COM10"}, "COM1"), 1); // COM10 also begins with COM1 and is met first
    EXPECT_EQ(SelectComPort({"COM1", "COM2"}, "COM1"), 0);
    EXPECT_EQ(SelectComPort(kClassic, "COM4"), 3);
    EXPECT_EQ(SelectComPort({"COM1", "com3"}, "Com3"), 1);
    EXPECT_EQ(SelectComPort({"com1", "COM2"}, "COM1"), 0);
    EXPECT_EQ(SelectComPort({"COM3"}, "COM4"), -1);
    EXPECT_EQ(SelectComPort({"COM1", "COM2"}, "COM10"), -1);
    EXPECT_EQ(SelectComPort({}, "COM4"), -1);
    // An empty text is a prefix of everything.
    EXPECT_EQ(SelectComPort({"COM1", "COM2", "COM3"}, ""), 1);
    EXPECT_EQ(SelectComPort({"COM1"}, ""), 0);
    EXPECT_EQ(SelectComPort({}, ""), -1);
}

} // namespace
