// The Windows serial port: line settings as pure data, then the port itself on the COM port
// named by RM42_TEST_COM, where a simulated thermometer answers (scripts/test --windows serves
// rm42-sim's pseudo-terminal as COM5 to Wine).
#include "device/Win32SerialPort.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <tuple>

namespace {

using Ms = std::chrono::milliseconds;
using SteadyTime = std::chrono::steady_clock;

TEST(Win32DevicePath, ComNamesBecomeDevicePathsOthersStay)
{
    const std::pair<std::string, std::string> cases[] = {{"COM1", "\\\\.\\COM1"},
                                                         {"COM5", "\\\\.\\COM5"},
                                                         {"COM12", "\\\\.\\COM12"},
                                                         {"COM256", "\\\\.\\COM256"},
                                                         {"COM0", "COM0"},
                                                         {"COM", "COM"},
                                                         {"COM1a", "COM1a"},
                                                         {"COM1234", "COM1234"},
                                                         {"com3", "com3"},
                                                         {"\\\\.\\COM7", "\\\\.\\COM7"},
                                                         {"", ""}};
    for (const auto& [name, path] : cases)
        EXPECT_EQ(Win32DevicePath(name), path) << name;
}

// A DCB as another program may have left it: handshakes on, DTR and RTS driven, not binary.
DCB UsedDcb()
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    dcb.fOutxCtsFlow = dcb.fOutxDsrFlow = dcb.fDsrSensitivity = dcb.fOutX = dcb.fInX = TRUE;
    dcb.fNull = dcb.fAbortOnError = TRUE;
    dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
    dcb.fRtsControl = RTS_CONTROL_TOGGLE;
    dcb.XonLim = 2048;
    dcb.XonChar = 0x11;
    return dcb;
}

TEST(ApplyLineSettings, EveryParityAndStopCodeGoesThroughUnchangedWithTheLinksOwnFlags)
{
    for (int parity = 0; parity <= 4; ++parity) {
        for (int stop : {0, 2}) {
            SCOPED_TRACE("parity " + std::to_string(parity) + " stop " + std::to_string(stop));
            DCB dcb = UsedDcb();
            std::string error;
            ASSERT_TRUE(
                ApplyLineSettings(SerialSettings{"COM5", 19200, 7, parity, stop, 100, 200}, dcb, error))
                << error;
            EXPECT_EQ(std::tuple(dcb.BaudRate, dcb.ByteSize, dcb.Parity, dcb.StopBits, bool(dcb.fParity)),
                      std::tuple(DWORD{19200}, BYTE{7}, BYTE(parity), BYTE(stop), parity != 0));
            EXPECT_EQ(
                std::tuple(DWORD(dcb.fDtrControl), DWORD(dcb.fRtsControl), DWORD(dcb.fBinary), dcb.EvtChar),
                std::tuple(DWORD{DTR_CONTROL_DISABLE}, DWORD{RTS_CONTROL_DISABLE}, DWORD{TRUE}, '\n'));
            EXPECT_FALSE(dcb.fOutxCtsFlow || dcb.fOutxDsrFlow || dcb.fDsrSensitivity || dcb.fOutX ||
                         dcb.fInX || dcb.fNull || dcb.fAbortOnError);
            EXPECT_EQ(std::tuple(dcb.XonLim, dcb.XonChar), std::tuple(WORD{2048}, char{0x11})); // untouched
        }
    }
}

TEST(ApplyLineSettings, RefusesWhatTheDriversRefuseAndLeavesTheDcb)
{
    // Baud 0, byte sizes 4 and 9, parity -1 and 5, stop codes -1 and 3, 1.5 with 8 bits, 2 with 5.
    const SerialSettings cases[] = {
        {"COM5", 0, 8, 0, 0},     {"COM5", 9600, 4, 0, 0}, {"COM5", 9600, 9, 0, 0},
        {"COM5", 9600, 8, -1, 0}, {"COM5", 9600, 8, 5, 0}, {"COM5", 9600, 8, 0, -1},
        {"COM5", 9600, 8, 0, 3},  {"COM5", 9600, 8, 0, 1}, {"COM5", 9600, 5, 0, 2}};
    for (const SerialSettings& s : cases) {
        DCB dcb = UsedDcb();
        std::string error;
        EXPECT_FALSE(ApplyLineSettings(s, dcb, error)) << &s - cases;
        EXPECT_FALSE(error.empty()) << &s - cases;
        EXPECT_TRUE(dcb.BaudRate == 0 && dcb.fOutX && dcb.fDtrControl == DTR_CONTROL_HANDSHAKE) << &s - cases;
    }
    DCB dcb = UsedDcb();
    std::string error;
    EXPECT_TRUE(ApplyLineSettings(SerialSettings{"COM5", 9600, 5, 0, 1}, dcb, error)) << "1.5 with 5 bits";
}

class Win32SerialPortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* com = std::getenv("RM42_TEST_COM");
        if (com == nullptr || com[0] == '\0')
            GTEST_SKIP() << "RM42_TEST_COM names no port with a thermometer";
        good.device = com;
    }

    // Reads until CR LF with reads of at most pieceSize bytes, each waiting for its first byte.
    std::string ReadLine(Win32SerialPort& p, std::size_t pieceSize, int& pieces)
    {
        std::string text;
        pieces = 0;
        const auto deadline = SteadyTime::now() + Ms(5000);
        while (text.find("\r\n") == std::string::npos && SteadyTime::now() < deadline) {
            char buffer[16];
            std::size_t got = 0;
            EXPECT_NE(p.Read(buffer, pieceSize, got, 1000), WaitResult::Error) << p.LastError();
            EXPECT_LE(got, pieceSize);
            text.append(buffer, got);
            pieces += got > 0 ? 1 : 0;
        }
        return text;
    }

    SerialSettings good{"", 9600, 8, 0, 0, 1000, 1000};
    Win32SerialPort port;
};

TEST_F(Win32SerialPortTest, AFailedOpenIsTracedWithTheSystemsError)
{
    std::string traced;
    port.SetTraceSink([&](std::string_view line) { traced = line; });
    EXPECT_FALSE(port.Open(SerialSettings{"COM99", 9600, 8, 0, 0, 1000, 1000}));
    EXPECT_TRUE(traced.starts_with("\\\\.\\COM99: cannot open: ") && traced.ends_with(" (error 2)"))
        << traced;
}

TEST_F(Win32SerialPortTest, ExclusiveOpenAndOpenOnAnOpenPortLeavesItAlone)
{
    ASSERT_TRUE(port.Open(good)) << port.LastError();
    EXPECT_FALSE(port.Open(good));
    EXPECT_TRUE(port.IsOpen());
    Win32SerialPort second;
    EXPECT_FALSE(second.Open(good));
    EXPECT_FALSE(second.IsOpen());
    ASSERT_TRUE(port.Close());
    EXPECT_TRUE(second.Open(good)) << second.LastError();
}

TEST_F(Win32SerialPortTest, AWaitWithNothingComingTimesOutAndReadsNothing)
{
    ASSERT_TRUE(port.Open(good)) << port.LastError();
    char buffer[8];
    std::size_t got = 99;
    const auto start = SteadyTime::now();
    EXPECT_EQ(port.Read(buffer, sizeof buffer, got, 300), WaitResult::Timeout);
    const auto waited = std::chrono::duration_cast<Ms>(SteadyTime::now() - start).count();
    EXPECT_GE(waited, 250);
    EXPECT_LT(waited, 3000);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(port.Read(buffer, sizeof buffer, got, 0), WaitResult::Timeout);
}

TEST_F(Win32SerialPortTest, AReplyIsReadInPieces)
{
    ASSERT_TRUE(port.Open(good)) << port.LastError();
    for (std::size_t pieceSize : {1u, 3u, 16u}) {
        SCOPED_TRACE(pieceSize);
        ASSERT_TRUE(port.Write("DA\r\n", 4)) << port.LastError();
        int pieces = 0;
        const std::string line = ReadLine(port, pieceSize, pieces);
        EXPECT_EQ(line.substr(0, 4), "DAOK") << line;
        EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
        EXPECT_GE(pieces, static_cast<int>((line.size() + pieceSize - 1) / pieceSize));
    }
}

TEST_F(Win32SerialPortTest, PurgeDropsWhatArrivedAndAClosedPortRefusesEverything)
{
    ASSERT_TRUE(port.Open(good)) << port.LastError();
    ASSERT_TRUE(port.Write("81\r\n", 4));
    std::this_thread::sleep_for(Ms(300)); // the whole reply is in
    EXPECT_TRUE(port.Purge(SerialBuffer::Input));
    char buffer[4];
    std::size_t got = 0;
    EXPECT_EQ(port.Read(buffer, sizeof buffer, got, 0), WaitResult::Timeout);

    ASSERT_TRUE(port.Close());
    EXPECT_FALSE(port.Write("DA\r\n", 4));
    EXPECT_NE(port.LastError().find("not open"), std::string::npos) << port.LastError();
    bool cts = true, dsr = true;
    EXPECT_FALSE(port.Purge(SerialBuffer::Both) || port.ModemLines(cts, dsr) || port.Close());
    EXPECT_FALSE(cts || dsr);
    EXPECT_EQ(port.Read(buffer, sizeof buffer, got, 10), WaitResult::Error);
}

} // namespace
