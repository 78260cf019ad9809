#include "device/CommandSet.h"
#include "device/CCommIO.h"
#include "device/Status0.h"
#include "support/ScriptedSerialPort.h"

#include <gtest/gtest.h>

#include <iomanip>
#include <regex>
#include <sstream>

using Texts = std::vector<std::string>;

// The wire table: each row a command's text from its fields, what a decoder makes of a reply
// ("" is an empty field; \r\n stands for CR LF), a hex field, a unit conversion (truncated and
// clamped to the wire's range), a STATUS0 template applied (character 0 governs bit 15; a short
// template or any character but '0' and '1' leaves the bit), a serial number's INI key and display
// text (signed), or the device a port name opens (a bare name is taken from the INI's folder).
// The table is regenerated and compared as one text.
TEST(WireTableTest, CommandsRepliesHexFieldsAndUnitsGiveTheTabledResults)
{
    const std::string table = ReadFileBytes(TestDataPath("device/wire.txt"));
    ASSERT_FALSE(table.empty()) << "no wire table";
    std::istringstream rows(table);
    std::string got;
    for (std::string row, kind; std::getline(rows, row);) {
        const std::string fields = row.substr(0, row.find(" = "));
        std::istringstream in(fields);
        in >> kind;
        std::vector<std::string> a;
        for (std::string field; in >> field;)
            a.push_back(std::regex_replace(field == "\"\"" ? "" : field, std::regex(R"(\\r\\n)"), "\r\n"));
        const std::string& r = a[0];
        const auto n = [&](std::size_t i) { return std::stoi(a[i]); };
        const auto x = [&](std::size_t i) { return static_cast<uint16_t>(std::stoi(a[i], nullptr, 16)); };
        const DeviceDateTime t = DecodeClockReply(r);
        const StreamedTemperatures st = DecodeStreamLine(r);
        std::ostringstream out;
        out << std::setprecision(10);
        if (kind == "address") out << RegisterAddressText(x(0));
        if (kind == "read") out << RegisterReadCommand(x(0));
        if (kind == "write") out << RegisterWriteCommand(x(0), x(1));
        if (kind == "alarm") out << ClockAlarmWriteCommand(n(0), n(1));
        if (kind == "time") out << SetTimeCommand(n(0), n(1), n(2));
        if (kind == "date") out << SetDateCommand(n(0), n(1), n(2));
        if (kind == "register")
            IsRegisterReply(r) ? out << std::hex << std::uppercase << DecodeRegisterValue(r) : out << '-';
        if (kind == "refusal") out << IsRefusal(r);
        if (kind == "clock")
            out << t.year << '-' << t.month << '-' << t.day << ' ' << t.hour << ':' << t.minute << ':'
                << t.second;
        if (kind == "temperature") out << DecodeTemperatureValue(r);
        if (kind == "stream") st.hasData ? out << st.targetK10 << ' ' << st.roomK10 : out << '-';
        if (kind == "hex") out << HexToInt(r, n(1));
        if (kind == "replyhex") out << ReplyHex(r, n(1), n(2));
        if (kind == "k10") out << CelsiusToK10(std::stod(r));
        if (kind == "celsius") out << K10ToCelsius(n(0));
        if (kind == "fahrenheit") out << CelsiusToFahrenheit(std::stod(r));
        if (kind == "emissivity") out << ThousandthsToEmissivity(n(0));
        if (kind == "status0")
            out << std::hex << std::uppercase << ApplyStatus0Template(x(0), a[1]).value << ' '
                << ApplyStatus0Template(x(0), a[1]).changed;
        if (kind == "serial") out << FormatSerialKey(std::stoul(r)) << ' ' << FormatSerialText(std::stoul(r));
        if (kind == "port") out << PortDevicePath(r, "/a/b/my.ini");
        if (kind == "thousandths") out << EmissivityToThousandths(std::stod(r));
        got += fields + " = " + out.str() + "\n";
    }
    EXPECT_EQ(got, table);
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
    ASSERT_TRUE(session.ReadRegister(REG_FLAGS, flags) && session.WriteRegister(REG_FLAGS, 0x8004) &&
                session.Command(Cmd::kReadTarget, reply) && session.End());
    EXPECT_EQ(std::tuple(flags, reply, line.commands, ui.events, line.portOpen),
              std::tuple(0x4004, "0BB800", Texts{"DA", "9135", "92358004", "2F", "81"}, Texts{}, false));
}

TEST_F(DeviceSessionTest, FailuresAreReportedLeaveValuesAloneAndCloseTheLinkWithoutExitUnlessBegun)
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
    // Failed or refused commands in a session that began leave the value alone.
    line.Respond("9214", "92NG");
    DeviceSession session(app, link);
    ASSERT_TRUE(session.Begin());
    for (uint16_t value = 0x1234; const char* answer : {"91NG", "913500", "9135ZZZZ00", "9135", "91"}) {
        line.RespondOnce("9135", answer);
        EXPECT_FALSE(session.ReadRegister(REG_FLAGS, value) || value != 0x1234) << answer;
    }
    EXPECT_FALSE(session.WriteRegister(REG_EMISSIVITY, 950));
    EXPECT_EQ(std::tuple(ui.BoxTexts(), ui.StatusText()),
              std::tuple(Texts(6, "* COMMAND ERROR"), "* COMMAND ERROR"));
    EXPECT_TRUE(session.WriteRegister(REG_HOLD_TIME, 10));
}
