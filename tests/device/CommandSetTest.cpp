#include "device/CommandSet.h"
#include "app/AppState.h"
#include "app/LangString.h"
#include "device/CCommIO.h"
#include "support/FakeClock.h"
#include "support/FakeUserInterface.h"
#include "support/ScriptedSerialPort.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

TEST(CommandTextTest, FieldsAreFixedWidthUpperCaseHex)
{
    const std::pair<std::string, const char*> cases[] = {
        {RegisterAddressText(0x3D), "3D"},
        {RegisterReadCommand(REG_STATUS0), "9100"},
        {RegisterWriteCommand(REG_STATUS0, 0xFC04), "9200FC04"},
        {RegisterWriteCommand(REG_ALARM_HIGH, CelsiusToK10(600.0)), "9236221C"},
        {RegisterWriteCommand(REG_MEMORY_START, 0xFFFF), "9242FFFF"},
        {ClockAlarmWriteCommand(23, 59), "923D173B"},
        {SetTimeCommand(5, 30, 14), "23051E0E"},
        {SetDateCommand(1, 3, 2005), "24010307D5"},
        {SetDateCommand(31, 12, 2099), "241F0C0833"}};
    for (const auto& [actual, expected] : cases) {
        EXPECT_EQ(actual, expected);
    }
}

TEST(ReplyDecodingTest, RefusalsRegisterTemperatureAndClockReplies)
{
    for (const char* reply : {"NG", "NG00"}) {
        EXPECT_TRUE(IsRefusal(reply)) << reply;
    }
    for (const char* reply : {"OK", "N", "", "0NG", "ng"}) {
        EXPECT_FALSE(IsRefusal(reply)) << reply;
    }
    // "00FFFF" is one character short: the trailing pair eats a digit.
    const std::tuple<const char*, bool, uint16_t> registers[] = {
        {"00FC0412", true, 0xFC04}, {"300000FF", true, 0x0000}, {"00FFFF", false, 0xFF00}, {"", false, 0},
        {"00fc0412", false, 0},     {"00ZZZZ12", false, 0},     {"NG", false, 0}};
    for (const auto& [reply, wellFormed, value] : registers) {
        EXPECT_EQ(IsRegisterReply(reply), wellFormed) << reply;
        if (wellFormed || value != 0) {
            EXPECT_EQ(DecodeRegisterValue(reply), value) << reply;
        }
    }
    EXPECT_EQ(DecodeTemperatureValue("0BB8xx"), 3000);
    EXPECT_EQ(DecodeTemperatureValue(""), 0);
    const DeviceDateTime t = DecodeClockReply("3B1E0E01031407xx");
    EXPECT_EQ(std::vector<int>({t.second, t.minute, t.hour, t.day, t.month, t.year}),
              std::vector<int>({59, 30, 14, 1, 3, 2007}));
    EXPECT_EQ(DecodeClockReply("NG").year, 0);
}

TEST(ReplyDecodingTest, OnlyWholeTwoFLinesCarryStreamedTemperatures)
{
    for (const char* line : {"2F0BB81234560BA2CD", "2F0BB81234560BA2\r\n", "2F0BB81234560BA2"}) {
        const StreamedTemperatures t = DecodeStreamLine(line);
        EXPECT_TRUE(t.hasData) << line;
        EXPECT_EQ(t.targetK10, 0x0BB8) << line;
        EXPECT_EQ(t.roomK10, 0x0BA2) << line;
    }
    for (const char* line :
         {"2F0BB81234560BA", "2F0BB8\r\n2F0BB81234560BA2", "NG0BB81234560BA2", "", "2f0BB81234560BA2"}) {
        EXPECT_FALSE(DecodeStreamLine(line).hasData) << line;
    }
}

TEST(UnitsTest, ConversionsTruncateAndClampToTheWireRange)
{
    // 2985.5 and 2730.5 are truncated.
    const std::pair<double, uint16_t> toK10[] = {
        {600.0, 8732}, {-30.0, 0x0980}, {0.0, 2732},     {-273.2, 0},  {-300.0, 0},
        {25.35, 2985}, {-0.15, 2730},   {6280.3, 65535}, {1e9, 65535}, {std::nan(""), 0}};
    for (const auto& [celsius, k10] : toK10) {
        EXPECT_EQ(CelsiusToK10(celsius), k10) << celsius;
    }
    EXPECT_NEAR(K10ToCelsius(0x0AAA), -0.2, 1e-9);
    EXPECT_EQ(K10ToCelsius(0x0AAC), 0.0);
    EXPECT_NEAR(K10ToCelsius(0x0980), -30.0, 1e-9);
    EXPECT_DOUBLE_EQ(CelsiusToFahrenheit(-40.0), -40.0);
    EXPECT_DOUBLE_EQ(CelsiusToFahrenheit(100.0), 212.0);
    EXPECT_EQ(EmissivityToThousandths(0.95), 950);
    EXPECT_EQ(EmissivityToThousandths(0.1009), 100);
    EXPECT_EQ(EmissivityToThousandths(-0.5), 0);
    EXPECT_DOUBLE_EQ(ThousandthsToEmissivity(950), 0.95);
}

// A thermometer that accepts check mode, register writes and the exit.
class DeviceSessionTest : public ::testing::Test {
protected:
    DeviceSessionTest()
    {
        app.iniPath = dir.File("rm42meter.ini");
        app.clock = &clock;
        app.ports = &line;
        app.ui = &ui;
        line.Respond("DA", "DAOK");
        line.Respond("81", "81");
        line.Respond("92", "92");
        line.Respond("9135", "9135400400");
    }

    std::string Text(int id) const { return LoadLangString(app, id); }

    TempDir dir;
    FakeClock clock;
    ScriptedLine line{clock};
    FakeUserInterface ui;
    AppState app;
    CCommIO link{app};
};

TEST_F(DeviceSessionTest, AWholeOperationOpensChecksInWorksExitsAndCloses)
{
    DeviceSession session(app, link);
    ASSERT_TRUE(session.Begin());
    uint16_t flags = 0;
    ASSERT_TRUE(session.ReadRegister(REG_FLAGS, flags));
    EXPECT_EQ(flags, 0x4004);
    ASSERT_TRUE(session.UpdateRegisterBits(REG_FLAGS, 0xC000, 0x8000));
    ASSERT_TRUE(session.UpdateRegisterBits(REG_FLAGS, 0x0004, 0xFFFF)); // written back unchanged
    line.Respond("2F", "2F0BB800");
    std::string reply;
    ASSERT_TRUE(session.Command(Cmd::kReadTarget, reply));
    EXPECT_EQ(reply, "0BB800");
    EXPECT_TRUE(session.End());
    EXPECT_EQ(line.commands, (Texts{"DA", "9135", "9135", "92358004", "9135", "92354004", "2F", "81"}));
    EXPECT_TRUE(ui.events.empty());
    EXPECT_FALSE(line.portOpen);
}

TEST_F(DeviceSessionTest, BeginReportsAFailedOpenOrCheckModeAndClosesWithoutExit)
{
    const std::function<void(ScriptedLine&)> failures[] = {
        [](ScriptedLine& l) { l.failOpens = 1; }, // reported as a port error
        [](ScriptedLine& l) { l.standing.erase("DA"); }, [](ScriptedLine& l) { l.Respond("DA", "DANG"); },
        [](ScriptedLine& l) { l.cts = l.dsr = false; }};
    for (const auto& fail : failures) {
        FakeUserInterface caseUi;
        ScriptedLine caseLine(clock);
        caseLine.Respond("DA", "DAOK");
        fail(caseLine);
        app.ui = &caseUi;
        app.ports = &caseLine;
        CCommIO caseLink(app);
        DeviceSession session(app, caseLink);
        EXPECT_FALSE(session.Begin());
        EXPECT_FALSE(caseLine.portOpen);
        const bool openFailed = caseLine.opens.empty();
        EXPECT_EQ(caseUi.BoxTexts(), Texts{Text(openFailed ? 164 : 115)});
        EXPECT_EQ(caseUi.StatusText(), openFailed ? Text(164) : "* COMMAND ERROR");
        EXPECT_LE(caseLine.commands.size(), 1u); // no 81
    }
}

TEST_F(DeviceSessionTest, FailedOrRefusedCommandsAreReportedAndLeaveTheValueAlone)
{
    line.Respond("9214", "92NG");
    line.Respond("22", "22NG");
    DeviceSession session(app, link);
    ASSERT_TRUE(session.Begin());
    const char* const answers[] = {"91NG", "913500", "9135ZZZZ00", "9135", "91", nullptr}; // nullptr: silence
    for (const char* answer : answers) {
        if (answer != nullptr) {
            line.RespondOnce("9135", answer);
        } else {
            line.standing.erase("9135"); // nobody answers
        }
        uint16_t value = 0x1234;
        EXPECT_FALSE(session.ReadRegister(REG_FLAGS, value)) << (answer ? answer : "silence");
        EXPECT_EQ(value, 0x1234);
    }
    EXPECT_FALSE(session.UpdateRegisterBits(REG_FLAGS, 0x0004, 0));
    EXPECT_EQ(line.commands.back(), "9135"); // nothing written after the failed read
    EXPECT_FALSE(session.WriteRegister(REG_EMISSIVITY, 950));
    std::string reply;
    EXPECT_FALSE(session.Command(Cmd::kReadClock, reply));
    EXPECT_EQ(ui.BoxTexts(), Texts(9, "* COMMAND ERROR"));
    EXPECT_EQ(ui.StatusText(), "* COMMAND ERROR");
    EXPECT_TRUE(session.WriteRegister(REG_HOLD_TIME, 10));
}

TEST_F(DeviceSessionTest, EndReportsARefusedExitAndAFailedCloseButAlwaysCloses)
{
    {
        DeviceSession abandoned(app, link);
        ASSERT_TRUE(abandoned.Begin());
    }
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(line.commands, Texts{"DA"}); // closed without exit
    line.Respond("81", "81NG");
    {
        DeviceSession session(app, link);
        ASSERT_TRUE(session.Begin());
        line.failClose = true;
        EXPECT_FALSE(session.End());
    }
    EXPECT_FALSE(line.portOpen);
    EXPECT_EQ(ui.BoxTexts(), (Texts{"* COMMAND ERROR", Text(164)}));
    EXPECT_EQ(ui.StatusText(), Text(164));
}

} // namespace
