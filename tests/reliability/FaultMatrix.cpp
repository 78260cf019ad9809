#include "FaultMatrix.h"

#include <gtest/gtest.h>

#include "device/CCommIO.h"
#include "device/Status0.h"

namespace FaultMatrix {

// What happens on the wire when the cable is pulled or the thermometer switched off at the
// k-th command: the command itself is lost with it.
struct Injection {
    SimThermometer* sim = nullptr;
    Fault fault = Fault::Ng;
    uint32_t at = 0; // 0: none
    bool unplugged = false;
};

namespace {

class FaultPort final : public SerialPort {
public:
    FaultPort(std::unique_ptr<SerialPort> inner, std::shared_ptr<Injection> injection,
              std::shared_ptr<uint32_t> writes)
        : inner_(std::move(inner)), injection_(std::move(injection)), writes_(std::move(writes))
    {
    }
    bool Open(const SerialSettings& settings) override { return !Gone() && inner_->Open(settings); }
    bool Close() override { return inner_->Close(); }
    bool IsOpen() const override { return inner_->IsOpen(); }
    bool Purge(SerialBuffer which) override { return !Gone() && inner_->Purge(which); }
    bool Write(const void* data, std::size_t size) override
    {
        if (Gone()) return false;
        ++*writes_;
        Injection& in = *injection_;
        if (in.at != 0 && *writes_ == in.at) {
            if (in.fault == Fault::Unplug) {
                in.unplugged = true;
                return false;
            }
            if (in.fault == Fault::PowerOff) in.sim->SetPowered(false);
        }
        return inner_->Write(data, size);
    }
    WaitResult Read(void* data, std::size_t size, std::size_t& got, uint32_t timeoutMs) override
    {
        got = 0;
        return Gone() ? WaitResult::Error : inner_->Read(data, size, got, timeoutMs);
    }
    bool ModemLines(bool& cts, bool& dsr) override { return !Gone() && inner_->ModemLines(cts, dsr); }

private:
    bool Gone() const { return injection_->unplugged; }

    std::unique_ptr<SerialPort> inner_;
    std::shared_ptr<Injection> injection_;
    std::shared_ptr<uint32_t> writes_;
};

class FaultPortFactory final : public SerialPortFactory {
public:
    FaultPortFactory(SerialPortFactory& inner, std::shared_ptr<Injection> injection,
                     std::shared_ptr<uint32_t> writes)
        : inner_(inner), injection_(std::move(injection)), writes_(std::move(writes))
    {
    }
    std::unique_ptr<SerialPort> Create() override
    {
        return std::make_unique<FaultPort>(inner_.Create(), injection_, writes_);
    }

private:
    SerialPortFactory& inner_;
    std::shared_ptr<Injection> injection_;
    std::shared_ptr<uint32_t> writes_;
};

// A whole faulted transaction may wait out its time-out twice (foreign lines, then silence)
// and its pause after the command; everything else takes as long as without the fault.
constexpr uint64_t kFaultAllowanceMs = 2 * (kCommandTimeoutMs + 500);

} // namespace

std::string FaultName(Fault fault)
{
    switch (fault) {
    case Fault::Ng:
        return "NG";
    case Fault::Silent:
        return "no reply";
    case Fault::Garbage:
        return "garbage";
    case Fault::Overlong:
        return "over-long line";
    case Fault::PowerOff:
        return "switched off";
    case Fault::Unplug:
        return "cable pulled";
    }
    return "?";
}

Rig::Rig(const SimConfig& config)
    : writes_(std::make_shared<uint32_t>(0)), injection_(std::make_shared<Injection>())
{
    SimConfig c = config;
    c.useHostClock = false;
    sim_ = std::make_unique<SimThermometer>(c, clock);
    simPorts_ = MakeSimPortFactory(*sim_, clock);
    injection_->sim = sim_.get();
    faultPorts_ = std::make_unique<FaultPortFactory>(*simPorts_, injection_, writes_);
    app.ports = faultPorts_.get();
    WriteFileBytes(app.iniPath, "[ComPort]\nPort=COM1\nBps=9600\nDataBits=8\nParity=0\nStopBit=0\n");
    // Another thermometer was on the port before this one: a read must not keep its number.
    app.deviceSerial = 815;
    app.deviceSerialText = FormatSerialText(815);
}

Rig::~Rig()
{
    faultPorts_.reset();
    simPorts_.reset(); // before the thermometer they lead to
}

void Rig::Inject(Fault fault, uint32_t k)
{
    injection_->fault = fault;
    injection_->at = k;
    switch (fault) {
    case Fault::Ng:
        sim_->AddFault({SimFault::Kind::Ng, "", k});
        break;
    case Fault::Silent:
        sim_->AddFault({SimFault::Kind::Silent, "", k});
        break;
    case Fault::Garbage:
        sim_->AddFault({SimFault::Kind::Garbage, "", k});
        break;
    case Fault::Overlong:
        sim_->AddFault({SimFault::Kind::Overlong, "", k});
        break;
    case Fault::PowerOff:
    case Fault::Unplug:
        break; // at the port
    }
}

void Rig::Restore()
{
    injection_->at = 0;
    injection_->unplugged = false;
    sim_->SetPowered(true);
    ui.boxes.clear();
    ui.events.clear();
}

bool Rig::PortFree()
{
    auto port = simPorts_->Create();
    SerialSettings settings;
    settings.device = "COM1";
    const bool opened = port->Open(settings);
    if (opened) port->Close();
    return opened;
}

int RunMatrix(const Operation& op)
{
    std::vector<std::string> clean;
    uint64_t cleanElapsed = 0;
    {
        Rig rig(op.config);
        if (op.prepare) op.prepare(rig);
        const uint64_t start = rig.clock.TickMs();
        EXPECT_TRUE(op.run(rig)) << op.name << " fails without a fault";
        cleanElapsed = rig.clock.TickMs() - start;
        EXPECT_TRUE(rig.Boxes().empty()) << op.name << " shows a message without a fault";
        clean = rig.Received();
    }
    EXPECT_FALSE(clean.empty()) << op.name << " sends nothing";

    int cases = 0;
    for (uint32_t k = 1; k <= clean.size(); ++k) {
        for (const Fault fault : kFaults) {
            SCOPED_TRACE(op.name + ": " + FaultName(fault) + " at transaction " + std::to_string(k) + " (" +
                         clean[k - 1] + ")");
            Rig rig(op.config);
            if (op.prepare) op.prepare(rig);
            rig.Inject(fault, k);
            const uint64_t start = rig.clock.TickMs();
            Outcome out{fault,        k,     clean[k - 1], static_cast<uint32_t>(clean.size()),
                        false,        {},    {},           0,
                        cleanElapsed, false, &rig};
            out.result = op.run(rig);
            out.elapsedMs = rig.clock.TickMs() - start;
            out.boxes = rig.Boxes();
            out.received = rig.Received();
            out.portFree = rig.PortFree();

            // What holds for every operation: the failure is told, the port is let go, the
            // operation takes no longer than its time-outs allow.
            if (op.unreported && op.unreported(out)) {
                EXPECT_TRUE(out.boxes.empty()) << "a failure that is passed over was told";
            } else {
                EXPECT_FALSE(out.boxes.empty()) << "the failure went unreported";
            }
            EXPECT_TRUE(out.portFree) << "the port was left open";
            EXPECT_LE(out.elapsedMs, cleanElapsed + kFaultAllowanceMs);
            if (op.check) op.check(out);
            if (fault == Fault::PowerOff || fault == Fault::Unplug) {
                rig.Restore();
                EXPECT_TRUE(op.run(rig)) << "fails once the line is back";
                EXPECT_TRUE(rig.Boxes().empty());
            }
            ++cases;
        }
    }
    return cases;
}

} // namespace FaultMatrix
