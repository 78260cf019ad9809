#pragma once

#include <string>

#include "device/SerialPort.h"

// Owns the terminal's file descriptor and its lock.
// A serial port on a POSIX system through termios. Also works on a pseudo-terminal, which has no
// modem lines (both reported on) and no drain.
//
// Exclusive use: TIOCEXCL keeps other processes out (where the device supports it and the caller
// is not privileged), and a flock on the open file keeps a second object apart, also in the same
// process. Every wait is bounded: Write by the write time-out, Read by its argument; a signal
// that interrupts a wait does not lengthen it.
// Not thread-safe; one thread at a time.
class PosixSerialPort final : public SerialPort {
public:
    PosixSerialPort() = default;
    ~PosixSerialPort() override;
    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

    // Fails (port stays closed) when the port is already open, the device is missing or busy, or a
    // setting is unsupported: a baud rate termios does not know, a byte size outside 5..8, a parity
    // code outside 0..4 (3 and 4 only where CMSPAR exists), a stop-bit code outside 0..2, or
    // code 1 (one and a half) with more than 5 data bits.
    bool Open(const SerialSettings& settings) override;
    bool Close() override;
    bool IsOpen() const override { return fd_ >= 0; }
    bool Purge(SerialBuffer which) override;
    // Waits up to the write time-out for room, then up to the same time-out for the bytes to
    // leave the driver. False on a time-out, a hang-up or an I/O error.
    bool Write(const void* data, std::size_t size) override;
    // A hang-up (read returns 0 or EIO, or poll reports it with nothing to read) is an error.
    WaitResult Read(void* data, std::size_t size, std::size_t& got, uint32_t timeoutMs) override;
    bool ModemLines(bool& cts, bool& dsr) override;
    // "<device>: <reason>" of the last failure.
    std::string LastError() const override { return lastError_; }
    bool NotASerialDevice() const override { return notSerial_; }
    bool AccessDenied(std::string& device, std::string& group) const override
    {
        device = path_;
        group = deniedGroup_;
        return !deniedGroup_.empty();
    }

private:
    bool Fail(const std::string& what, int err);
    bool FailText(const std::string& text);
    WaitResult FailRead(const std::string& what, int err);
    bool Configure(const SerialSettings& settings);

    int fd_ = -1;
    std::string path_;
    uint32_t writeTimeoutMs_ = 30000;
    std::string lastError_;
    bool notSerial_ = false;
    std::string deniedGroup_;
};
