#include "PortOverride.h"

namespace {

class OverridePort final : public SerialPort {
public:
    OverridePort(std::unique_ptr<SerialPort> inner, const std::string& device)
        : inner_(std::move(inner)), device_(device)
    {
    }
    bool Open(const SerialSettings& settings) override
    {
        SerialSettings s = settings;
        s.device = device_;
        return inner_->Open(s);
    }
    bool Close() override { return inner_->Close(); }
    bool IsOpen() const override { return inner_->IsOpen(); }
    bool Purge() override { return inner_->Purge(); }
    bool Write(const void* data, std::size_t size) override { return inner_->Write(data, size); }
    bool QueuedBytes(std::size_t& count) override { return inner_->QueuedBytes(count); }
    bool Read(void* data, std::size_t size, std::size_t& got) override
    {
        return inner_->Read(data, size, got);
    }
    bool ModemLines(bool& cts, bool& dsr) override { return inner_->ModemLines(cts, dsr); }
    WaitResult WaitForInput(uint32_t timeoutMs) override { return inner_->WaitForInput(timeoutMs); }
    std::string LastError() const override { return inner_->LastError(); }

private:
    std::unique_ptr<SerialPort> inner_;
    std::string device_;
};

class OverrideFactory final : public SerialPortFactory {
public:
    OverrideFactory(std::unique_ptr<SerialPortFactory> inner, std::string device)
        : inner_(std::move(inner)), device_(std::move(device))
    {
    }
    std::unique_ptr<SerialPort> Create() override
    {
        return std::make_unique<OverridePort>(inner_->Create(), device_);
    }

private:
    std::unique_ptr<SerialPortFactory> inner_;
    std::string device_;
};

} // namespace

std::unique_ptr<SerialPortFactory> MakePortOverrideFactory(std::unique_ptr<SerialPortFactory> inner,
                                                           std::string device)
{
    return std::make_unique<OverrideFactory>(std::move(inner), std::move(device));
}
