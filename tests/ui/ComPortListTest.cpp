#include "ui/ComPortList.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using Names = std::vector<std::string>;

const Names kClassicPorts = {"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8"};

TEST(BuildComPortList, ListsWhatTheDialogOffers)
{
    struct Case {
        const char* what;
        int portRetryCount;
        Names systemPorts;
        std::string configured;
        bool configuredExists;
        Names expected;
    };
    const Case cases[] = {
        {"two retries give COM1..COM8 whatever is reported",
         2,
         {"COM3", "COM12"},
         "COM4",
         false,
         kClassicPorts},
        {"more retries too", 5, {}, "COM4", false, kClassicPorts},
        {"an existing link is not added once the classic names are offered",
         2,
         {},
         "/tmp/rm42.tty",
         true,
         kClassicPorts},
        {"one retry still lists the system's ports", 1, {"COM3"}, "COM4", false, {"COM3"}},
        {"sorted as text: COM10 before COM2",
         0,
         {"COM2", "COM10", "COM1"},
         "COM4",
         false,
         {"COM1", "COM10", "COM2"}},
        {"sorted without regard to case",
         0,
         {"com3", "COM20", "Com1"},
         "COM4",
         false,
         {"Com1", "COM20", "com3"}},
        {"an existing configured port is added in order",
         0,
         {"/dev/ttyUSB0", "/dev/ttyS0"},
         "/tmp/rm42-sim.tty",
         true,
         {"/dev/ttyS0", "/dev/ttyUSB0", "/tmp/rm42-sim.tty"}},
        {"a configured port already listed is not repeated",
         0,
         {"/dev/ttyS0", "/dev/ttyS1"},
         "/dev/ttyS1",
         true,
         {"/dev/ttyS0", "/dev/ttyS1"}},
        {"a missing configured port is not added", 0, {"/dev/ttyS0"}, "/tmp/gone.tty", false, {"/dev/ttyS0"}},
        {"an empty configured port is not added", 0, {"/dev/ttyS0"}, "", true, {"/dev/ttyS0"}},
        {"duplicates and empty names are dropped",
         0,
         {"COM3", "", "COM1", "COM3"},
         "COM4",
         false,
         {"COM1", "COM3"}},
        {"nothing reported, nothing configured", 0, {}, "COM4", false, {}},
        {"nothing reported but an existing link", 0, {}, "/tmp/rm42.tty", true, {"/tmp/rm42.tty"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BuildComPortList(c.portRetryCount, c.systemPorts, c.configured, c.configuredExists),
                  c.expected)
            << c.what;
}

TEST(SelectComPort, FindsThePortFromTheSecondEntryAndWrapsRound)
{
    struct Case {
        const char* what;
        Names entries;
        std::string configured;
        int expected;
    };
    const Case cases[] = {
        // COM10 also begins with COM1 and is met first, because the search starts at the second entry.
        {"COM1 picks COM10 when both are listed", {"COM1", "COM10"}, "COM1", 1},
        {"wraps round to the first entry", {"COM1", "COM2"}, "COM1", 0},
        {"plain match further down", {"COM1", "COM10", "COM2"}, "COM2", 2},
        {"default port among the classic names", kClassicPorts, "COM4", 3},
        {"case does not matter", {"COM1", "com3"}, "Com3", 1},
        {"case does not matter in the wrapped entry", {"com1", "COM2"}, "COM1", 0},
        {"single entry that matches", {"COM3"}, "COM3", 0},
        {"single entry that does not match", {"COM3"}, "COM4", -1},
        {"empty list", {}, "COM4", -1},
        {"no entry matches", {"COM1", "COM2"}, "COM4", -1},
        {"configured text longer than every entry", {"COM1", "COM2"}, "COM10", -1},
        {"a device path prefix", {"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyUSB0"}, "/dev/ttyS", 1},
        // An empty text is a prefix of everything, so the search stops at its first step.
        {"empty text picks the second entry", {"COM1", "COM2", "COM3"}, "", 1},
        {"empty text with a single entry picks it", {"COM1"}, "", 0},
        {"empty text with an empty list", {}, "", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SelectComPort(c.entries, c.configured), c.expected) << c.what;
}

// The simulator's link is a symbolic link to a pseudo-terminal, which no port enumeration reports.
TEST(BuildComPortList, PseudoTerminalLinkIsOfferedWhileItExists)
{
    int master = -1, slave = -1;
    char slaveName[256] = {};
    ASSERT_EQ(openpty(&master, &slave, slaveName, nullptr, nullptr), 0);
    TempDir dir;
    const std::string link = dir.File("rm42-sim.tty");
    std::filesystem::create_symlink(slaveName, link);

    const Names reported = {"/dev/ttyS1", "/dev/ttyS0"};
    const Names withLink = BuildComPortList(0, reported, link, std::filesystem::exists(link));
    EXPECT_EQ(withLink, (Names{"/dev/ttyS0", "/dev/ttyS1", link}));
    EXPECT_EQ(SelectComPort(withLink, link), 2);

    std::filesystem::remove(link);
    const Names withoutLink = BuildComPortList(0, reported, link, std::filesystem::exists(link));
    EXPECT_EQ(withoutLink, (Names{"/dev/ttyS0", "/dev/ttyS1"}));
    EXPECT_EQ(SelectComPort(withoutLink, link), -1);

    close(slave);
    close(master);
}

} // namespace
