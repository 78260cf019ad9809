// The fault-injection matrix: every device operation is run against the in-process simulated
// thermometer once without a fault, to learn its transactions, and then once for every
// transaction position k and every fault, with the fault at transaction k, in virtual time.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
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
#include "settings/DeviceSettings.h"
#include "settings/TypeNames.h"
#include "sim/SimThermometer.h"
#include "support/FakeClock.h"
#include "support/FakeUserInterface.h"
#include "support/TestSupport.h"
#include "teaching/TeachingOperations.h"

namespace {

enum class Fault { Ng, Silent, Garbage, Overlong, PowerOff, Unplug };
constexpr Fault kFaults[] = {Fault::Ng,       Fault::Silent,   Fault::Garbage,
                             Fault::Overlong, Fault::PowerOff, Fault::Unplug};
constexpr const char* kFaultNames[] = {"NG",           "no reply",    "garbage", "over-long line",
                                       "switched off", "cable pulled"};
// The faults the thermometer itself plays; the others happen at the port.
constexpr SimFault::Kind kSimFaults[] = {SimFault::Kind::Ng, SimFault::Kind::Silent, SimFault::Kind::Garbage,
                                         SimFault::Kind::Overlong};

bool LostOnTheWire(Fault fault)
{
    return fault == Fault::PowerOff || fault == Fault::Unplug;
}

// What happens on the wire when the cable is pulled or the thermometer switched off at the
// k-th command: the command itself is lost with it.
struct Wire {
    SimThermometer* sim = nullptr;
    Fault fault = Fault::Ng;
    uint32_t at = 0; // 0: none
    uint32_t writes = 0;
    bool unplugged = false;
};

class FaultPort final : public SerialPort {
public:
    FaultPort(std::unique_ptr<SerialPort> inner, Wire& wire) : inner_(std::move(inner)), wire_(wire) {}
    bool Open(const SerialSettings& settings) override { return !wire_.unplugged && inner_->Open(settings); }
    bool Close() override { return inner_->Close(); }
    bool IsOpen() const override { return inner_->IsOpen(); }
    bool Purge(SerialBuffer which) override { return !wire_.unplugged && inner_->Purge(which); }
    bool Write(const void* data, std::size_t size) override
    {
        if (wire_.unplugged) return false;
        const bool faulted = ++wire_.writes == wire_.at;
        if (faulted && wire_.fault == Fault::PowerOff) wire_.sim->SetPowered(false);
        wire_.unplugged = faulted && wire_.fault == Fault::Unplug;
        return !wire_.unplugged && inner_->Write(data, size);
    }
    WaitResult Read(void* data, std::size_t size, std::size_t& got, uint32_t timeoutMs) override
    {
        got = 0;
        return wire_.unplugged ? WaitResult::Error : inner_->Read(data, size, got, timeoutMs);
    }
    bool ModemLines(bool& cts, bool& dsr) override
    {
        return !wire_.unplugged && inner_->ModemLines(cts, dsr);
    }

private:
    std::unique_ptr<SerialPort> inner_;
    Wire& wire_;
};

// One program state wired to a fresh simulated thermometer through ports that can switch the
// thermometer off, or pull the cable, the moment the k-th command is written. The folder (with
// the INI) is the operation's, shared by its runs.
class Rig final : public SerialPortFactory {
public:
    Rig(SimConfig config, const TempDir& dir)
    {
        config.useHostClock = false;
        sim = std::make_unique<SimThermometer>(config, clock);
        simPorts = MakeSimPortFactory(*sim, clock);
        wire.sim = sim.get();
        app.iniPath = dir.File("rm42meter.ini");
        app.exeDir = dir.Path();
        app.clock = &clock;
        app.ports = this;
        app.ui = &ui;
        // Another thermometer was on the port before this one: a read must not keep its number.
        app.deviceSerial = 815;
        app.deviceSerialText = FormatSerialText(815);
    }
    std::unique_ptr<SerialPort> Create() override
    {
        return std::make_unique<FaultPort>(simPorts->Create(), wire);
    }
    void Inject(Fault fault, uint32_t k)
    {
        wire.fault = fault;
        wire.at = k;
        if (!LostOnTheWire(fault)) sim->AddFault({kSimFaults[static_cast<int>(fault)], "", k});
    }
    // The cable back in and the thermometer on again; what the user was shown is forgotten.
    void Restore()
    {
        wire.at = 0;
        wire.unplugged = false;
        sim->SetPowered(true);
        ui.boxes.clear();
    }
    // The port can be opened again: the operation let go of it.
    bool PortFree()
    {
        auto port = simPorts->Create();
        SerialSettings settings;
        settings.device = "COM1";
        return port->Open(settings) && port->Close();
    }
    std::string Text(int id) const { return LoadLangString(app, id); }

    FakeClock clock;
    FakeUserInterface ui;
    AppState app;
    Wire wire;
    std::unique_ptr<SimThermometer> sim;
    std::unique_ptr<SerialPortFactory> simPorts; // dies before the thermometer it leads to
};

// What one faulted run did.
struct Outcome {
    Fault fault;
    uint32_t k;                        // the faulted transaction, counted from 1
    std::string command;               // the command at k in the run without a fault
    uint32_t transactions;             // of the run without a fault
    bool result;                       // the operation's own verdict
    std::vector<std::string> boxes;    // message boxes shown
    std::vector<std::string> received; // commands the thermometer received
    Rig& rig;                          // for checks of the thermometer's state
};

struct Operation {
    std::string name;
    SimConfig config;
    std::string ini; // INI sections besides the port's
    std::function<bool(Rig&)> run;
    // Checks of one faulted run as this operation's failure handling says (gtest expectations).
    std::function<void(const Outcome&)> check;
    // Faults this operation deliberately passes over without a word (defaults stand in); every
    // other fault must be told to the user.
    std::function<bool(const Outcome&)> unreported;
};

// The operation by its name in test output, not by its bytes.
void PrintTo(const Operation& operation, std::ostream* os)
{
    *os << operation.name;
}

// A whole faulted transaction may wait out its time-out twice (foreign lines, then silence)
// and its pause after the command; everything else takes as long as without the fault.
constexpr uint64_t kFaultAllowanceMs = 2 * (kCommandTimeoutMs + 500);

// Runs the operation without a fault (it must succeed without a message) and then with every
// fault at every transaction; after a pulled cable or a switched-off thermometer the same
// operation must succeed once the line is back.
void RunMatrix(const Operation& op)
{
    const TempDir dir;
    const std::string ini = "[ComPort]\nPort=COM1\nBps=9600\nDataBits=8\nParity=0\nStopBit=0\n" + op.ini;
    WriteFileBytes(dir.File("rm42meter.ini"), ini);
    const auto fresh = [&] { return std::make_unique<Rig>(op.config, dir); };
    std::vector<std::string> clean;
    uint64_t cleanElapsed = 0;
    {
        const auto rig = fresh();
        const uint64_t start = rig->clock.TickMs();
        EXPECT_TRUE(op.run(*rig)) << op.name << " fails without a fault";
        cleanElapsed = rig->clock.TickMs() - start;
        EXPECT_TRUE(rig->ui.BoxTexts().empty()) << op.name << " shows a message without a fault";
        clean = rig->sim->ReceivedCommands();
    }
    ASSERT_FALSE(clean.empty()) << op.name << " sends nothing";

    for (uint32_t k = 1; k <= clean.size(); ++k) {
        for (const Fault fault : kFaults) {
            SCOPED_TRACE(op.name + ": " + kFaultNames[static_cast<int>(fault)] + " at transaction " +
                         std::to_string(k) + " (" + clean[k - 1] + ")");
            const auto rig = fresh();
            rig->Inject(fault, k);
            const uint64_t start = rig->clock.TickMs();
            const Outcome out{fault,
                              k,
                              clean[k - 1],
                              static_cast<uint32_t>(clean.size()),
                              op.run(*rig),
                              rig->ui.BoxTexts(),
                              rig->sim->ReceivedCommands(),
                              *rig};
            // What holds for every operation: the failure is told, the port is let go, the
            // operation takes no longer than its time-outs allow.
            EXPECT_EQ(out.boxes.empty(), op.unreported && op.unreported(out)) << "told: " << out.boxes.size();
            EXPECT_LE(rig->clock.TickMs() - start, cleanElapsed + kFaultAllowanceMs);
            EXPECT_TRUE(rig->PortFree()) << "the port was left open";
            if (op.check) op.check(out);
            if (LostOnTheWire(fault)) {
                rig->Restore();
                EXPECT_TRUE(op.run(*rig)) << "fails once the line is back";
                EXPECT_TRUE(rig->ui.BoxTexts().empty());
            }
        }
    }
    // The runs share the INI: no device operation changes it.
    EXPECT_EQ(ReadFileBytes(dir.File("rm42meter.ini")), ini);
}

// The frame every page's device work uses: Open, DA, the steps, 81, Close. The first failure is
// reported once and ends the operation at once, without 81, leaving the port closed.
Operation SessionOperation(const std::string& name, std::function<bool(DeviceSession&)> steps)
{
    Operation op;
    op.name = name;
    op.run = [steps](Rig& rig) {
        CCommIO link(rig.app);
        DeviceSession session(rig.app, link);
        return session.Begin() && steps(session) && session.End();
    };
    op.check = [](const Outcome& out) {
        EXPECT_FALSE(out.result);
        ASSERT_EQ(out.boxes.size(), 1u);
        const std::string expected = out.k == 1 ? out.rig.Text(115) : "* COMMAND ERROR";
        EXPECT_EQ(out.boxes[0], expected);
        // Nothing is sent after the failed transaction; a lost command never arrives.
        EXPECT_EQ(out.received.size(), LostOnTheWire(out.fault) ? out.k - 1 : out.k);
    };
    return op;
}

struct NullView final : TeachingView {
    void EnableControls(bool on) override { enabled = on; }
    void ShowMeasured(const std::string&) override {}
    void ShowCurrentEmissivity(const std::string&) override {}
    void ShowTaughtEmissivity(const std::string&) override {}
    void FocusTeachTemperature(bool) override {}
    void Repaint() override {}
    bool enabled = true;
};

// The device work of the recording, memory, settings and teaching pages.
void AddPageOperations(std::vector<Operation>& ops)
{
    // Recording: the alarm values and emissivity read when the page comes up. A failed value
    // read is passed over and its default stands in.
    {
        auto values = std::make_shared<std::array<double, 3>>();
        Operation op;
        op.name = "recording alarm read";
        op.config.alarmHighK10 = 3982; // 125.0 degC
        op.config.alarmLowK10 = 2832;  // 10.0 degC
        op.config.emissivityRegister = 930;
        op.run = [values](Rig& rig) {
            CaptureRecorder recorder(rig.app);
            const bool ok = recorder.ReadAlarmSettings();
            const AlarmSettings& alarms = recorder.Device().Alarms();
            *values = {alarms.high, alarms.low, alarms.emissivity};
            return ok;
        };
        const auto valueStep = [](const Outcome& out) {
            return out.command == "9136" || out.command == "9137" || out.command == "9114";
        };
        op.unreported = [valueStep](const Outcome& out) {
            return valueStep(out) && !LostOnTheWire(out.fault);
        };
        op.check = [values](const Outcome& out) {
            EXPECT_EQ(out.result, out.k != 1) << "only a failed check mode request fails the read";
            if (out.k == 1) return;
            // Transactions 2 to 4 read the three values: each one is the thermometer's unless its
            // own read failed or the line was gone before it.
            const std::array<double, 3> read{125.0, 10.0, 0.93}, defaults{600.0, -30.0, 0.0};
            for (uint32_t i = 0; i < 3; ++i) {
                const uint32_t position = i + 2;
                const bool failed = out.k == position || (LostOnTheWire(out.fault) && out.k < position);
                EXPECT_NEAR((*values)[i], failed ? defaults[i] : read[i], 1e-9) << "value " << i;
            }
        };
        ops.push_back(op);
    }

    // Memory: the whole read, and a read followed by the write-back of both rows.
    {
        auto kept = std::make_shared<std::vector<bool>>();
        Operation op;
        op.name = "memory read";
        op.config.flagWord = 0xFC00 | ITEM_ROOM;
        op.config.memoryWords = {0x0BB8, 0x0B92, 0x0BC2, 0x0B93};
        op.config.recordCount = 2;
        op.ini = "[MemSet]\n";
        op.run = [kept](Rig& rig) {
            MemoryData data(rig.app);
            const bool read = data.Read(false, [] {});
            kept->clear();
            for (const MemoryRecord& r : data.records) {
                kept->push_back(HasData(r));
            }
            return read && !data.ioError;
        };
        op.check = [kept](const Outcome& out) {
            // The read's own message closes every failure; only "81" follows a failed record
            // word, nothing a failed header register (DA to 9140).
            EXPECT_EQ(out.boxes.back(), out.rig.Text(211));
            if (!LostOnTheWire(out.fault)) {
                EXPECT_EQ(out.boxes.size(), 2u);
            }
            if (!LostOnTheWire(out.fault) && out.command != "81") {
                EXPECT_EQ(std::vector<std::string>(out.received.begin() + out.k, out.received.end()),
                          out.k > 5 ? std::vector<std::string>{"81"} : std::vector<std::string>{});
            }
            // Every record whose words all arrived before the failure is kept.
            const char* lastWord[] = {"9143", "9145"};
            for (std::size_t r = 0; r < 2; ++r) {
                const auto at = std::find(out.received.begin(), out.received.end(), lastWord[r]);
                if (at - out.received.begin() < static_cast<std::ptrdiff_t>(out.k) - 1) {
                    ASSERT_GT(kept->size(), r);
                    EXPECT_TRUE((*kept)[r]) << "record " << r + 1 << " was read but not kept";
                }
            }
        };
        ops.push_back(op);

        Operation write = op;
        write.name = "memory write-back";
        write.run = [](Rig& rig) {
            MemoryData data(rig.app);
            if (!data.Read(false, [] {}) || data.ioError) return false;
            return data.Write({true, true}, false) && !data.ioError;
        };
        write.check = nullptr;
        ops.push_back(write);
    }

    // Settings: the read when the page comes up, the alarm SET, the clock SET and the reset.
    {
        auto result = std::make_shared<SettingsReadResult>();
        Operation read;
        read.name = "settings read";
        read.run = [result](Rig& rig) {
            CCommIO link(rig.app);
            SettingsRecord record;
            *result = ReadSettingsFromDevice(rig.app, link, record, nullptr);
            const SettingsReadResult& r = *result;
            return r.alarmHigh && r.alarmLow && r.emissivity && r.flags && r.clockAlarm && r.ringTime &&
                   r.holdTime && r.status0 && r.clock;
        };
        read.check = [](const Outcome& out) {
            // The read goes on after a failed value: every other value is still asked for, unless
            // check mode was refused (the port is closed then) or the line itself is gone.
            if (!LostOnTheWire(out.fault)) {
                EXPECT_EQ(out.received.size(), out.k == 1 ? 1u : out.transactions);
            }
        };
        ops.push_back(read);

        // A SET: a refused check mode request ends it at once; a failed read writes nothing
        // after it; whatever else fails, check mode is left. The reset's read-back goes on past
        // a failed value as the page's read does.
        const auto set = [&ops](const char* name,
                                std::function<bool(AppState&, CCommIO&, SettingsRecord&)> body,
                                bool readsBack = false) {
            Operation op;
            op.name = name;
            op.run = [body](Rig& rig) {
                CCommIO link(rig.app);
                SettingsRecord record;
                record.alarmHighK = 398.2;
                record.alarmLowK = 283.2;
                record.deviceClock = {2026, 12, 7, 1, 2, 3};
                return body(rig.app, link, record);
            };
            op.check = [readsBack](const Outcome& out) {
                const std::vector<std::string> after(out.received.begin() +
                                                         std::min<std::size_t>(out.k, out.received.size()),
                                                     out.received.end());
                if (out.k == 1) {
                    EXPECT_FALSE(out.result);
                    EXPECT_EQ(out.boxes, std::vector<std::string>{out.rig.Text(115)});
                    EXPECT_TRUE(after.empty());
                } else if (!LostOnTheWire(out.fault) && out.command != "81" && !readsBack) {
                    EXPECT_EQ(out.boxes, std::vector<std::string>{"* COMMAND ERROR"});
                    EXPECT_EQ(out.received.back(), "81");
                    if (out.command.starts_with("91")) {
                        EXPECT_EQ(after, std::vector<std::string>{"81"}) << "written after a failed read";
                    }
                }
            };
            ops.push_back(op);
        };
        set("settings alarm SET", [](AppState& app, CCommIO& link, SettingsRecord& record) {
            const AlarmWriteResult r = WriteAlarms(app, link, record, true, false);
            return r.entered && r.highWritten && r.lowWritten;
        });
        set("settings clock SET", [](AppState& app, CCommIO& link, SettingsRecord& record) {
            return WriteDeviceClock(app, link, record);
        });
        set("settings hold SET", [](AppState& app, CCommIO& link, SettingsRecord& record) {
            return WriteHoldTime(app, link, record, 5);
        });
        set("settings clock alarm SET", [](AppState& app, CCommIO& link, SettingsRecord& record) {
            return WriteClockAlarm(app, link, record, 5, true, std::nullopt);
        });
        set("settings resolution SET", [](AppState& app, CCommIO& link, SettingsRecord& record) {
            return WriteResolution(app, link, record, true);
        });

        set(
            "settings reset",
            [](AppState& app, CCommIO& link, SettingsRecord& record) {
                SettingsReadResult r;
                return ResetToDefaults(app, link, record, nullptr, &r) && r.alarmHigh && r.clock;
            },
            true);
    }

    // Teaching: the read, SET of an emissivity and a whole teaching. Each leaves the page's
    // controls enabled, however it ends.
    const auto teachingOperation = [&ops](const char* name, bool (*body)(TeachingOperations&)) {
        Operation op;
        op.name = name;
        op.config.targetC = 100.0;
        op.run = [body](Rig& rig) {
            NullView view;
            TeachingOperations teaching(rig.app, view);
            const bool ok = body(teaching);
            EXPECT_TRUE(view.enabled);
            return ok;
        };
        ops.push_back(op);
    };
    teachingOperation("teaching read", [](TeachingOperations& t) { return t.ReadCurrentValues(); });
    teachingOperation("emissivity SET", [](TeachingOperations& t) { return t.WriteEmissivity("0.90"); });
    teachingOperation("teaching", [](TeachingOperations& t) {
        return t.ReadCurrentValues() && t.RunTeaching("101.0") == TeachOutcome::Written;
    });
    // Registering a type name: a failed serial number read ends it as the switch-on prompt,
    // without "81" or a name kept.
    {
        Operation registration;
        registration.name = "type name registration";
        registration.run = [](Rig& rig) {
            CCommIO link(rig.app);
            const bool stored = RegisterTypeName(rig.app, link, "Line A");
            rig.ui.boxes.erase(rig.ui.boxes.end() - (stored ? 1 : 0), rig.ui.boxes.end()); // "registered"
            return stored && rig.ui.boxes.empty();
        };
        registration.check = [](const Outcome& out) {
            // A failed serial number read ends it as the switch-on prompt, without "81" or a name kept.
            if (out.command == "81") return;
            EXPECT_FALSE(out.result);
            EXPECT_EQ(out.boxes, std::vector<std::string>{out.rig.Text(115)});
            EXPECT_EQ(out.received.size(), out.k - (LostOnTheWire(out.fault) ? 1 : 0));
        };
        ops.push_back(registration);
    }
}

std::vector<Operation> Operations()
{
    std::vector<Operation> ops;

    Operation check;
    check.name = "connection check";
    check.config.status0 = 0x0000; // so that the template is written: 9200FC04 is one of the steps
    check.config.serial = 4711;
    check.run = [](Rig& rig) {
        // A user who gives up at every question; the COM port dialog changes nothing.
        rig.ui.answers.assign(20, MsgAnswer::Cancel);
        return CheckConnection(rig.app);
    };
    check.check = [](const Outcome& out) {
        const bool atDa = out.command == "DA";
        const bool refused = out.fault == Fault::Ng;
        // A refused check mode request means another device (or a confused one) on the port:
        // the check goes round again through the port dialog and then succeeds. A refusal
        // anywhere else, or a thermometer gone, fails the check.
        if (atDa) {
            EXPECT_EQ(out.result, refused);
            EXPECT_EQ(out.rig.sim->Register(0x00), refused ? 0xFC04 : 0x0000);
            EXPECT_EQ(out.boxes, std::vector<std::string>{out.rig.Text(refused ? 119 : 115)});
            if (!refused) {
                EXPECT_EQ(out.received.size(), LostOnTheWire(out.fault) ? 0u : 1u);
            }
            return;
        }
        // After check mode: a serial-number read or an "81" refused, or any failed STATUS0 read
        // (a lost line fails it too), makes the result false; a failed STATUS0 write, or a
        // serial number or "81" lost on the link, is only shown.
        const bool serialStep = out.command == "9130" || out.command == "9131";
        const bool failsCheck = (refused && (serialStep || out.command == "81")) || out.command == "9100" ||
                                (LostOnTheWire(out.fault) && serialStep);
        EXPECT_EQ(out.result, !failsCheck);
        // Whatever went wrong with "81" itself (the line dies as it is sent, so no status 1) is
        // the one reply error.
        if (out.command == "81") {
            EXPECT_EQ(out.boxes, std::vector<std::string>{out.rig.Text(119)});
        }
        // Once in check mode the check always asks to leave it, whatever failed before.
        if (!LostOnTheWire(out.fault)) {
            ASSERT_FALSE(out.received.empty());
            EXPECT_EQ(out.received.back(), "81");
            const std::size_t skipped = out.command == "9100" ? 1 : 0; // no write after a failed read
            EXPECT_EQ(out.received.size(), out.transactions - skipped);
        }
        // The serial number is kept only when both halves arrived.
        if (out.command == "9130" || out.command == "9131") {
            EXPECT_NE(out.rig.app.deviceSerialText, "00000040711");
        } else {
            EXPECT_EQ(out.rig.app.deviceSerialText, "00000040711");
        }
        // STATUS0 holds the template's value only when its write went through: a failed serial
        // number read does not stop it, a failed STATUS0 read does, and so does a lost line.
        const bool written = out.command == "81" || (serialStep && !LostOnTheWire(out.fault));
        EXPECT_EQ(out.rig.sim->Register(0x00), written ? 0xFC04 : 0x0000);
    };
    ops.push_back(check);

    ops.push_back(SessionOperation("register read", [](DeviceSession& s) {
        uint16_t value = 0;
        return s.ReadRegister(REG_EMISSIVITY, value);
    }));
    Operation update = SessionOperation("register update", [](DeviceSession& s) {
        return s.UpdateRegisterBits(REG_STATUS0, 0x00C0, 0x0040);
    });
    const auto sessionCheck = update.check;
    update.check = [sessionCheck](const Outcome& out) {
        sessionCheck(out);
        // Left written in the thermometer: the new word once the write (transaction 3) has
        // gone through; a faulted write is not carried out.
        EXPECT_EQ(out.rig.sim->Register(0x00), out.k > 3 ? 0x0040 : 0x0000);
    };
    ops.push_back(update);
    ops.push_back(SessionOperation("clock read", [](DeviceSession& s) {
        std::string reply;
        return s.Command(Cmd::kReadClock, reply);
    }));
    AddPageOperations(ops);
    return ops;
}

class OperationFault : public ::testing::TestWithParam<Operation> {};

TEST_P(OperationFault, EveryFaultAtEveryTransactionEndsReportedInTimeWithThePortFree)
{
    RunMatrix(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Matrix, OperationFault, ::testing::ValuesIn(Operations()), [](const auto& p) {
    std::string name;
    for (const char c : p.param.name) {
        if (std::isalnum(static_cast<unsigned char>(c))) name += c;
    }
    return name;
});

} // namespace
