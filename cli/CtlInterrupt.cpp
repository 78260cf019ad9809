#include "CtlInterrupt.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

volatile std::sig_atomic_t interrupted = 0;
bool commandHandles = false; // the running command stops by itself on the signal

constexpr uint32_t kSliceMs = 20;
constexpr int kInterruptedStatus = 130;

extern "C" void OnInterruptSignal(int)
{
    if (interrupted != 0) std::_Exit(kInterruptedStatus);
    interrupted = 1;
}

class InterruptiblePort;
InterruptiblePort* openPort = nullptr; // the port a thermometer may be in check mode on

[[noreturn]] void EndOnInterrupt();

void CheckInterrupt()
{
    if (interrupted != 0 && !commandHandles) EndOnInterrupt();
}

class InterruptiblePort final : public SerialPort {
public:
    explicit InterruptiblePort(std::unique_ptr<SerialPort> inner) : inner_(std::move(inner)) {}
    ~InterruptiblePort() override
    {
        if (openPort == this) openPort = nullptr;
    }
    InterruptiblePort(const InterruptiblePort&) = delete;
    InterruptiblePort& operator=(const InterruptiblePort&) = delete;

    bool Open(const SerialSettings& settings) override
    {
        CheckInterrupt();
        const bool opened = inner_->Open(settings);
        if (opened) {
            checkMode_ = false;
            openPort = this;
        }
        return opened;
    }
    bool Close() override
    {
        if (openPort == this) openPort = nullptr;
        return inner_->Close();
    }
    bool IsOpen() const override { return inner_->IsOpen(); }
    bool Purge(SerialBuffer which) override { return inner_->Purge(which); }
    bool Write(const void* data, std::size_t size) override
    {
        CheckInterrupt();
        const std::string_view line(static_cast<const char*>(data), size);
        const bool written = inner_->Write(data, size);
        if (written && line.starts_with("DA")) checkMode_ = true;
        if (written && line.starts_with("81")) checkMode_ = false;
        return written;
    }
    // Waits in slices, so that Ctrl-C is seen within one.
    WaitResult Read(void* data, std::size_t size, std::size_t& got, uint32_t timeoutMs) override
    {
        for (;;) {
            CheckInterrupt();
            const uint32_t slice = std::min(timeoutMs, kSliceMs);
            const WaitResult result = inner_->Read(data, size, got, slice);
            if (result != WaitResult::Timeout || slice == timeoutMs) return result;
            timeoutMs -= slice;
        }
    }
    bool ModemLines(bool& cts, bool& dsr) override { return inner_->ModemLines(cts, dsr); }
    std::string LastError() const override { return inner_->LastError(); }
    bool NotASerialDevice() const override { return inner_->NotASerialDevice(); }
    void SetTraceSink(TraceSink sink) override { inner_->SetTraceSink(std::move(sink)); }

    // Out of check mode again, waiting a moment for the thermometer's answer.
    void LeaveCheckMode()
    {
        if (!checkMode_ || !inner_->IsOpen()) return;
        inner_->Purge(SerialBuffer::Both);
        static const char kExit[] = "81\r\n";
        if (!inner_->Write(kExit, std::strlen(kExit))) return;
        char answer[64];
        std::size_t got = 0;
        inner_->Read(answer, sizeof answer, got, 500);
        checkMode_ = false;
    }

private:
    std::unique_ptr<SerialPort> inner_;
    bool checkMode_ = false;
};

void EndOnInterrupt()
{
    if (openPort != nullptr) openPort->LeaveCheckMode();
    std::fputs("rm42ctl: interrupted\n", stderr);
    std::exit(kInterruptedStatus);
}

class InterruptibleClock final : public Clock {
public:
    explicit InterruptibleClock(Clock& inner) : inner_(inner) {}
    uint64_t TickMs() override { return inner_.TickMs(); }
    void SleepMs(uint32_t ms) override
    {
        for (;;) {
            CheckInterrupt();
            const uint32_t slice = std::min(ms, kSliceMs);
            inner_.SleepMs(slice);
            if (slice == ms) break;
            ms -= slice;
        }
        CheckInterrupt();
    }
    std::time_t WallTime() override { return inner_.WallTime(); }

private:
    Clock& inner_;
};

class InterruptibleFactory final : public SerialPortFactory {
public:
    explicit InterruptibleFactory(std::unique_ptr<SerialPortFactory> inner) : inner_(std::move(inner)) {}
    std::unique_ptr<SerialPort> Create() override
    {
        std::unique_ptr<SerialPort> port = inner_->Create();
        if (!port) return port;
        return std::make_unique<InterruptiblePort>(std::move(port));
    }

private:
    std::unique_ptr<SerialPortFactory> inner_;
};

} // namespace

void InstallInterruptHandling()
{
#ifdef _WIN32
    std::signal(SIGINT, OnInterruptSignal);
    std::signal(SIGTERM, OnInterruptSignal);
#else
    // Without SA_RESTART a wait in the port returns at once.
    struct sigaction action {};
    action.sa_handler = OnInterruptSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
#endif
}

std::unique_ptr<Clock> MakeInterruptibleClock(Clock& inner)
{
    return std::make_unique<InterruptibleClock>(inner);
}

std::unique_ptr<SerialPortFactory> MakeInterruptibleFactory(std::unique_ptr<SerialPortFactory> inner)
{
    return std::make_unique<InterruptibleFactory>(std::move(inner));
}

void LetCommandHandleInterrupts()
{
    commandHandles = true;
}

bool InterruptRequested()
{
    return interrupted != 0;
}
