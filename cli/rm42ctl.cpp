// rm42ctl: the thermometer from the console, through the same operations as the program.
//
//   rm42ctl [--ini FILE] [--port NAME] [--lang ja|en] [--yes] [--retries N] [--verbose] COMMAND ...
//
// Every command but recover first does what the main window does at start (the connection check when
// [System] StartUpConnectCheck is exactly "Yes", then the type-name lookup), then its own work.
// Exit status: 0 success, 1 the operation failed, 2 bad command line.

#include <cstdio>
#include <memory>
#include <string>

#include <CLI/CLI.hpp>
#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

#include "ConsoleUserInterface.h"
#include "CtlCommand.h"
#include "CtlInterrupt.h"
#include "CtlNumber.h"
#include "app/AppState.h"
#include "app/MeterStart.h"
#include "app/StartUp.h"
#include "app/Version.h"
#include "capture/RecordingJournal.h"
#include "device/Clock.h"
#include "device/PortOverride.h"
#include "device/SerialPort.h"

bool& CtlNeedsNoThermometer()
{
    static bool offline = false;
    return offline;
}

int main(int argc, char** argv)
{
    CLI::App cli{
        "rm42ctl: the RM42 thermometer from the console, through the same operations as the program.\n"
        "Message boxes are printed as [caption] text on standard error.",
        "rm42ctl"};
    cli.set_version_flag("--version", "rm42ctl " RM42_VERSION);
    cli.require_subcommand(1);
    cli.fallthrough(); // the global options may also follow the command

    std::string ini;
    std::string port;
    std::string lang;
    bool yes = false;
    bool verbose = false;
    bool linesOn = false;
    int retries = 3;
    cli.add_option(
        "--ini", ini,
        "settings file (default: rm42meter.ini beside rm42ctl, else the user's "
        "~/.config/rm42meter/rm42meter.ini); data files such as the type names are kept beside it");
    cli.add_option("--port", port, "use this port instead of [ComPort] Port");
    cli.add_option("--lang", lang, "language of the messages (default: [System] Langage)")
        ->check(CLI::IsMember({"ja", "en"}));
    cli.add_flag("--yes", yes,
                 "answer questions with the positive button (at most --retries times); without it "
                 "they get the negative one");
    AddIntegerOption(cli, "--retries", retries, 0, 1000000,
                     "rounds the connection check repeats at most, whatever ended the round, and positive "
                     "answers at most (default 3); when they are spent the command fails");
    cli.add_flag("-v,--verbose", verbose, "print status line and progress");
    cli.add_flag("--lines-on", linesOn,
                 "treat CTS and DSR as on, for a port without modem lines (a pseudo-terminal "
                 "served to Wine as a COM port)");

    CtlRun run;
    AddCheckCommand(cli, run);
    AddMemoryCommand(cli, run);
    AddSettingsCommand(cli, run);
    AddTypeNameCommand(cli, run);
    AddTeachingCommands(cli, run);
    AddRecordCommand(cli, run);
    AddRecoverCommand(cli, run);

    InstallInterruptHandling();
    try {
        cli.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return cli.exit(e) == 0 ? 0 : 2;
    }
    if (!run) return 2;

    ConsoleUserInterface ui(yes, retries, verbose, stderr, isatty(fileno(stderr)) == 1);
    SteadyClock clock;
    std::unique_ptr<SerialPortFactory> ports = MakeSystemSerialPortFactory();
    if (!port.empty()) ports = MakePortOverrideFactory(std::move(ports), port);
    if (linesOn) ports = MakeLinesOnFactory(std::move(ports));
    ports = MakeInterruptibleFactory(std::move(ports));
    const std::unique_ptr<Clock> waits = MakeInterruptibleClock(clock);

    AppState app;
    app.ui = &ui;
    app.clock = waits.get();
    app.ports = ports.get();
    // Exactly FILE with --ini FILE, its data files beside it; otherwise the program's own INI,
    // found as the program finds it (beside rm42ctl, or the user's in an installation). --lang
    // applies before the first message, the one about a missing INI file too.
    const int language = lang == "ja" ? 0 : lang == "en" ? 1 : -1;
    if (!FillStartUpState(app, ExecutablePath(), ini, "rm42meter", language)) return 1;
    app.journalPath = DefaultJournalPath(app.iniPath);
    app.connectRetryLimit = retries;

    CtlContext ctx{app, ui, false};
    if (!CtlNeedsNoThermometer() && !RunMeterStart(app, &ctx.ranCheck)) return 1;
    return run(ctx);
}
