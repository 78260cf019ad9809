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
    // clang-format off
    const std::pair<std::string, const char*> texts[] = {{RegisterAddressText(0x3D), "3D"},
        {RegisterReadCommand(REG_STATUS0), "9100"}, {RegisterWriteCommand(REG_STATUS0, 0xFC04), "9200FC04"},
        {RegisterWriteCommand(REG_ALARM_HIGH, CelsiusToK10(600.0)), "9236221C"},
        {RegisterWriteCommand(REG_MEMORY_START, 0xFFFF), "9242FFFF"}, {ClockAlarmWriteCommand(23, 59), "923D173B"},
        {SetTimeCommand(5, 30, 14), "23051E0E"}, {SetDateCommand(1, 3, 2005), "24010307D5"},
        {SetDateCommand(31, 12, 2099), "241F0C0833"}};
    // clang-format on
    for (const auto& [text, expected] : texts)
        EXPECT_EQ(text, expected);
}

TEST(ReplyDecodingTest, RefusalsRegisterTemperatureAndClockReplies)
{
    // clang-format off
    const std::pair<const char*, bool> refusals[] = {{"NG", true}, {"NG00", true}, {"OK", false}, {"N", false},
        {"", false}, {"0NG", false}, {"ng", false}};
    // clang-format on
    for (const auto& [reply, refusal] : refusals)
        EXPECT_EQ(IsRefusal(reply), refusal) << reply;
    // "00FFFF" is one character short: the trailing pair eats a digit.
    // clang-format off
    const std::tuple<const char*, bool, uint16_t> registers[] = {{"00FC0412", true, 0xFC04}, {"300000FF", true, 0x0000},
        {"00FFFF", false, 0xFF00}, {"", false, 0}, {"00fc0412", false, 0}, {"00ZZZZ12", false, 0}, {"NG", false, 0}};
    // clang-format on
    for (const auto& [reply, wellFormed, value] : registers) {
        EXPECT_EQ(IsRegisterReply(reply), wellFormed) << reply;
        EXPECT_TRUE((!wellFormed && value == 0) || DecodeRegisterValue(reply) == value) << reply;
    }
    const DeviceDateTime t = DecodeClockReply("3B1E0E01031407xx");
    EXPECT_EQ(
        std::vector<int>({t.second, t.minute, t.hour, t.day, t.month, t.year, DecodeClockReply("NG").year,
                          DecodeTemperatureValue("0BB8xx"), DecodeTemperatureValue("")}),
        std::vector<int>({59, 30, 14, 1, 3, 2007, 0, 3000, 0}));
}

TEST(ReplyDecodingTest, OnlyWholeTwoFLinesCarryStreamedTemperatures)
{
    // clang-format off
    const std::pair<const char*, bool> lines[] = {{"2F0BB81234560BA2CD", true}, {"2F0BB81234560BA2\r\n", true},
        {"2F0BB81234560BA2", true}, {"2F0BB81234560BA", false}, {"2F0BB8\r\n2F0BB81234560BA2", false},
        {"NG0BB81234560BA2", false}, {"", false}, {"2f0BB81234560BA2", false}};
    // clang-format on
    for (const auto& [line, hasData] : lines) {
        const StreamedTemperatures t = DecodeStreamLine(line);
        EXPECT_TRUE(t.hasData == hasData && (!hasData || (t.targetK10 == 0x0BB8 && t.roomK10 == 0x0BA2)))
            << line;
    }
}

TEST(UnitsTest, ConversionsTruncateAndClampToTheWireRange)
{
    // 2985.5 and 2730.5 are truncated. One row for each end of the clamp: values within the range
    // never meet it.
    // clang-format off
    const std::pair<double, double> values[] = {{CelsiusToK10(600.0), 8732}, {CelsiusToK10(-30.0), 0x0980},
        {CelsiusToK10(0.0), 2732}, {CelsiusToK10(-300.0), 0}, {CelsiusToK10(25.35), 2985}, {CelsiusToK10(-0.15), 2730},
        {CelsiusToK10(1e9), 65535}, {CelsiusToK10(std::nan("")), 0}, {K10ToCelsius(0x0AAA), -0.2},
        {K10ToCelsius(0x0AAC), 0.0}, {K10ToCelsius(0x0980), -30.0}, {CelsiusToFahrenheit(-40.0), -40.0},
        {CelsiusToFahrenheit(100.0), 212.0}, {ThousandthsToEmissivity(950), 0.95}, {EmissivityToThousandths(0.95), 950},
        {EmissivityToThousandths(0.1009), 100}, {EmissivityToThousandths(-0.5), 0}};
    // clang-format on
    for (std::size_t i = 0; i < std::size(values); ++i)
        EXPECT_NEAR(values[i].first, values[i].second, 1e-9) << "row " << i;
}

// A thermometer that accepts check mode, register writes and the exit.
struct Rig : LineRig {
    Rig()
    {
        // Each reply answers the command it echoes: a register read by its code and address.
        for (const char* reply : {"DAOK", "81", "92", "9135400400"})
            line.Respond(std::string(reply, std::string_view(reply).starts_with("91") ? 4 : 2), reply);
    }

    CCommIO link{app};
};

class DeviceSessionTest : public ::testing::Test, public Rig {};

TEST_F(DeviceSessionTest, AWholeOperationOpensChecksInWorksExitsAndCloses)
{
    DeviceSession session(app, link);
    ASSERT_TRUE(session.Begin());
    uint16_t flags = 0;
    line.Respond("2F", "2F0BB800");
    std::string reply;
    // The second update writes the word back unchanged.
    ASSERT_TRUE(session.ReadRegister(REG_FLAGS, flags) &&
                session.UpdateRegisterBits(REG_FLAGS, 0xC000, 0x8000) &&
                session.UpdateRegisterBits(REG_FLAGS, 0x0004, 0xFFFF) &&
                session.Command(Cmd::kReadTarget, reply) && session.End());
    EXPECT_EQ(std::tuple(flags, reply, line.commands, ui.events, line.portOpen),
              std::tuple(0x4004, "0BB800",
                         Texts{"DA", "9135", "9135", "92358004", "9135", "92354004", "2F", "81"}, Texts{},
                         false));
}

TEST_F(DeviceSessionTest, FailedBeginsAndEndsAreReportedAndTheLinkIsClosedWithoutExitUnlessBegun)
{
    using Arrange = std::function<void(ScriptedLine&)>;
    const std::string error = "* COMMAND ERROR", io = Text(164);
    // What goes wrong, whether Begin succeeds and End is called, the boxes, the status, the commands.
    // clang-format off
    const std::tuple<Arrange, bool, bool, Texts, std::string, Texts> cases[] = {
        {[](ScriptedLine& l) { l.failOpens = 1; }, false, false, {io}, io, {}},
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
        EXPECT_EQ(std::tuple(r.line.portOpen, r.ui.BoxTexts(), r.ui.StatusText(), r.line.commands),
                  std::tuple(false, boxes, status, commands));
    }
}

TEST_F(DeviceSessionTest, FailedOrRefusedCommandsAreReportedAndLeaveTheValueAlone)
{
    line.Respond("9214", "92NG");
    DeviceSession session(app, link);
    ASSERT_TRUE(session.Begin());
    for (const char* answer : {"91NG", "913500", "9135ZZZZ00", "9135", "91"}) {
        line.RespondOnce("9135", answer);
        uint16_t value = 0x1234;
        EXPECT_FALSE(session.ReadRegister(REG_FLAGS, value) || value != 0x1234) << answer;
    }
    EXPECT_FALSE(session.WriteRegister(REG_EMISSIVITY, 950));
    EXPECT_EQ(std::tuple(ui.BoxTexts(), ui.StatusText()),
              std::tuple(Texts(6, "* COMMAND ERROR"), "* COMMAND ERROR"));
    EXPECT_TRUE(session.WriteRegister(REG_HOLD_TIME, 10));
}

} // namespace
