#include "device/PortOverride.h"

namespace {

// Passes every call on to the port it wraps; the decorators below change one call each.
class ForwardingPort : public SerialPort {
public:
    explicit ForwardingPort(std::unique_ptr<SerialPort> inner) : inner_(std::move(inner)) {}
    bool Open(const SerialSettings& settings) override { return inner_->Open(settings); }
    bool Close() override { return inner_->Close(); }
    bool IsOpen() const override { return inner_->IsOpen(); }
    bool Purge(SerialBuffer which) override { return inner_->Purge(which); }
    bool Write(const void* data, std::size_t size) override { return inner_->Write(data, size); }
    WaitResult Read(void* data, std::size_t size, std::size_t& got, uint32_t timeoutMs) override
    {
        return inner_->Read(data, size, got, timeoutMs);
    }
    bool ModemLines(bool& cts, bool& dsr) override { return inner_->ModemLines(cts, dsr); }
    std::string LastError() const override { return inner_->LastError(); }
    void SetTraceSink(TraceSink sink) override { inner_->SetTraceSink(std::move(sink)); }
    bool AccessDenied(std::string& device, std::string& group) const override
    {
        return inner_->AccessDenied(device, group);
    }

private:
    std::unique_ptr<SerialPort> inner_;
};

class OverridePort final : public ForwardingPort {
public:
    OverridePort(std::unique_ptr<SerialPort> inner, const std::string& device)
        : ForwardingPort(std::move(inner)), device_(device)
    {
    }
    bool Open(const SerialSettings& settings) override
    {
        SerialSettings s = settings;
        s.device = device_;
        return ForwardingPort::Open(s);
    }

private:
    std::string device_;
};

class LinesOnPort final : public ForwardingPort {
public:
    using ForwardingPort::ForwardingPort;
    bool ModemLines(bool& cts, bool& dsr) override
    {
        cts = dsr = IsOpen();
        return IsOpen();
    }
};

template <typename MakePort> class DecoratingFactory final : public SerialPortFactory {
public:
    DecoratingFactory(std::unique_ptr<SerialPortFactory> inner, MakePort make)
        : inner_(std::move(inner)), make_(std::move(make))
    {
    }
    std::unique_ptr<SerialPort> Create() override { return make_(inner_->Create()); }

private:
    std::unique_ptr<SerialPortFactory> inner_;
    MakePort make_;
};

template <typename MakePort>
std::unique_ptr<SerialPortFactory> Decorate(std::unique_ptr<SerialPortFactory> inner, MakePort make)
{
    return std::make_unique<DecoratingFactory<MakePort>>(std::move(inner), std::move(make));
}

} // namespace

std::unique_ptr<SerialPortFactory> MakePortOverrideFactory(std::unique_ptr<SerialPortFactory> inner,
                                                           std::string device)
{
    return Decorate(std::move(inner), [device = std::move(device)](std::unique_ptr<SerialPort> port) {
        return std::unique_ptr<SerialPort>(std::make_unique<OverridePort>(std::move(port), device));
    });
}

std::unique_ptr<SerialPortFactory> MakeLinesOnFactory(std::unique_ptr<SerialPortFactory> inner)
{
    return Decorate(std::move(inner), [](std::unique_ptr<SerialPort> port) {
        return std::unique_ptr<SerialPort>(std::make_unique<LinesOnPort>(std::move(port)));
    });
}
