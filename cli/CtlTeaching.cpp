#include <cstdio>
#include <memory>
#include <string>

#include "CtlCommand.h"
#include "CtlNumber.h"
#include "app/AppState.h"
#include "teaching/TeachingOperations.h"

namespace {

// The console shows nothing of the page's fields: the results are printed once at the end.
class ConsoleTeachingView final : public TeachingView {
public:
    void EnableControls(bool) override {}
    void ShowMeasured(const std::string&) override {}
    void ShowCurrentEmissivity(const std::string&) override {}
    void ShowTaughtEmissivity(const std::string& text) override { taught = text; }
    void FocusTeachTemperature(bool) override {}
    void Repaint() override {}

    std::string taught;
};

// The values as the status line shows them after a read: target K, ambient K, emissivity.
void PrintCurrentValues(const TeachingOperations& ops)
{
    std::printf("%s\n", ops.StatusText().c_str());
}

} // namespace

void AddTeachingCommands(CLI::App& cli, CtlRun& run)
{
    CLI::App* read = cli.add_subcommand(
        "read", "reads the target temperature, ambient temperature and emissivity; prints them as the "
                "status line shows them: target(K), ambient(K), emissivity");
    read->callback([&run] {
        run = [](CtlContext& ctx) {
            ConsoleTeachingView view;
            TeachingOperations ops(ctx.app, view);
            const bool ok = ops.ReadCurrentValues();
            PrintCurrentValues(ops);
            return ok ? 0 : 1;
        };
    });

    auto temp = std::make_shared<double>();
    CLI::App* teach = cli.add_subcommand(
        "teach", "teaching: reads the current values, computes the emissivity that makes the thermometer "
                 "show the given temperature, writes it, waits [Teaching] ReloadWaitTime x 100 ms and "
                 "reads again; prints the taught emissivity and the new values");
    AddDecimalOption(*teach, "--temp", *temp, kTeachMinC, kTeachMaxC,
                     "the target's true temperature, degC (-30.0 to 600.0)")
        ->required();
    teach->callback([&run, temp] {
        run = [temp](CtlContext& ctx) {
            ConsoleTeachingView view;
            TeachingOperations ops(ctx.app, view);
            if (!ops.ReadCurrentValues()) return 1;
            const TeachOutcome outcome = ops.RunTeaching(*temp);
            if (outcome != TeachOutcome::Written && outcome != TeachOutcome::DeviceFailed) return 1;
            std::printf("Taught emissivity: %s\n", view.taught.c_str());
            PrintCurrentValues(ops);
            return outcome == TeachOutcome::Written ? 0 : 1;
        };
    });

    auto emissivity = std::make_shared<double>();
    CLI::App* emissivityCmd = cli.add_subcommand("emissivity", "the thermometer's emissivity setting");
    emissivityCmd->require_subcommand(1);
    CLI::App* set = emissivityCmd->add_subcommand(
        "set", "writes the emissivity (0.30 to 1.20) and reads the values again; prints them as the "
               "status line shows them");
    AddDecimalOption(*set, "E", *emissivity, kEmissivityMin, kEmissivityMax, "emissivity, 0.30 to 1.20")
        ->required();
    set->callback([&run, emissivity] {
        run = [emissivity](CtlContext& ctx) {
            ConsoleTeachingView view;
            TeachingOperations ops(ctx.app, view);
            const bool ok = ops.WriteEmissivity(*emissivity);
            PrintCurrentValues(ops);
            return ok ? 0 : 1;
        };
    });
}
