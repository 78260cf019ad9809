#include "SimSerialPort.h"

#include <algorithm>
#include <cmath>

#include "device/Clock.h"

namespace {

constexpr uint32_t REAL_TIME_SLICE_MS = 5;

class SimPortFactory final : public SerialPortFactory {
public:
    SimPortFactory(SimThermometer& device, Clock& clock)
        : device_(device), clock_(clock), lineInUse_(std::make_shared<bool>(false))
    {
    }
    std::unique_ptr<SerialPort> Create() override
    {
        return std::make_unique<SimSerialPort>(device_, clock_, lineInUse_);
    }

private:
    SimThermometer& device_;
    Clock& clock_;
    std::shared_ptr<bool> lineInUse_;
};

} // namespace

SimSerialPort::SimSerialPort(SimThermometer& device, Clock& clock, std::shared_ptr<bool> lineInUse)
    : device_(device), clock_(clock), lineInUse_(std::move(lineInUse)),
      realTime_(dynamic_cast<SteadyClock*>(&clock) != nullptr)
{
}

SimSerialPort::~SimSerialPort()
{
    if (open_) Close();
}

bool SimSerialPort::Fail(const std::string& text)
{
    lastError_ = "simulated line: " + text;
    Trace(lastError_);
    return false;
}

bool SimSerialPort::Open(const SerialSettings& settings)
{
    if (open_) return Fail("already open");
    if (*lineInUse_) return Fail("in use");
    if (settings.byteSize < 5 || settings.byteSize > 8) return Fail("unsupported byte size");
    if (settings.parity < 0 || settings.parity > 4) return Fail("unsupported parity code");
    if (settings.stopBits < 0 || settings.stopBits > 2 ||
        (settings.stopBits == 1 && settings.byteSize != 5)) {
        return Fail("unsupported stop bits");
    }
    if (settings.baud == 0) return Fail("unsupported baud rate");
    *lineInUse_ = true;
    open_ = true;
    device_.Connect();
    lastError_.clear();
    return true;
}

bool SimSerialPort::Close()
{
    if (!open_) return Fail("not open");
    open_ = false;
    *lineInUse_ = false;
    return true;
}

bool SimSerialPort::Purge(SerialBuffer which)
{
    if (!open_) return Fail("not open");
    // Written bytes reach the model at once: only what it sent can still be dropped.
    if (which != SerialBuffer::Output) device_.DropArrived();
    return true;
}

bool SimSerialPort::Write(const void* data, std::size_t size)
{
    if (!open_) return Fail("not open");
    device_.HostWrite(data, size);
    return true;
}

bool SimSerialPort::ModemLines(bool& cts, bool& dsr)
{
    cts = dsr = false;
    if (!open_) return Fail("not open");
    cts = dsr = device_.Powered();
    return true;
}

WaitResult SimSerialPort::Read(void* data, std::size_t size, std::size_t& got, uint32_t timeoutMs)
{
    got = 0;
    if (!open_) {
        Fail("not open");
        return WaitResult::Error;
    }
    const uint64_t deadline = clock_.TickMs() + timeoutMs;
    for (;;) {
        if (device_.Available() > 0) {
            got = device_.HostRead(data, size);
            return got > 0 ? WaitResult::Ready : WaitResult::Timeout;
        }
        const uint64_t now = clock_.TickMs();
        if (now >= deadline) return WaitResult::Timeout;
        const uint64_t until = std::min(deadline, std::max(device_.NextArrivalMs(), now + 1));
        uint64_t step = until - now;
        if (realTime_) step = std::min<uint64_t>(step, REAL_TIME_SLICE_MS);
        clock_.SleepMs(static_cast<uint32_t>(step));
    }
}

std::unique_ptr<SerialPortFactory> MakeSimPortFactory(SimThermometer& device, Clock& clock)
{
    return std::make_unique<SimPortFactory>(device, clock);
}
