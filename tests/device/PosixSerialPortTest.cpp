#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <string>
#include <tuple>
#include <vector>

#include "device/PosixSerialPort.h"
#include "device/SerialDevicePath.h"
#include "support/TestSupport.h"

namespace {

// A pseudo-terminal: the port under test opens the slave by name, the test plays the device on
// the master.
struct PosixSerialPortTest : ::testing::Test {
    void SetUp() override
    {
        char name[256] = {};
        ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
        good = {name, 9600, 8, 0, 0, 2000, 2000};
    }
    void TearDown() override
    {
        for (int fd : {master, slave})
            if (fd >= 0) close(fd);
    }

    int master = -1, slave = -1;
    SerialSettings good;
    PosixSerialPort port;
};

} // namespace

TEST(SerialDevicePath, MapsComNamesToTtyS)
{
    const std::pair<const char*, const char*> cases[] = {
        {"COM1", "/dev/ttyS0"}, {"COM12", "/dev/ttyS11"},         {"COM0", "COM0"},          {"COMX", "COMX"},
        {"COM", "COM"},         {"/dev/ttyUSB0", "/dev/ttyUSB0"}, {"/tmp/COM1", "/tmp/COM1"}};
    for (const auto& [name, path] : cases)
        EXPECT_EQ(SerialDevicePath(name), path);
    PosixSerialPort port;
    EXPECT_FALSE(port.Open(SerialSettings{"COM250", 9600, 8, 0, 0, 100, 100}));
    EXPECT_NE(port.LastError().find("/dev/ttyS249"), std::string::npos) << port.LastError();
}

TEST_F(PosixSerialPortTest, AppliesRawLineSettings)
{
    // Two stop bits; one and a half stop bits, which are two with 5 data bits.
    const std::pair<SerialSettings, speed_t> cases[] = {{{good.device, 19200, 8, 0, 2, 2000, 2000}, B19200},
                                                        {{good.device, 300, 5, 3, 1, 2000, 2000}, B300}};
    for (const auto& [s, speed] : cases) {
        ASSERT_TRUE(port.Open(s)) << port.LastError();
        termios tio{};
        ASSERT_EQ(tcgetattr(slave, &tio), 0);
        EXPECT_EQ(cfgetospeed(&tio), speed);
        // A pseudo-terminal always keeps 8 bits without parity, so only the rest can be seen here.
        EXPECT_EQ(tio.c_cflag & (CSTOPB | CLOCAL | CREAD | CRTSCTS), tcflag_t(CSTOPB | CLOCAL | CREAD));
        EXPECT_FALSE(tio.c_lflag & (ICANON | ECHO));
        EXPECT_FALSE(tio.c_iflag & (IXON | IXOFF | ICRNL));
        EXPECT_FALSE(tio.c_oflag & OPOST);
        EXPECT_TRUE(port.Close());
    }
}

TEST_F(PosixSerialPortTest, ParityCodesChooseOddEvenMarkAndSpace)
{
    // A pseudo-terminal drops the enable bit but keeps the odd and the mark/space flags, so
    // odd and even (and mark and space) can be told apart here.
    const std::tuple<int, bool, bool> cases[] = {
        {0, false, false}, {1, true, false}, {2, false, false}, {3, true, true}, {4, false, true}};
    for (const auto& [parity, odd, stick] : cases) {
        SerialSettings s = good;
        s.parity = parity;
        ASSERT_TRUE(port.Open(s)) << port.LastError();
        termios tio{};
        ASSERT_EQ(tcgetattr(slave, &tio), 0);
        EXPECT_EQ((tio.c_cflag & PARODD) != 0, odd) << parity;
        EXPECT_EQ((tio.c_cflag & CMSPAR) != 0, stick) << parity;
        EXPECT_TRUE(port.Close());
    }
}

TEST_F(PosixSerialPortTest, RejectsUnsupportedSettingsAndStaysClosed)
{
    // Baud, byte size 9 and 4, parity 5 and -1, 1.5 stop bits with 8 data bits, stop code 3.
    const std::string& d = good.device;
    // clang-format off
    const SerialSettings cases[] = {{d, 12345, 8, 0, 0, 0, 0}, {d, 9600, 9, 0, 0, 0, 0}, {d, 9600, 4, 0, 0, 0, 0},
        {d, 9600, 8, 5, 0, 0, 0}, {d, 9600, 8, -1, 0, 0, 0}, {d, 9600, 8, 0, 1, 0, 0}, {d, 9600, 8, 0, 3, 0, 0}};
    // clang-format on
    for (const SerialSettings& s : cases) {
        EXPECT_TRUE(!port.Open(s) && !port.IsOpen() && !port.LastError().empty()) << &s - cases;
        // Nothing stays locked: a good setting opens at once.
        EXPECT_TRUE(port.Open(good) && port.Close()) << &s - cases << ": " << port.LastError();
    }
}

TEST_F(PosixSerialPortTest, WritesReadsCountsPurgesAndWaits)
{
    ASSERT_TRUE(port.Open(good)) << port.LastError();
    EXPECT_EQ(port.WaitForInput(50), WaitResult::Timeout);
    bool cts = false, dsr = false;
    EXPECT_TRUE(port.ModemLines(cts, dsr) && cts && dsr) << "a pseudo-terminal's modem lines count as on";

    ASSERT_TRUE(port.Write("DA\r\n", 4));
    char buf[64];
    pollfd pfd{master, POLLIN, 0};
    ASSERT_EQ(poll(&pfd, 1, 2000), 1);
    ASSERT_EQ(read(master, buf, sizeof buf), 4);
    EXPECT_EQ(std::string(buf, 4), "DA\r\n");
    ASSERT_EQ(write(master, "DAOK1F\r\n", 8), 8);
    ASSERT_EQ(port.WaitForInput(2000), WaitResult::Ready);
    std::size_t queued = 0;
    for (int i = 0; i < 100 && queued < 8; ++i)
        ASSERT_TRUE(port.QueuedBytes(queued));
    EXPECT_EQ(queued, 8u);
    const auto readUpTo = [&](std::size_t n) {
        std::size_t got = 0;
        return port.Read(buf, n, got) ? std::string(buf, got) : "failed: " + port.LastError();
    };
    EXPECT_EQ(readUpTo(3), "DAO");
    EXPECT_EQ(readUpTo(sizeof buf), "K1F\r\n");
    EXPECT_EQ(readUpTo(sizeof buf), "") << "nothing there is not an error";

    ASSERT_EQ(write(master, "2F0BA60000000B92\r\n", 18), 18);
    ASSERT_EQ(port.WaitForInput(2000), WaitResult::Ready);
    EXPECT_TRUE(port.Purge() && port.QueuedBytes(queued) && queued == 0u) << queued;
}

TEST_F(PosixSerialPortTest, SecondObjectCannotOpenTheSameDevice)
{
    TempDir dir;
    SerialSettings viaLink = good;
    viaLink.device = dir.File("rm42port");
    ASSERT_EQ(symlink(good.device.c_str(), viaLink.device.c_str()), 0);
    PosixSerialPort second;
    ASSERT_TRUE(port.Open(viaLink)) << port.LastError();
    EXPECT_FALSE(port.Open(viaLink)) << "already open";
    EXPECT_TRUE(port.IsOpen());
    EXPECT_TRUE(!second.Open(good) && !second.LastError().empty());
    ASSERT_TRUE(port.Close());
    EXPECT_TRUE(second.Open(good)) << second.LastError();
}

TEST_F(PosixSerialPortTest, HangUpIsAnErrorNotAWait)
{
    ASSERT_TRUE(port.Open(good));
    close(slave); // only the port holds the slave now
    close(master);
    slave = master = -1;
    EXPECT_EQ(port.WaitForInput(2000), WaitResult::Error);
    std::size_t n = 0;
    char buf[8];
    const std::vector<bool> hungUp{port.QueuedBytes(n), port.Read(buf, sizeof buf, n), port.Write("DA", 2)};
    EXPECT_EQ(hungUp, std::vector<bool>(3, false)) << "QueuedBytes, Read, Write";
    EXPECT_TRUE(port.Close());

    // Closed, it refuses everything.
    bool cts = true, dsr = true;
    const std::vector<bool> closed{port.Close(), port.Purge(), port.Write("x", 1), port.ModemLines(cts, dsr),
                                   cts || dsr};
    EXPECT_EQ(closed, std::vector<bool>(5, false)) << "Close, Purge, Write, ModemLines, a modem line on";
    EXPECT_EQ(port.WaitForInput(10), WaitResult::Error);
}
