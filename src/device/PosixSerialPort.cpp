#include "device/PosixSerialPort.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "device/SerialDevicePath.h"

namespace {

// The name of the group that owns the file (its number when the group has no name).
std::string OwningGroup(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    if (const group* g = ::getgrgid(st.st_gid); g != nullptr && g->gr_name != nullptr) return g->gr_name;
    return std::to_string(st.st_gid);
}

using SteadyTime = std::chrono::steady_clock;

bool BaudConstant(uint32_t baud, speed_t& out)
{
    struct Rate {
        uint32_t baud;
        speed_t constant;
    };
    static const Rate rates[] = {
        {50, B50},         {75, B75},         {110, B110},       {134, B134},     {150, B150},
        {200, B200},       {300, B300},       {600, B600},       {1200, B1200},   {1800, B1800},
        {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200}, {38400, B38400},
        {57600, B57600},   {115200, B115200}, {230400, B230400},
#ifdef B460800
        {460800, B460800},
#endif
#ifdef B921600
        {921600, B921600},
#endif
    };
    for (const Rate& r : rates) {
        if (r.baud == baud) {
            out = r.constant;
            return true;
        }
    }
    return false;
}

int RemainingMs(SteadyTime::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyTime::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

} // namespace

std::string SerialDevicePath(const std::string& name)
{
    if (name.size() > 3 && name.size() <= 6 && name.compare(0, 3, "COM") == 0) {
        int n = 0;
        for (std::size_t i = 3; i < name.size(); ++i) {
            if (name[i] < '0' || name[i] > '9') return name;
            n = n * 10 + (name[i] - '0');
        }
        if (n >= 1) return "/dev/ttyS" + std::to_string(n - 1);
    }
    return name;
}

std::string StableSerialDeviceName(const std::string& device, const std::string& byIdDir)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path wanted = fs::canonical(SerialDevicePath(device), ec);
    if (ec) return {};
    const fs::path dir = fs::path(byIdDir);
    if (fs::path(device).parent_path() == dir) return device;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        std::error_code linkError;
        if (!entry.is_symlink(linkError)) continue;
        if (fs::canonical(entry.path(), linkError) == wanted && !linkError) return entry.path().string();
    }
    return {};
}

PosixSerialPort::~PosixSerialPort()
{
    if (IsOpen()) Close();
}

bool PosixSerialPort::Fail(const std::string& what, int err)
{
    lastError_ = path_ + ": " + what + (err != 0 ? std::string(": ") + std::strerror(err) : std::string());
    Trace(err != 0 ? lastError_ + " (errno " + std::to_string(err) + ")" : lastError_);
    return false;
}

bool PosixSerialPort::FailText(const std::string& text)
{
    return Fail(text, 0);
}

WaitResult PosixSerialPort::FailRead(const std::string& what, int err)
{
    Fail(what, err);
    return WaitResult::Error;
}

bool PosixSerialPort::Open(const SerialSettings& settings)
{
    if (IsOpen()) return FailText("already open");
    notSerial_ = false;
    deniedGroup_.clear();
    path_ = SerialDevicePath(settings.device);
    if (path_.empty()) return FailText("no device name");

    const int fd = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        if (err == EACCES || err == EPERM) deniedGroup_ = OwningGroup(path_);
        return Fail("cannot open", err);
    }
    fd_ = fd;

    // TIOCEXCL keeps other processes out; devices without it (and root, which it does not stop)
    // are still kept apart from other objects by the lock on the file below.
    (void)::ioctl(fd_, TIOCEXCL);
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        Close();
        return Fail(err == EWOULDBLOCK ? "in use" : "cannot lock", err == EWOULDBLOCK ? 0 : err);
    }
    if (!Configure(settings)) {
        const std::string reason = lastError_;
        Close();
        lastError_ = reason;
        return false;
    }
    writeTimeoutMs_ = settings.writeTimeoutMs;
    if (::tcflush(fd_, TCIOFLUSH) != 0) {
        const int err = errno;
        Close();
        return Fail("cannot purge", err);
    }
    lastError_.clear();
    return true;
}

namespace {

// Sets the frame bits of c_cflag (data bits, parity, stop bits) from the settings; the reason
// when the settings ask for a frame the line cannot carry, else an empty text.
std::string ApplyFrame(const SerialSettings& settings, tcflag_t& cflag)
{
    cflag &= ~static_cast<tcflag_t>(CSIZE);
    switch (settings.byteSize) {
    case 5:
        cflag |= CS5;
        break;
    case 6:
        cflag |= CS6;
        break;
    case 7:
        cflag |= CS7;
        break;
    case 8:
        cflag |= CS8;
        break;
    default:
        return ("unsupported byte size " + std::to_string(settings.byteSize));
    }

    tcflag_t parityBits = 0;
    switch (settings.parity) {
    case 0:
        break;
    case 1:
        parityBits = PARENB | PARODD;
        break;
    case 2:
        parityBits = PARENB;
        break;
#ifdef CMSPAR
    case 3:
        parityBits = PARENB | CMSPAR | PARODD;
        break;
    case 4:
        parityBits = PARENB | CMSPAR;
        break;
#endif
    default:
        return ("unsupported parity code " + std::to_string(settings.parity));
    }
    cflag &= ~static_cast<tcflag_t>(PARENB | PARODD);
#ifdef CMSPAR
    cflag &= ~static_cast<tcflag_t>(CMSPAR);
#endif
    cflag |= parityBits;

    switch (settings.stopBits) {
    case 0:
        cflag &= ~static_cast<tcflag_t>(CSTOPB);
        break;
    case 2:
        cflag |= CSTOPB;
        break;
    case 1:
        // termios has no one and a half stop bits; with 5 data bits two is what the UART sends.
        // With more data bits the setting is invalid, as on the original platform.
        if (settings.byteSize != 5) return ("1.5 stop bits need 5 data bits");
        cflag |= CSTOPB;
        break;
    default:
        return ("unsupported stop-bit code " + std::to_string(settings.stopBits));
    }
    return {};
}

} // namespace

bool PosixSerialPort::Configure(const SerialSettings& settings)
{
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0) {
        notSerial_ = errno == ENOTTY;
        return Fail("not a serial device", errno);
    }
    cfmakeraw(&tio);

    speed_t speed{};
    if (!BaudConstant(settings.baud, speed)) {
        return FailText("unsupported baud rate " + std::to_string(settings.baud));
    }
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);

    const std::string frameError = ApplyFrame(settings, tio.c_cflag);
    if (!frameError.empty()) return FailText(frameError);

    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    // The descriptor is non-blocking; VMIN 1 makes an empty read report EAGAIN, so that a read
    // of 0 bytes only ever means the other side hung up.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(fd_, TCSANOW, &tio) != 0) return Fail("cannot apply line settings", errno);

    int lines = TIOCM_DTR | TIOCM_RTS;
    if (::ioctl(fd_, TIOCMBIC, &lines) != 0 && errno != ENOTTY && errno != EINVAL) {
        return Fail("cannot clear DTR and RTS", errno);
    }
    return true;
}

bool PosixSerialPort::Close()
{
    if (!IsOpen()) return FailText("not open");
    // The exclusive flag belongs to the terminal, not to this file: a pseudo-terminal whose other
    // users keep it open would refuse the next Open if it stayed set.
    (void)::ioctl(fd_, TIOCNXCL);
    (void)::flock(fd_, LOCK_UN);
    const int rc = ::close(fd_);
    const int err = errno;
    fd_ = -1;
    if (rc != 0) return Fail("close failed", err);
    return true;
}

bool PosixSerialPort::Purge(SerialBuffer which)
{
    if (!IsOpen()) return FailText("not open");
    const int queue = which == SerialBuffer::Input    ? TCIFLUSH
                      : which == SerialBuffer::Output ? TCOFLUSH
                                                      : TCIOFLUSH;
    if (::tcflush(fd_, queue) != 0) return Fail("cannot purge", errno);
    return true;
}

bool PosixSerialPort::Write(const void* data, std::size_t size)
{
    if (!IsOpen()) return FailText("not open");
    const auto deadline = SteadyTime::now() + std::chrono::milliseconds(writeTimeoutMs_);
    const auto* p = static_cast<const unsigned char*>(data);
    std::size_t left = size;
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, left);
        if (n > 0) {
            p += n;
            left -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return Fail("write failed", errno);
        pollfd pfd{fd_, POLLOUT, 0};
        const int rc = ::poll(&pfd, 1, RemainingMs(deadline));
        if (rc < 0 && errno == EINTR) continue;
        if (rc < 0) return Fail("poll failed", errno);
        if (rc == 0) return FailText("write time-out");
        if ((pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return FailText("hung up");
    }
    // tcdrain may wait without limit (a pseudo-terminal, a stalled driver), so the output queue
    // is watched instead, within the same time-out.
    for (;;) {
        int pending = 0;
        if (::ioctl(fd_, TIOCOUTQ, &pending) != 0 || pending <= 0) break;
        if (RemainingMs(deadline) == 0) return FailText("write time-out while draining");
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

WaitResult PosixSerialPort::Read(void* data, std::size_t size, std::size_t& got, uint32_t timeoutMs)
{
    got = 0;
    if (!IsOpen()) return FailRead("not open", 0);
    const auto deadline = SteadyTime::now() + std::chrono::milliseconds(timeoutMs);
    bool hangUpSeen = false;
    for (;;) {
        const ssize_t n = ::read(fd_, data, size);
        if (n > 0) {
            got = static_cast<std::size_t>(n);
            return WaitResult::Ready;
        }
        if (n < 0 && errno == EINTR) continue;
        // The line is gone: read gives 0 (a terminal's hang-up) or EIO (a pseudo-terminal whose
        // other end closed), or poll said so and yet there is nothing to read.
        if (n == 0 && size > 0) return FailRead("read failed: hung up", 0);
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return FailRead("read failed", errno);
        if (hangUpSeen) return FailRead("read failed: hung up", 0);
        const int left = RemainingMs(deadline);
        if (left == 0 || size == 0) return WaitResult::Timeout;
        pollfd pfd{fd_, POLLIN, 0};
        const int rc = ::poll(&pfd, 1, left);
        if (rc < 0 && errno == EINTR) continue; // the deadline stays where it was
        if (rc < 0) return FailRead("poll failed", errno);
        if (rc == 0) return WaitResult::Timeout;
        if ((pfd.revents & POLLNVAL) != 0) return FailRead("read failed: descriptor closed", 0);
        hangUpSeen = (pfd.revents & (POLLHUP | POLLERR)) != 0;
    }
}

bool PosixSerialPort::ModemLines(bool& cts, bool& dsr)
{
    cts = dsr = false;
    if (!IsOpen()) return FailText("not open");
    int lines = 0;
    if (::ioctl(fd_, TIOCMGET, &lines) != 0) {
        if (errno == ENOTTY || errno == EINVAL) {
            // A pseudo-terminal has no modem lines; the other side is there as long as it is open.
            cts = dsr = true;
            return true;
        }
        return Fail("cannot read modem lines", errno);
    }
    cts = (lines & TIOCM_CTS) != 0;
    dsr = (lines & TIOCM_DSR) != 0;
    return true;
}

namespace {

class PosixSerialPortFactory final : public SerialPortFactory {
public:
    std::unique_ptr<SerialPort> Create() override { return std::make_unique<PosixSerialPort>(); }
};

} // namespace

std::unique_ptr<SerialPortFactory> MakeSystemSerialPortFactory()
{
    return std::make_unique<PosixSerialPortFactory>();
}
