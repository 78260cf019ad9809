// rm42ctl: the thermometer from the console, through the same operations as the program.
//
//   rm42ctl [--ini FILE] [--port NAME] [--lang ja|en] [--yes] [--verbose] COMMAND [ARGS]
//
// Every command first does what the main window does at start (the connection check when
// [System] StartUpConnectCheck is exactly "Yes", then the type-name lookup), then its own work.
// Exit status: 0 success, 1 the operation failed, 2 bad command line.

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ConsoleUserInterface.h"
#include "PortOverride.h"
#include "app/AppState.h"
#include "app/StartUp.h"
#include "device/Clock.h"
#include "device/ConnectionCheck.h"
#include "device/SerialPort.h"
#include "settings/TypeNames.h"
#include "ui/MeterStart.h"

namespace {

struct CtlContext {
    AppState& app;
    ConsoleUserInterface& ui;
    bool ranCheck = false;
    std::vector<std::string> args;
};

struct CtlCommand {
    const char* name;
    const char* usage;
    std::function<int(CtlContext&)> run;
};

void PrintThermometer(const AppState& app)
{
    std::printf("Serial No.: %s\n", app.deviceSerialText.c_str());
    std::printf("Type: %s\n", app.typeName.c_str());
}

int CmdCheck(CtlContext& ctx)
{
    if (!ctx.ranCheck) {
        if (!CheckConnection(ctx.app)) return 1;
        LookupTypeName(ctx.app);
    }
    PrintThermometer(ctx.app);
    return 0;
}

const std::vector<CtlCommand>& Commands()
{
    static const std::vector<CtlCommand> commands = {
        {"check", "check                 connection check; prints serial number and type name", CmdCheck},
    };
    return commands;
}

void Usage(std::FILE* out)
{
    std::fprintf(out, "usage: rm42ctl [--ini FILE] [--port NAME] [--lang ja|en] [--yes] [--retries N] "
                      "[--verbose] COMMAND [ARGS]\n\n"
                      "  --ini FILE    settings file (default: rm42meter.ini beside rm42ctl); data files\n"
                      "                such as the type names are kept beside it\n"
                      "  --port NAME   use this port instead of [ComPort] Port\n"
                      "  --lang ja|en  language of the messages (default: [System] Langage)\n"
                      "  --yes         answer questions with the positive button (at most --retries times,\n"
                      "                default 3); without it they get the negative one\n"
                      "  --verbose     print status line and progress\n\ncommands:\n");
    for (const auto& c : Commands())
        std::fprintf(out, "  %s\n", c.usage);
}

} // namespace

int main(int argc, char** argv)
{
    std::string ini;
    std::string port;
    int language = -1;
    bool yes = false;
    bool verbose = false;
    int retries = 3;
    std::vector<std::string> rest;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](const char* what) -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "rm42ctl: %s needs a value\n", what);
                return nullptr;
            }
            return argv[++i];
        };
        if (!rest.empty()) {
            rest.push_back(a);
        } else if (a == "--ini" || a == "--port" || a == "--lang" || a == "--retries") {
            const char* v = value(a.c_str());
            if (!v) return 2;
            if (a == "--ini") {
                ini = v;
            } else if (a == "--port") {
                port = v;
            } else if (a == "--retries") {
                retries = std::atoi(v);
            } else if (std::strcmp(v, "ja") == 0) {
                language = 0;
            } else if (std::strcmp(v, "en") == 0) {
                language = 1;
            } else {
                std::fprintf(stderr, "rm42ctl: --lang takes ja or en, not %s\n", v);
                return 2;
            }
        } else if (a == "--yes") {
            yes = true;
        } else if (a == "--verbose" || a == "-v") {
            verbose = true;
        } else if (a == "--help" || a == "-h") {
            Usage(stdout);
            return 0;
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "rm42ctl: unknown option %s\n", a.c_str());
            Usage(stderr);
            return 2;
        } else {
            rest.push_back(a);
        }
    }
    if (rest.empty()) {
        Usage(stderr);
        return 2;
    }
    const CtlCommand* command = nullptr;
    for (const auto& c : Commands())
        if (rest[0] == c.name) command = &c;
    if (!command) {
        std::fprintf(stderr, "rm42ctl: unknown command %s\n", rest[0].c_str());
        Usage(stderr);
        return 2;
    }

    // The INI decides where the program's data files live: beside the executable by default,
    // beside the given INI with --ini (FillStartUpState takes the INI's name from the "executable").
    std::string exePath = ExecutablePath();
    const std::string exeDir = exePath.substr(0, exePath.find_last_of('/') + 1);
    if (ini.empty()) ini = exeDir + "rm42meter.ini";
    if (ini.size() > 4 && ini.compare(ini.size() - 4, 4, ".ini") == 0)
        exePath = ini.substr(0, ini.size() - 4);
    else
        exePath = ini;
    if (exePath.find('/') == std::string::npos) exePath = "./" + exePath;

    ConsoleUserInterface ui(yes, retries, verbose);
    SteadyClock clock;
    std::unique_ptr<SerialPortFactory> ports = MakeSystemSerialPortFactory();
    if (!port.empty()) ports = MakePortOverrideFactory(std::move(ports), port);

    AppState app;
    app.ui = &ui;
    app.clock = &clock;
    app.ports = ports.get();
    if (!FillStartUpState(app, exePath)) return 1;
    if (language >= 0) app.language = language;

    CtlContext ctx{app, ui, false, {rest.begin() + 1, rest.end()}};
    if (!RunMeterStart(app, &ctx.ranCheck)) return 1;
    return command->run(ctx);
}
