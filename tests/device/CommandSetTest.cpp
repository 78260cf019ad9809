#include "device/CommandSet.h"
#include "device/CCommIO.h"
#include "support/ScriptedSerialPort.h"

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
    const std::pair<const char*, bool> refusals[] = {{"NG", true}, {"NG00", true}, {"OK", false},
                                                     {"N", false}, {"", false},    {"0NG", false},
                                                     {"ng", false}};
    for (const auto& [reply, refusal] : refusals) {
        EXPECT_EQ(IsRefusal(reply), refusal) << reply;
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
    // clang-format off
    const std::pair<const char*, bool> lines[] = {
        {"2F0BB81234560BA2CD", true}, {"2F0BB81234560BA2\r\n", true}, {"2F0BB81234560BA2", true},
        {"2F0BB81234560BA", false}, {"2F0BB8\r\n2F0BB81234560BA2", false}, {"NG0BB81234560BA2", false},
        {"", false}, {"2f0BB81234560BA2", false}};
    // clang-format on
    for (const auto& [line, hasData] : lines) {
        const StreamedTemperatures t = DecodeStreamLine(line);
        EXPECT_EQ(t.hasData, hasData) << line;
        EXPECT_TRUE(!hasData || (t.targetK10 == 0x0BB8 && t.roomK10 == 0x0BA2)) << line;
    }
}

TEST(UnitsTest, ConversionsTruncateAndClampToTheWireRange)
{
    // 2985.5 and 2730.5 are truncated.
    // One row for each end of the clamp: values within the range never meet it.
    const std::pair<double, uint16_t> toK10[] = {{600.0, 8732}, {-30.0, 0x0980},  {0.0, 2732},
                                                 {-300.0, 0},   {25.35, 2985},    {-0.15, 2730},
                                                 {1e9, 65535},  {std::nan(""), 0}};
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
struct Rig : LineRig {
    Rig()
    {
        line.Respond("DA", "DAOK");
        line.Respond("81", "81");
        line.Respond("92", "92");
        line.Respond("9135", "9135400400");
    }

    CCommIO link{app};
};

class DeviceSessionTest : public ::testing::Test, public Rig {};

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

TEST_F(DeviceSessionTest, FailedBeginsAndEndsAreReportedAndTheLinkIsClosedWithoutExitUnlessBegun)
{
    using Arrange = std::function<void(ScriptedLine&)>;
    const std::string error = "* COMMAND ERROR", io = Text(164), on = Text(115);
    // What goes wrong, whether Begin succeeds and End is called, the boxes, the status, the commands.
    // clang-format off
    const std::tuple<Arrange, bool, bool, Texts, std::string, Texts> cases[] = {
        {[](ScriptedLine& l) { l.failOpens = 1; }, false, false, {io}, io, {}},
        {[](ScriptedLine& l) { l.standing.erase("DA"); }, false, false, {on}, error, {"DA"}},
        {[](ScriptedLine& l) { l.Respond("DA", "DANG"); }, false, false, {on}, error, {"DA"}},
        {[](ScriptedLine& l) { l.cts = l.dsr = false; }, false, false, {on}, error, {}},
        {[](ScriptedLine&) {}, true, false, {}, "", {"DA"}}, // abandoned: closed without exit
        {[](ScriptedLine& l) { l.Respond("81", "81NG"), l.failClose = true; }, true, true, {error, io}, io, {"DA", "81"}}};
    // clang-format on
    for (const auto& [arrange, begins, ends, boxes, status, commands] : cases) {
        Rig r;
        arrange(r.line);
        {
            DeviceSession session(r.app, r.link);
            EXPECT_EQ(session.Begin(), begins);
            EXPECT_TRUE(!ends || !session.End()); // a refused exit or a failed close
        }
        EXPECT_FALSE(r.line.portOpen);
        EXPECT_EQ(r.ui.BoxTexts(), boxes);
        EXPECT_EQ(r.ui.StatusText(), status);
        EXPECT_EQ(r.line.commands, commands);
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
        answer ? line.RespondOnce("9135", answer) : void(line.standing.erase("9135")); // silence: for good
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

} // namespace
