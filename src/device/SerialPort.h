#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// Line settings and time-outs of a serial port, as the INI file's [ComPort] section gives them.
struct SerialSettings {
    std::string device; // "COMn" (the n-th serial device) or a device path
    uint32_t baud = 9600;
    int byteSize = 8;
    int parity = 0;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
    int stopBits = 0; // 0 one, 1 one and a half, 2 two
    uint32_t readTimeoutMs = 30000;
    uint32_t writeTimeoutMs = 30000;
};

enum class WaitResult { Ready, Timeout, Error };

// Exactly what the link needs of a serial port. Not thread-safe: one thread at a time.
class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Opens the device for exclusive use and applies the settings with DTR and RTS off.
    // False when the device is missing, busy or rejects a setting; nothing stays open then.
    virtual bool Open(const SerialSettings& settings) = 0;
    // False when the port was not open or the platform's close failed; closed afterwards.
    virtual bool Close() = 0;
    virtual bool IsOpen() const = 0;
    // Discards both the transmit and the receive buffer.
    virtual bool Purge() = 0;
    // Writes every byte and waits until they have left (bounded by the write time-out).
    virtual bool Write(const void* data, std::size_t size) = 0;
    // Bytes waiting to be read; clears line errors. False on an I/O error or a hang-up.
    virtual bool QueuedBytes(std::size_t& count) = 0;
    // Reads what is there, at most size bytes, without waiting. False on an I/O error.
    virtual bool Read(void* data, std::size_t size, std::size_t& got) = 0;
    // CTS and DSR. On POSIX a port without modem lines (a pseudo-terminal) reports both on; on
    // Windows such a port (a pseudo-terminal under Wine) fails here.
    virtual bool ModemLines(bool& cts, bool& dsr) = 0;
    // Waits until input is queued or the time passes; Error on a hang-up or a closed port.
    virtual WaitResult WaitForInput(uint32_t timeoutMs) = 0;
    // Why the last call failed, for logs and the console tool; empty when unknown.
    virtual std::string LastError() const { return {}; }
    // The last Open found a device that is no serial port at all (the null device, say).
    virtual bool NotASerialDevice() const { return false; }
    // True when the last Open was refused for lack of permission, with the device's path and the
    // group that owns it (joining it grants access).
    virtual bool AccessDenied(std::string& /*device*/, std::string& /*group*/) const { return false; }
};

// Owns nothing: makes the ports a link opens (the system's, or scripted ones in tests).
class SerialPortFactory {
public:
    virtual ~SerialPortFactory() = default;
    virtual std::unique_ptr<SerialPort> Create() = 0;
};

// The platform's own ports (termios on POSIX, the communications calls on Windows).
std::unique_ptr<SerialPortFactory> MakeSystemSerialPortFactory();
