#include <cstdio>

#include "CtlCommand.h"
#include "app/AppState.h"
#include "device/ConnectionCheck.h"
#include "settings/TypeNames.h"

void PrintThermometer(const AppState& app)
{
    std::printf("Serial No.: %s\n", app.deviceSerialText.c_str());
    std::printf("Type: %s\n", app.typeName.c_str());
}

void AddCheckCommand(CLI::App& cli, CtlRun& run)
{
    CLI::App* check = cli.add_subcommand("check", "connection check; prints serial number and type name");
    check->callback([&run] {
        run = [](CtlContext& ctx) {
            if (!ctx.ranCheck) {
                if (!CheckConnection(ctx.app)) return 1;
                LookupTypeName(ctx.app);
            }
            PrintThermometer(ctx.app);
            return 0;
        };
    });
}
