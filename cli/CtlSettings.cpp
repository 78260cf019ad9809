#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <string>

#include "ConsoleUserInterface.h"
#include "CtlCommand.h"
#include "app/AppState.h"
#include "app/LangString.h"
#include "app/UserInterface.h"
#include "device/CCommIO.h"
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

    int failures = 0;

private:
    UserInterface& inner_;
};

constexpr int kStringConfirmReset = 118;
constexpr int kStringAppName = 165;
constexpr int kStringOrderError = 237;
constexpr int kStringRangeError = 239;

void Warn(AppState& app, int id)
{
    app.ui->MessageBox(LoadLangString(app, id), LoadLangString(app, kStringAppName), MsgIcon::Exclamation,
                       MsgButtons::Ok, MsgAnswer::Ok);
}

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

// The full read the page does when it is shown; what the on/off defaults of the SET commands
// are taken from.
bool ReadAll(AppState& app, CCommIO& link, SettingsRecord& record)
{
    std::unique_ptr<ProgressBox> progress = app.ui->OpenProgress();
    return AllRead(ReadSettingsFromDevice(app, link, record, progress.get()));
}

// "YYYY-MM-DDTHH:MM:SS" as a civil time; false when it is not one.
bool ParseClock(const std::string& text, DeviceDateTime& time)
{
    char extra = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &time.year, &time.month, &time.day, &time.hour,
                    &time.minute, &time.second, &extra) != 6) {
        return false;
    }
    const DeviceDateTime normal = AddSeconds(time, 0); // a day that does not exist moves on
    return normal.year == time.year && normal.month == time.month && normal.day == time.day &&
           time.hour >= 0 && time.hour <= 23 && time.minute >= 0 && time.minute <= 59 && time.second >= 0 &&
           time.second <= 59 && time.year >= 2000 && time.year <= 2099;
}

struct SetArgs {
    std::string file;
    std::string high, low;
    bool highOn = false, highOff = false, lowOn = false, lowOff = false;
    std::string clock = "now";
    std::string alarmTime;
    std::string ring;
    bool daily = false, once = false, on = false, off = false;
    std::string resolution;
    std::string hold;
};

// The console has no radio buttons: an on/off pair not given keeps what the thermometer holds.
bool Choose(bool yes, bool no, bool current)
{
    return yes ? true : no ? false : current;
}

} // namespace

void AddSettingsCommand(CLI::App& cli, CtlRun& run)
{
    auto args = std::make_shared<SetArgs>();
    CLI::App* settings =
        cli.add_subcommand("settings", "the thermometer's settings: show, export, change, reset");
    settings->require_subcommand(1);

    settings->add_subcommand("show", "reads every setting and prints it as the CSV export would")
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

    CLI::App* exportCmd =
        settings->add_subcommand("export", "reads every setting and saves it as CSV (CP932)");
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

    CLI::App* alarm =
        settings->add_subcommand("set-alarm", "writes alarm HIGH and LOW (degC) and their on/off states");
    alarm->add_option("--high", args->high, "alarm HIGH, -30.0 to 600.0")->required()->check(CLI::Number);
    alarm->add_option("--low", args->low, "alarm LOW, -30.0 to 600.0, below HIGH")
        ->required()
        ->check(CLI::Number);
    auto* highOn = alarm->add_flag("--high-on", args->highOn, "switch alarm HIGH on");
    alarm->add_flag("--high-off", args->highOff, "switch alarm HIGH off")->excludes(highOn);
    auto* lowOn = alarm->add_flag("--low-on", args->lowOn, "switch alarm LOW on");
    alarm->add_flag("--low-off", args->lowOff, "switch alarm LOW off")->excludes(lowOn);
    alarm->callback([&run, args] {
        run = [args](CtlContext& ctx) {
            return RunCounted(ctx, [&](AppState& app, CCommIO& link) {
                // The values are checked before anything goes to the thermometer.
                SettingsRecord record;
                switch (CheckAlarmInput(args->high, args->low, record)) {
                case AlarmInputError::HighOutOfRange:
                case AlarmInputError::LowOutOfRange:
                    Warn(app, kStringRangeError);
                    return false;
                case AlarmInputError::Order:
                    Warn(app, kStringOrderError);
                    return false;
                case AlarmInputError::None:
                    break;
                }
                if (!(args->highOn || args->highOff) || !(args->lowOn || args->lowOff))
                    ReadAll(app, link, record);
                const bool high = Choose(args->highOn, args->highOff, record.alarmHighOn);
                const bool low = Choose(args->lowOn, args->lowOff, record.alarmLowOn);
                CheckAlarmInput(args->high, args->low, record); // the read replaced the record's alarms
                const AlarmWriteResult r = WriteAlarms(app, link, record, high, low);
                return r.entered && r.highWritten && r.lowWritten;
            });
        };
    });

    CLI::App* clock = settings->add_subcommand("set-clock", "sets the thermometer's clock");
    clock->add_option("TIME", args->clock, "now (the PC's clock, default) or YYYY-MM-DDTHH:MM:SS")
        ->check([](const std::string& text) {
            DeviceDateTime t;
            return text == "now" || ParseClock(text, t)
                       ? std::string()
                       : "expected now or YYYY-MM-DDTHH:MM:SS, years 2000..2099";
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

    CLI::App* clockAlarm = settings->add_subcommand("set-clock-alarm", "writes the clock alarm");
    clockAlarm->add_option("TIME", args->alarmTime, "HH:MM")->required()->check([](const std::string& text) {
        int h = -1, m = -1;
        char extra = 0;
        return std::sscanf(text.c_str(), "%2d:%2d%c", &h, &m, &extra) == 2 && h >= 0 && h <= 23 && m >= 0 &&
                       m <= 59
                   ? std::string()
                   : "expected HH:MM";
    });
    clockAlarm->add_option("--ring", args->ring, "ringing time, 3 to 10 seconds")
        ->required()
        ->check(CLI::Range(3, 10));
    auto* daily = clockAlarm->add_flag("--daily", args->daily, "ring every day");
    clockAlarm->add_flag("--once", args->once, "ring once")->excludes(daily);
    auto* on = clockAlarm->add_flag("--on", args->on, "switch the clock alarm on");
    clockAlarm->add_flag("--off", args->off, "switch the clock alarm off")->excludes(on);
    clockAlarm->callback([&run, args] {
        run = [args](CtlContext& ctx) {
            return RunCounted(ctx, [&](AppState& app, CCommIO& link) {
                SettingsRecord record;
                if (!(args->daily || args->once) || !(args->on || args->off)) ReadAll(app, link, record);
                std::sscanf(args->alarmTime.c_str(), "%2d:%2d", &record.clockAlarmHour,
                            &record.clockAlarmMinute);
                return WriteClockAlarm(app, link, record, args->ring,
                                       Choose(args->on, args->off, record.clockAlarmOn),
                                       Choose(args->daily, args->once, record.clockAlarmDaily));
            });
        };
    });

    CLI::App* resolution = settings->add_subcommand("set-resolution", "writes the temperature resolution");
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

    CLI::App* hold = settings->add_subcommand("set-hold", "writes the hold time");
    hold->add_option("SECONDS", args->hold, "1 to 20")->required()->check(CLI::Range(1, 20));
    hold->callback([&run, args] {
        run = [args](CtlContext& ctx) {
            SettingsRecord record;
            return RunCounted(ctx, [&](AppState& app, CCommIO& link) {
                return WriteHoldTime(app, link, record, args->hold);
            });
        };
    });

    settings
        ->add_subcommand("reset",
                         "resets clock alarm, hold time and resolution to the INI's [Preference] defaults "
                         "(asks first; --yes answers OK)")
        ->callback([&run] {
            run = [](CtlContext& ctx) {
                if (ctx.app.ui->MessageBox(LoadLangString(ctx.app, kStringConfirmReset),
                                           LoadLangString(ctx.app, kStringAppName), MsgIcon::Question,
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

void AddTypeNameCommand(CLI::App& cli, CtlRun& run)
{
    auto name = std::make_shared<std::string>();
    CLI::App* typeName = cli.add_subcommand("typename", "the connected thermometer's registered type name");
    typeName->require_subcommand(1);
    CLI::App* set = typeName->add_subcommand("set", "registers NAME for the connected thermometer");
    set->add_option("NAME", *name, "at most 40 characters; \" ' % & < > * ? : / \\ are left out")->required();
    set->callback([&run, name] {
        run = [name](CtlContext& ctx) {
            std::string text = *name;
            FilterTypeNameInput(text);
            if (text.empty()) {
                std::fprintf(stderr,
                             "rm42ctl: the type name is empty once the characters \" ' %% & < > * ? : / \\ "
                             "are left out\n");
                return 2;
            }
            const int status = RunCounted(
                ctx, [&](AppState& app, CCommIO& link) { return RegisterTypeName(app, link, text); });
            if (status == 0) PrintThermometer(ctx.app);
            return status;
        };
    });
}
