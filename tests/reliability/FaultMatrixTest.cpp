// The fault-injection matrix: every device operation is run against the in-process simulated
// thermometer once without a fault, to learn its transactions, and then once for every
// transaction position k and every fault, with the fault at transaction k, in virtual time.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/LangString.h"
#include "capture/CaptureRecorder.h"
#include "device/CCommIO.h"
#include "device/CommandSet.h"
#include "device/ConnectionCheck.h"
#include "device/Status0.h"
#include "memory/MemoryData.h"
#include "memory/MemoryRecord.h"
#include "resources/StringTable.h"
#include "settings/DeviceSettings.h"
#include "settings/TypeNames.h"
#include "sim/SimThermometer.h"
#include "support/DataRows.h"
#include "support/FakeClock.h"
#include "support/FakeUserInterface.h"
#include "support/TestSupport.h"
#include "teaching/TeachingOperations.h"

// The operations' configurations name only what differs from the thermometer's defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using Strings = std::vector<std::string>;

// The first four the thermometer itself plays; the cable pulled or the thermometer switched off
// at the k-th command happen at the port, and the command is lost with them.
enum class Fault { Ng, Silent, Garbage, Overlong, PowerOff, Unplug };
constexpr const char* kFaultNames[] = {"NG",           "no reply",    "garbage", "over-long line",
                                       "switched off", "cable pulled"};

// One program state wired to a fresh simulated thermometer through fault ports; the folder
// (with the INI) is the operation's, shared by its runs.
struct Rig final : SerialPortFactory {
    // Loses the line (the cable pulled or the thermometer switched off) as the k-th command is written.
    struct Port final : SerialPort {
        Port(std::unique_ptr<SerialPort> port, Rig& r) : inner(std::move(port)), rig(r) {}
        bool Open(const SerialSettings& settings) override { return !rig.unplugged && inner->Open(settings); }
        bool Close() override { return inner->Close(); }
        bool IsOpen() const override { return inner->IsOpen(); }
        bool Purge(SerialBuffer which) override { return !rig.unplugged && inner->Purge(which); }
        bool Write(const void* data, std::size_t size) override
        {
            if (!rig.unplugged && rig.lost && ++rig.writes == rig.k) {
                rig.sim->SetPowered(rig.fault != Fault::PowerOff);
                rig.unplugged = rig.fault == Fault::Unplug;
            }
            return !rig.unplugged && inner->Write(data, size);
        }
        WaitResult Read(void* data, std::size_t size, std::size_t& got, uint32_t ms) override
        {
            return rig.unplugged ? (got = 0, WaitResult::Error) : inner->Read(data, size, got, ms);
        }
        bool ModemLines(bool& c, bool& d) override { return !rig.unplugged && inner->ModemLines(c, d); }
        std::unique_ptr<SerialPort> inner;
        Rig& rig;
    };
    Rig(SimConfig config, const TempDir& dir, Fault f = Fault::Ng, uint32_t at = 0)
        : fault(f), lost(f >= Fault::PowerOff), k(at)
    {
        config.useHostClock = false;
        sim = std::make_unique<SimThermometer>(config, clock);
        simPorts = MakeSimPortFactory(*sim, clock);
        if (k != 0 && !lost) sim->AddFault({static_cast<SimFault::Kind>(fault), "", k});
        std::tie(app.iniPath, app.exeDir, app.clock, app.ports, app.ui) =
            std::tuple(dir.File("rm42meter.ini"), dir.Path(), &clock, this, &ui);
        // Another thermometer was on the port before this one: a read must not keep its number.
        app.deviceSerial = 815;
        app.deviceSerialText = FormatSerialText(815);
    }
    std::unique_ptr<SerialPort> Create() override
    {
        return std::make_unique<Port>(simPorts->Create(), *this);
    }
    bool PortFree() { return simPorts->Create()->Open({"COM1"}); } // the operation let go of the port
    std::string Text(int id) const { return LoadLangString(app, id); }

    FakeClock clock;
    FakeUserInterface ui;
    AppState app;
    uint32_t writes = 0;
    bool unplugged = false;
    std::unique_ptr<SimThermometer> sim;
    std::unique_ptr<SerialPortFactory> simPorts; // dies before the thermometer it leads to
    // What the run did, for its checks.
    Fault fault;
    bool lost;               // the line died: the faulted command never arrived
    uint32_t k;              // the faulted transaction, counted from 1
    std::string command;     // the command at k in the run without a fault
    bool result = false;     // the operation's own verdict
    Strings boxes, received; // message boxes shown, commands the thermometer received
    Strings after;           // received after the faulted one
    std::vector<double> seen;
};

struct Operation {
    std::string name;
    std::function<bool(Rig&)> run;
    // gtest expectations of one faulted run, where the outcome table does not hold the operation
    void (*check)(const Rig&) = nullptr;
    SimConfig config = {};
    friend void PrintTo(const Operation& operation, std::ostream* os) { *os << operation.name; }
};

// One faulted run as a row of the operation's outcome table: the faulted command (counted from 1),
// the fault, the operation's verdict, the message boxes (a table text by its id), how many commands
// the thermometer received and those after the faulted one, STATUS0, the serial number held and
// the values the operation saw.
std::string Outcome(const Operation& op, const Rig& o)
{
    const auto all = AllTableStrings();
    std::ostringstream boxes, after, seen;
    for (const std::string& box : o.boxes) {
        const auto it =
            std::find_if(all.begin(), all.end(), [&](const StringEntry& e) { return e.text == box; });
        boxes << (boxes.tellp() > 0 ? ";" : "") << (it != all.end() ? std::to_string(it->id) : box);
    }
    for (const std::string& command : o.after)
        after << (after.tellp() > 0 ? " " : "") << command;
    for (const double value : o.seen)
        seen << (seen.tellp() > 0 ? " " : "") << value;
    std::ostringstream row;
    row << op.name << '|' << o.k << ' ' << o.command << '|' << kFaultNames[int(o.fault)] << '|' << o.result
        << '|' << boxes.str() << '|' << o.received.size() << '|' << after.str() << '|' << std::hex
        << o.sim->Register(0x00) << '|' << o.app.deviceSerialText << '|' << seen.str();
    return row.str();
}

// A faulted transaction may wait out its time-out twice (foreign lines, then silence) and its
// pause after the command; everything else takes as long as without the fault.
constexpr uint64_t kFaultAllowanceMs = 2 * (kCommandTimeoutMs + 500);

// Without a fault the operation succeeds silently; with every fault at every transaction it
// ends as its outcome table says, lets go of the port, ends in time, and after a lost line
// succeeds again.
void RunMatrix(const Operation& op)
{
    Strings outcomes; // the operation's rows of the table, in the order of the runs
    for (const Strings& row : DataRows("reliability/fault_outcomes.txt", '\n'))
        if (row[0].starts_with(op.name + "|")) outcomes.push_back(row[0]);
    ASSERT_NE(outcomes.empty(), !op.check) << "outcome table rows and a check for " << op.name;
    std::size_t next = 0;
    const TempDir dir;
    const std::string ini = "[ComPort]\nPort=COM1\nBps=9600\nDataBits=8\nParity=0\nStopBit=0\nCommandWait1="
                            "41\nCommandWait2=503\n[MemSet]\n";
    WriteFileBytes(dir.File("rm42meter.ini"), ini);
    Rig cleanRig(op.config, dir);
    ASSERT_TRUE(op.run(cleanRig)) << "fails without a fault";
    EXPECT_EQ(cleanRig.ui.BoxTexts(), Strings{}) << "a message without a fault";
    const Strings clean = cleanRig.sim->ReceivedCommands();
    const uint64_t cleanElapsed = cleanRig.clock.TickMs() - 1000;
    ASSERT_FALSE(clean.empty());
    // Every command is followed by its pause: CommandWait2 after a register write, else CommandWait1.
    const auto pauses = [&](uint32_t ms) {
        return std::count(cleanRig.clock.sleeps.begin(), cleanRig.clock.sleeps.end(), ms);
    };
    const auto writes =
        std::count_if(clean.begin(), clean.end(), [](const auto& c) { return c.starts_with("92"); });
    EXPECT_EQ(std::pair(pauses(41), pauses(503)), std::pair(std::ssize(clean) - writes, writes));

    for (uint32_t k = 1; k <= clean.size(); ++k) {
        for (const Fault fault :
             {Fault::Ng, Fault::Silent, Fault::Garbage, Fault::Overlong, Fault::PowerOff, Fault::Unplug}) {
            SCOPED_TRACE(std::string(kFaultNames[int(fault)]) + " at " + std::to_string(k) + " (" +
                         clean[k - 1] + ")");
            Rig rig(op.config, dir, fault, k);
            rig.command = clean[k - 1];
            rig.result = op.run(rig);
            rig.boxes = rig.ui.BoxTexts();
            rig.received = rig.sim->ReceivedCommands();
            rig.after.assign(rig.received.begin() + std::min<std::size_t>(k, rig.received.size()),
                             rig.received.end());
            EXPECT_LE(rig.clock.TickMs() - 1000, cleanElapsed + kFaultAllowanceMs);
            EXPECT_TRUE(rig.PortFree()) << "the port was left open";
            if (op.check) {
                EXPECT_FALSE(rig.boxes.empty()) << "not told";
                op.check(rig);
            } else {
                EXPECT_EQ(Outcome(op, rig), next < outcomes.size() ? outcomes[next] : "(no row)");
                ++next;
            }
            if (rig.lost) { // the cable back in and the thermometer on again
                rig.k = 0;
                rig.unplugged = false;
                rig.sim->SetPowered(true);
                rig.ui.boxes.clear();
                EXPECT_TRUE(op.run(rig)) << "fails once the line is back";
                EXPECT_EQ(rig.ui.BoxTexts(), Strings{});
            }
        }
    }
    EXPECT_EQ(next, outcomes.size()) << "rows beyond the runs";
    EXPECT_EQ(ReadFileBytes(dir.File("rm42meter.ini")), ini) << "a device operation changed the INI";
}

// --- what each operation runs, and how its failures end ---

// The frame every page's device work uses: Open, DA, the steps, 81, Close.
std::function<bool(Rig&)> Session(bool (*steps)(DeviceSession&, uint16_t&, std::string&))
{
    return [steps](Rig& rig) {
        CCommIO link(rig.app);
        DeviceSession session(rig.app, link);
        uint16_t word = 0;
        std::string reply;
        return session.Begin() && steps(session, word, reply) && session.End();
    };
}

// The teaching page's work leaves its controls enabled, however it ends.
struct NullView final : TeachingView {
    void EnableControls(bool on) override { enabled = on; }
    void ShowMeasured(const std::string&) override {}
    void ShowCurrentEmissivity(const std::string&) override {}
    void ShowTaughtEmissivity(const std::string&) override {}
    void FocusTeachTemperature(bool) override {}
    void Repaint() override {}
    bool enabled = true;
};
std::function<bool(Rig&)> Teaching(bool (*body)(TeachingOperations&))
{
    return [body](Rig& rig) {
        NullView view;
        TeachingOperations teaching(rig.app, view);
        const bool ok = body(teaching);
        EXPECT_TRUE(view.enabled);
        return ok;
    };
}

// The settings page's SETs: a refused check mode request ends one at once (the reset's read-back
// goes on past a failed value as the page's read does). Whatever else fails, the one command
// error is told and check mode is left; a failed read writes nothing after it.
std::function<bool(Rig&)> Set(std::function<bool(AppState&, CCommIO&, SettingsRecord&)> body)
{
    return [body](Rig& rig) {
        CCommIO link(rig.app);
        SettingsRecord record{.alarmHighK = 398.2, .alarmLowK = 283.2, .deviceClock = {2026, 12, 7, 1, 2, 3}};
        return body(rig.app, link, record);
    };
}
const SimConfig kMemory{
    .flagWord = 0xFC00 | ITEM_ROOM, .recordCount = 2, .memoryWords = {0x0BB8, 0x0B92, 0x0BC2, 0x0B93}};
const SimConfig kTarget{.targetC = 100.0};
const Operation kOperations[] = {
    // With the template's STATUS0 to write (9200FC04 is one of its steps), by a user who gives up
    // at every question.
    {"connection check",
     [](Rig& rig) {
         rig.ui.answers.assign(20, MsgAnswer::Cancel);
         return CheckConnection(rig.app);
     },
     nullptr,
     {.serial = 4711, .status0 = 0x0000}},
    {"register read", Session([](auto& s, auto& w, auto&) { return s.ReadRegister(REG_EMISSIVITY, w); })},
    {"clock read", Session([](auto& s, auto&, auto& r) { return s.Command(Cmd::kReadClock, r); })},
    // The recording page's alarm values and emissivity (125.0, 10.0 degC, 0.93): a failed value
    // read is passed over and its default stands in; only a failed check mode request fails it.
    {"recording alarm read",
     [](Rig& rig) {
         CaptureRecorder recorder(rig.app);
         const bool ok = recorder.ReadAlarmSettings();
         const AlarmSettings& alarms = recorder.Device().Alarms();
         rig.seen = {alarms.high, alarms.low, alarms.emissivity};
         return ok;
     },
     nullptr,
     {.emissivityRegister = 930, .alarmHighK10 = 3982, .alarmLowK10 = 2832}},
    {"memory read",
     [](Rig& rig) {
         MemoryData data(rig.app);
         const bool read = data.Read(false, [] {});
         rig.seen.clear();
         for (std::size_t r = 0; r < 2 && r < data.records.size(); ++r) // the thermometer holds two
             rig.seen.push_back(HasData(data.records[r]));
         return read && !data.ioError;
     },
     nullptr, kMemory},
    // The second count register is written only after the first went through.
    {"memory write-back",
     [](Rig& rig) {
         MemoryData data(rig.app);
         return data.Read(false, [] {}) && !data.ioError && data.Write({true, true}, false) && !data.ioError;
     },
     [](const Rig& o) {
         if (!o.lost && o.command.starts_with("9240")) {
             EXPECT_EQ(o.after, Strings{"81"});
         }
     },
     kMemory},
    // The settings page: a read goes on after a failed value unless check mode was refused.
    {"settings read",
     [](Rig& rig) {
         CCommIO link(rig.app);
         SettingsRecord record;
         const SettingsReadResult r = ReadSettingsFromDevice(rig.app, link, record, nullptr);
         return r.alarmHigh && r.alarmLow && r.emissivity && r.flags && r.clockAlarm && r.ringTime &&
                r.holdTime && r.status0 && r.clock;
     }},
    {"settings alarm SET", Set([](auto&... a) {
         const AlarmWriteResult r = WriteAlarms(a..., true, false);
         return r.entered && r.highWritten && r.lowWritten;
     })},
    {"settings clock SET", Set([](auto&... a) { return WriteDeviceClock(a...); })},
    {"settings hold SET", Set([](auto&... a) { return WriteHoldTime(a..., 5); })},
    {"settings clock alarm SET",
     Set([](auto&... a) { return WriteClockAlarm(a..., 5, true, std::nullopt); })},
    {"settings resolution SET", Set([](auto&... a) { return WriteResolution(a..., true); })},
    {"settings reset", Set([](auto& app, auto& link, auto& record) {
         SettingsReadResult r;
         return ResetToDefaults(app, link, record, nullptr, &r) && r.alarmHigh && r.clock;
     })},
    {"teaching read", Teaching([](auto& t) { return t.ReadCurrentValues(); }), nullptr, kTarget},
    {"emissivity SET", Teaching([](auto& t) { return t.WriteEmissivity("0.90"); }), nullptr, kTarget},
    {"teaching", Teaching([](auto& t) {
         return t.ReadCurrentValues() && t.RunTeaching("101.0") == TeachOutcome::Written;
     }),
     nullptr, kTarget},
    // A failed serial number read ends it as the switch-on prompt, without "81" or a name kept.
    {"type name registration", [](Rig& rig) {
         CCommIO link(rig.app);
         const bool stored = RegisterTypeName(rig.app, link, "Line A");
         rig.ui.boxes.erase(rig.ui.boxes.end() - (stored ? 1 : 0), rig.ui.boxes.end()); // "registered"
         return stored && rig.ui.boxes.empty();
     }}};

class OperationFault : public ::testing::TestWithParam<Operation> {};

TEST_P(OperationFault, EveryFaultAtEveryTransactionEndsReportedInTimeWithThePortFree)
{
    RunMatrix(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Matrix, OperationFault, ::testing::ValuesIn(kOperations), [](const auto& p) {
    std::string name;
    for (const char c : p.param.name)
        if (std::isalnum(static_cast<unsigned char>(c))) name += c;
    return name;
});

} // namespace
