#include "app/AppState.h"
#include "app/LangString.h"
#include "device/ConnectionCheck.h"
#include "sim/SimThermometer.h"
#include "support/FakeClock.h"
#include "support/FakeUserInterface.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

// The start-up check run in-process against the simulated thermometer, in virtual time.
class ConnectionCheckSimTest : public ::testing::Test {
protected:
    void Start(SimConfig config)
    {
        config.useHostClock = false;
        sim = std::make_unique<SimThermometer>(config, clock);
        ports = MakeSimPortFactory(*sim, clock);
        app.iniPath = dir.File("rm42meter.ini");
        app.exeDir = dir.Path();
        app.clock = &clock;
        app.ports = ports.get();
        app.ui = &ui;
        WriteFileBytes(app.iniPath, "[ComPort]\nPort=COM1\nBps=9600\nDataBits=8\nParity=0\nStopBit=0\n");
    }

    bool Received(const std::string& command) const
    {
        const Texts commands = sim->ReceivedCommands();
        return std::find(commands.begin(), commands.end(), command) != commands.end();
    }

    std::string Text(int id) const { return LoadLangString(app, id); }

    TempDir dir;
    FakeClock clock;
    FakeUserInterface ui;
    AppState app;
    std::unique_ptr<SimThermometer> sim;
    std::unique_ptr<SerialPortFactory> ports;
};

TEST_F(ConnectionCheckSimTest, BringsTheThermometerIntoTheTemplatesState)
{
    Start(SimConfig{});
    ASSERT_TRUE(CheckConnection(app));
    EXPECT_EQ(sim->ReceivedCommands(), (Texts{"DA", "9130", "9131", "9100", "9200FC04", "81"}));
    EXPECT_EQ(sim->Register(0x00), 0xFC04);
    EXPECT_EQ(app.deviceSerial, 123456789u);
    EXPECT_EQ(app.deviceSerialText, "01234560789");
    EXPECT_FALSE(sim->InCheckMode());
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ConnectionCheckSimTest, TheStopBitDefaultDoesNotSuitEightDataBits)
{
    Start(SimConfig{});
    WriteFileBytes(app.iniPath, "[ComPort]\nPort=COM1\n"); // StopBit "1": one and a half
    ui.answers = {MsgAnswer::Cancel};
    EXPECT_FALSE(CheckConnection(app));
    EXPECT_EQ(ui.BoxTexts(), Texts{Text(114)});
    EXPECT_TRUE(sim->ReceivedCommands().empty());
}

TEST_F(ConnectionCheckSimTest, AThermometerAlreadyInStateIsNotWritten)
{
    SimConfig config;
    config.status0 = 0xFC0C; // resolution bit set: the template leaves it alone
    config.serial = 987654;
    Start(config);
    app.status0Monitor = true;
    ASSERT_TRUE(CheckConnection(app));
    EXPECT_FALSE(Received("9200FC0C"));
    EXPECT_EQ(sim->Register(0x00), 0xFC0C);
    EXPECT_EQ(ui.BoxTexts(), (Texts{"FC0C", "FC0C"}));
    EXPECT_EQ(app.deviceSerialText, "00009870654");
}

TEST_F(ConnectionCheckSimTest, StreamedTemperatureLinesDoNotConfuseTheCheck)
{
    SimConfig config;
    config.status0 = 0x00C0; // both outputs on: the thermometer streams between the replies
    config.streamRateHz = 50.0;
    Start(config);
    ASSERT_TRUE(CheckConnection(app));
    EXPECT_EQ(sim->Register(0x00), 0xFC04); // outputs off again
    EXPECT_EQ(app.deviceSerial, 123456789u);
}

TEST_F(ConnectionCheckSimTest, ASlowPacedLineStillAnswersInTime)
{
    SimConfig config;
    config.latencyMs = 120;
    config.baud = 9600;
    Start(config);
    const uint64_t start = clock.TickMs();
    ASSERT_TRUE(CheckConnection(app));
    EXPECT_EQ(sim->Register(0x00), 0xFC04);
    // Six transactions, none near its time-out.
    EXPECT_LT(clock.TickMs() - start, 6u * 1000u);
}

TEST_F(ConnectionCheckSimTest, SwitchingOnAtThePromptLetsTheCheckGoOn)
{
    SimConfig config;
    config.powered = false;
    Start(config);
    ui.onMessageBox = [&](const MessageBoxCall& box) {
        if (box.text == Text(115)) {
            sim->SetPowered(true);
        }
    };
    ASSERT_TRUE(CheckConnection(app));
    EXPECT_EQ(ui.BoxTexts(), Texts{Text(115)});
    EXPECT_EQ(app.portRetryCount, 1);
    EXPECT_EQ(sim->Register(0x00), 0xFC04);
}

TEST_F(ConnectionCheckSimTest, ThermometerFaultsEndAsTheUserDecides)
{
    struct Case {
        const char* what;
        SimFault fault;
        std::vector<MsgAnswer> answers;
        bool result;
        Texts boxes; // 115 / 119 stand for their texts
    };
    const Case cases[] = {
        {"silent on check mode",
         {SimFault::Kind::Silent, "DA"},
         {MsgAnswer::Ok, MsgAnswer::Cancel},
         false,
         {"115", "115"}},
        {"overlong answer to check mode",
         {SimFault::Kind::Overlong, "DA"},
         {MsgAnswer::Cancel},
         false,
         {"115"}},
        {"noise for every register read",
         {SimFault::Kind::Garbage, "91"},
         {},
         false,
         {"119", "119", "* COMMAND ERROR"}},
        {"refused exit", {SimFault::Kind::Ng, "81"}, {}, false, {"119"}},
        {"refused register write", {SimFault::Kind::Ng, "92"}, {}, true, {"* COMMAND ERROR"}},
    };
    for (const Case& c : cases) {
        FakeUserInterface caseUi;
        SimConfig config;
        config.faults = {c.fault};
        Start(config);
        app.ui = &caseUi;
        app.portRetryCount = 0;
        caseUi.answers.assign(c.answers.begin(), c.answers.end());
        EXPECT_EQ(CheckConnection(app), c.result) << c.what;
        Texts boxes;
        for (const std::string& box : c.boxes) {
            boxes.push_back(box == "115" ? Text(115) : box == "119" ? Text(119) : box);
        }
        EXPECT_EQ(caseUi.BoxTexts(), boxes) << c.what;
        // The port is free again: another link can open it.
        auto probe = ports->Create();
        SerialSettings settings;
        settings.device = "COM4";
        EXPECT_TRUE(probe->Open(settings)) << c.what;
        probe->Close();
    }
}

} // namespace
