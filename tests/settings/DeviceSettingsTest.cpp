#include "settings/DeviceSettings.h"

#include "app/Cp932.h"
#include "app/IniFile.h"
#include "app/NumberText.h"
#include "device/CCommIO.h"
#include "device/Status0.h"
#include "resources/StringIds.h"
#include "settings/TypeNames.h"
#include "sim/SimThermometer.h"
#include "support/ScriptedSerialPort.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

// The settings operations against the simulated thermometer in virtual time; the simulator's
// command log shows what went over the line.
class DeviceSettingsTest : public ::testing::Test, public LineRig {
protected:
    DeviceSettingsTest() { Start(SimConfig{}); }

    void Start(SimConfig config, const std::string& iniExtra = "")
    {
        config.useHostClock = false;
        link.reset();
        ports.reset();
        sim = std::make_unique<SimThermometer>(config, clock);
        ports = MakeSimPortFactory(*sim, clock);
        app.ports = ports.get();
        ui = FakeUserInterface{};
        WriteFileBytes(app.iniPath, "[ComPort]\nPort=COM1\nStopBit=0\n" + iniExtra);
        link = std::make_unique<CCommIO>(app);
        seen = 0;
    }
    // The commands since the last call.
    Texts Sent()
    {
        const Texts all = sim->ReceivedCommands();
        return {all.begin() + static_cast<std::ptrdiff_t>(std::exchange(seen, all.size())), all.end()};
    }

    std::unique_ptr<SimThermometer> sim;
    std::unique_ptr<SerialPortFactory> ports;
    std::unique_ptr<CCommIO> link;
    SettingsRecord record;
    std::size_t seen = 0;
};

// The thermometer of the Japanese export's golden file, read and written out again.
TEST_F(DeviceSettingsTest, ReadsEverySettingInOrderLeavesCheckModeAndExportsThemAndAFailedValueKeepsItsOld)
{
    // HIGH 100.0 degC on, LOW -10.0 degC off, 0.949 shown rounded as 0.95, the clock alarm at 12:00
    // on every day, tenths.
    // clang-format off
    Start({.serial = 12345678, .emissivityRegister = 949, .status0 = 0xFC0C, .flagWord = 0x461C, .alarmHighK10 = 3732,
           .alarmLowK10 = 2632, .clockAlarm = 0x0C00, .clockAlarmRingS = 3, .holdS = 15, .memoryWords = {},
           .clockStart = {2005, 3, 5, 14, 30, 0}, .faults = {}});
    // clang-format on
    IniFile::WriteString(TypeNameFilePath(app), "HardName", "012345678", "Line A");
    app.deviceSerialText = FormatSerialText(app.deviceSerial = 12345678);
    ReadSettingsFromDevice(app, *link, record, ui.OpenProgress().get());
    EXPECT_EQ(
        std::tuple(Sent(), ui.boxes.size(), ui.progressRanges, ui.progressSteps),
        std::tuple(Texts{"DA", "9136", "9137", "9114", "9135", "913D", "913E", "913F", "9100", "22", "81"},
                   0u, std::vector{12}, Texts(11, Text(StringId::Reading))));
    EXPECT_EQ(FormatDateTime(MakeDateTimePattern(app), record.deviceClock) + "|" + ui.events.back(),
              "2005年03月05日 14:30:00|title:" + Text(165) + " : No.00123450678");
    ASSERT_TRUE(ExportSettingsCsv(app, dir.File("s.csv"), record));
    EXPECT_EQ(ReadFileBytes(dir.File("s.csv")), ReadFileBytes(TestDataPath("settings/settings-ja.csv")));
    // Alarms the thermometer holds outside the settable range are shown at the range's edge.
    EXPECT_EQ(std::tuple(AlarmHighDisplay(1000.0), AlarmLowDisplay(200.0)), std::tuple(600.0, -30.0));

    // A failed value is reported and keeps what the record held; 9137 gets noise.
    // clang-format off
    Start({.memoryWords = {}, .clockStart = {}, .faults = {{SimFault::Kind::Ng, "22"}, {SimFault::Kind::Garbage, "", 3}}});
    // clang-format on
    record.alarmLowK = 300.0, record.deviceClock = {2010, 6, 7, 8, 9, 10};
    const SettingsReadResult read = ReadSettingsFromDevice(app, *link, record, nullptr);
    EXPECT_TRUE(!read.alarmLow && !read.clock && read.alarmHigh && read.holdTime);
    EXPECT_EQ(std::tuple(record.alarmLowK, record.deviceClock.year, ui.BoxTexts(), Sent().back()),
              std::tuple(300.0, 2010, Messages({0, 0}), "81"));
}

TEST(SettingsInputTest, TheClockIsRepairedAndCountsSecondsOnAndAlarmRangesAndOrderAreChecked)
{
    // What the thermometer gave, as repaired; then a second added.
    // clang-format off
    const std::tuple<DeviceDateTime, const char*> cases[] = {
        {{1999, 3, 5, 14, 30, 60}, "2004/03/05 14:30:00"}, {{2051, 0, 32, 24, 60, 59}, "2004/01/01 00:00:59"},
        {{2050, 13, 31, 23, 59, 0}, "2050/01/31 23:59:00"}, {{2004, 12, 0, 0, 0, 0}, "2004/12/01 00:00:00"}};
    // clang-format on
    const auto text = [](const DeviceDateTime& t) { return FormatDateTime("%Y/%m/%d %H:%M:%S", t); };
    for (const auto& [read, repaired] : cases)
        EXPECT_EQ(text(RepairClock(read)), repaired);
    EXPECT_EQ(text(AddSeconds({2004, 12, 31, 23, 59, 59}, 1)) + " " +
                  text(AddSeconds({2008, 2, 28, 23, 59, 59}, 1)),
              "2005/01/01 00:00:00 2008/02/29 00:00:00");

    // The alarm fields: ranges and order are checked with the values kept.
    // clang-format off
    const std::tuple<const char*, const char*, AlarmInputError> alarms[] = {
        {"600.0", "-30.0", AlarmInputError::None}, {"600.1", "0", AlarmInputError::HighOutOfRange},
        {"-30.1", "-40", AlarmInputError::HighOutOfRange}, {"100", "-30.1", AlarmInputError::LowOutOfRange},
        {"50", "600.5", AlarmInputError::LowOutOfRange}, {"50.0", "50.0", AlarmInputError::Order},
        {"10", "20", AlarmInputError::Order}, {"", "", AlarmInputError::Order}};
    // clang-format on
    for (const auto& [high, low, error] : alarms) {
        SettingsRecord r;
        EXPECT_EQ(CheckAlarmInput(high, low, r), error) << high << " " << low;
        EXPECT_NEAR(r.alarmHighK, LeadingDouble(high) + 273.2, 1e-9); // kept before the check
    }
}

TEST_F(DeviceSettingsTest, ClockAlarmAndResolutionChangeOnlyTheirOwnBitsAndARefusedTimeSendsNoDate)
{
    // clang-format off
    Start({.status0 = 0x1234, .flagWord = 0x041C, .memoryWords = {}, .clockStart = {}, .faults = {}});
    // clang-format on
    record.clockAlarmHour = 6, record.clockAlarmMinute = 45;
    EXPECT_TRUE(WriteClockAlarm(app, *link, record, "", true, false)); // an empty field is sent as 0
    EXPECT_TRUE(WriteResolution(app, *link, record, true));
    EXPECT_TRUE(record.resolutionTenth && record.clockAlarmOn && !record.clockAlarmDaily);
    EXPECT_TRUE(WriteResolution(app, *link, record, false) && !record.resolutionTenth && ui.boxes.empty());
    // A refused time sends no date.
    sim->AddFault({SimFault::Kind::Ng, "23"});
    record.deviceClock = {2005, 3, 5, 12, 34, 56};
    EXPECT_FALSE(WriteDeviceClock(app, *link, record));
    // clang-format off
    EXPECT_EQ(Sent(), (Texts{"DA", "923D062D", "923E0000", "9135", "9235021C", "81", "DA", "9100", "9200123C", "81",
                             "DA", "9100", "92001234", "81", "DA", "2338220C", "81"}));
    // clang-format on
    EXPECT_EQ(ui.BoxTexts(), Messages({0}));
}

TEST_F(DeviceSettingsTest, ResetWritesThePreferenceDefaultsAndReadsBack)
{
    // [Preference] lines; the resolution bit expected, register 35 after, the 3D/3E/3F writes.
    // clang-format off
    const std::tuple<std::string, bool, uint16_t, Texts> cases[] = {
        {"", false, 0xC01C, {"923D0C00", "923E0003", "923F000F"}},
        {"[Preference]\nDefault_Resolution=10\nDefault_ClockAlalrm_Enable=1\nDefault_ClockAlalrm=0815\n", true, 0xC21C,
         {"923D0815", "923E0003", "923F000F"}},
        {"[Preference]\nDefault_Resolution=yes\nDefault_ClockAlarm_Repeat=1x\nDefault_HoldTime=0005\n"
         "Default_ClockAlarm_OnTime=000A\n", false, 0xC41C, {"923D0C00", "923E000A", "923F0005"}}};
    // clang-format on
    for (const auto& [preference, tenth, flags, writes] : cases) {
        SCOPED_TRACE(preference);
        // clang-format off
        Start({.status0 = 0x1F0F, .flagWord = 0xC61C, .alarmHighK10 = 3000, .memoryWords = {}, .clockStart = {}, .faults = {}}, preference);
        // clang-format on
        ASSERT_TRUE(ResetToDefaults(app, *link, record, ui.OpenProgress().get()));
        const Texts sent = Sent();
        ASSERT_GE(sent.size(), 10u);
        // The alarm is left as it was, and read back.
        EXPECT_EQ(std::tuple(Texts(sent.begin() + 1, sent.begin() + 4), sent[5], sent.back(),
                             sim->Register(REG_FLAGS), sim->Register(REG_STATUS0), record.resolutionTenth,
                             sim->Register(REG_ALARM_HIGH), record.alarmHighK, ui.BoxTexts(),
                             ui.progressRanges, ui.progressSteps.size(), ui.progressSteps.at(0)),
                  std::tuple(writes, RegisterWriteCommand(REG_FLAGS, flags), std::string("81"), flags,
                             static_cast<uint16_t>(tenth ? 0x1F0F : 0x1F07), tenth, uint16_t{3000}, 300.0,
                             Texts{}, std::vector{22}, std::size_t{16}, Text(198)));
    }
}

TEST_F(DeviceSettingsTest, RegisteringKeepsOneKeyPerThermometer)
{
    EXPECT_FALSE(RegisterTypeName(app, *link, "") || !Sent().empty());
    EXPECT_TRUE(RegisterTypeName(app, *link, "Old") && RegisterTypeName(app, *link, "放射計"));
    EXPECT_EQ(Sent(), (Texts{"DA", "9130", "9131", "81", "DA", "9130", "9131", "81"}));
    // The caption names the type; the file holds it once, in CP932.
    EXPECT_EQ(std::tuple(Texts(ui.events.end() - 2, ui.events.end()), ui.boxes.back().icon,
                         ReadFileBytes(TypeNameFilePath(app))),
              std::tuple(Texts{"title:" + Text(165) + " : No.01234560789 (放射計)", "box:" + Text(212)},
                         MsgIcon::Information, "[HardName]\r\n123456789=" + Utf8ToCp932("放射計") + "\r\n"));

    // A failed serial number read keeps the file and the typed name.
    // clang-format off
    Start({.memoryWords = {}, .clockStart = {}, .faults = {SimFault{SimFault::Kind::Silent, "", 3}}});
    // clang-format on
    WriteFileBytes(TypeNameFilePath(app), "kept");
    EXPECT_FALSE(RegisterTypeName(app, *link, "Typed"));
    EXPECT_EQ(app.typeName + ReadFileBytes(TypeNameFilePath(app)), "Typedkept");
}

TEST(SettingsCsvTest, DefaultNameExtensionAndAFolderThatCannotBeWritten)
{
    LineRig rig;
    rig.app.language = 1;
    std::tm when{};
    when.tm_year = 105, when.tm_mon = 2, when.tm_mday = 5, when.tm_hour = 14, when.tm_min = 30,
    when.tm_isdst = -1;
    const std::time_t t = std::mktime(&when);
    const std::string unnamed = SettingsCsvDefaultName(rig.app, t);
    rig.app.typeName = "no name";
    EXPECT_EQ(
        unnamed + "|" + SettingsCsvDefaultName(rig.app, t),
        "No Type-Number entered-Each Adjustment-20050305_143000|no name-Each Adjustment-20050305_143000");
    // clang-format off
    const std::tuple<const char*, const char*> paths[] = {{"/a/b/report.txt", "/a/b/report.csv"},
        {"/a/b.c/report", "/a/b.c/report.csv"}, {"report", "report.csv"}, {"/a/x.y.csv", "/a/x.y.csv"}};
    // clang-format on
    for (const auto& [chosen, written] : paths)
        EXPECT_EQ(SettingsCsvPath(chosen), written);
    EXPECT_TRUE(ExportSettingsCsv(rig.app, rig.dir.File("s.csv"), SettingsRecord{}));
    // Values never read, the on and off states among them, are shown as such, never as a value.
    EXPECT_EQ(ReadFileBytes(rig.dir.File("s.csv")),
              ReadFileBytes(TestDataPath("settings/settings-unread-en.csv")));
    EXPECT_FALSE(ExportSettingsCsv(rig.app, rig.dir.File("missing/s.csv"), SettingsRecord{}));
    EXPECT_EQ(std::pair(rig.ui.BoxTexts(), rig.ui.boxes.at(0).icon),
              std::pair(Texts{"File Not Opened by File Output Error"}, MsgIcon::Exclamation));
}

TEST(TypeNamesTest, NamesAreKeptPerSerialCaptionsFollowVisibleSerialNoAndTypedNamesAreFiltered)
{
    LineRig rig;
    const auto lookup = [&](uint32_t serial) {
        rig.app.deviceSerial = serial;
        return LookupTypeName(rig.app), rig.app.typeName;
    };
    EXPECT_EQ(lookup(12345678), "no name");
    WriteFileBytes(rig.dir.File("hardname.rm4"),
                   "[HardName]\r\n000000000=Zero\r\n012345678=" + Utf8ToCp932("放射計ｱ") +
                       "\r\n123456789=" + std::string(300, 'n') + "\r\n");
    EXPECT_EQ((std::vector{lookup(0), lookup(12345678), lookup(123456789), lookup(87654321)}),
              (std::vector<std::string>{"Zero", "放射計ｱ", std::string(254, 'n'), "no name"}));
    // The caption shows the serial number as VisibleSerialNo says, the registered caption always.
    rig.app.deviceSerialText = FormatSerialText(12345678), rig.app.typeName = "Furnace 1",
    rig.app.windowTitle = "ABC";
    std::string shown;
    for (bool visible : {true, false}) {
        rig.app.visibleSerialNo = visible;
        shown += ComposeCaption(rig.app) + "|" + ComposeRegisteredCaption(rig.app) + "|";
    }
    EXPECT_EQ(shown,
              "ABC : No.00123450678|ABC : No.00123450678 (Furnace 1)|ABC|ABC : No.00123450678 (Furnace 1)|");

    // Typed names lose the characters a file name cannot hold and are cut at forty characters.
    std::string on45;
    while (on45.size() < 45 * 3)
        on45 += "温";
    const std::string on40 = on45.substr(0, 40 * 3);
    // clang-format off
    const std::tuple<std::string, std::string, bool> cases[] = { // typed, kept, changed
        {"A:B/C", "ABC", true}, {"RM-42 Line 3", "RM-42 Line 3", false}, {"\"'%&<>*?:/\\", "", true},
        {"放射\"温度'計", "放射温度計", true}, {std::string(40, 'x'), std::string(40, 'x'), false},
        {std::string(41, 'x'), std::string(40, 'x'), true}, {on40, on40, false}, {on45, on40, true}};
    // clang-format on
    for (auto [typed, kept, changed] : cases) {
        const bool filtered = FilterTypeNameInput(typed);
        EXPECT_EQ(std::pair(typed, filtered), std::pair(kept, changed));
    }
}

} // namespace
