#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

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

// Which of the port's buffers a purge empties.
enum class SerialBuffer { Input, Output, Both };

// Owns one serial device while it is open, and the sink its failures are told to.
// Exactly what the link needs of a serial port. Not thread-safe: one thread at a time.
class SerialPort {
public:
    // Receives one line per failure: "<device>: <operation>: <system's text> (errno N)"; the
    // number is left out where the system gave none (a time-out, a setting no driver takes).
    using TraceSink = std::function<void(std::string_view)>;

    virtual ~SerialPort() = default;

    // Opens the device for exclusive use and applies the settings with DTR and RTS off.
    // False when the device is missing, busy or rejects a setting; nothing stays open then.
    virtual bool Open(const SerialSettings& settings) = 0;
    // False when the port was not open or the platform's close failed; closed afterwards.
    virtual bool Close() = 0;
    virtual bool IsOpen() const = 0;
    // Discards what the named buffer holds: received bytes not yet read, bytes not yet sent.
    virtual bool Purge(SerialBuffer which) = 0;
    // Writes every byte and waits until they have left (bounded by the write time-out).
    virtual bool Write(const void* data, std::size_t size) = 0;
    // Waits up to timeoutMs for the first byte, then takes what is queued, at most size bytes,
    // without waiting for more; a time-out of 0 only takes what is there. Ready with got > 0,
    // Timeout with got 0, Error on an I/O error, a hang-up or a closed port. Clears line errors.
    virtual WaitResult Read(void* data, std::size_t size, std::size_t& got, uint32_t timeoutMs) = 0;
    // CTS and DSR. On POSIX a port without modem lines (a pseudo-terminal) reports both on; on
    // Windows such a port (a pseudo-terminal under Wine) fails here.
    virtual bool ModemLines(bool& cts, bool& dsr) = 0;
    // Why the last call failed, for logs and the console tool; empty when unknown.
    virtual std::string LastError() const { return {}; }
    // The last Open found a device that is no serial port at all (the null device, say).
    virtual bool NotASerialDevice() const { return false; }
    // True when the last Open was refused for lack of permission, with the device's path and the
    // group that owns it (joining it grants access).
    virtual bool AccessDenied(std::string& /*device*/, std::string& /*group*/) const { return false; }
    // Every later failure, Open's included, is told to sink (nowhere when it is empty).
    virtual void SetTraceSink(TraceSink sink) { traceSink_ = std::move(sink); }

protected:
    void Trace(std::string_view text) const
    {
        if (traceSink_) traceSink_(text);
    }

private:
    TraceSink traceSink_;
};

// Owns nothing: makes the ports a link opens (the system's, or scripted ones in tests).
class SerialPortFactory {
public:
    virtual ~SerialPortFactory() = default;
    virtual std::unique_ptr<SerialPort> Create() = 0;
};

// The platform's own ports (termios on POSIX, the communications calls on Windows).
std::unique_ptr<SerialPortFactory> MakeSystemSerialPortFactory();
