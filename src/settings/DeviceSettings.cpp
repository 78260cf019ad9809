#include "settings/DeviceSettings.h"

#include "app/AppState.h"
#include "app/Calendar.h"
#include "app/IniFile.h"
#include "app/IniNumber.h"
#include "app/LangString.h"
#include "app/NumberText.h"
#include "app/SafeFile.h"
#include "app/StartUp.h"
#include "app/UserInterface.h"
#include "device/CCommIO.h"
#include "device/Clock.h"
#include "device/CommandLog.h"
#include "resources/StringIds.h"
#include "settings/TypeNames.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

constexpr uint16_t kReadProgressRange = 12;
constexpr uint32_t kResetPauseMs = 150;
constexpr double kAlarmMinC = -30.0;
constexpr double kAlarmMaxC = 600.0;
constexpr double kKelvinOffset = 273.2;
constexpr const char* kNotRead = "----";

template <class... Values> std::string Format(const char* format, Values... values)
{
    char text[256];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

// One transaction with the page's wait and time-out: true for status 0 and no refusal.
bool Ask(CCommIO& link, const std::string& command, std::string& reply)
{
    int length = 0;
    reply.clear();
    return link.Transact(command, reply, length) == COMM_OK && !IsRefusal(reply);
}

// Register 91: the value, or false after ReportRegisterError.
bool ReadRegister(AppState& app, CCommIO& link, uint8_t address, uint16_t& value)
{
    std::string reply;
    if (!Ask(link, RegisterReadCommand(address), reply) || !IsRegisterReply(reply)) {
        ReportRegisterError(app, Cmd::kRegisterRead, RegisterAddressText(address));
        return false;
    }
    value = DecodeRegisterValue(reply);
    return true;
}

// Register 92 with any text after the address (the defaults are sent as the INI holds them).
bool WriteRegisterText(AppState& app, CCommIO& link, uint8_t address, const std::string& valueText)
{
    std::string reply;
    if (!Ask(link, std::string(Cmd::kRegisterWrite) + RegisterAddressText(address) + valueText, reply)) {
        ReportRegisterError(app, Cmd::kRegisterWrite, RegisterAddressText(address));
        return false;
    }
    return true;
}

bool WriteRegister(AppState& app, CCommIO& link, uint8_t address, uint16_t value)
{
    return WriteRegisterText(app, link, address, Format("%04X", static_cast<unsigned>(value)));
}

void Step(ProgressBox* progress, const AppState& app, int id)
{
    if (progress != nullptr) progress->Step(LoadLangString(app, id));
}

// Reads a word, lets compose change it and writes it back; the write is skipped when the read
// failed.
template <class Compose> bool ReadModifyWrite(AppState& app, CCommIO& link, uint8_t address, Compose compose)
{
    uint16_t word = 0;
    if (!ReadRegister(app, link, address, word)) return false;
    return WriteRegister(app, link, address, compose(word));
}

// One on/off bit of the flag word: set as wanted, or as the thermometer has it when nothing is
// asked; state gets what the word ends with.
uint16_t ApplyFlag(uint16_t word, uint16_t bit, std::optional<bool> wanted, bool& state)
{
    state = wanted.value_or((word & bit) != 0);
    return static_cast<uint16_t>(state ? word | bit : word & ~bit);
}

bool InRange(int value, int low, int high)
{
    return value >= low && value <= high;
}

// Kelvin to the wire's tenths, truncated toward zero in double precision (256.1 K is 2560).
uint16_t KelvinToK10(double kelvin)
{
    const double tenths = std::trunc(kelvin * 10.0);
    return tenths <= 0.0 ? 0 : tenths >= 65535.0 ? 65535 : static_cast<uint16_t>(tenths);
}

std::string Preference(const AppState& app, const char* key, const char* defaultValue)
{
    return IniFile::GetString(app.iniPath, "Preference", key, defaultValue, IniFile::kValueBuffer);
}

// The thermometer's date and time as the C library's broken-down time, and back.
std::tm CivilTime(const DeviceDateTime& time)
{
    std::tm tm{};
    tm.tm_year = time.year - 1900;
    tm.tm_mon = time.month - 1;
    tm.tm_mday = time.day;
    tm.tm_hour = time.hour;
    tm.tm_min = time.minute;
    tm.tm_sec = time.second;
    return tm;
}

DeviceDateTime FromCivilTime(const std::tm& tm)
{
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

} // namespace

double AlarmHighDisplay(double alarmK)
{
    const double c = alarmK - kKelvinOffset;
    return c > kAlarmMaxC || c < kAlarmMinC ? kAlarmMaxC : c;
}

double AlarmLowDisplay(double alarmK)
{
    const double c = alarmK - kKelvinOffset;
    return c > kAlarmMaxC || c < kAlarmMinC ? kAlarmMinC : c;
}

DeviceDateTime RepairClock(DeviceDateTime t)
{
    if (!InRange(t.year, 2004, 2050)) t.year = 2004;
    if (!InRange(t.month, 1, 12)) t.month = 1;
    if (!InRange(t.day, 1, 31)) t.day = 1;
    if (!InRange(t.hour, 0, 23)) t.hour = 0;
    if (!InRange(t.minute, 0, 59)) t.minute = 0;
    if (!InRange(t.second, 0, 59)) t.second = 0;
    return t;
}

DeviceDateTime AddSeconds(const DeviceDateTime& time, long long seconds)
{
    // Civil arithmetic through UTC, so no time zone or daylight saving change moves the clock.
    const std::tm tm = CivilTime(time);
    const std::time_t t = TimeOfUtc(tm) + static_cast<std::time_t>(seconds);
    std::tm out{};
    UtcTimeOf(t, out);
    return FromCivilTime(out);
}

DeviceDateTime FromLocalTime(std::time_t time)
{
    std::tm local{};
    LocalTimeOf(time, local);
    return FromCivilTime(local);
}

std::string MakeDateTimePattern(const AppState& app)
{
    if (app.language == 1) return "%Y/%m/%d %H:%M:%S";
    return Format("%%Y%s%%m%s%%d%s %%H:%%M:%%S", LoadLangString(app, StringId::Year).c_str(),
                  LoadLangString(app, StringId::Month).c_str(), LoadLangString(app, StringId::Day).c_str());
}

std::string FormatDateTime(const std::string& pattern, const DeviceDateTime& time)
{
    const std::tm tm = CivilTime(time);
    char text[128];
    const std::size_t n = std::strftime(text, sizeof text, pattern.c_str(), &tm);
    return std::string(text, n);
}

bool EnterCheckMode(AppState& app, CCommIO& link)
{
    if (!link.Open()) {
        ReportMessage(app, StringId::ComPortError);
        return false;
    }
    std::string reply;
    if (!Ask(link, std::string(Cmd::kCheckModeReq), reply)) {
        ReportCommandError(app, Cmd::kCheckModeReq);
        link.Close();
        return false;
    }
    return true;
}

void ExitCheckMode(AppState& app, CCommIO& link)
{
    std::string reply;
    if (!Ask(link, std::string(Cmd::kCheckModeExit), reply)) ReportCommandError(app, Cmd::kCheckModeExit);
    if (!link.Close()) ReportMessage(app, StringId::ComPortError);
}

SettingsReadResult ReadAllSettings(AppState& app, CCommIO& link, SettingsRecord& record,
                                   ProgressBox* progress)
{
    SettingsReadResult read;
    uint16_t v = 0;
    Step(progress, app, StringId::Reading);

    Step(progress, app, StringId::Reading);
    if ((read.alarmHigh = ReadRegister(app, link, REG_ALARM_HIGH, v))) record.alarmHighK = v / 10.0;
    Step(progress, app, StringId::Reading);
    if ((read.alarmLow = ReadRegister(app, link, REG_ALARM_LOW, v))) record.alarmLowK = v / 10.0;
    Step(progress, app, StringId::Reading);
    if ((read.emissivity = ReadRegister(app, link, REG_EMISSIVITY, v))) record.emissivity = v / 1000.0;
    Step(progress, app, StringId::Reading);
    if ((read.flags = ReadRegister(app, link, REG_FLAGS, v))) {
        record.clockAlarmOn = (v & kFlagClockAlarmOn) != 0;
        record.clockAlarmDaily = (v & kFlagClockAlarmDaily) != 0;
        record.alarmHighOn = (v & kFlagAlarmHighOn) != 0;
        record.alarmLowOn = (v & kFlagAlarmLowOn) != 0;
    }
    Step(progress, app, StringId::Reading);
    if ((read.clockAlarm = ReadRegister(app, link, REG_CLOCK_ALARM_TIME, v))) {
        record.clockAlarmHour = v >> 8;
        record.clockAlarmMinute = v & 0xFF;
    }
    Step(progress, app, StringId::Reading);
    if ((read.ringTime = ReadRegister(app, link, REG_CLOCK_ALARM_RING, v))) record.ringSeconds = v;
    Step(progress, app, StringId::Reading);
    if ((read.holdTime = ReadRegister(app, link, REG_HOLD_TIME, v))) record.holdSeconds = v;
    Step(progress, app, StringId::Reading);
    if ((read.status0 = ReadRegister(app, link, REG_STATUS0, v)))
        record.resolutionTenth = (v & kStatus0Resolution) != 0;

    Step(progress, app, StringId::Reading);
    std::string reply;
    constexpr std::size_t kClockReplyLength = 14 + 2; // seven fields and the trailing pair
    if (Ask(link, std::string(Cmd::kReadClock), reply) && reply.size() >= kClockReplyLength) {
        record.deviceClock = RepairClock(DecodeClockReply(reply));
        read.clock = true;
    } else {
        ReportCommandError(app, Cmd::kReadClock);
    }
    Step(progress, app, StringId::Reading);

    LookupTypeName(app);
    if (app.ui != nullptr) app.ui->SetMainTitle(ComposeCaption(app));
    SettingsReadResult& known = record.known;
    for (auto [got, have] : {std::pair{read.alarmHigh, &known.alarmHigh},
                             {read.alarmLow, &known.alarmLow},
                             {read.emissivity, &known.emissivity},
                             {read.flags, &known.flags},
                             {read.clockAlarm, &known.clockAlarm},
                             {read.ringTime, &known.ringTime},
                             {read.holdTime, &known.holdTime},
                             {read.status0, &known.status0},
                             {read.clock, &known.clock}})
        *have = *have || got;
    return read;
}

bool AllRead(const SettingsReadResult& read)
{
    return read.alarmHigh && read.alarmLow && read.emissivity && read.flags && read.clockAlarm &&
           read.ringTime && read.holdTime && read.status0 && read.clock;
}

SettingsReadResult ReadSettingsFromDevice(AppState& app, CCommIO& link, SettingsRecord& record,
                                          ProgressBox* progress)
{
    if (progress != nullptr) progress->SetRange(kReadProgressRange);
    EnterCheckMode(app, link); // the read goes on regardless: each value then reports its own failure
    const SettingsReadResult read = ReadAllSettings(app, link, record, progress);
    ExitCheckMode(app, link);
    return read;
}

AlarmInputError CheckAlarmInput(const std::string& highText, const std::string& lowText,
                                SettingsRecord& record)
{
    return CheckAlarmValues(LeadingDouble(highText), LeadingDouble(lowText), record);
}

AlarmInputError CheckAlarmValues(double high, double low, SettingsRecord& record)
{
    record.alarmHighK = high + kKelvinOffset;
    if (!(high >= kAlarmMinC && high <= kAlarmMaxC)) return AlarmInputError::HighOutOfRange;
    record.alarmLowK = low + kKelvinOffset;
    if (!(low >= kAlarmMinC && low <= kAlarmMaxC)) return AlarmInputError::LowOutOfRange;
    if (record.alarmHighK <= record.alarmLowK) return AlarmInputError::Order;
    return AlarmInputError::None;
}

AlarmWriteResult WriteAlarms(AppState& app, CCommIO& link, SettingsRecord& record, std::optional<bool> highOn,
                             std::optional<bool> lowOn)
{
    AlarmWriteResult result;
    WaitCursor cursor(*app.ui);
    if (!(result.entered = EnterCheckMode(app, link))) return result;
    result.highWritten = WriteRegister(app, link, REG_ALARM_HIGH, KelvinToK10(record.alarmHighK));
    result.lowWritten = WriteRegister(app, link, REG_ALARM_LOW, KelvinToK10(record.alarmLowK));
    record.known.alarmHigh = record.known.alarmHigh || result.highWritten;
    record.known.alarmLow = record.known.alarmLow || result.lowWritten;
    ReadModifyWrite(app, link, REG_FLAGS, [&](uint16_t word) {
        word = ApplyFlag(word, kFlagAlarmHighOn, highOn, record.alarmHighOn);
        return ApplyFlag(word, kFlagAlarmLowOn, lowOn, record.alarmLowOn);
    });
    ExitCheckMode(app, link);
    return result;
}

bool WriteDeviceClock(AppState& app, CCommIO& link, const SettingsRecord& record)
{
    WaitCursor cursor(*app.ui);
    if (!EnterCheckMode(app, link)) return false;
    const DeviceDateTime& t = record.deviceClock;
    std::string reply;
    const bool timeSet = Ask(link, SetTimeCommand(t.second, t.minute, t.hour), reply);
    if (timeSet) {
        if (!Ask(link, SetDateCommand(t.day, t.month, t.year), reply)) ReportCommandError(app, Cmd::kSetDate);
    } else {
        ReportCommandError(app, Cmd::kSetTime);
    }
    ExitCheckMode(app, link);
    return timeSet;
}

bool WriteClockAlarm(AppState& app, CCommIO& link, SettingsRecord& record, const std::string& ringText,
                     bool on, bool daily)
{
    return WriteClockAlarm(app, link, record, LeadingInt(ringText), on, daily);
}

bool WriteClockAlarm(AppState& app, CCommIO& link, SettingsRecord& record, int ringSeconds,
                     std::optional<bool> on, std::optional<bool> daily)
{
    WaitCursor cursor(*app.ui);
    if (!EnterCheckMode(app, link)) return false;
    std::string reply;
    bool ok = Ask(link, ClockAlarmWriteCommand(record.clockAlarmHour, record.clockAlarmMinute), reply);
    if (!ok) ReportRegisterError(app, Cmd::kRegisterWrite, RegisterAddressText(REG_CLOCK_ALARM_TIME));
    record.ringSeconds = ringSeconds;
    ok = WriteRegister(app, link, REG_CLOCK_ALARM_RING, static_cast<uint16_t>(record.ringSeconds)) && ok;
    ok = ReadModifyWrite(app, link, REG_FLAGS,
                         [&](uint16_t word) {
                             word = ApplyFlag(word, kFlagClockAlarmOn, on, record.clockAlarmOn);
                             return ApplyFlag(word, kFlagClockAlarmDaily, daily, record.clockAlarmDaily);
                         }) &&
         ok;
    ExitCheckMode(app, link);
    return ok;
}

bool WriteResolution(AppState& app, CCommIO& link, SettingsRecord& record, bool tenth)
{
    WaitCursor cursor(*app.ui);
    if (!EnterCheckMode(app, link)) return false;
    const bool ok = ReadModifyWrite(app, link, REG_STATUS0, [&](uint16_t word) {
        record.resolutionTenth = tenth;
        return static_cast<uint16_t>(tenth ? word | kStatus0Resolution : word & ~kStatus0Resolution);
    });
    record.known.status0 = record.known.status0 || ok;
    ExitCheckMode(app, link);
    return ok;
}

bool WriteHoldTime(AppState& app, CCommIO& link, SettingsRecord& record, const std::string& holdText)
{
    return WriteHoldTime(app, link, record, LeadingInt(holdText));
}

bool WriteHoldTime(AppState& app, CCommIO& link, SettingsRecord& record, int holdSeconds)
{
    WaitCursor cursor(*app.ui);
    if (!EnterCheckMode(app, link)) return false;
    record.holdSeconds = holdSeconds;
    const bool ok = WriteRegister(app, link, REG_HOLD_TIME, static_cast<uint16_t>(record.holdSeconds));
    record.known.holdTime = record.known.holdTime || ok;
    ExitCheckMode(app, link);
    return ok;
}

void WriteDefaults(AppState& app, CCommIO& link, SettingsRecord& record, ProgressBox* progress)
{
    WaitCursor cursor(*app.ui);
    const std::string alarmTime = Preference(app, "Default_ClockAlalrm", "0C00");
    Step(progress, app, StringId::Writing);
    WriteRegisterText(app, link, REG_CLOCK_ALARM_TIME, alarmTime);
    const std::string ringTime = Preference(app, "Default_ClockAlarm_OnTime", "0003");
    Step(progress, app, StringId::Writing);
    WriteRegisterText(app, link, REG_CLOCK_ALARM_RING, ringTime);
    const std::string holdTime = Preference(app, "Default_HoldTime", "000F");
    Step(progress, app, StringId::Writing);
    WriteRegisterText(app, link, REG_HOLD_TIME, holdTime);

    Step(progress, app, StringId::Writing);
    ReadModifyWrite(app, link, REG_FLAGS, [&](uint16_t word) {
        word &= 0xF9FF;
        if (Preference(app, "Default_ClockAlalrm_Enable", "0").starts_with('1')) word |= kFlagClockAlarmOn;
        if (Preference(app, "Default_ClockAlarm_Repeat", "0").starts_with('1')) word |= kFlagClockAlarmDaily;
        return word;
    });
    Step(progress, app, StringId::Writing);
    ReadModifyWrite(app, link, REG_STATUS0, [&](uint16_t word) {
        word &= 0xFFF7;
        record.resolutionTenth = Preference(app, "Default_Resolution", "0").starts_with('1');
        if (record.resolutionTenth) word |= kStatus0Resolution;
        return word;
    });
}

bool ResetToDefaults(AppState& app, CCommIO& link, SettingsRecord& record, ProgressBox* progress,
                     SettingsReadResult* read)
{
    constexpr uint16_t kResetProgressRange = 22;
    if (progress != nullptr) progress->SetRange(kResetProgressRange);
    if (!EnterCheckMode(app, link)) return false;
    WriteDefaults(app, link, record, progress);
    app.clock->SleepMs(kResetPauseMs);
    const SettingsReadResult values = ReadAllSettings(app, link, record, progress);
    if (read != nullptr) *read = values;
    ExitCheckMode(app, link);
    return true;
}

SettingsLabels SettingsPageLabels(int language)
{
    if (language == 1) {
        return {
            "Type-Number", "Emissivity", "Alarm-HIGH", "Alarm-LOW", "Clock Alarm Setting",    "Ringing Time",
            "Repeat",      "sec.",       "Everyday",   "Once",      "Resolution (-30~200°C)", "0.1°C ",
            "1°C ",        "Hold-Time"};
    }
    return {"機種名",
            "放射率",
            "アラームHIGH",
            "アラームLOW",
            "時刻アラーム設定 ",
            "時刻アラームON時間",
            "時刻アラームリピート",
            "秒",
            "毎日",
            "１回",
            "分解能（-30～200℃）",
            "０．１℃",
            "１℃",
            "ホールド時間設定"};
}

void WriteSettingsCsv(std::ostream& out, const SettingsLabels& labels, const SettingsRecord& record,
                      const std::string& serialText, const std::string& typeName, const std::string& degree)
{
    // A value never read or sent is "----", as the page shows a missing value, never a number
    // the thermometer did not give.
    const SettingsReadResult& known = record.known;
    const auto onOff = [&](bool on) { return known.flags ? (on ? "ON" : "OFF") : kNotRead; };
    const auto alarm = [&](bool have, double kelvin) {
        return have ? FixedText(kelvin - kKelvinOffset, 1, 5) + ' ' + degree : std::string(kNotRead);
    };
    const auto seconds = [&](bool have, int value) {
        return have ? Format("%d %s", value, labels.seconds.c_str()) : std::string(kNotRead);
    };
    out << Format("%s,No.%s (%s)\n", labels.typeNumber.c_str(), serialText.c_str(), typeName.c_str());
    out << Format("%s,%s\n", labels.emissivity.c_str(),
                  known.emissivity ? FixedText(record.emissivity, 2, 4).c_str() : kNotRead);
    out << Format("%s,%s, %s\n", labels.alarmHigh.c_str(), alarm(known.alarmHigh, record.alarmHighK).c_str(),
                  onOff(record.alarmHighOn));
    out << Format("%s,%s, %s\n\n", labels.alarmLow.c_str(), alarm(known.alarmLow, record.alarmLowK).c_str(),
                  onOff(record.alarmLowOn));
    out << Format("%s,%s,%s\n", labels.clockAlarm.c_str(),
                  known.clockAlarm
                      ? Format("%02d:%02d", record.clockAlarmHour, record.clockAlarmMinute).c_str()
                      : kNotRead,
                  onOff(record.clockAlarmOn));
    out << Format("%s,%s\n", labels.ringTime.c_str(), seconds(known.ringTime, record.ringSeconds).c_str());
    out << Format("%s,%s\n\n", labels.repeat.c_str(),
                  known.flags ? (record.clockAlarmDaily ? labels.everyday : labels.once).c_str() : kNotRead);
    out << Format("%s,%s\n", labels.resolution.c_str(),
                  known.status0 ? (record.resolutionTenth ? labels.tenthDegree : labels.oneDegree).c_str()
                                : kNotRead);
    out << Format("%s,%s\n", labels.holdTime.c_str(), seconds(known.holdTime, record.holdSeconds).c_str());
}

std::string SettingsCsvText(const AppState& app, const SettingsRecord& record)
{
    std::ostringstream out;
    WriteSettingsCsv(out, SettingsPageLabels(app.language), record, app.deviceSerialText, app.typeName,
                     LoadLangString(app, StringId::Celsius));
    std::string text;
    for (char c : out.str()) {
        if (c == '\n') text += '\r';
        text += c;
    }
    return text;
}

std::string SettingsCsvDefaultName(const AppState& app, std::time_t now)
{
    std::tm local{};
    LocalTimeOf(now, local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d_%H%M%S", &local);
    const std::string name = app.typeName.empty() ? LoadLangString(app, StringId::NoTypeName) : app.typeName;
    return name + "-" + LoadLangString(app, StringId::EachAdjustment) + "-" + stamp;
}

std::string SettingsCsvPath(const std::string& chosen)
{
    const std::size_t slash = chosen.find_last_of(kPathSeparators);
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::size_t dot = chosen.find_last_of('.');
    if (dot == std::string::npos || dot < nameStart) dot = chosen.size();
    return chosen.substr(0, dot) + ".csv";
}

bool ExportSettingsCsv(AppState& app, const std::string& path, const SettingsRecord& record)
{
    if (WriteCp932File(path, SettingsCsvText(app, record))) return true;
    ReportFileNotWritten(app, path);
    return false;
}
