#include "support/ScriptedSerialPort.h"

#include <algorithm>
#include <tuple>
#include <utility>

namespace {

class ScriptedSerialPort final : public SerialPort {
public:
    explicit ScriptedSerialPort(ScriptedLine& line) : line_(line) {}
    ~ScriptedSerialPort() override { line_.portOpen = line_.portOpen && !open_; }

    bool Open(const SerialSettings& settings) override
    {
        ++line_.openAttempts;
        if (open_ || line_.portOpen) return false;
        if (line_.failOpens > 0) return --line_.failOpens, Trace("cannot open"), false;
        line_.opens.push_back(settings);
        return line_.portOpen = open_ = true;
    }
    bool Close() override
    {
        ++line_.closes;
        const bool wasOpen = std::exchange(open_, false);
        line_.portOpen = line_.portOpen && !wasOpen;
        return wasOpen && !line_.failClose;
    }
    bool IsOpen() const override { return open_; }
    bool Purge(SerialBuffer which) override
    {
        if (!open_ || line_.failPurge) return false;
        line_.Settle();
        if (which != SerialBuffer::Output) line_.arrived.clear();
        return true;
    }
    bool Write(const void* data, std::size_t size) override
    {
        if (!Usable() || line_.failWrite) return false;
        line_.written.append(static_cast<const char*>(data), size);
        for (std::size_t end; (end = line_.written.find("\r\n", line_.parsed)) != std::string::npos;) {
            line_.Command(line_.written.substr(line_.parsed, end - line_.parsed));
            line_.parsed = end + 2;
        }
        return true;
    }
    // Advances the FakeClock to the next scripted arrival, or by the whole time-out.
    WaitResult Read(void* data, std::size_t size, std::size_t& got, uint32_t timeoutMs) override
    {
        got = 0;
        for (const uint64_t until = line_.clock.TickMs() + timeoutMs;;) {
            if (!Usable() || line_.failRead) return Trace("read failed"), WaitResult::Error;
            if (!line_.arrived.empty()) {
                got = std::min(size, line_.arrived.size());
                std::copy_n(line_.arrived.begin(), got, static_cast<char*>(data));
                line_.arrived.erase(0, got);
                return WaitResult::Ready;
            }
            const uint64_t next = line_.pending.empty() ? until + 1 : line_.pending.begin()->first;
            line_.clock.Advance(std::min(next, until) - line_.clock.TickMs());
            if (next > until) return WaitResult::Timeout;
        }
    }
    bool ModemLines(bool& cts, bool& dsr) override
    {
        std::tie(cts, dsr) = std::pair(open_ && line_.cts, open_ && line_.dsr);
        return open_;
    }

private:
    bool Usable()
    {
        line_.Settle();
        return open_ && !line_.hungUp;
    }

    ScriptedLine& line_;
    bool open_ = false;
};

} // namespace

std::unique_ptr<SerialPort> ScriptedLine::Create()
{
    return std::make_unique<ScriptedSerialPort>(*this);
}

void ScriptedLine::Settle()
{
    for (auto it = pending.begin(); it != pending.end() && it->first <= clock.TickMs();
         it = pending.erase(it)) {
        hungUp = hungUp || it->second.hangUp;
        arrived += it->second.bytes;
    }
    if (hungUp) arrived.clear();
}

void ScriptedLine::Schedule(const ScriptedAnswer& chunks)
{
    uint64_t due = clock.TickMs();
    for (const ScriptedChunk& chunk : chunks)
        pending.emplace(due += chunk.delayMs, chunk);
}

void ScriptedLine::Command(const std::string& command)
{
    commands.push_back(command);
    for (std::size_t n = command.size(); n > 0; --n) {
        const std::string key = command.substr(0, n);
        if (auto it = once.find(key); it != once.end() && !it->second.empty()) {
            Schedule(it->second.front());
            it->second.pop_front();
            break;
        }
        if (auto it = standing.find(key); it != standing.end()) {
            Schedule(it->second);
            break;
        }
    }
    if (onCommand) onCommand(command);
}
