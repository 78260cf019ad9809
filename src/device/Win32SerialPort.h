#pragma once

#include <windows.h>

#include <string>

#include "device/SerialPort.h"

// The device path that Open uses for a configured port name: "COMn" (n = 1, 2, ...) becomes
// "\\.\COMn", which also reaches COM10 and above; any other name is used unchanged.
std::string Win32DevicePath(const std::string& name);

// Sets the line settings of dcb from settings and leaves the rest as the port had it, except
// what the link relies on: binary mode, DTR and RTS off, no hardware or XON/XOFF handshake, no
// abort on a line error, LF as the event character. False, with the reason in error, for a
// setting the drivers refuse: a baud rate of 0, a byte size outside 5..8, a parity code outside
// 0..4, a stop-bit code outside 0..2, one and a half stop bits with more than 5 data bits, or
// two with 5.
bool ApplyLineSettings(const SerialSettings& settings, DCB& dcb, std::string& error);

// Owns the COM port's handle and its claim in the process's list.
// A serial port through the Win32 communications calls, synchronous I/O only. Open takes the
// device exclusively (no sharing), so a second object, in this process or another, cannot open
// it; within the process the port also keeps a list of its own, for devices that would share. Read is
// one ReadFile whose time-outs say "return with what is queued, or wait for the first byte up to the
// time-out". Not thread-safe; one thread at a time.
class Win32SerialPort final : public SerialPort {
public:
    Win32SerialPort() = default;
    ~Win32SerialPort() override;
    Win32SerialPort(const Win32SerialPort&) = delete;
    Win32SerialPort& operator=(const Win32SerialPort&) = delete;

    bool Open(const SerialSettings& settings) override;
    bool Close() override;
    bool IsOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }
    bool Purge(SerialBuffer which) override;
    // WriteFile bounded by the write time-out, then FlushFileBuffers.
    bool Write(const void* data, std::size_t size) override;
    // ClearCommError first, which clears line errors.
    WaitResult Read(void* data, std::size_t size, std::size_t& got, uint32_t timeoutMs) override;
    // GetCommModemStatus. A device without modem lines (a pseudo-terminal under Wine) fails here.
    bool ModemLines(bool& cts, bool& dsr) override;
    // "<device>: <reason>[: <system text>]" of the last failure.
    std::string LastError() const override { return lastError_; }

private:
    enum class ReadMode { Unknown, Immediate, Waiting };

    bool Fail(const std::string& what, DWORD code);
    bool SetReadTimeouts(ReadMode mode, DWORD waitMs);

    HANDLE handle_ = INVALID_HANDLE_VALUE;
    std::string path_;
    std::string claimedKey_; // this port's entry in the process's list of open devices
    DWORD writeTimeoutMs_ = 30000;
    ReadMode readMode_ = ReadMode::Unknown;
    DWORD readWaitMs_ = 0;
    std::string lastError_;
};
