#pragma once

#include <cstdint>
#include <ctime>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "device/CommandSet.h"

struct AppState;
class CCommIO;
class ProgressBox;

// Which values of a full read arrived; the page refreshes only those.
struct SettingsReadResult {
    bool alarmHigh = false, alarmLow = false, emissivity = false, flags = false, clockAlarm = false,
         ringTime = false, holdTime = false, status0 = false, clock = false;
};

// The thermometer's adjustable settings as the settings page last read or sent them.
struct SettingsRecord {
    // The values read or sent so far; the export shows "----" for the others rather than a
    // value the thermometer never gave.
    SettingsReadResult known;
    double emissivity = 0.0;      // register 14 / 1000
    double alarmHighK = 0.0;      // register 36 / 10
    double alarmLowK = 0.0;       // register 37 / 10
    bool alarmHighOn = false;     // register 35 bit 0x4000
    bool alarmLowOn = false;      // register 35 bit 0x8000
    bool clockAlarmOn = false;    // register 35 bit 0x0200
    bool clockAlarmDaily = false; // register 35 bit 0x0400 (clear: ring once)
    int ringSeconds = 0;          // register 3E
    int holdSeconds = 0;          // register 3F
    bool resolutionTenth = false; // STATUS0 bit 0x0008: 0.1 degC (clear: 1 degC)
    // The clock alarm time as the page's pickers hold it (register 3D when last read).
    int clockAlarmHour = 0;
    int clockAlarmMinute = 0;
    // The thermometer's clock as last read or set; a civil time, advanced one second a tick.
    DeviceDateTime deviceClock{2004, 1, 1, 0, 0, 0};
};

// Bits of register 35 and STATUS0 the settings own.
constexpr uint16_t kFlagClockAlarmOn = 0x0200;
constexpr uint16_t kFlagClockAlarmDaily = 0x0400;
constexpr uint16_t kFlagAlarmHighOn = 0x4000;
constexpr uint16_t kFlagAlarmLowOn = 0x8000;

// Alarm values shown: outside -30.0..600.0 HIGH shows 600.0 and LOW -30.0.
double AlarmHighDisplay(double alarmK);
double AlarmLowDisplay(double alarmK);
// Clock fields outside their ranges are repaired: year 2004..2050 else 2004, month 1..12 else 1,
// day 1..31 else 1, hour 0..23 else 0, minute and second 0..59 else 0.
DeviceDateTime RepairClock(DeviceDateTime time);
// One second later (calendar arithmetic, no time zone).
DeviceDateTime AddSeconds(const DeviceDateTime& time, long long seconds);
DeviceDateTime FromLocalTime(std::time_t time);
// The clock display pattern: "%Y/%m/%d %H:%M:%S" in English, with the year, month and day
// characters of the string table in Japanese.
std::string MakeDateTimePattern(const AppState& app);
std::string FormatDateTime(const std::string& pattern, const DeviceDateTime& time);

// Open and "DA": false after reporting 164 (port) or the switch-on prompt (port closed again).
bool EnterCheckMode(AppState& app, CCommIO& link);
// "81" then close, each failure reported.
void ExitCheckMode(AppState& app, CCommIO& link);

// The nine values in order (36, 37, 14, 35, 3D, 3E, 3F, 00, clock); a failed one is reported and
// skipped. progress (may be null) steps before each command and once at the end.
SettingsReadResult ReadAllSettings(AppState& app, CCommIO& link, SettingsRecord& record,
                                   ProgressBox* progress);
// Every value of a full read arrived.
bool AllRead(const SettingsReadResult& read);
// The read the page does when it is shown: check mode, the full read, its end. Goes on after a
// failed start, each value then failing on its own.
SettingsReadResult ReadSettingsFromDevice(AppState& app, CCommIO& link, SettingsRecord& record,
                                          ProgressBox* progress);

// The alarm inputs, converted as typed (C decimal conversion) into the record before any check.
enum class AlarmInputError { None, HighOutOfRange, LowOutOfRange, Order };
AlarmInputError CheckAlarmInput(const std::string& highText, const std::string& lowText,
                                SettingsRecord& record);
// The same checks on values already converted (degC).
AlarmInputError CheckAlarmValues(double highC, double lowC, SettingsRecord& record);

// The SET operations. Each brackets its commands with check mode and stops after a failed start
// with that one report; a failed command is reported and the next one still goes out.
struct AlarmWriteResult {
    bool entered = false, highWritten = false, lowWritten = false;
};
// Sends record.alarmHighK and alarmLowK, then the on/off bits of register 35 from highOn and lowOn;
// a state not given keeps the bit as read. Nothing goes to register 35 when it cannot be read.
AlarmWriteResult WriteAlarms(AppState& app, CCommIO& link, SettingsRecord& record, std::optional<bool> highOn,
                             std::optional<bool> lowOn);
// "23" with second, minute, hour, then (only when accepted) "24" with day, month, year. True when
// "23" was accepted (the display then shows record.deviceClock).
bool WriteDeviceClock(AppState& app, CCommIO& link, const SettingsRecord& record);
// Register 3D from the record's clock alarm time, 3E from ringSeconds, and the two bits of 35 (a
// state not given keeps the bit as read; nothing goes to 35 when it cannot be read).
bool WriteClockAlarm(AppState& app, CCommIO& link, SettingsRecord& record, int ringSeconds,
                     std::optional<bool> on, std::optional<bool> daily);
// The field's text converted as the page's field holds it (leading digits; empty is 0).
bool WriteClockAlarm(AppState& app, CCommIO& link, SettingsRecord& record, const std::string& ringText,
                     bool on, bool daily);
bool WriteResolution(AppState& app, CCommIO& link, SettingsRecord& record, bool tenth);
// True when register 3F accepted the value.
bool WriteHoldTime(AppState& app, CCommIO& link, SettingsRecord& record, int holdSeconds);
bool WriteHoldTime(AppState& app, CCommIO& link, SettingsRecord& record, const std::string& holdText);

// The [Preference] defaults: 3D, 3E, 3F sent verbatim, the clock alarm bits of 35 and the
// resolution bit of STATUS0 from the first character of their keys. Inside check mode.
void WriteDefaults(AppState& app, CCommIO& link, SettingsRecord& record, ProgressBox* progress);
// The whole reset: check mode, the defaults, 150 ms, the full read (what arrived into read when
// given), the end. False when check mode could not be entered (nothing else was sent).
bool ResetToDefaults(AppState& app, CCommIO& link, SettingsRecord& record, ProgressBox* progress,
                     SettingsReadResult* read = nullptr);

// The texts of the settings page's labels and choices, which name the lines of the export.
struct SettingsLabels {
    std::string typeNumber, emissivity, alarmHigh, alarmLow, clockAlarm, ringTime, repeat, seconds, everyday,
        once, resolution, tenthDegree, oneDegree, holdTime;
};
SettingsLabels SettingsPageLabels(int language);

// The export: label/value lines, "\n" line ends as the text is kept inside the program (UTF-8).
void WriteSettingsCsv(std::ostream& out, const SettingsLabels& labels, const SettingsRecord& record,
                      const std::string& serialText, const std::string& typeName, const std::string& degree);
// The whole export text with CR LF line ends, as the file holds it (before the CP932 conversion).
std::string SettingsCsvText(const AppState& app, const SettingsRecord& record);
// "type name-Each Adjustment-%Y%m%d_%H%M%S" (string 166 while typeName is empty).
std::string SettingsCsvDefaultName(const AppState& app, std::time_t now);
// The chosen name with its extension replaced by ".csv".
std::string SettingsCsvPath(const std::string& chosen);
// Writes the export to the path (CP932, CR LF); message 218 when it cannot be written.
bool ExportSettingsCsv(AppState& app, const std::string& path, const SettingsRecord& record);
