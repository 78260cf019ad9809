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

using Ms = std::chrono::milliseconds;
using SteadyTime = std::chrono::steady_clock;

// COM names become device paths, others stay; the line settings take every parity and stop code
// with the link's own flags, and what the drivers refuse is refused.
TEST(Win32LineSettings, DevicePathsAndEveryParityAndStopCodeAndRefusals)
{
    // clang-format off
    const std::pair<std::string, std::string> names[] = {{"COM1", "\\\\.\\COM1"}, {"COM256", "\\\\.\\COM256"},
        {"COM0", "COM0"}, {"COM", "COM"}, {"COM1a", "COM1a"}, {"COM1234", "COM1234"}, {"com3", "com3"},
        {"\\\\.\\COM7", "\\\\.\\COM7"}};
    // clang-format on
    for (const auto& [name, path] : names)
        EXPECT_EQ(Win32DevicePath(name), path) << name;
    // A DCB as another program may have left it: handshakes on, DTR and RTS driven, not binary.
    DCB used{};
    used.DCBlength = sizeof used;
    used.fOutxCtsFlow = used.fOutxDsrFlow = used.fDsrSensitivity = used.fOutX = used.fInX = TRUE;
    used.fNull = used.fAbortOnError = TRUE;
    used.fDtrControl = DTR_CONTROL_HANDSHAKE, used.fRtsControl = RTS_CONTROL_TOGGLE;
    std::tie(used.XonLim, used.XonChar) = std::tuple(WORD{2048}, char{0x11});
    std::string error;
    for (int parity = 0; parity <= 4; ++parity)
        for (int stop : {0, 2}) {
            SCOPED_TRACE("parity " + std::to_string(parity) + " stop " + std::to_string(stop));
            DCB dcb = used;
            ASSERT_TRUE(
                ApplyLineSettings(SerialSettings{"COM5", 19200, 7, parity, stop, 100, 200}, dcb, error))
                << error;
            // No handshake; XON limit and character untouched.
            const bool handshake = dcb.fOutxCtsFlow || dcb.fOutxDsrFlow || dcb.fDsrSensitivity || dcb.fOutX ||
                                   dcb.fInX || dcb.fNull || dcb.fAbortOnError;
            EXPECT_EQ(std::tuple(dcb.BaudRate, dcb.ByteSize, dcb.Parity, dcb.StopBits, bool(dcb.fParity),
                                 DWORD(dcb.fDtrControl), DWORD(dcb.fRtsControl), DWORD(dcb.fBinary),
                                 dcb.EvtChar, dcb.XonLim, dcb.XonChar, handshake),
                      std::tuple(DWORD{19200}, BYTE{7}, BYTE(parity), BYTE(stop), parity != 0,
                                 DWORD{DTR_CONTROL_DISABLE}, DWORD{RTS_CONTROL_DISABLE}, DWORD{TRUE}, '\n',
                                 WORD{2048}, char{0x11}, false));
        }
    // Baud 0, byte sizes 4 and 9, parity -1 and 5, stop codes -1 and 3, 1.5 with 8 bits, 2 with 5;
    // last, 1.5 with 5 bits is taken.
    // clang-format off
    const std::pair<SerialSettings, bool> cases[] = {{{"COM5", 0, 8, 0, 0}, false}, {{"COM5", 9600, 4, 0, 0}, false},
        {{"COM5", 9600, 9, 0, 0}, false}, {{"COM5", 9600, 8, -1, 0}, false}, {{"COM5", 9600, 8, 5, 0}, false},
        {{"COM5", 9600, 8, 0, -1}, false}, {{"COM5", 9600, 8, 0, 3}, false}, {{"COM5", 9600, 8, 0, 1}, false},
        {{"COM5", 9600, 5, 0, 2}, false}, {{"COM5", 9600, 5, 0, 1}, true}};
    // clang-format on
    for (const auto& [s, taken] : cases) {
        DCB dcb = used;
        error.clear();
        const bool applied = ApplyLineSettings(s, dcb, error);
        EXPECT_TRUE(applied == taken && (taken || (!error.empty() && dcb.BaudRate == 0 && dcb.fOutX &&
                                                   dcb.fDtrControl == DTR_CONTROL_HANDSHAKE)))
            << s.baud << " " << s.byteSize << " " << s.parity << " " << s.stopBits;
    }
}

// The port on RM42_TEST_COM: open is exclusive, a wait times out, a reply is read in pieces, a
// purge drops what arrived, and closed it refuses everything.
TEST(Win32SerialPortTest, OpensExclusivelyWaitsReadsInPiecesPurgesAndClosedRefusesEverything)
{
    const char* com = std::getenv("RM42_TEST_COM");
    if (com == nullptr || com[0] == '\0') GTEST_SKIP() << "RM42_TEST_COM names no port with a thermometer";
    const SerialSettings good{com, 9600, 8, 0, 0, 1000, 1000};
    Win32SerialPort port, second;
    std::string traced;
    port.SetTraceSink([&](std::string_view line) { traced = line; });
    EXPECT_FALSE(port.Open(SerialSettings{"COM99", 9600, 8, 0, 0, 1000, 1000}));
    EXPECT_TRUE(traced.starts_with("\\\\.\\COM99: cannot open: ") && traced.ends_with(" (error 2)"))
        << traced;
    ASSERT_TRUE(port.Open(good)) << port.LastError();
    EXPECT_TRUE(!port.Open(good) && port.IsOpen() && !second.Open(good) && !second.IsOpen());

    char buffer[16] = {};
    std::size_t got = 99;
    const auto start = SteadyTime::now();
    EXPECT_EQ(port.Read(buffer, sizeof buffer, got, 300), WaitResult::Timeout);
    const auto waited = std::chrono::duration_cast<Ms>(SteadyTime::now() - start).count();
    EXPECT_TRUE(waited >= 250 && waited < 3000 && got == 0u) << waited << " ms, " << got;
    EXPECT_EQ(port.Read(buffer, sizeof buffer, got, 0), WaitResult::Timeout);
    // Reads of at most 3 bytes until CR LF, each waiting for its first byte.
    ASSERT_TRUE(port.Write("DA\r\n", 4)) << port.LastError();
    std::string line;
    for (const auto deadline = SteadyTime::now() + Ms(5000);
         line.find("\r\n") == std::string::npos && SteadyTime::now() < deadline; line.append(buffer, got))
        EXPECT_TRUE(port.Read(buffer, 3, got, 1000) != WaitResult::Error && got <= 3) << port.LastError();
    EXPECT_EQ(line, "DAOK1F\r\n");
    ASSERT_TRUE(port.Write("81\r\n", 4));
    std::this_thread::sleep_for(Ms(300)); // the whole reply is in
    EXPECT_TRUE(port.Purge(SerialBuffer::Input));
    EXPECT_EQ(port.Read(buffer, sizeof buffer, got, 0), WaitResult::Timeout);

    ASSERT_TRUE(port.Close());
    EXPECT_TRUE(second.Open(good)) << second.LastError();
    EXPECT_FALSE(port.Write("DA\r\n", 4));
    EXPECT_NE(port.LastError().find("not open"), std::string::npos) << port.LastError();
    bool cts = true, dsr = true;
    EXPECT_FALSE(port.Purge(SerialBuffer::Both) || port.ModemLines(cts, dsr) || port.Close() || cts || dsr);
    EXPECT_EQ(port.Read(buffer, sizeof buffer, got, 10), WaitResult::Error);
}
