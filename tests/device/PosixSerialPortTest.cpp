#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "device/PosixSerialPort.h"
#include "support/TestSupport.h"

namespace {

// A pseudo-terminal; the port under test opens the slave by name, the test plays the device on
// the master.
struct Pty {
    Pty()
    {
        char name[256] = {};
        EXPECT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
        slaveName = name;
    }
    ~Pty()
    {
        CloseMaster();
        if (slave >= 0) close(slave);
    }
    void CloseMaster()
    {
        if (master >= 0) close(master);
        master = -1;
    }
    std::string ReadMaster(std::size_t want)
    {
        std::string got;
        for (int i = 0; i < 200 && got.size() < want; ++i) {
            pollfd pfd{master, POLLIN, 0};
            if (poll(&pfd, 1, 10) > 0) {
                char buf[256];
                const ssize_t n = read(master, buf, sizeof buf);
                if (n > 0) got.append(buf, static_cast<std::size_t>(n));
            }
        }
        return got;
    }
    void WriteMaster(const std::string& bytes)
    {
        ASSERT_EQ(write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    int master = -1;
    int slave = -1;
    std::string slaveName;
};

SerialSettings Settings(const std::string& device)
{
    SerialSettings s;
    s.device = device;
    s.writeTimeoutMs = 2000;
    return s;
}

} // namespace

TEST(SerialDevicePath, MapsComNamesToTtyS)
{
    EXPECT_EQ(SerialDevicePath("COM1"), "/dev/ttyS0");
    EXPECT_EQ(SerialDevicePath("COM4"), "/dev/ttyS3");
    EXPECT_EQ(SerialDevicePath("COM12"), "/dev/ttyS11");
    EXPECT_EQ(SerialDevicePath("COM0"), "COM0");
    EXPECT_EQ(SerialDevicePath("COMX"), "COMX");
    EXPECT_EQ(SerialDevicePath("COM"), "COM");
    EXPECT_EQ(SerialDevicePath("/dev/ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(SerialDevicePath("/tmp/COM1"), "/tmp/COM1");
}

TEST(PosixSerialPort, MissingDeviceFailsNamingIt)
{
    PosixSerialPort port;
    EXPECT_FALSE(port.Open(Settings("COM250")));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_NE(port.LastError().find("/dev/ttyS249"), std::string::npos) << port.LastError();
}

TEST(PosixSerialPort, AppliesRawLineSettings)
{
    Pty pty;
    PosixSerialPort port;
    SerialSettings s = Settings(pty.slaveName);
    s.baud = 19200;
    s.stopBits = 2;
    ASSERT_TRUE(port.Open(s)) << port.LastError();
    termios tio{};
    ASSERT_EQ(tcgetattr(pty.slave, &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B19200));
    // A pseudo-terminal always keeps 8 bits without parity, so only the rest can be seen here.
    EXPECT_TRUE(tio.c_cflag & CSTOPB);
    EXPECT_TRUE(tio.c_cflag & CLOCAL);
    EXPECT_TRUE(tio.c_cflag & CREAD);
    EXPECT_FALSE(tio.c_cflag & CRTSCTS);
    EXPECT_FALSE(tio.c_lflag & (ICANON | ECHO));
    EXPECT_FALSE(tio.c_iflag & (IXON | IXOFF | ICRNL));
    EXPECT_FALSE(tio.c_oflag & OPOST);
    EXPECT_TRUE(port.Close());

    s.byteSize = 5;
    s.stopBits = 1; // one and a half: two stop bits with 5 data bits
    s.parity = 3;   // mark
    s.baud = 300;
    ASSERT_TRUE(port.Open(s)) << port.LastError();
    ASSERT_EQ(tcgetattr(pty.slave, &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B300));
    EXPECT_TRUE(tio.c_cflag & CSTOPB);
}

TEST(PosixSerialPort, RejectsUnsupportedSettingsAndStaysClosed)
{
    Pty pty;
    struct Case {
        const char* why;
        uint32_t baud;
        int byteSize;
        int parity;
        int stopBits;
    };
    const Case cases[] = {
        {"baud", 12345, 8, 0, 0},       {"byte size 9", 9600, 9, 0, 0},
        {"byte size 4", 9600, 4, 0, 0}, {"parity 5", 9600, 8, 5, 0},
        {"parity -1", 9600, 8, -1, 0},  {"1.5 stop bits with 8 bits", 9600, 8, 0, 1},
        {"stop code 3", 9600, 8, 0, 3},
    };
    for (const Case& c : cases) {
        PosixSerialPort port;
        SerialSettings s = Settings(pty.slaveName);
        s.baud = c.baud;
        s.byteSize = c.byteSize;
        s.parity = c.parity;
        s.stopBits = c.stopBits;
        EXPECT_FALSE(port.Open(s)) << c.why;
        EXPECT_FALSE(port.IsOpen()) << c.why;
        EXPECT_FALSE(port.LastError().empty()) << c.why;
        // Nothing stays locked: a good setting opens at once.
        EXPECT_TRUE(port.Open(Settings(pty.slaveName))) << c.why << ": " << port.LastError();
    }
}

TEST(PosixSerialPort, WritesReadsCountsAndPurges)
{
    Pty pty;
    PosixSerialPort port;
    ASSERT_TRUE(port.Open(Settings(pty.slaveName))) << port.LastError();
    ASSERT_TRUE(port.Write("DA\r\n", 4));
    EXPECT_EQ(pty.ReadMaster(4), "DA\r\n");

    pty.WriteMaster("DAOK1F\r\n");
    ASSERT_EQ(port.WaitForInput(2000), WaitResult::Ready);
    std::size_t queued = 0;
    for (int i = 0; i < 100 && queued < 8; ++i) {
        ASSERT_TRUE(port.QueuedBytes(queued));
        if (queued < 8) port.WaitForInput(10);
    }
    EXPECT_EQ(queued, 8u);
    char buf[64];
    std::size_t got = 0;
    ASSERT_TRUE(port.Read(buf, 3, got));
    EXPECT_EQ(std::string(buf, got), "DAO");
    ASSERT_TRUE(port.Read(buf, sizeof buf, got));
    EXPECT_EQ(std::string(buf, got), "K1F\r\n");
    ASSERT_TRUE(port.Read(buf, sizeof buf, got)) << "nothing there is not an error: " << port.LastError();
    EXPECT_EQ(got, 0u);

    pty.WriteMaster("2F0BA60000000B92\r\n");
    ASSERT_EQ(port.WaitForInput(2000), WaitResult::Ready);
    ASSERT_TRUE(port.Purge());
    ASSERT_TRUE(port.QueuedBytes(queued));
    EXPECT_EQ(queued, 0u);
}

TEST(PosixSerialPort, WaitForInputTimesOutAndModemLinesCountAsOn)
{
    Pty pty;
    PosixSerialPort port;
    ASSERT_TRUE(port.Open(Settings(pty.slaveName)));
    EXPECT_EQ(port.WaitForInput(0), WaitResult::Timeout);
    EXPECT_EQ(port.WaitForInput(50), WaitResult::Timeout);
    bool cts = false, dsr = false;
    ASSERT_TRUE(port.ModemLines(cts, dsr)) << port.LastError();
    EXPECT_TRUE(cts);
    EXPECT_TRUE(dsr);
}

TEST(PosixSerialPort, SecondObjectCannotOpenTheSameDevice)
{
    Pty pty;
    TempDir dir;
    const std::string link = dir.File("rm42port");
    ASSERT_EQ(symlink(pty.slaveName.c_str(), link.c_str()), 0);
    PosixSerialPort first, second;
    ASSERT_TRUE(first.Open(Settings(link))) << first.LastError();
    EXPECT_FALSE(first.Open(Settings(link))) << "already open";
    EXPECT_TRUE(first.IsOpen());
    EXPECT_FALSE(second.Open(Settings(pty.slaveName)));
    EXPECT_FALSE(second.IsOpen());
    EXPECT_FALSE(second.LastError().empty());
    ASSERT_TRUE(first.Close());
    EXPECT_FALSE(first.Close());
    EXPECT_TRUE(second.Open(Settings(pty.slaveName))) << second.LastError();
}

TEST(PosixSerialPort, HangUpOfTheOtherSideIsAnErrorNotAWait)
{
    Pty pty;
    PosixSerialPort port;
    ASSERT_TRUE(port.Open(Settings(pty.slaveName)));
    close(pty.slave); // only the port holds the slave now
    pty.slave = -1;
    pty.CloseMaster();
    EXPECT_EQ(port.WaitForInput(2000), WaitResult::Error);
    std::size_t queued = 0;
    EXPECT_FALSE(port.QueuedBytes(queued));
    char buf[8];
    std::size_t got = 0;
    EXPECT_FALSE(port.Read(buf, sizeof buf, got));
    EXPECT_FALSE(port.Write("DA\r\n", 4));
    EXPECT_TRUE(port.Close());
}

TEST(PosixSerialPort, ClosedPortRefusesEverything)
{
    PosixSerialPort port;
    std::size_t n = 0;
    bool cts = true, dsr = true;
    char buf[4];
    EXPECT_FALSE(port.Close());
    EXPECT_FALSE(port.Purge());
    EXPECT_FALSE(port.Write("x", 1));
    EXPECT_FALSE(port.QueuedBytes(n));
    EXPECT_FALSE(port.Read(buf, sizeof buf, n));
    EXPECT_FALSE(port.ModemLines(cts, dsr));
    EXPECT_FALSE(cts || dsr);
    EXPECT_EQ(port.WaitForInput(10), WaitResult::Error);
}

TEST(PosixSerialPort, SystemFactoryMakesPosixPorts)
{
    auto factory = MakeSystemSerialPortFactory();
    auto port = factory->Create();
    ASSERT_NE(port, nullptr);
    EXPECT_NE(dynamic_cast<PosixSerialPort*>(port.get()), nullptr);
    EXPECT_FALSE(port->IsOpen());
}
