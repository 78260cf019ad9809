#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "SimThermometer.h"
#include "support/FakeClock.h"

namespace {

SimConfig BaseConfig()
{
    SimConfig c;
    c.useHostClock = false;
    c.clockStart = {2026, 3, 1, 15, 30, 10};
    return c;
}

// A thermometer on an in-process line under virtual time.
struct Bench {
    explicit Bench(SimConfig config = BaseConfig())
        : device(config, clock), factory(MakeSimPortFactory(device, clock)), port(factory->Create())
    {
        EXPECT_TRUE(port->Open(SerialSettings{"sim", 9600, 8, 0, 0, 5000, 5000}));
    }

    void Send(const std::string& command)
    {
        const std::string line = command + "\r\n";
        ASSERT_TRUE(port->Write(line.data(), line.size()));
    }

    // The next line (CR LF included) within timeoutMs of virtual time; empty if none arrived.
    std::string Line(uint32_t timeoutMs = 5000)
    {
        const uint64_t deadline = clock.TickMs() + timeoutMs;
        while (pending.find("\r\n") == std::string::npos) {
            const uint64_t now = clock.TickMs();
            if (now >= deadline) return {};
            if (port->WaitForInput(static_cast<uint32_t>(deadline - now)) != WaitResult::Ready) return {};
            char buf[2048];
            std::size_t got = 0;
            EXPECT_TRUE(port->Read(buf, sizeof buf, got));
            pending.append(buf, got);
        }
        const auto end = pending.find("\r\n") + 2;
        std::string line = pending.substr(0, end);
        pending.erase(0, end);
        return line;
    }

    // The reply to command, skipping streamed lines, without CR LF.
    std::string Ask(const std::string& command)
    {
        Send(command);
        for (;;) {
            std::string line = Line();
            if (line.empty() || line.compare(0, 2, command, 0, 2) == 0 || command.size() < 2) {
                return line.empty() ? line : line.substr(0, line.size() - 2);
            }
        }
    }

    FakeClock clock;
    SimThermometer device;
    std::unique_ptr<SerialPortFactory> factory;
    std::unique_ptr<SerialPort> port;
    std::string pending;
};

struct Exchange {
    const char* command;
    const char* reply;
};

void ExpectExchanges(Bench& b, const std::vector<Exchange>& table)
{
    for (const Exchange& e : table) {
        b.Send(e.command);
        EXPECT_EQ(b.Line(), std::string(e.reply) + "\r\n") << "command " << e.command;
    }
}

} // namespace

TEST(SimThermometerCommands, AnswersEveryCommandByteForByte)
{
    SimConfig c = BaseConfig();
    c.memoryWords = {0x0BB8};
    c.recordCount = 3;
    Bench b(c);
    ExpectExchanges(b, {
                           {"DA", "DAOK1F"},
                           {"9130", "9130075BAB"}, // serial 123456789 = 0x075BCD15
                           {"9131", "9131CD15BB"},
                           {"9100", "910000008A"},
                           {"9114", "911403B6AA"},
                           {"9140", "9140000391"},
                           {"9142", "91420BB8BC"},
                           {"9143", "9143FFFFE9"}, // an empty memory word
                           {"22", "220A1E0F0103141A5C"},
                           {"2F", "2F0BA60000000B925E"}, // 25.0 degC target, 23.0 degC room
                           {"14", "140B9242"},
                           {"81", "81OK03"},
                       });
}

TEST(SimThermometerCommands, RefusesRegisterAccessOutsideCheckMode)
{
    Bench b;
    ExpectExchanges(b, {
                           {"9100", "91NGFF"},
                           {"9200FC04", "92NG00"},
                           {"23000000", "23NGFA"},
                           {"24010307D5", "24NGFB"},
                           {"DA", "DAOK1F"},
                           {"9200FC04", "92OK05"},
                           {"81", "81OK03"},
                           {"9100", "91NGFF"},
                       });
    EXPECT_EQ(b.device.Register(0x00), 0xFC04);
    EXPECT_FALSE(b.device.InCheckMode());
}

TEST(SimThermometerCommands, RefusesMalformedCommands)
{
    Bench b;
    b.Send("DA");
    b.Line();
    ExpectExchanges(b, {
                           {"91ZZ", "91NGFF"},
                           {"91ff", "91NGFF"},     // lower case is not hexadecimal here
                           {"91", "91NGFF"},       // no address
                           {"9120", "91NGFF"},     // no such register
                           {"91142", "91NGFF"},    // beyond the 256 memory words
                           {"91003", "91NGFF"},    // three digits, but no register 003
                           {"9200FC0", "92NG00"},  // value too short
                           {"92301234", "92NG00"}, // the serial number is read-only
                           {"2F00", "2FNG0D"},
                           {"1400", "14NGFA"},
                           {"DAXX", "DANG1A"},
                           {"77", "77NG03"}, // unknown command: echo of its code
                       });
    // An over-long command line is refused, not stored or half-answered.
    b.Send("91" + std::string(1500, '0'));
    EXPECT_EQ(b.Line(), "91NGFF\r\n");
    EXPECT_EQ(b.device.Register(0x00), 0x0000);
}

TEST(SimThermometerCommands, WritesRegistersAndMemoryWords)
{
    Bench b;
    ExpectExchanges(b, {
                           {"DA", "DAOK1F"},
                           {"9236221C", "92OK05"},
                           {"9242ABCD", "92OK05"},
                           {"92141234", "92OK05"},
                       });
    EXPECT_EQ(b.device.Register(0x36), 0x221C);
    EXPECT_EQ(b.device.Register(0x42), 0xABCD);
    EXPECT_EQ(b.device.Register(0x14), 0x1234);
}

TEST(SimThermometerClock, RunsSetsAndValidates)
{
    Bench b;
    b.clock.Advance(61000);
    ExpectExchanges(b, {
                           {"22", "220B1F0F0103141A5E"}, // 15:31:11 on 1 March 2026
                           {"DA", "DAOK1F"},
                           {"233C0000", "23NGFA"},   // second 60
                           {"23000018", "23NGFA"},   // hour 24
                           {"233b0000", "23NGFA"},   // lower case
                           {"230000", "23NGFA"},     // too short
                           {"241D0207E9", "24NGFB"}, // 29 February 2025
                           {"24000107EA", "24NGFB"}, // day 0
                           {"24010D07EA", "24NGFB"}, // month 13
                           {"241D0207E8", "24OK00"}, // 29 February 2024 exists
                           {"233B3B17", "23OKFF"},   // 23:59:59
                           {"241F0C0833", "24OK00"}, // 31 December 2099
                       });
    b.clock.Advance(1000);
    b.Send("22");
    EXPECT_EQ(b.Line(), "22000000010115000C\r\n"); // midnight, 1 January 2100
    const SimDateTime now = b.device.Now();
    EXPECT_EQ(now.year, 2100);
    EXPECT_EQ(now.hour, 0);
}

TEST(SimThermometerStream, StreamsAtTheConfiguredRateWhileOutputBitsAreSet)
{
    SimConfig c = BaseConfig();
    c.streamRateHz = 5.0;
    Bench b(c);
    EXPECT_EQ(b.Line(1000), "") << "no output bits, no stream";
    ExpectExchanges(b, {{"DA", "DAOK1F"}, {"92000080", "92OK05"}});
    EXPECT_EQ(b.Ask("81"), "81OK03"); // may come after a stream line
    const uint64_t start = b.clock.TickMs();
    int lines = 0;
    while (b.clock.TickMs() - start < 2000) {
        const std::string line = b.Line(static_cast<uint32_t>(2000 - (b.clock.TickMs() - start)));
        if (line.empty()) break;
        EXPECT_EQ(line, "2F0BA60000000B92\r\n");
        ++lines;
    }
    EXPECT_EQ(lines, 10);
    b.device.SetRegister(0x00, 0x0000);
    EXPECT_EQ(b.Line(1000), "");
}

TEST(SimThermometerStream, PutsStreamLinesBeforeSomeReplies)
{
    SimConfig c = BaseConfig();
    c.status0 = 0x00C0;
    Bench b(c);
    int precededByStream = 0;
    for (int i = 0; i < 6; ++i) {
        ASSERT_TRUE(b.port->Purge());
        b.pending.clear();
        b.Send("14");
        const std::string first = b.Line();
        if (first.compare(0, 2, "2F") == 0) {
            ++precededByStream;
            EXPECT_EQ(first.size(), 18u);
            EXPECT_EQ(b.Line(), "140B9242\r\n");
        } else {
            EXPECT_EQ(first, "140B9242\r\n");
        }
    }
    // A reader that takes the first line as the reply would be wrong every second time.
    EXPECT_EQ(precededByStream, 3);
}

TEST(SimThermometerFaults, EachKindForACodeOrATransaction)
{
    SimConfig c = BaseConfig();
    c.faults = {{SimFault::Kind::Ng, "91", 0}, {SimFault::Kind::Silent, "", 5}};
    Bench b(c);
    b.device.AddFault({SimFault::Kind::Garbage, "2F", 0});
    b.device.AddFault({SimFault::Kind::Overlong, "14", 0});
    ExpectExchanges(b, {{"DA", "DAOK1F"}, {"9100", "91NGFF"}});

    b.Send("2F");
    const std::string garbage = b.Line();
    ASSERT_FALSE(garbage.empty());
    EXPECT_NE(garbage.compare(0, 2, "2F"), 0);

    b.Send("14");
    const std::string overlong = b.Line();
    EXPECT_GT(overlong.size(), 1024u);
    EXPECT_EQ(overlong.compare(0, 2, "14"), 0);

    b.Send("81"); // the fifth command gets no answer at all
    EXPECT_EQ(b.Line(5000), "");
    b.device.ClearFaults();
    ExpectExchanges(b, {{"9100", "910000008A"}, {"14", "140B9242"}});
    EXPECT_EQ(b.device.ReceivedCommands(),
              (std::vector<std::string>{"DA", "9100", "2F", "14", "81", "9100", "14"}));
}

TEST(SimThermometerFaults, SwitchedOffDropsModemLinesAndAnswersNothing)
{
    Bench b;
    bool cts = false, dsr = false;
    ASSERT_TRUE(b.port->ModemLines(cts, dsr));
    EXPECT_TRUE(cts && dsr);
    b.device.SetPowered(false);
    ASSERT_TRUE(b.port->ModemLines(cts, dsr));
    EXPECT_FALSE(cts);
    EXPECT_FALSE(dsr);
    b.Send("DA");
    EXPECT_EQ(b.Line(5000), "");
    EXPECT_TRUE(b.device.ReceivedCommands().empty());
    b.device.SetPowered(true);
    ExpectExchanges(b, {{"DA", "DAOK1F"}});
}

TEST(SimSerialPort, OnlyOnePortAtATime)
{
    FakeClock clock;
    SimThermometer device(BaseConfig(), clock);
    auto factory = MakeSimPortFactory(device, clock);
    auto first = factory->Create();
    auto second = factory->Create();
    const SerialSettings settings{"sim", 9600, 8, 0, 0, 5000, 5000};
    ASSERT_TRUE(first->Open(settings));
    EXPECT_FALSE(first->Open(settings));
    EXPECT_FALSE(second->Open(settings));
    EXPECT_FALSE(second->LastError().empty());
    EXPECT_TRUE(first->Close());
    EXPECT_FALSE(first->Close());
    EXPECT_TRUE(second->Open(settings));
    EXPECT_FALSE(first->Open(SerialSettings{"sim", 9600, 8, 0, 1, 5000, 5000}))
        << "1.5 stop bits, 8 data bits";
}

TEST(SimSerialPort, PurgeDropsArrivedInputAndClosedPortFails)
{
    Bench b;
    b.Send("DA");
    ASSERT_EQ(b.port->WaitForInput(1000), WaitResult::Ready);
    std::size_t queued = 0;
    ASSERT_TRUE(b.port->QueuedBytes(queued));
    EXPECT_EQ(queued, 8u);
    ASSERT_TRUE(b.port->Purge());
    ASSERT_TRUE(b.port->QueuedBytes(queued));
    EXPECT_EQ(queued, 0u);
    ASSERT_TRUE(b.port->Close());
    char buf[8];
    std::size_t got = 0;
    EXPECT_FALSE(b.port->Read(buf, sizeof buf, got));
    EXPECT_FALSE(b.port->Write("DA\r\n", 4));
    EXPECT_EQ(b.port->WaitForInput(100), WaitResult::Error);
}

TEST(SimSerialPort, LatencyAndPacingAdvanceVirtualTimeExactly)
{
    SimConfig c = BaseConfig();
    c.latencyMs = 300;
    Bench slow(c);
    const uint64_t t0 = slow.clock.TickMs();
    slow.Send("DA");
    EXPECT_EQ(slow.port->WaitForInput(100), WaitResult::Timeout);
    EXPECT_EQ(slow.clock.TickMs(), t0 + 100);
    EXPECT_EQ(slow.port->WaitForInput(5000), WaitResult::Ready);
    EXPECT_EQ(slow.clock.TickMs(), t0 + 300);

    c.latencyMs = 0;
    c.baud = 9600; // 10 bits a byte: 1.04 ms
    Bench paced(c);
    const uint64_t t1 = paced.clock.TickMs();
    paced.Send("DA");
    EXPECT_EQ(paced.Line(), "DAOK1F\r\n");
    // The command is complete when its CR has crossed (3 bytes, 4 ms rounded up); the 8 bytes of
    // the reply take 8.3 ms more.
    EXPECT_EQ(paced.clock.TickMs(), t1 + 13);
}

TEST(SimPhysics, ReadingFollowsTheEmissivitySetting)
{
    SimConfig c = BaseConfig();
    c.targetC = 300.0;
    c.trueEmissivity = 0.80;
    c.emissivityRegister = 800;
    Bench b(c);
    EXPECT_EQ(b.device.ReportedTargetK10(), 5732); // the true temperature when the setting is right
    b.device.SetRegister(0x14, 950);
    const uint16_t tooLow = b.device.ReportedTargetK10();
    b.device.SetRegister(0x14, 600);
    const uint16_t tooHigh = b.device.ReportedTargetK10();
    EXPECT_LT(tooLow, 5732);
    EXPECT_GT(tooHigh, 5732);
}

TEST(SimPhysics, ScenariosMoveTheTarget)
{
    SimConfig ramp = BaseConfig();
    ramp.scenario = SimScenario::Ramp;
    ramp.rampCPerMin = 10.0;
    ramp.trueEmissivity = 0.95;
    Bench r(ramp);
    const int start = r.device.ReportedTargetK10();
    r.clock.Advance(60000);
    EXPECT_NEAR(r.device.ReportedTargetK10() - start, 100, 1);

    SimConfig alarm = BaseConfig();
    alarm.scenario = SimScenario::AlarmProfile;
    Bench a(alarm);
    int lo = 65535, hi = 0;
    for (int i = 0; i < 120; ++i) {
        a.clock.Advance(500);
        lo = std::min<int>(lo, a.device.ReportedTargetK10());
        hi = std::max<int>(hi, a.device.ReportedTargetK10());
    }
    EXPECT_GT(hi, 8732); // above 600 degC
    EXPECT_LT(lo, 2432); // below -30 degC

    SimConfig sine = BaseConfig();
    sine.scenario = SimScenario::Sine;
    sine.sineAmplitudeC = 10;
    sine.noiseC = 0.5;
    sine.seed = 7;
    Bench s1(sine), s2(sine);
    sine.seed = 8;
    Bench s3(sine);
    bool differs = false;
    for (int i = 0; i < 50; ++i) {
        s1.clock.Advance(700);
        s2.clock.Advance(700);
        s3.clock.Advance(700);
        const int v1 = s1.device.ReportedTargetK10();
        EXPECT_EQ(v1, s2.device.ReportedTargetK10()) << "same seed, same readings";
        differs = differs || v1 != s3.device.ReportedTargetK10();
        EXPECT_GE(v1, 2982 - 106);
        EXPECT_LE(v1, 2982 + 106);
    }
    EXPECT_TRUE(differs);
}
