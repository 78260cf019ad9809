#include "device/ConnectionCheck.h"
#include "sim/SimThermometer.h"
#include "support/ScriptedSerialPort.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

// The start-up check run in-process against the simulated thermometer, in virtual time.
class ConnectionCheckSimTest : public ::testing::Test, public LineRig {
protected:
    void Start(SimConfig config)
    {
        config.useHostClock = false;
        ports.reset(); // before the thermometer it leads to
        sim = std::make_unique<SimThermometer>(config, clock);
        ports = MakeSimPortFactory(*sim, clock);
        ui = FakeUserInterface{};
        app.ports = ports.get();
        app.portRetryCount = 0;
        WriteFileBytes(app.iniPath, "[ComPort]\nPort=COM1\nBps=9600\nDataBits=8\nParity=0\nStopBit=0\n");
    }

    std::unique_ptr<SimThermometer> sim;
    std::unique_ptr<SerialPortFactory> ports;
};

TEST_F(ConnectionCheckSimTest, BringsTheThermometerIntoTheTemplatesState)
{
    SimConfig plain, inState, streaming, slow;
    inState.status0 = 0xFC0C; // resolution bit set: the template keeps it
    inState.serial = 987654;
    streaming.status0 = 0x00C0; // both outputs on: lines stream between the replies
    streaming.streamRateHz = 50.0;
    slow.latencyMs = 120;
    slow.baud = 9600;
    const std::tuple<SimConfig, uint16_t, const char*> cases[] = {{plain, 0xFC04, "01234560789"},
                                                                  {inState, 0xFC0C, "00009870654"},
                                                                  {streaming, 0xFC04, "01234560789"},
                                                                  {slow, 0xFC04, "01234560789"}};
    for (const auto& [config, status0, serialText] : cases) {
        SCOPED_TRACE(serialText + std::to_string(config.status0) + " " + std::to_string(config.latencyMs));
        Start(config);
        const uint64_t start = clock.TickMs();
        ASSERT_TRUE(CheckConnection(app));
        EXPECT_EQ(sim->Register(0x00), status0);
        EXPECT_EQ(app.deviceSerialText, serialText);
        EXPECT_TRUE(ui.boxes.empty());
        EXPECT_FALSE(sim->InCheckMode());
        Texts expected{"DA", "9130", "9131", "9100", "81"};
        if (config.status0 != status0) expected.insert(expected.begin() + 4, "9200FC04");
        EXPECT_EQ(sim->ReceivedCommands(), expected);
        EXPECT_LT(clock.TickMs() - start, 6u * 1000u); // no transaction near its time-out
    }
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

TEST_F(ConnectionCheckSimTest, SwitchingOnAtThePromptLetsTheCheckGoOn)
{
    SimConfig config;
    config.powered = false;
    Start(config);
    ui.onMessageBox = [&](const MessageBoxCall&) { sim->SetPowered(true); };
    ASSERT_TRUE(CheckConnection(app));
    EXPECT_EQ(ui.BoxTexts(), Texts{Text(115)});
    EXPECT_EQ(app.portRetryCount, 1);
    EXPECT_EQ(sim->Register(0x00), 0xFC04);
}

TEST_F(ConnectionCheckSimTest, ThermometerFaultsEndAsTheUserDecidesAndFreeThePort)
{
    // The fault, the user's answers, the result, the boxes (0: the command error).
    const std::tuple<SimFault, std::vector<MsgAnswer>, bool, std::vector<int>> cases[] = {
        {{SimFault::Kind::Silent, "DA"}, {MsgAnswer::Ok, MsgAnswer::Cancel}, false, {115, 115}},
        {{SimFault::Kind::Overlong, "DA"}, {MsgAnswer::Cancel}, false, {115}},
        {{SimFault::Kind::Garbage, "91"}, {}, false, {119, 119, 0}},
        {{SimFault::Kind::Ng, "81"}, {}, false, {119}},
        {{SimFault::Kind::Ng, "92"}, {}, true, {0}}};
    for (const auto& [fault, answers, result, boxes] : cases) {
        SimConfig config;
        config.faults = {fault};
        Start(config);
        ui.answers.assign(answers.begin(), answers.end());
        SCOPED_TRACE(fault.code + " fault " + std::to_string(static_cast<int>(fault.kind)));
        EXPECT_EQ(CheckConnection(app), result);
        EXPECT_EQ(ui.BoxTexts(), Messages(boxes));
        auto probe = ports->Create(); // the port is free again
        EXPECT_TRUE(probe->Open(SerialSettings{"COM4"}));
        probe->Close();
    }
}

} // namespace
