#include "support/ScriptedSerialPort.h"

#include <algorithm>
#include <cstring>

ScriptedLine::ScriptedLine(FakeClock& clock) : clock_(clock) {}

ScriptedLine::~ScriptedLine() = default;

std::unique_ptr<SerialPort> ScriptedLine::Create()
{
    return std::make_unique<ScriptedSerialPort>(*this);
}

void ScriptedLine::Respond(const std::string& command, const std::string& line)
{
    RespondWith(command, {ScriptedChunk{line + "\r\n"}});
}

void ScriptedLine::RespondWith(const std::string& command, std::vector<ScriptedChunk> chunks)
{
    std::lock_guard lock(mutex_);
    standing_[command] = std::move(chunks);
}

void ScriptedLine::RespondOnce(const std::string& command, std::vector<ScriptedChunk> chunks)
{
    std::lock_guard lock(mutex_);
    once_[command].push_back(std::move(chunks));
}

void ScriptedLine::RespondOnce(const std::string& command, const std::string& line)
{
    RespondOnce(command, std::vector<ScriptedChunk>{ScriptedChunk{line + "\r\n"}});
}

void ScriptedLine::Silence(const std::string& command)
{
    std::lock_guard lock(mutex_);
    standing_.erase(command);
}

void ScriptedLine::Feed(const std::string& bytes, uint32_t afterMs)
{
    std::lock_guard lock(mutex_);
    ScheduleLocked({ScriptedChunk{bytes, afterMs}});
}

void ScriptedLine::HangUp()
{
    std::lock_guard lock(mutex_);
    hungUp_ = true;
}

std::vector<std::string> ScriptedLine::Commands() const
{
    std::lock_guard lock(mutex_);
    return commands_;
}

std::string ScriptedLine::Written() const
{
    std::lock_guard lock(mutex_);
    return written_;
}

std::vector<SerialSettings> ScriptedLine::Opens() const
{
    std::lock_guard lock(mutex_);
    return opens_;
}

int ScriptedLine::OpenAttempts() const
{
    std::lock_guard lock(mutex_);
    return openAttempts_;
}

int ScriptedLine::Closes() const
{
    std::lock_guard lock(mutex_);
    return closes_;
}

int ScriptedLine::Purges() const
{
    std::lock_guard lock(mutex_);
    return purges_;
}

bool ScriptedLine::AnyPortOpen() const
{
    std::lock_guard lock(mutex_);
    return portOpen_;
}

std::size_t ScriptedLine::QueuedNow() const
{
    std::lock_guard lock(mutex_);
    const_cast<ScriptedLine*>(this)->SettleLocked();
    return arrived_.size();
}

bool ScriptedLine::HungUp() const
{
    std::lock_guard lock(mutex_);
    const_cast<ScriptedLine*>(this)->SettleLocked();
    return hungUp_;
}

void ScriptedLine::SettleLocked()
{
    const uint64_t now = clock_.TickMs();
    while (!pending_.empty() && pending_.front().dueMs <= now) {
        if (pending_.front().hangUp) {
            hungUp_ = true;
        }
        if (!hungUp_) {
            arrived_ += pending_.front().bytes;
        }
        pending_.pop_front();
    }
    if (hungUp_) {
        arrived_.clear();
    }
}

void ScriptedLine::ScheduleLocked(const std::vector<ScriptedChunk>& chunks)
{
    uint64_t due = clock_.TickMs();
    for (const ScriptedChunk& chunk : chunks) {
        due += chunk.delayMs;
        Pending item{due, chunk.bytes, chunk.hangUp};
        // Keep the queue ordered by due time; equal times keep their scripted order.
        auto at = std::upper_bound(pending_.begin(), pending_.end(), due,
                                   [](uint64_t t, const Pending& p) { return t < p.dueMs; });
        pending_.insert(at, std::move(item));
    }
}

const std::vector<ScriptedChunk>* ScriptedLine::FindStandingLocked(const std::string& command) const
{
    for (std::size_t n = command.size(); n > 0; --n) {
        auto it = standing_.find(command.substr(0, n));
        if (it != standing_.end()) {
            return &it->second;
        }
    }
    return nullptr;
}

std::deque<std::vector<ScriptedChunk>>* ScriptedLine::FindOnceLocked(const std::string& command)
{
    for (std::size_t n = command.size(); n > 0; --n) {
        auto it = once_.find(command.substr(0, n));
        if (it != once_.end() && !it->second.empty()) {
            return &it->second;
        }
    }
    return nullptr;
}

void ScriptedLine::CommandLocked(const std::string& command)
{
    commands_.push_back(command);
    if (auto* queue = FindOnceLocked(command)) {
        std::vector<ScriptedChunk> chunks = std::move(queue->front());
        queue->pop_front();
        ScheduleLocked(chunks);
    } else if (const auto* chunks = FindStandingLocked(command)) {
        ScheduleLocked(*chunks);
    }
}

ScriptedSerialPort::~ScriptedSerialPort()
{
    if (open_) {
        std::lock_guard lock(line_.mutex_);
        line_.portOpen_ = false;
    }
}

bool ScriptedSerialPort::Open(const SerialSettings& settings)
{
    std::lock_guard lock(line_.mutex_);
    ++line_.openAttempts_;
    if (open_ || line_.portOpen_) {
        return false; // exclusive, like a COM port
    }
    if (line_.failOpens > 0) {
        --line_.failOpens;
        return false;
    }
    line_.opens_.push_back(settings);
    line_.portOpen_ = true;
    open_ = true;
    return true;
}

bool ScriptedSerialPort::Close()
{
    std::lock_guard lock(line_.mutex_);
    ++line_.closes_;
    if (!open_) {
        return false;
    }
    open_ = false;
    line_.portOpen_ = false;
    return !line_.failClose;
}

bool ScriptedSerialPort::Purge()
{
    std::lock_guard lock(line_.mutex_);
    if (!open_ || line_.failPurge) {
        return false;
    }
    ++line_.purges_;
    line_.SettleLocked();
    line_.arrived_.clear();
    return true;
}

bool ScriptedSerialPort::Write(const void* data, std::size_t size)
{
    std::vector<std::string> commands;
    {
        std::lock_guard lock(line_.mutex_);
        line_.SettleLocked();
        if (!open_ || line_.hungUp_ || line_.failWrite) {
            return false;
        }
        const std::string bytes(static_cast<const char*>(data), size);
        line_.written_ += bytes;
        line_.lineIn_ += bytes;
        for (std::size_t end; (end = line_.lineIn_.find("\r\n")) != std::string::npos;) {
            commands.push_back(line_.lineIn_.substr(0, end));
            line_.lineIn_.erase(0, end + 2);
            line_.CommandLocked(commands.back());
        }
    }
    if (line_.onCommand) {
        for (const std::string& command : commands) {
            line_.onCommand(command);
        }
    }
    return true;
}

bool ScriptedSerialPort::QueuedBytes(std::size_t& count)
{
    std::lock_guard lock(line_.mutex_);
    count = 0;
    line_.SettleLocked();
    if (!open_ || line_.hungUp_ || line_.failQueued) {
        return false;
    }
    count = line_.arrived_.size();
    return true;
}

bool ScriptedSerialPort::Read(void* data, std::size_t size, std::size_t& got)
{
    std::lock_guard lock(line_.mutex_);
    got = 0;
    line_.SettleLocked();
    if (!open_ || line_.hungUp_ || line_.failRead) {
        return false;
    }
    got = std::min(size, line_.arrived_.size());
    std::memcpy(data, line_.arrived_.data(), got);
    line_.arrived_.erase(0, got);
    return true;
}

bool ScriptedSerialPort::ModemLines(bool& cts, bool& dsr)
{
    std::lock_guard lock(line_.mutex_);
    cts = dsr = false;
    if (!open_) {
        return false;
    }
    cts = line_.cts;
    dsr = line_.dsr;
    return true;
}

WaitResult ScriptedSerialPort::WaitForInput(uint32_t timeoutMs)
{
    std::lock_guard lock(line_.mutex_);
    const uint64_t until = line_.clock_.TickMs() + timeoutMs;
    for (;;) {
        line_.SettleLocked();
        if (!open_ || line_.hungUp_) {
            return WaitResult::Error;
        }
        if (!line_.arrived_.empty()) {
            return WaitResult::Ready;
        }
        const uint64_t now = line_.clock_.TickMs();
        if (line_.pending_.empty() || line_.pending_.front().dueMs > until) {
            line_.clock_.Advance(until - now);
            return WaitResult::Timeout;
        }
        line_.clock_.Advance(line_.pending_.front().dueMs - now);
    }
}
