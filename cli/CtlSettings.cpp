#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ConsoleUserInterface.h"
#include "CtlCommand.h"
#include "CtlNumber.h"
#include "app/AppState.h"
#include "app/LangString.h"
#include "app/UserInterface.h"
#include "device/CCommIO.h"
#include "resources/StringIds.h"
#include "settings/DeviceSettings.h"
#include "settings/TypeNames.h"

namespace {

// Passes everything on to the console and counts the failures reported on the way (the
// exclamation boxes), so a command ends with status 1 whenever the user was told of one.
class ReportCounter final : public UserInterface {
public:
    explicit ReportCounter(UserInterface& inner) : inner_(inner) {}
    MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                         MsgButtons buttons, MsgAnswer defaultAnswer) override
    {
        if (icon == MsgIcon::Exclamation || icon == MsgIcon::Stop) ++failures;
        return inner_.MessageBox(text, caption, icon, buttons, defaultAnswer);
    }
    void SetStatusText(const std::string& text) override { inner_.SetStatusText(text); }
    void RedrawMainWindow() override { inner_.RedrawMainWindow(); }
    void RunComPortDialog() override { inner_.RunComPortDialog(); }
    std::unique_ptr<ProgressBox> OpenProgress() override { return inner_.OpenProgress(); }
    void EnableTabs(bool enabled) override { inner_.EnableTabs(enabled); }
    void SetWaitCursor(bool on) override { inner_.SetWaitCursor(on); }
    void SetMainTitle(const std::string& title) override { inner_.SetMainTitle(title); }
    void NoteFile(const std::string& path) override { inner_.NoteFile(path); }

    int failures = 0;

private:
    UserInterface& inner_;
};

// Runs one settings operation with its own link and the failure count in place.
int RunCounted(CtlContext& ctx, const std::function<bool(AppState&, CCommIO&)>& work)
{
    ReportCounter counter(ctx.ui);
    UserInterface* previous = ctx.app.ui;
    ctx.app.ui = &counter;
    CCommIO link(ctx.app);
    const bool ok = work(ctx.app, link);
    ctx.app.ui = previous;
    return ok && counter.failures == 0 ? 0 : 1;
}

// The full read the page does when it is shown.
bool ReadAll(AppState& app, CCommIO& link, SettingsRecord& record)
{
    std::unique_ptr<ProgressBox> progress = app.ui->OpenProgress();
    return AllRead(ReadSettingsFromDevice(app, link, record, progress.get()));
}

// Exactly count digits at text[at...] as a number; -1 when they are not all digits.
int Digits(const std::string& text, std::size_t at, std::size_t count)
{
    if (at + count > text.size()) return -1;
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// "YYYY-MM-DDTHH:MM:SS" as a civil time the thermometer keeps: its clock reads years outside
// 2004..2050 back as 2004, so those are refused as the page's date picker refuses them.
bool ParseClock(const std::string& text, DeviceDateTime& time)
{
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
        text[16] != ':') {
        return false;
    }
    time = {Digits(text, 0, 4),  Digits(text, 5, 2),  Digits(text, 8, 2),
            Digits(text, 11, 2), Digits(text, 14, 2), Digits(text, 17, 2)};
    const DeviceDateTime normal = AddSeconds(time, 0); // a day that does not exist moves on
    return normal.year == time.year && normal.month == time.month && normal.day == time.day &&
           time.hour >= 0 && time.hour <= 23 && time.minute >= 0 && time.minute <= 59 && time.second >= 0 &&
           time.second <= 59 && time.year >= 2004 && time.year <= 2050;
}

// "H:MM" or "HH:MM", digits only.
bool ParseAlarmTime(const std::string& text, int& hour, int& minute)
{
    const std::size_t colon = text.find(':');
    if (colon != 1 && colon != 2) return false;
    hour = Digits(text, 0, colon);
    minute = text.size() == colon + 3 ? Digits(text, colon + 1, 2) : -1;
    return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59;
}

struct SetArgs {
    std::string file;
    double high = 0.0, low = 0.0;
    SettingsRecord alarms; // the alarm values as checked on the command line
    bool highOn = false, highOff = false, lowOn = false, lowOff = false;
    std::string clock = "now";
    int alarmHour = 0, alarmMinute = 0;
    int ring = 0;
    bool daily = false, once = false, on = false, off = false;
    std::string resolution;
    int hold = 0;
};

// The console has no radio buttons: an on/off pair not given keeps what the thermometer holds.
std::optional<bool> Choose(bool yes, bool no)
{
    if (yes) return true;
    if (no) return false;
    return std::nullopt;
}

// Prints what the export would write, without the CR of its line ends.
void AddShow(CLI::App& settings, CtlRun& run)
{
    settings.add_subcommand("show", "reads every setting and prints it as the CSV export would")
        ->callback([&run] {
            run = [](CtlContext& ctx) {
                SettingsRecord record;
                const int status =
                    RunCounted(ctx, [&](AppState& app, CCommIO& link) { return ReadAll(app, link, record); });
                const std::string text = SettingsCsvText(ctx.app, record);
                std::string plain;
                for (char c : text)
                    if (c != '\r') plain += c;
                std::fputs(plain.c_str(), stdout);
                return status;
            };
        });
}

void AddExport(CLI::App& settings, CtlRun& run, const std::shared_ptr<SetArgs>& args)
{
    CLI::App* exportCmd =
        settings.add_subcommand("export", "reads every setting and saves it as CSV (CP932)");
    exportCmd->add_option("FILE", args->file, "file to write; its extension becomes .csv")->required();
    exportCmd->callback([&run, args] {
        run = [args](CtlContext& ctx) {
            SettingsRecord record;
            const std::string path = SettingsCsvPath(args->file);
            const int status = RunCounted(ctx, [&](AppState& app, CCommIO& link) {
                if (!ReadAll(app, link, record)) {
                    // A file with values missing would pass for the thermometer's settings.
                    std::fprintf(stderr, "Not every setting could be read; %s was not written\n",
                                 path.c_str());
                    return false;
                }
                return ExportSettingsCsv(app, path, record);
            });
            if (status == 0) std::printf("%s\n", path.c_str());
            return status;
        };
    });
}

void AddSetAlarm(CLI::App& settings, CtlRun& run, const std::shared_ptr<SetArgs>& args)
{
    CLI::App* alarm =
        settings.add_subcommand("set-alarm", "writes alarm HIGH and LOW (degC) and their on/off states");
    AddDecimalOption(*alarm, "--high", args->high, -30.0, 600.0, "alarm HIGH, -30.0 to 600.0")->required();
    AddDecimalOption(*alarm, "--low", args->low, -30.0, 600.0, "alarm LOW, -30.0 to 600.0, below HIGH")
        ->required();
    auto* highOn = alarm->add_flag("--high-on", args->highOn, "switch alarm HIGH on");
    alarm->add_flag("--high-off", args->highOff, "switch alarm HIGH off")->excludes(highOn);
    auto* lowOn = alarm->add_flag("--low-on", args->lowOn, "switch alarm LOW on");
    alarm->add_flag("--low-off", args->lowOff, "switch alarm LOW off")->excludes(lowOn);
    alarm->callback([&run, args] {
        // The values are checked before anything goes to the thermometer.
        if (CheckAlarmValues(args->high, args->low, args->alarms) != AlarmInputError::None)
            throw CLI::ValidationError("--high", "must be above --low");
        run = [args](CtlContext& ctx) {
            return RunCounted(ctx, [&](AppState& app, CCommIO& link) {
                const AlarmWriteResult r =
                    WriteAlarms(app, link, args->alarms, Choose(args->highOn, args->highOff),
                                Choose(args->lowOn, args->lowOff));
                return r.entered && r.highWritten && r.lowWritten;
            });
        };
    });
}

void AddSetClock(CLI::App& settings, CtlRun& run, const std::shared_ptr<SetArgs>& args)
{
    CLI::App* clock = settings.add_subcommand("set-clock", "sets the thermometer's clock");
    clock->add_option("TIME", args->clock, "now (the PC's clock, default) or YYYY-MM-DDTHH:MM:SS")
        ->check([](const std::string& text) {
            DeviceDateTime t;
            return text == "now" || ParseClock(text, t)
                       ? std::string()
                       : "expected now or YYYY-MM-DDTHH:MM:SS, years 2004..2050";
        });
    clock->callback([&run, args] {
        run = [args](CtlContext& ctx) {
            SettingsRecord record;
            if (args->clock == "now")
                record.deviceClock = FromLocalTime(std::time(nullptr));
            else
                ParseClock(args->clock, record.deviceClock);
            return RunCounted(
                ctx, [&](AppState& app, CCommIO& link) { return WriteDeviceClock(app, link, record); });
        };
    });
}

void AddSetClockAlarm(CLI::App& settings, CtlRun& run, const std::shared_ptr<SetArgs>& args)
{
    CLI::App* clockAlarm = settings.add_subcommand("set-clock-alarm", "writes the clock alarm");
    clockAlarm
        ->add_option_function<std::string>(
            "TIME",
            [args](const std::string& text) {
                if (!ParseAlarmTime(text, args->alarmHour, args->alarmMinute))
                    throw CLI::ValidationError("TIME", "expected HH:MM");
            },
            "HH:MM")
        ->required();
    AddIntegerOption(*clockAlarm, "--ring", args->ring, 3, 10, "ringing time, 3 to 10 seconds")->required();
    auto* daily = clockAlarm->add_flag("--daily", args->daily, "ring every day");
    clockAlarm->add_flag("--once", args->once, "ring once")->excludes(daily);
    auto* on = clockAlarm->add_flag("--on", args->on, "switch the clock alarm on");
    clockAlarm->add_flag("--off", args->off, "switch the clock alarm off")->excludes(on);
    clockAlarm->callback([&run, args] {
        run = [args](CtlContext& ctx) {
            return RunCounted(ctx, [&](AppState& app, CCommIO& link) {
                SettingsRecord record;
                record.clockAlarmHour = args->alarmHour;
                record.clockAlarmMinute = args->alarmMinute;
                return WriteClockAlarm(app, link, record, args->ring, Choose(args->on, args->off),
                                       Choose(args->daily, args->once));
            });
        };
    });
}

void AddSetResolution(CLI::App& settings, CtlRun& run, const std::shared_ptr<SetArgs>& args)
{
    CLI::App* resolution = settings.add_subcommand("set-resolution", "writes the temperature resolution");
    resolution->add_option("RESOLUTION", args->resolution, "0.1 or 1 (degC)")
        ->required()
        ->check(CLI::IsMember({"0.1", "1"}));
    resolution->callback([&run, args] {
        run = [args](CtlContext& ctx) {
            SettingsRecord record;
            return RunCounted(ctx, [&](AppState& app, CCommIO& link) {
                return WriteResolution(app, link, record, args->resolution == "0.1");
            });
        };
    });
}

void AddSetHold(CLI::App& settings, CtlRun& run, const std::shared_ptr<SetArgs>& args)
{
    CLI::App* hold = settings.add_subcommand("set-hold", "writes the hold time");
    AddIntegerOption(*hold, "SECONDS", args->hold, 1, 20, "1 to 20")->required();
    hold->callback([&run, args] {
        run = [args](CtlContext& ctx) {
            SettingsRecord record;
            return RunCounted(ctx, [&](AppState& app, CCommIO& link) {
                return WriteHoldTime(app, link, record, args->hold);
            });
        };
    });
}

void AddReset(CLI::App& settings, CtlRun& run)
{
    settings
        .add_subcommand("reset",
                        "resets clock alarm, hold time and resolution to the INI's [Preference] defaults "
                        "(asks first; --yes answers OK)")
        ->callback([&run] {
            run = [](CtlContext& ctx) {
                if (ctx.app.ui->MessageBox(LoadLangString(ctx.app, StringId::ConfirmReset),
                                           LoadLangString(ctx.app, StringId::AppName), MsgIcon::Question,
                                           MsgButtons::OkCancel, MsgAnswer::Cancel) != MsgAnswer::Ok) {
                    return 1;
                }
                SettingsRecord record;
                return RunCounted(ctx, [&](AppState& app, CCommIO& link) {
                    std::unique_ptr<ProgressBox> progress = app.ui->OpenProgress();
                    return ResetToDefaults(app, link, record, progress.get());
                });
            };
        });
}

} // namespace

void AddSettingsCommand(CLI::App& cli, CtlRun& run)
{
    // One set of values for all sub-commands: CLI11 fills them before the chosen one runs.
    auto args = std::make_shared<SetArgs>();
    CLI::App* settings =
        cli.add_subcommand("settings", "the thermometer's settings: show, export, change, reset");
    settings->require_subcommand(1);
    AddShow(*settings, run);
    AddExport(*settings, run, args);
    AddSetAlarm(*settings, run, args);
    AddSetClock(*settings, run, args);
    AddSetClockAlarm(*settings, run, args);
    AddSetResolution(*settings, run, args);
    AddSetHold(*settings, run, args);
    AddReset(*settings, run);
}

void AddTypeNameCommand(CLI::App& cli, CtlRun& run)
{
    auto name = std::make_shared<std::string>();
    CLI::App* typeName = cli.add_subcommand("typename", "the connected thermometer's registered type name");
    typeName->require_subcommand(1);
    CLI::App* set = typeName->add_subcommand("set", "registers NAME for the connected thermometer");
    set->add_option_function<std::string>(
           "NAME",
           [name](const std::string& text) {
               *name = text;
               FilterTypeNameInput(*name);
               if (name->empty())
                   throw CLI::ValidationError("NAME",
                                              "the type name is empty once the characters \" ' % & < > "
                                              "* ? : / \\ are left out");
           },
           "at most 40 characters; \" ' % & < > * ? : / \\ are left out")
        ->required();
    set->callback([&run, name] {
        run = [name](CtlContext& ctx) {
            const std::string text = *name;
            const int status = RunCounted(
                ctx, [&](AppState& app, CCommIO& link) { return RegisterTypeName(app, link, text); });
            if (status == 0) PrintThermometer(ctx.app);
            return status;
        };
    });
}
