#pragma once

#include <memory>
#include <string>

#include "SimThermometer.h"
#include "device/SerialPort.h"

// Owns its claim on the in-process line to a SimThermometer while it is open.
// Ports of one model share a token, so only one of them can be open at a time. Every wait goes
// through the Clock: a real clock really waits (in short slices, so a change made by another
// thread is seen), a fake clock is advanced exactly to the moment data arrives or the time-out ends.
class SimSerialPort final : public SerialPort {
public:
    SimSerialPort(SimThermometer& device, Clock& clock, std::shared_ptr<bool> lineInUse);
    ~SimSerialPort() override;
    SimSerialPort(const SimSerialPort&) = delete;
    SimSerialPort& operator=(const SimSerialPort&) = delete;

    // Refuses what the POSIX port refuses: byte size outside 5..8, parity outside 0..4, stop-bit
    // code outside 0..2 or 1.5 stop bits with more than 5 data bits; and a line already in use.
    bool Open(const SerialSettings& settings) override;
    bool Close() override;
    bool IsOpen() const override { return open_; }
    bool Purge(SerialBuffer which) override;
    // The bytes reach the model at once; with pacing on it answers when the last one has crossed.
    bool Write(const void* data, std::size_t size) override;
    WaitResult Read(void* data, std::size_t size, std::size_t& got, uint32_t timeoutMs) override;
    bool ModemLines(bool& cts, bool& dsr) override;
    std::string LastError() const override { return lastError_; }

private:
    bool Fail(const std::string& text);

    SimThermometer& device_;
    Clock& clock_;
    std::shared_ptr<bool> lineInUse_;
    bool open_ = false;
    bool realTime_;
    std::string lastError_;
};
