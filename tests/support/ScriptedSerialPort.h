#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <ranges>
#include <string>
#include <tuple>
#include <vector>

#include "app/AppState.h"
#include "app/LangString.h"
#include "device/SerialPort.h"
#include "support/FakeClock.h"
#include "support/FakeUserInterface.h"
#include "support/TestSupport.h"

// Bytes the scripted thermometer sends, delayMs (virtual time) after the previous chunk of the
// same answer; the first chunk's delay counts from the moment the command was written.
struct ScriptedChunk {
    std::string bytes;
    uint32_t delayMs = 0;
    bool hangUp = false; // the line goes dead once this chunk is due (its bytes are lost)
};
using ScriptedAnswer = std::vector<ScriptedChunk>;

// The far end of a serial line, played from a script, and the factory of ports onto it; like a
// COM port only one port can be open at a time. Waits advance the FakeClock to the next
// scripted arrival, or by the whole time-out when nothing is due, so a test sees exactly how
// long the program waited. A failed open or read is traced as "cannot open" or "read failed".
// Tests script and inspect the members directly.
class ScriptedLine final : public SerialPortFactory {
public:
    explicit ScriptedLine(FakeClock& fakeClock) : clock(fakeClock) {}
    std::unique_ptr<SerialPort> Create() override;

    // A command (written text without CR LF) is answered by the entry for its longest prefix
    // that has an answer ("92" answers every register write), one-off answers before the
    // standing one. No answer: silence.
    std::map<std::string, ScriptedAnswer> standing;
    std::map<std::string, std::deque<ScriptedAnswer>> once;
    void Respond(const std::string& cmd, const std::string& line) { standing[cmd] = {{line + "\r\n"}}; }
    void RespondOnce(const std::string& cmd, const std::string& l) { once[cmd].push_back({{l + "\r\n"}}); }
    // Bytes the thermometer sends by itself, afterMs from now.
    void Feed(const std::string& bytes, uint32_t afterMs = 0) { Schedule({{bytes, afterMs}}); }
    // Runs after each command has been written and its answer scheduled.
    std::function<void(const std::string&)> onCommand;

    // Modem lines and failures; hungUp: the cable is pulled, every read, write or wait fails.
    bool cts = true, dsr = true, hungUp = false;
    int failOpens = 0; // this many next opens fail
    bool failPurge = false, failWrite = false, failRead = false, failClose = false;

    std::vector<std::string> commands; // every command written, without CR LF
    std::string written;               // every byte written
    std::size_t parsed = 0;            // bytes of it already split into commands
    std::vector<SerialSettings> opens; // settings of every successful open
    int openAttempts = 0, closes = 0;
    bool portOpen = false;
    std::string arrived; // due bytes not yet read, as of the last Settle
    std::size_t QueuedNow() { return Settle(), arrived.size(); }

    void Settle();
    void Schedule(const ScriptedAnswer& chunks);
    void Command(const std::string& command);

    FakeClock& clock;
    std::multimap<uint64_t, ScriptedChunk> pending; // by due time, equal times in script order
};

// A program state in a fresh folder, wired to a scripted line, a fake clock and a fake user.
struct LineRig {
    LineRig()
    {
        std::tie(app.iniPath, app.exeDir, app.clock, app.ports, app.ui) =
            std::tuple(dir.File("rm42meter.ini"), dir.Path(), &clock, &line, &ui);
    }
    std::string Text(int id) const { return LoadLangString(app, id); }
    // The texts of message ids; 0 stands for the command error.
    std::vector<std::string> Messages(const std::vector<int>& ids) const
    {
        auto texts =
            ids | std::views::transform([&](int id) { return id != 0 ? Text(id) : "* COMMAND ERROR"; });
        return {texts.begin(), texts.end()};
    }

    TempDir dir;
    FakeClock clock;
    ScriptedLine line{clock};
    FakeUserInterface ui;
    AppState app;
};
