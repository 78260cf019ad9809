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
#include <string>
#include <vector>

namespace {

using Commands = std::vector<std::string>;

// --- command texts ------------------------------------------------------------------------

TEST(CommandTextTest, FieldsAreFixedWidthUpperCaseHex)
{
    struct Case {
        std::string actual;
        const char* expected;
    };
    const Case cases[] = {
        {RegisterAddressText(0x00), "00"},
        {RegisterAddressText(0x3D), "3D"},
        {RegisterReadCommand(REG_STATUS0), "9100"},
        {RegisterReadCommand(REG_SERIAL_LOW), "9131"},
        {RegisterReadCommand(0xFF), "91FF"},
        {RegisterWriteCommand(REG_STATUS0, 0xFC04), "9200FC04"},
        {RegisterWriteCommand(REG_EMISSIVITY, 1000), "921403E8"},
        {RegisterWriteCommand(REG_ALARM_HIGH, CelsiusToK10(600.0)), "9236221C"},
        {RegisterWriteCommand(REG_MEMORY_START, 0xFFFF), "9242FFFF"},
        {ClockAlarmWriteCommand(23, 59), "923D173B"},
        {ClockAlarmWriteCommand(0, 0), "923D0000"},
        {SetTimeCommand(5, 30, 14), "23051E0E"},
        {SetDateCommand(1, 3, 2005), "24010307D5"},
        {SetDateCommand(31, 12, 2099), "241F0C0833"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.actual, c.expected);
    }
}

// --- replies ------------------------------------------------------------------------------

TEST(ReplyDecodingTest, RefusalIsNgAtTheStart)
{
    EXPECT_TRUE(IsRefusal("NG"));
    EXPECT_TRUE(IsRefusal("NG00"));
    EXPECT_FALSE(IsRefusal("OK"));
    EXPECT_FALSE(IsRefusal("N"));
    EXPECT_FALSE(IsRefusal(""));
    EXPECT_FALSE(IsRefusal("0NG"));
    EXPECT_FALSE(IsRefusal("ng"));
}

TEST(ReplyDecodingTest, RegisterRepliesCarryTheValueAfterTheAddressEcho)
{
    struct Case {
        const char* reply;
        bool wellFormed;
        uint16_t value;
    };
    const Case cases[] = {
        {"00FC0412", true, 0xFC04},
        {"36221C00", true, 0x221C},
        {"300000FF", true, 0x0000},
        {"00FFFF", false, 0xFF00}, // one character short: the trailing pair eats a digit
        {"00", false, 0},
        {"", false, 0},
        {"00fc0412", false, 0}, // lower case is not a value
        {"00ZZZZ12", false, 0},
        {"NG", false, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsRegisterReply(c.reply), c.wellFormed) << c.reply;
        if (c.wellFormed || c.value != 0) {
            EXPECT_EQ(DecodeRegisterValue(c.reply), c.value) << c.reply;
        }
    }
}

TEST(ReplyDecodingTest, TemperatureRepliesCarryTheValueFirst)
{
    EXPECT_EQ(DecodeTemperatureValue("0BB8xx"), 3000);
    EXPECT_EQ(DecodeTemperatureValue("0AAC00000000"), 2732);
    EXPECT_EQ(DecodeTemperatureValue(""), 0);
}

TEST(ReplyDecodingTest, ClockReplyFieldsAndYear)
{
    const DeviceDateTime t = DecodeClockReply("3B1E0E01031407xx");
    EXPECT_EQ(t.second, 59);
    EXPECT_EQ(t.minute, 30);
    EXPECT_EQ(t.hour, 14);
    EXPECT_EQ(t.day, 1);
    EXPECT_EQ(t.month, 3);
    EXPECT_EQ(t.year, 2007);

    const DeviceDateTime empty = DecodeClockReply("NG");
    EXPECT_EQ(empty.year, 0);
    EXPECT_EQ(empty.second, 0);
}

TEST(StreamLineTest, OnlyWholeTwoFLinesCarryData)
{
    struct Case {
        const char* line;
        bool hasData;
        uint16_t target;
        uint16_t room;
    };
    const Case cases[] = {
        {"2F0BB81234560BA2CD", true, 0x0BB8, 0x0BA2},   // target, 6 unused, room, 2 more
        {"2F0BB81234560BA2\r\n", true, 0x0BB8, 0x0BA2}, // line end still there
        {"2F0BB81234560BA2", true, 0x0BB8, 0x0BA2},
        {"2F0BB81234560BA", false, 0, 0},            // one short
        {"2F0BB8\r\n2F0BB81234560BA2", false, 0, 0}, // a short line, then the next
        {"NG0BB81234560BA2", false, 0, 0},
        {"DAOK", false, 0, 0},
        {"", false, 0, 0},
        {"2f0BB81234560BA2", false, 0, 0},
    };
    for (const Case& c : cases) {
        const StreamedTemperatures t = DecodeStreamLine(c.line);
        EXPECT_EQ(t.hasData, c.hasData) << c.line;
        EXPECT_EQ(t.targetK10, c.target) << c.line;
        EXPECT_EQ(t.roomK10, c.room) << c.line;
    }
}

// --- units --------------------------------------------------------------------------------

TEST(UnitsTest, CelsiusToTenthsOfAKelvinTruncatesAndClamps)
{
    struct Case {
        double celsius;
        uint16_t k10;
    };
    const Case cases[] = {
        {600.0, 8732},   {-30.0, 2432}, {0.0, 2732},   {25.0, 2982},
        {-273.2, 0},     {-300.0, 0},   {25.35, 2985}, // 2985.5 truncated
        {-0.15, 2730},                                 // 2730.5 truncated
        {6280.3, 65535}, {1e9, 65535},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CelsiusToK10(c.celsius), c.k10) << c.celsius;
    }
    EXPECT_EQ(CelsiusToK10(std::nan("")), 0);
}

TEST(UnitsTest, TenthsOfAKelvinToCelsiusAndFahrenheit)
{
    EXPECT_NEAR(K10ToCelsius(0x0AAA), -0.2, 1e-9);
    EXPECT_EQ(K10ToCelsius(0x0AAC), 0.0);
    EXPECT_NEAR(K10ToCelsius(0x221C), 600.0, 1e-9);
    EXPECT_NEAR(K10ToCelsius(0x0980), -30.0, 1e-9);
    EXPECT_NEAR(K10ToCelsius(0), -273.2, 1e-9);
    EXPECT_DOUBLE_EQ(CelsiusToFahrenheit(100.0), 212.0);
    EXPECT_DOUBLE_EQ(CelsiusToFahrenheit(-40.0), -40.0);
}

TEST(UnitsTest, EmissivityTravelsInThousandths)
{
    EXPECT_EQ(EmissivityToThousandths(1.0), 1000);
    EXPECT_EQ(EmissivityToThousandths(0.95), 950);
    EXPECT_EQ(EmissivityToThousandths(0.1009), 100);
    EXPECT_EQ(EmissivityToThousandths(-0.5), 0);
    EXPECT_DOUBLE_EQ(ThousandthsToEmissivity(950), 0.95);
    EXPECT_DOUBLE_EQ(ThousandthsToEmissivity(1000), 1.0);
}

// --- the frame of an operation ------------------------------------------------------------

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
    line.Respond("9135", "9135400400");
    {
        DeviceSession session(app, link);
        ASSERT_TRUE(session.Begin());
        uint16_t flags = 0;
        ASSERT_TRUE(session.ReadRegister(REG_FLAGS, flags));
        EXPECT_EQ(flags, 0x4004);
        ASSERT_TRUE(session.WriteRegister(REG_ALARM_HIGH, CelsiusToK10(600.0)));
        EXPECT_TRUE(session.End());
        EXPECT_FALSE(link.IsOpen());
    }
    EXPECT_EQ(line.Commands(), (Commands{"DA", "9135", "9236221C", "81"}));
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_TRUE(ui.statusTexts.empty());
    EXPECT_FALSE(line.AnyPortOpen());
}

TEST_F(DeviceSessionTest, FailedOpenReportsTheComPortError)
{
    line.failOpens = 1;
    DeviceSession session(app, link);
    EXPECT_FALSE(session.Begin());
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, Text(164));
    EXPECT_EQ(ui.StatusText(), Text(164));
    EXPECT_TRUE(line.Commands().empty());
}

TEST_F(DeviceSessionTest, UnansweredOrRefusedCheckModeAsksToSwitchOnAndCloses)
{
    struct Case {
        const char* what;
        bool silent;
        bool powered;
    };
    const Case cases[] = {{"silence", true, true}, {"NG", false, true}, {"switched off", false, false}};
    for (const Case& c : cases) {
        FakeUserInterface caseUi;
        ScriptedLine caseLine(clock);
        app.ui = &caseUi;
        app.ports = &caseLine;
        if (!c.silent) {
            caseLine.Respond("DA", "DANG");
        }
        caseLine.cts = caseLine.dsr = c.powered;
        CCommIO caseLink(app);
        DeviceSession session(app, caseLink);
        EXPECT_FALSE(session.Begin()) << c.what;
        EXPECT_FALSE(caseLink.IsOpen()) << c.what;
        EXPECT_FALSE(caseLine.AnyPortOpen()) << c.what;
        ASSERT_EQ(caseUi.boxes.size(), 1u) << c.what;
        EXPECT_EQ(caseUi.boxes[0].text, Text(115)) << c.what;
        EXPECT_EQ(caseUi.StatusText(), "* COMMAND ERROR") << c.what;
        for (const std::string& command : caseLine.Commands()) {
            EXPECT_NE(command, "81") << c.what;
        }
    }
}

TEST_F(DeviceSessionTest, BadRegisterReadsAreReportedAndLeaveTheValueAlone)
{
    const char* answers[] = {"91NG", "913500", "9135ZZZZ00", "9135", "91"};
    DeviceSession session(app, link);
    ASSERT_TRUE(session.Begin());
    for (const char* answer : answers) {
        line.RespondOnce("9135", answer);
        ui.boxes.clear();
        uint16_t value = 0x1234;
        EXPECT_FALSE(session.ReadRegister(REG_FLAGS, value)) << answer;
        EXPECT_EQ(value, 0x1234) << answer;
        ASSERT_EQ(ui.boxes.size(), 1u) << answer;
        EXPECT_EQ(ui.boxes[0].text, "* COMMAND ERROR") << answer;
    }
    // A read nobody answers fails the same way.
    uint16_t value = 0;
    ui.boxes.clear();
    EXPECT_FALSE(session.ReadRegister(REG_HOLD_TIME, value));
    EXPECT_EQ(ui.boxes.size(), 1u);
}

TEST_F(DeviceSessionTest, RefusedWriteIsReported)
{
    line.Respond("9214", "92NG");
    DeviceSession session(app, link);
    ASSERT_TRUE(session.Begin());
    EXPECT_FALSE(session.WriteRegister(REG_EMISSIVITY, 950));
    EXPECT_EQ(ui.StatusText(), "* COMMAND ERROR");
    EXPECT_TRUE(session.WriteRegister(REG_HOLD_TIME, 10));
}

TEST_F(DeviceSessionTest, UpdateRegisterBitsChangesOnlyTheMaskedBits)
{
    line.Respond("9135", "9135400400");
    DeviceSession session(app, link);
    ASSERT_TRUE(session.Begin());
    EXPECT_TRUE(session.UpdateRegisterBits(REG_FLAGS, 0xC000, 0x8000));
    EXPECT_TRUE(session.UpdateRegisterBits(REG_FLAGS, 0x0004, 0xFFFF));
    EXPECT_EQ(line.Commands(), (Commands{"DA", "9135", "92358004", "9135", "92354004"}));

    line.Respond("9135", "91NG");
    EXPECT_FALSE(session.UpdateRegisterBits(REG_FLAGS, 0x0004, 0));
    EXPECT_EQ(line.Commands().back(), "9135"); // nothing written after the failed read
}

TEST_F(DeviceSessionTest, FailedCommandIsReportedWithItsCode)
{
    line.Respond("22", "22NG");
    line.Respond("2F", "2F0BB800");
    DeviceSession session(app, link);
    ASSERT_TRUE(session.Begin());
    std::string reply;
    EXPECT_TRUE(session.Command(Cmd::kReadTarget, reply));
    EXPECT_EQ(reply, "0BB800");
    EXPECT_FALSE(session.Command(Cmd::kReadClock, reply));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "* COMMAND ERROR");
}

TEST_F(DeviceSessionTest, EndReportsARefusedExitAndAFailedCloseButAlwaysCloses)
{
    line.Respond("81", "81NG");
    {
        DeviceSession session(app, link);
        ASSERT_TRUE(session.Begin());
        line.failClose = true;
        EXPECT_FALSE(session.End());
    }
    EXPECT_FALSE(link.IsOpen());
    EXPECT_FALSE(line.AnyPortOpen());
    EXPECT_EQ(ui.BoxTexts(), (std::vector<std::string>{"* COMMAND ERROR", Text(164)}));
    EXPECT_EQ(ui.StatusText(), Text(164));
}

TEST_F(DeviceSessionTest, AnAbandonedSessionClosesWithoutExit)
{
    {
        DeviceSession session(app, link);
        ASSERT_TRUE(session.Begin());
    }
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(line.Commands(), Commands{"DA"});
}

} // namespace
