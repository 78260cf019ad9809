#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/SerialPort.h"
#include "support/FakeClock.h"

// Bytes the scripted thermometer sends, delayMs (virtual time) after the previous chunk of the
// same answer; the first chunk's delay counts from the moment the command was written.
struct ScriptedChunk {
    std::string bytes;
    uint32_t delayMs = 0;
    bool hangUp = false; // the line goes dead once this chunk is due (its bytes are lost)
};

// The far end of a serial line, played from a script, and the factory of ports onto it. Ports
// share the line; like a real COM port only one can be open at a time. Waits advance the
// FakeClock to the next scripted arrival, or by the whole time-out when nothing is due, so a
// test sees exactly how long the program waited. Thread-safe, as far as the FakeClock is.
class ScriptedLine final : public SerialPortFactory {
public:
    explicit ScriptedLine(FakeClock& clock);
    ~ScriptedLine() override;
    ScriptedLine(const ScriptedLine&) = delete;
    ScriptedLine& operator=(const ScriptedLine&) = delete;

    std::unique_ptr<SerialPort> Create() override;

    // Script. A command (written text without CR LF) is answered by the one-off answers queued
    // for it first, then by its standing answer. Keys match the whole command or, failing that,
    // its longest matching prefix ("92" answers every register write). No answer: silence.
    void Respond(const std::string& command, const std::string& line);               // line + CR LF
    void RespondWith(const std::string& command, std::vector<ScriptedChunk> chunks); // every time
    void RespondOnce(const std::string& command, std::vector<ScriptedChunk> chunks); // next time only
    void RespondOnce(const std::string& command, const std::string& line);           // line + CR LF
    void Silence(const std::string& command);                                        // drop standing answer
    // Bytes the thermometer sends by itself, afterMs from now.
    void Feed(const std::string& bytes, uint32_t afterMs = 0);
    // The cable is pulled now: every further read or wait fails.
    void HangUp();

    // Runs after each command has been written (and its answer scheduled), outside the line's
    // lock, e.g. to pull the cable or switch the thermometer off at a chosen point.
    std::function<void(const std::string&)> onCommand;

    // Modem lines and failures, set by the test at any time.
    bool cts = true;
    bool dsr = true;
    int failOpens = 0; // this many next opens fail
    bool failPurge = false;
    bool failWrite = false;
    bool failRead = false;
    bool failQueued = false;
    bool failClose = false;

    // Records.
    std::vector<std::string> Commands() const; // every command written, without CR LF
    std::string Written() const;               // every byte written
    std::vector<SerialSettings> Opens() const; // settings of every successful open
    int OpenAttempts() const;
    int Closes() const; // successful or not
    int Purges() const;
    bool AnyPortOpen() const;
    std::size_t QueuedNow() const; // bytes due and not yet read
    bool HungUp() const;

private:
    friend class ScriptedSerialPort;
    struct Pending {
        uint64_t dueMs;
        std::string bytes;
        bool hangUp;
    };

    void SettleLocked();
    void ScheduleLocked(const std::vector<ScriptedChunk>& chunks);
    void CommandLocked(const std::string& command);
    const std::vector<ScriptedChunk>* FindStandingLocked(const std::string& command) const;
    std::deque<std::vector<ScriptedChunk>>* FindOnceLocked(const std::string& command);

    FakeClock& clock_;
    mutable std::mutex mutex_;
    std::map<std::string, std::vector<ScriptedChunk>> standing_;
    std::map<std::string, std::deque<std::vector<ScriptedChunk>>> once_;
    std::deque<Pending> pending_; // by due time
    std::string arrived_;         // due bytes not yet read
    std::string lineIn_;          // written bytes not yet ended by CR LF
    bool hungUp_ = false;
    bool portOpen_ = false;

    std::vector<std::string> commands_;
    std::string written_;
    std::vector<SerialSettings> opens_;
    int openAttempts_ = 0;
    int closes_ = 0;
    int purges_ = 0;
};

// One port onto a ScriptedLine; see SerialPort for the promises it keeps.
class ScriptedSerialPort final : public SerialPort {
public:
    explicit ScriptedSerialPort(ScriptedLine& line) : line_(line) {}
    ~ScriptedSerialPort() override;

    bool Open(const SerialSettings& settings) override;
    bool Close() override;
    bool IsOpen() const override { return open_; }
    bool Purge() override;
    bool Write(const void* data, std::size_t size) override;
    bool QueuedBytes(std::size_t& count) override;
    bool Read(void* data, std::size_t size, std::size_t& got) override;
    bool ModemLines(bool& cts, bool& dsr) override;
    WaitResult WaitForInput(uint32_t timeoutMs) override;

private:
    ScriptedLine& line_;
    bool open_ = false;
};
