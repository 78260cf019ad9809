#include "device/Win32SerialPort.h"

#include "app/Win32Text.h"
#include "device/SerialDevicePath.h"

#include <algorithm>
#include <mutex>
#include <set>

namespace {

// The devices that ports of this process have open, by upper-case path. A serial driver refuses
// a second open of its device by itself; this keeps two objects of one process apart also where
// the device would let them both in (Wine on a pseudo-terminal).
std::mutex openDevicesMutex;
std::set<std::string> openDevices;

std::string DeviceKey(const std::string& path)
{
    std::string key = path;
    for (char& c : key)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return key;
}

bool ClaimDevice(const std::string& key)
{
    const std::lock_guard lock(openDevicesMutex);
    return openDevices.insert(key).second;
}

void ReleaseDevice(const std::string& key)
{
    const std::lock_guard lock(openDevicesMutex);
    openDevices.erase(key);
}

} // namespace

std::string Win32DevicePath(const std::string& name)
{
    if (name.size() > 3 && name.size() <= 6 && name.compare(0, 3, "COM") == 0) {
        int n = 0;
        for (std::size_t i = 3; i < name.size(); ++i) {
            if (name[i] < '0' || name[i] > '9') return name;
            n = n * 10 + (name[i] - '0');
        }
        if (n >= 1) return "\\\\.\\COM" + std::to_string(n);
    }
    return name;
}

std::string SerialDevicePath(const std::string& name)
{
    return Win32DevicePath(name);
}

// A USB adapter keeps its COM name across a re-plug: the system remembers it per adapter.
std::string StableSerialDeviceName(const std::string& device, const std::string&)
{
    return device;
}

bool ApplyLineSettings(const SerialSettings& settings, DCB& dcb, std::string& error)
{
    if (settings.baud == 0) {
        error = "unsupported baud rate 0";
        return false;
    }
    if (settings.byteSize < 5 || settings.byteSize > 8) {
        error = "unsupported byte size " + std::to_string(settings.byteSize);
        return false;
    }
    if (settings.parity < NOPARITY || settings.parity > SPACEPARITY) {
        error = "unsupported parity code " + std::to_string(settings.parity);
        return false;
    }
    if (settings.stopBits < ONESTOPBIT || settings.stopBits > TWOSTOPBITS) {
        error = "unsupported stop-bit code " + std::to_string(settings.stopBits);
        return false;
    }
    if (settings.stopBits == ONE5STOPBITS && settings.byteSize != 5) {
        error = "1.5 stop bits need 5 data bits";
        return false;
    }
    if (settings.stopBits == TWOSTOPBITS && settings.byteSize == 5) {
        error = "2 stop bits need more than 5 data bits";
        return false;
    }
    dcb.BaudRate = settings.baud;
    dcb.ByteSize = static_cast<BYTE>(settings.byteSize);
    dcb.Parity = static_cast<BYTE>(settings.parity);
    dcb.StopBits = static_cast<BYTE>(settings.stopBits);
    dcb.fParity = settings.parity != NOPARITY;
    dcb.fBinary = TRUE; // the only mode Windows supports
    dcb.EvtChar = '\n';
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    return true;
}

Win32SerialPort::~Win32SerialPort()
{
    if (IsOpen()) Close();
}

bool Win32SerialPort::Fail(const std::string& what, DWORD code)
{
    lastError_ = path_ + ": " + what + (code != 0 ? ": " + Win32ErrorText(code) : std::string());
    Trace(code != 0 ? lastError_ + " (error " + std::to_string(code) + ")" : lastError_);
    return false;
}

bool Win32SerialPort::Open(const SerialSettings& settings)
{
    if (IsOpen()) return Fail("already open", 0);
    path_ = Win32DevicePath(settings.device);
    if (path_.empty()) return Fail("no device name", 0);

    const std::string key = DeviceKey(path_);
    if (!ClaimDevice(key)) return Fail("in use", 0);
    const std::wstring widePath = WideFromUtf8(path_);
    HANDLE handle = CreateFileW(widePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        ReleaseDevice(key);
        return Fail(code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION ? "in use" : "cannot open",
                    code);
    }
    claimedKey_ = key;
    handle_ = handle;
    readMode_ = ReadMode::Unknown;

    // Every step that fails closes the port again, keeping the reason.
    auto failAndClose = [this](const std::string& what, DWORD code) {
        Fail(what, code);
        const std::string reason = lastError_;
        Close();
        lastError_ = reason;
        return false;
    };

    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle_, &dcb)) return failAndClose("not a serial device", GetLastError());
    std::string error;
    if (!ApplyLineSettings(settings, dcb, error)) return failAndClose(error, 0);
    if (!SetCommState(handle_, &dcb)) return failAndClose("cannot apply line settings", GetLastError());

    COMMTIMEOUTS timeouts{};
    if (!GetCommTimeouts(handle_, &timeouts)) return failAndClose("cannot read time-outs", GetLastError());
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = settings.writeTimeoutMs;
    if (!SetCommTimeouts(handle_, &timeouts)) return failAndClose("cannot apply time-outs", GetLastError());
    readMode_ = ReadMode::Immediate;
    writeTimeoutMs_ = settings.writeTimeoutMs;

    if (!SetCommMask(handle_, 0)) return failAndClose("cannot clear the event mask", GetLastError());
    if (!PurgeComm(handle_, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR)) {
        return failAndClose("cannot purge", GetLastError());
    }
    lastError_.clear();
    return true;
}

bool Win32SerialPort::Close()
{
    if (!IsOpen()) return Fail("not open", 0);
    const bool closed = CloseHandle(handle_) != 0;
    const DWORD code = closed ? 0 : GetLastError();
    handle_ = INVALID_HANDLE_VALUE;
    ReleaseDevice(claimedKey_);
    claimedKey_.clear();
    readMode_ = ReadMode::Unknown;
    if (!closed) return Fail("close failed", code);
    return true;
}

bool Win32SerialPort::Purge(SerialBuffer which)
{
    if (!IsOpen()) return Fail("not open", 0);
    DWORD flags = 0;
    if (which != SerialBuffer::Output) flags |= PURGE_RXABORT | PURGE_RXCLEAR;
    if (which != SerialBuffer::Input) flags |= PURGE_TXABORT | PURGE_TXCLEAR;
    if (!PurgeComm(handle_, flags)) return Fail("cannot purge", GetLastError());
    return true;
}

bool Win32SerialPort::SetReadTimeouts(ReadMode mode, DWORD waitMs)
{
    if (mode == readMode_ && (mode != ReadMode::Waiting || waitMs == readWaitMs_)) return true;
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    // Immediate: return at once with what is queued. Waiting: return as soon as one byte is
    // there, or with nothing after waitMs.
    timeouts.ReadTotalTimeoutMultiplier = mode == ReadMode::Waiting ? MAXDWORD : 0;
    timeouts.ReadTotalTimeoutConstant = mode == ReadMode::Waiting ? waitMs : 0;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = writeTimeoutMs_;
    if (!SetCommTimeouts(handle_, &timeouts)) {
        readMode_ = ReadMode::Unknown;
        return Fail("cannot apply time-outs", GetLastError());
    }
    readMode_ = mode;
    readWaitMs_ = waitMs;
    return true;
}

bool Win32SerialPort::Write(const void* data, std::size_t size)
{
    if (!IsOpen()) return Fail("not open", 0);
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(handle_, p, chunk, &written, nullptr)) return Fail("write failed", GetLastError());
        if (written == 0) return Fail("write time-out", 0);
        p += written;
        size -= written;
    }
    if (!FlushFileBuffers(handle_)) return Fail("cannot flush", GetLastError());
    return true;
}

WaitResult Win32SerialPort::Read(void* data, std::size_t size, std::size_t& got, uint32_t timeoutMs)
{
    got = 0;
    auto failed = [this](const std::string& what, DWORD code) {
        Fail(what, code);
        return WaitResult::Error;
    };
    if (!IsOpen()) return failed("not open", 0);
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(handle_, &errors, &status)) return failed("cannot clear line errors", GetLastError());
    if (size == 0) return WaitResult::Timeout;
    // The total time-out must stay below MAXDWORD, which would mean "no time-out" here.
    const DWORD wait = std::min<DWORD>(timeoutMs, MAXDWORD - 1);
    if (!SetReadTimeouts(wait == 0 ? ReadMode::Immediate : ReadMode::Waiting, wait)) return WaitResult::Error;
    DWORD n = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size, MAXDWORD));
    if (!ReadFile(handle_, data, want, &n, nullptr)) return failed("read failed", GetLastError());
    got = n;
    return n > 0 ? WaitResult::Ready : WaitResult::Timeout;
}

bool Win32SerialPort::ModemLines(bool& cts, bool& dsr)
{
    cts = dsr = false;
    if (!IsOpen()) return Fail("not open", 0);
    DWORD lines = 0;
    if (!GetCommModemStatus(handle_, &lines)) return Fail("cannot read modem lines", GetLastError());
    cts = (lines & MS_CTS_ON) != 0;
    dsr = (lines & MS_DSR_ON) != 0;
    return true;
}

namespace {

class Win32SerialPortFactory final : public SerialPortFactory {
public:
    std::unique_ptr<SerialPort> Create() override { return std::make_unique<Win32SerialPort>(); }
};

} // namespace

std::unique_ptr<SerialPortFactory> MakeSystemSerialPortFactory()
{
    return std::make_unique<Win32SerialPortFactory>();
}
