#include "SimThermometer.h"

#include "app/Calendar.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <deque>
#include <limits>
#include <map>
#include <mutex>
#include <optional>

#include "SimOptics.h"
#include "SimTarget.h"
#include "SimWireFormat.h"
#include "device/Clock.h"

using namespace simwire;

namespace {

constexpr uint16_t MEMORY_BASE = 0x42;
constexpr std::size_t MAX_COMMAND = 1024;      // a longer command line is refused
constexpr std::size_t MAX_WIRE_BYTES = 65536;  // what the host's driver would buffer
constexpr std::size_t OVERLONG_PAYLOAD = 1100; // data characters of an over-long reply

} // namespace

struct SimThermometer::Impl {
    Impl(const SimConfig& c, uint64_t nowMs) : config(c), target(c), startMs(nowMs) {}

    struct Pending {
        uint64_t readyMs;
        std::string line; // with CR LF
        bool streamFirst;
    };
    struct WireByte {
        char byte;
        uint64_t arrivalMs;
    };

    SimConfig config;
    SimTarget target;
    uint64_t startMs;
    mutable std::mutex mutex;
    bool powered = true;
    bool checkMode = false;
    std::map<uint16_t, uint16_t> registers;
    std::vector<uint16_t> memory;
    std::string inLine;
    bool inOverflow = false;
    uint32_t transactions = 0;
    uint32_t answeredWhileStreaming = 0;
    std::vector<std::string> received;
    std::vector<SimFault> faults;
    std::deque<Pending> pending;
    std::deque<WireByte> wire;
    double wireFreeMs = 0;
    uint64_t nextStreamMs = 0;
    int64_t clockBaseSeconds = 0;
    uint64_t clockBaseMs = 0;
    std::function<void(char, const std::string&)> log;

    bool Streaming() const { return powered && (registers.at(0x00) & 0xC0) != 0; }
    double ByteMs() const { return config.baud > 0 ? 10000.0 / config.baud : 0.0; }
    uint64_t StreamPeriodMs() const
    {
        const double hz = config.streamRateHz > 0 ? config.streamRateHz : 10.0;
        return std::max<uint64_t>(1, static_cast<uint64_t>(std::llround(1000.0 / hz)));
    }

    bool HasRegister(uint16_t address) const
    {
        if (address >= MEMORY_BASE) return static_cast<std::size_t>(address - MEMORY_BASE) < memory.size();
        return registers.count(address) != 0;
    }
    uint16_t Get(uint16_t address) const
    {
        if (address >= MEMORY_BASE) {
            return static_cast<std::size_t>(address - MEMORY_BASE) < memory.size()
                       ? memory[address - MEMORY_BASE]
                       : 0;
        }
        auto it = registers.find(address);
        return it == registers.end() ? 0 : it->second;
    }
    void Set(uint16_t address, uint16_t value, uint64_t nowMs)
    {
        if (address >= MEMORY_BASE) {
            if (static_cast<std::size_t>(address - MEMORY_BASE) < memory.size())
                memory[address - MEMORY_BASE] = value;
            return;
        }
        const bool wasStreaming = Streaming();
        registers[address] = value;
        if (!wasStreaming && Streaming()) nextStreamMs = nowMs + StreamPeriodMs();
    }

    SimDateTime ClockNow(uint64_t nowMs) const
    {
        return CivilFromSeconds(clockBaseSeconds + static_cast<int64_t>((nowMs - clockBaseMs) / 1000));
    }
    void SetClock(const SimDateTime& t, uint64_t nowMs)
    {
        clockBaseSeconds = SecondsFromCivil(t);
        clockBaseMs = nowMs;
    }

    uint16_t TargetK10(uint64_t nowMs)
    {
        const double trueK = target.TrueC(nowMs - startMs) + 273.2;
        const double k = ReportedTemperatureK(trueK, config.ambientC + 273.2, config.trueEmissivity,
                                              Get(0x14) / 1000.0, config.lambdaLowerUm, config.lambdaUpperUm);
        return ToK10(k);
    }
    uint16_t AmbientK10() const { return ToK10(config.ambientC + 273.2); }

    std::string StreamLine(uint64_t nowMs)
    {
        return "2F" + Hex(TargetK10(nowMs), 4) + "000000" + Hex(AmbientK10(), 4) + "\r\n";
    }

    void PutOnWire(const std::string& bytes, uint64_t atMs)
    {
        double t = std::max(static_cast<double>(atMs), wireFreeMs);
        const double byteMs = ByteMs();
        for (char c : bytes) {
            t += byteMs;
            wire.push_back({c, static_cast<uint64_t>(std::ceil(t - 1e-9))});
        }
        wireFreeMs = t;
        // A host that never reads loses the oldest bytes, as a full driver buffer would.
        while (wire.size() > MAX_WIRE_BYTES)
            wire.pop_front();
    }

    // Moves every line that is due by nowMs onto the wire, in time order.
    void Advance(uint64_t nowMs)
    {
        if (!powered) return;
        const uint64_t period = StreamPeriodMs();
        // Lines nobody was there to read are not worth generating one by one.
        if (Streaming() && nextStreamMs + 100 * period < nowMs) {
            nextStreamMs += (nowMs - nextStreamMs) / period * period;
        }
        for (;;) {
            const uint64_t replyAt = pending.empty() ? UINT64_MAX : pending.front().readyMs;
            const uint64_t streamAt = Streaming() ? nextStreamMs : UINT64_MAX;
            const uint64_t at = std::min(replyAt, streamAt);
            if (at == UINT64_MAX || at > nowMs) return;
            if (streamAt <= replyAt) {
                PutOnWire(StreamLine(at), at);
                nextStreamMs += period;
            } else {
                Pending p = pending.front();
                pending.pop_front();
                if (p.streamFirst && Streaming()) PutOnWire(StreamLine(at), at);
                PutOnWire(p.line, at);
            }
        }
    }

    std::optional<SimFault::Kind> FaultFor(const std::string& code) const
    {
        for (const SimFault& f : faults) {
            if (f.code.empty() ? f.atTransaction == transactions : f.code == code) return f.kind;
        }
        return std::nullopt;
    }

    // The reply without its check characters and CR LF; empty for no reply.
    std::string Answer(const std::string& line, uint64_t nowMs)
    {
        const std::string code = line.substr(0, 2);
        const std::string ng = code + "NG";
        const std::string args = line.size() > 2 ? line.substr(2) : std::string();
        if (code == "DA") {
            if (!args.empty()) return ng;
            checkMode = true;
            return "DAOK";
        }
        if (code == "81") {
            if (!args.empty()) return ng;
            checkMode = false;
            return "81OK";
        }
        if (code == "91") {
            uint32_t address = 0;
            if (!checkMode || args.size() < 2 || args.size() > 4 || !ParseHex(args, address)) return ng;
            if (!HasRegister(static_cast<uint16_t>(address))) return ng;
            return "91" + args + Hex(Get(static_cast<uint16_t>(address)), 4);
        }
        if (code == "92") {
            uint32_t address = 0;
            uint32_t value = 0;
            if (!checkMode || args.size() < 6 || args.size() > 8) return ng;
            const std::string addressText = args.substr(0, args.size() - 4);
            if (!ParseHex(addressText, address) || !ParseHex(args.substr(args.size() - 4), value)) return ng;
            // The serial number is fixed in the factory.
            if (!HasRegister(static_cast<uint16_t>(address)) || address == 0x30 || address == 0x31) return ng;
            Set(static_cast<uint16_t>(address), static_cast<uint16_t>(value), nowMs);
            return "92OK";
        }
        if (code == "22") {
            if (!args.empty()) return ng;
            const SimDateTime t = ClockNow(nowMs);
            return "22" + Hex(t.second, 2) + Hex(t.minute, 2) + Hex(t.hour, 2) + Hex(t.day, 2) +
                   Hex(t.month, 2) + Hex(t.year / 100, 2) + Hex(t.year % 100, 2);
        }
        if (code == "23") {
            uint32_t s = 0, m = 0, h = 0;
            if (!checkMode || args.size() != 6 || !ParseHex(args.substr(0, 2), s) ||
                !ParseHex(args.substr(2, 2), m) || !ParseHex(args.substr(4, 2), h) || s > 59 || m > 59 ||
                h > 23) {
                return ng;
            }
            SimDateTime t = ClockNow(nowMs);
            t.second = static_cast<int>(s);
            t.minute = static_cast<int>(m);
            t.hour = static_cast<int>(h);
            SetClock(t, nowMs);
            return "23OK";
        }
        if (code == "24") {
            uint32_t d = 0, m = 0, y = 0;
            if (!checkMode || args.size() != 8 || !ParseHex(args.substr(0, 2), d) ||
                !ParseHex(args.substr(2, 2), m) || !ParseHex(args.substr(4, 4), y) || y < 2000 || y > 2099 ||
                m < 1 || m > 12 || d < 1 ||
                static_cast<int>(d) > DaysInMonth(static_cast<int>(y), static_cast<int>(m))) {
                return ng;
            }
            SimDateTime t = ClockNow(nowMs);
            t.day = static_cast<int>(d);
            t.month = static_cast<int>(m);
            t.year = static_cast<int>(y);
            SetClock(t, nowMs);
            return "24OK";
        }
        if (code == "2F") {
            if (!args.empty()) return ng;
            return "2F" + Hex(TargetK10(nowMs), 4) + "000000" + Hex(AmbientK10(), 4);
        }
        if (code == "14") {
            if (!args.empty()) return ng;
            return "14" + Hex(AmbientK10(), 4);
        }
        return ng;
    }

    void Command(const std::string& line, uint64_t nowMs, uint64_t arrivedMs)
    {
        ++transactions;
        received.push_back(line);
        if (log) log('>', line);
        const std::string code = line.substr(0, 2);
        const std::optional<SimFault::Kind> fault = FaultFor(code);
        std::string reply;
        if (!fault) {
            reply = WithCheck(Answer(line, nowMs));
        } else {
            switch (*fault) {
            case SimFault::Kind::Silent:
                return;
            case SimFault::Kind::Ng:
                reply = WithCheck(code + "NG");
                break;
            case SimFault::Kind::Garbage:
                reply = "~#\x7F?noise\xFE\x81"
                        "0A!";
                break;
            case SimFault::Kind::Overlong:
                reply = code + std::string(OVERLONG_PAYLOAD, '0');
                break;
            }
        }
        if (log) log('<', reply);
        const bool streamFirst =
            config.interleaveStream && Streaming() && (answeredWhileStreaming++ % 2 == 1);
        pending.push_back({arrivedMs + config.latencyMs, reply + "\r\n", streamFirst});
    }

    void Receive(const char* data, std::size_t size, uint64_t nowMs)
    {
        if (!powered) return;
        for (std::size_t i = 0; i < size; ++i) {
            const char c = data[i];
            if (c == '\n') continue;
            if (c != '\r') {
                if (inLine.size() < MAX_COMMAND) {
                    inLine.push_back(c);
                } else {
                    inOverflow = true;
                }
                continue;
            }
            // With pacing on, the command is complete when its CR has crossed the wire.
            const uint64_t arrivedMs =
                nowMs + static_cast<uint64_t>(std::ceil(static_cast<double>(i + 1) * ByteMs()));
            std::string line;
            line.swap(inLine);
            if (inOverflow) {
                // Too long to be a command: refuse it with what there is of its code.
                inOverflow = false;
                line.resize(2);
                ++transactions;
                received.push_back(line);
                pending.push_back({arrivedMs + config.latencyMs, WithCheck(line + "NG") + "\r\n", false});
                continue;
            }
            if (!line.empty()) Command(line, nowMs, arrivedMs);
        }
    }
};

SimThermometer::SimThermometer(SimConfig config, Clock& clock)
    : impl_(std::make_unique<Impl>(config, clock.TickMs())), clock_(clock)
{
    Impl& s = *impl_;
    const uint64_t now = clock.TickMs();
    s.powered = config.powered;
    s.faults = config.faults;
    s.registers = {{0x00, config.status0},
                   {0x14, config.emissivityRegister},
                   {0x30, static_cast<uint16_t>(config.serial >> 16)},
                   {0x31, static_cast<uint16_t>(config.serial & 0xFFFF)},
                   {0x35, config.flagWord},
                   {0x36, config.alarmHighK10},
                   {0x37, config.alarmLowK10},
                   {0x3D, config.clockAlarm},
                   {0x3E, config.clockAlarmRingS},
                   {0x3F, config.holdS},
                   {0x40, config.recordCount},
                   {0x41, config.recordCount}};
    s.memory.assign(std::max(config.memoryWordCount, config.memoryWords.size()), 0xFFFF);
    std::copy(config.memoryWords.begin(), config.memoryWords.end(), s.memory.begin());
    s.nextStreamMs = now + s.StreamPeriodMs();
    SimDateTime start = config.clockStart;
    if (config.useHostClock) {
        const std::time_t t = std::time(nullptr);
        std::tm local{};
        LocalTimeOf(t, local);
        start = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                 local.tm_hour,        local.tm_min,     local.tm_sec};
    }
    s.SetClock(start, now);
}

SimThermometer::~SimThermometer() = default;

void SimThermometer::SetPowered(bool on)
{
    std::lock_guard lock(impl_->mutex);
    Impl& s = *impl_;
    const uint64_t now = clock_.TickMs();
    if (on && !s.powered) {
        s.transactions = 0;
        s.nextStreamMs = now + s.StreamPeriodMs();
    }
    if (!on) {
        s.pending.clear();
        s.wire.clear();
        s.inLine.clear();
        s.inOverflow = false;
        s.checkMode = false;
    }
    s.powered = on;
}

bool SimThermometer::Powered() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->powered;
}

uint16_t SimThermometer::Register(uint16_t address) const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->Get(address);
}

void SimThermometer::SetRegister(uint16_t address, uint16_t value)
{
    std::lock_guard lock(impl_->mutex);
    impl_->Set(address, value, clock_.TickMs());
}

std::vector<std::string> SimThermometer::ReceivedCommands() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->received;
}

void SimThermometer::AddFault(const SimFault& fault)
{
    std::lock_guard lock(impl_->mutex);
    impl_->faults.push_back(fault);
}

void SimThermometer::ClearFaults()
{
    std::lock_guard lock(impl_->mutex);
    impl_->faults.clear();
}

void SimThermometer::SetTargetC(double c)
{
    std::lock_guard lock(impl_->mutex);
    impl_->target.SetConstant(c);
}

void SimThermometer::SetAmbientC(double c)
{
    std::lock_guard lock(impl_->mutex);
    impl_->config.ambientC = c;
}

void SimThermometer::SetTrueEmissivity(double e)
{
    std::lock_guard lock(impl_->mutex);
    impl_->config.trueEmissivity = e;
}

uint16_t SimThermometer::ReportedTargetK10()
{
    std::lock_guard lock(impl_->mutex);
    return impl_->TargetK10(clock_.TickMs());
}

uint16_t SimThermometer::AmbientK10() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->AmbientK10();
}

bool SimThermometer::InCheckMode() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->checkMode;
}

SimDateTime SimThermometer::Now() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->ClockNow(clock_.TickMs());
}

void SimThermometer::SetTrafficLog(std::function<void(char, const std::string&)> log)
{
    std::lock_guard lock(impl_->mutex);
    impl_->log = std::move(log);
}

void SimThermometer::Connect()
{
    std::lock_guard lock(impl_->mutex);
    Impl& s = *impl_;
    const uint64_t now = clock_.TickMs();
    s.Advance(now);
    s.wire.clear();
    s.wireFreeMs = static_cast<double>(now);
    s.inLine.clear();
    s.inOverflow = false;
}

void SimThermometer::HostWrite(const void* data, std::size_t size)
{
    std::lock_guard lock(impl_->mutex);
    const uint64_t now = clock_.TickMs();
    impl_->Advance(now);
    impl_->Receive(static_cast<const char*>(data), size, now);
    impl_->Advance(now);
}

std::size_t SimThermometer::Available()
{
    std::lock_guard lock(impl_->mutex);
    const uint64_t now = clock_.TickMs();
    impl_->Advance(now);
    std::size_t n = 0;
    for (const auto& b : impl_->wire) {
        if (b.arrivalMs > now) break;
        ++n;
    }
    return n;
}

std::size_t SimThermometer::HostRead(void* data, std::size_t size)
{
    std::lock_guard lock(impl_->mutex);
    const uint64_t now = clock_.TickMs();
    impl_->Advance(now);
    auto* out = static_cast<char*>(data);
    std::size_t n = 0;
    while (n < size && !impl_->wire.empty() && impl_->wire.front().arrivalMs <= now) {
        out[n++] = impl_->wire.front().byte;
        impl_->wire.pop_front();
    }
    return n;
}

void SimThermometer::DropArrived()
{
    std::lock_guard lock(impl_->mutex);
    const uint64_t now = clock_.TickMs();
    impl_->Advance(now);
    while (!impl_->wire.empty() && impl_->wire.front().arrivalMs <= now)
        impl_->wire.pop_front();
}

uint64_t SimThermometer::NextArrivalMs()
{
    std::lock_guard lock(impl_->mutex);
    Impl& s = *impl_;
    s.Advance(clock_.TickMs());
    if (!s.powered) return UINT64_MAX;
    uint64_t next = s.wire.empty() ? UINT64_MAX : s.wire.front().arrivalMs;
    if (!s.pending.empty()) next = std::min(next, s.pending.front().readyMs);
    if (s.Streaming()) next = std::min(next, s.nextStreamMs);
    return next;
}
