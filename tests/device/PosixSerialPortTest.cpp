#include <gtest/gtest.h>

#include <pty.h>
#include <sys/time.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <string>
#include <tuple>
#include <vector>

#include "device/PosixSerialPort.h"
#include "device/SerialDevicePath.h"
#include "support/TestSupport.h"

// A pseudo-terminal: the port under test opens the slave by name, the test plays the device on
// the master.
TEST(PosixSerialPortTest,
     MapsComNamesTakesRawLineSettingsLocksTheDeviceReadsPurgesOutlastsASignalAndTracesAHangUp)
{
    int master = -1, slave = -1;
    char name[256] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    const SerialSettings good{name, 9600, 8, 0, 0, 2000, 2000};
    PosixSerialPort port;
    // COM names open /dev/ttyS devices, and a failed open is traced.
    // clang-format off
    const std::pair<const char*, const char*> names[] = {{"COM1", "/dev/ttyS0"}, {"COM12", "/dev/ttyS11"},
        {"COM0", "COM0"}, {"COMX", "COMX"}, {"COM", "COM"}, {"/dev/ttyUSB0", "/dev/ttyUSB0"}, {"/tmp/COM1", "/tmp/COM1"}};
    // clang-format on
    for (const auto& [com, path] : names)
        EXPECT_EQ(SerialDevicePath(com), path);
    std::vector<std::string> traced;
    port.SetTraceSink([&](std::string_view line) { traced.emplace_back(line); });
    EXPECT_FALSE(port.Open(SerialSettings{"COM250", 9600, 8, 0, 0, 100, 100}));
    EXPECT_EQ(traced,
              std::vector<std::string>{"/dev/ttyS249: cannot open: No such file or directory (errno 2)"});
    // A pseudo-terminal keeps 8 bits and drops the parity enable bit, but keeps the stop, odd and
    // mark/space flags, so the codes can be told apart here. Settings; speed (0: refused); two stop
    // bits, odd, mark or space. One and a half stop bits are two with 5 data bits. Refused: a baud
    // rate, byte size 9 and 4, parity 5 and -1, 1.5 stop bits with 8 data bits, stop code 3.
    const std::string& d = good.device;
    // clang-format off
    const std::tuple<SerialSettings, speed_t, tcflag_t> cases[] = {
        {{d, 19200, 8, 0, 2, 0, 0}, B19200, CSTOPB}, {{d, 300, 5, 3, 1, 0, 0}, B300, CSTOPB | PARODD | CMSPAR},
        {{d, 9600, 8, 1, 0, 0, 0}, B9600, PARODD}, {{d, 9600, 8, 2, 0, 0, 0}, B9600, 0},
        {{d, 9600, 8, 4, 0, 0, 0}, B9600, CMSPAR}, {{d, 12345, 8, 0, 0, 0, 0}, 0, 0}, {{d, 9600, 9, 0, 0, 0, 0}, 0, 0},
        {{d, 9600, 4, 0, 0, 0, 0}, 0, 0}, {{d, 9600, 8, 5, 0, 0, 0}, 0, 0}, {{d, 9600, 8, -1, 0, 0, 0}, 0, 0},
        {{d, 9600, 8, 0, 1, 0, 0}, 0, 0}, {{d, 9600, 8, 0, 3, 0, 0}, 0, 0}};
    // clang-format on
    for (const auto& [s, speed, flags] : cases) {
        SCOPED_TRACE(testing::Message()
                     << s.baud << " " << s.byteSize << " " << s.parity << " " << s.stopBits);
        if (speed == 0) {
            EXPECT_TRUE(!port.Open(s) && !port.IsOpen() && !port.LastError().empty());
            // Nothing stays locked: a good setting opens at once.
            EXPECT_TRUE(port.Open(good) && port.Close()) << port.LastError();
            continue;
        }
        ASSERT_TRUE(port.Open(s)) << port.LastError();
        termios tio{};
        ASSERT_EQ(tcgetattr(slave, &tio), 0);
        // Raw: no line editing, echo, flow control, CR translation or output processing.
        EXPECT_EQ(std::tuple(cfgetospeed(&tio),
                             tio.c_cflag & (CSTOPB | PARODD | CMSPAR | CLOCAL | CREAD | CRTSCTS),
                             tio.c_lflag & (ICANON | ECHO), tio.c_iflag & (IXON | IXOFF | ICRNL),
                             tio.c_oflag & OPOST),
                  std::tuple(speed, flags | CLOCAL | CREAD, 0u, 0u, 0u));
        EXPECT_TRUE(port.Close());
    }
    // Open once, also under another name: not again, not by a second object until it is closed.
    TempDir dir;
    SerialSettings viaLink = good;
    viaLink.device = dir.File("rm42port");
    ASSERT_EQ(symlink(good.device.c_str(), viaLink.device.c_str()), 0);
    PosixSerialPort second;
    ASSERT_TRUE(port.Open(viaLink)) << port.LastError();
    EXPECT_TRUE(!port.Open(viaLink) && port.IsOpen() && !second.Open(good) && !second.LastError().empty());
    ASSERT_TRUE(port.Close() && second.Open(good) && second.Close() && port.Open(good)) << second.LastError();
    bool cts = false, dsr = false;
    EXPECT_TRUE(port.ModemLines(cts, dsr) && cts && dsr) << "a pseudo-terminal's modem lines count as on";

    char buf[64];
    std::size_t got = 99;
    const auto readUpTo = [&](std::size_t n, uint32_t timeoutMs) {
        const WaitResult result = port.Read(buf, n, got, timeoutMs);
        return result == WaitResult::Error
                   ? "failed: " + port.LastError()
                   : (result == WaitResult::Ready ? "ready:" : "timeout:") + std::string(buf, got);
    };
    // Nothing there is no error. Purging the output keeps what arrived; purging the input drops it.
    ASSERT_EQ(write(master, "DAOK1F\r\n", 8), 8);
    std::vector<std::string> seen{readUpTo(3, 2000), readUpTo(sizeof buf, 2000), readUpTo(sizeof buf, 0)};
    ASSERT_EQ(write(master, "2F0BA6\r\n", 8), 8);
    seen.push_back(port.Purge(SerialBuffer::Output) ? readUpTo(2, 2000) : "output purge failed");
    seen.push_back(port.Purge(SerialBuffer::Input) ? readUpTo(sizeof buf, 0) : "input purge failed");
    EXPECT_EQ(seen,
              (std::vector<std::string>{"ready:DAO", "ready:K1F\r\n", "timeout:", "ready:2F", "timeout:"}));

    // A signal 40 ms into a 250 ms wait with nothing coming (no SA_RESTART: poll ends with EINTR).
    struct sigaction action = {}, previous = {};
    action.sa_handler = [](int) {};
    ASSERT_EQ(sigaction(SIGALRM, &action, &previous), 0);
    const itimerval timer{{0, 0}, {0, 40000}};
    ASSERT_EQ(setitimer(ITIMER_REAL, &timer, nullptr), 0);
    const auto start = std::chrono::steady_clock::now();
    const std::string waited = readUpTo(sizeof buf, 250);
    const auto ms = (std::chrono::steady_clock::now() - start) / std::chrono::milliseconds(1);
    sigaction(SIGALRM, &previous, nullptr);
    EXPECT_TRUE(waited == "timeout:" && ms >= 248 && ms < 1250) << waited << " after " << ms << " ms";

    // A hang-up is a traced error, not a wait.
    traced.clear();
    close(slave); // only the port holds the slave now
    close(master);
    const auto hangUp = std::chrono::steady_clock::now();
    EXPECT_EQ(port.Read(buf, sizeof buf, got, 2000), WaitResult::Error);
    EXPECT_LT(std::chrono::steady_clock::now() - hangUp, std::chrono::milliseconds(1000));
    EXPECT_FALSE(port.Write("DA", 2));
    // The kernel tells a hang-up as end of file or as EIO ("Input/output error (errno 5)").
    EXPECT_TRUE(traced.size() == 2 && traced[0].starts_with(good.device + ": read failed: ") &&
                traced[1].starts_with(good.device + ": write failed: "))
        << testing::PrintToString(traced);
    EXPECT_TRUE(port.Close());

    // Closed, it refuses everything (the lines were last read as on).
    EXPECT_FALSE(port.Close() || port.Purge(SerialBuffer::Both) || port.Write("x", 1) ||
                 port.ModemLines(cts, dsr) || cts || dsr ||
                 port.Read(buf, sizeof buf, got, 10) != WaitResult::Error);
}
