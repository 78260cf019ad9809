#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ConsoleUserInterface.h"
#include "CtlCommand.h"
#include "CtlInterrupt.h"
#include "CtlNumber.h"
#include "CtlRecordOutput.h"
#include "app/AppState.h"
#include "app/LangString.h"
#include "capture/CaptureRecorder.h"
#include "capture/RecordingWriters.h"
#include "device/Clock.h"
#include "device/Status0.h"
#include "resources/StringIds.h"

namespace {

// Ctrl-C and TERM end a recording the way PAUSE does: the thermometer's STATUS0 is restored and
// check mode left before the process ends. The command takes the signal over while the command
// line is read, before start-up sends its first command, so a signal during the start lets the
// start finish and then runs the stop. A second signal ends the process at once, for whoever does
// not want to wait for the stop.
bool Interrupted()
{
    return InterruptRequested();
}

// The search's status names the page's PAUSE button; on the console Ctrl-C ends it.
std::string ConsoleStatus(const AppState& app, const std::string& status)
{
    const std::string serial = FormatSerialText(app.deviceSerial);
    if (status != FormatLangString(app, StringId::Searching, {serial})) return status;
    const char* format = app.language == 1
                             ? "Connection lost: looking for thermometer %s every 2 s (Ctrl-C stops)"
                             : "通信断：放射温度計 %s を2秒ごとに探しています（Ctrl+Cで中止）";
    char text[256];
    std::snprintf(text, sizeof text, format, serial.c_str());
    return text;
}

struct RecordOptions {
    double intervalSeconds = 0.5;
    double durationSeconds = 10.0;
    bool fahrenheit = false;
    RecordOutputs outputs;
};

int Record(CtlContext& ctx, const RecordOptions& options)
{
    AppState& app = ctx.app;
    Clock& clock = *app.clock;
    CaptureRecorder recorder(app);
    if (!recorder.Data().HasBuffer()) return 1;
    recorder.ReadSettings();
    recorder.Graph().fahrenheit = options.fahrenheit;
    if (!recorder.ReadAlarmSettings()) return 1;

    if (Interrupted()) {
        std::fprintf(stderr, "rm42ctl: interrupted before the recording started\n");
        return 1;
    }
    const auto interval = static_cast<int32_t>(std::lround(options.intervalSeconds * 10));
    if (recorder.StartCapture(interval) != CaptureRecorder::StartResult::Started) return 1;

    std::printf("%s\n", FormatRecordStart(recorder.Snapshot().recordStart).c_str());
    std::fflush(stdout);
    const auto ticks = static_cast<uint64_t>(std::llround(options.durationSeconds * 10));
    const uint64_t start = clock.TickMs();
    int64_t elapsed = 0;
    int32_t printed = 0;
    std::string told;
    bool journalWarned = false;
    for (uint64_t tick = 1; tick <= ticks && !Interrupted() && recorder.Sampling(); ++tick) {
        // Ticks keep to a 100 ms grid however long one of them took.
        const uint64_t due = start + tick * 100;
        const uint64_t now = clock.TickMs();
        if (due > now) clock.SleepMs(static_cast<uint32_t>(due - now));
        recorder.Tick();
        // A lost link, a search and a reconnection are news on standard error; the samples,
        // gaps included, stay on standard output.
        if (ctx.ui.StatusText() != told) {
            told = ctx.ui.StatusText();
            if (recorder.Reconnecting() || recorder.GapTicks() > 0)
                std::fprintf(stderr, "%s\n", ConsoleStatus(app, told).c_str());
        }
        // A recording without its journal would not survive a crash: said whatever the verbosity.
        if (recorder.Journal().Failed() && !journalWarned) {
            journalWarned = true;
            std::fprintf(stderr, "%s: %s\n", LoadLangString(app, StringId::JournalFailed).c_str(),
                         app.journalPath.c_str());
        }
        const CaptureSample* samples = recorder.Samples();
        for (; printed < recorder.SampleCount(); ++printed) {
            std::printf("%s\n", FormatSampleLine(elapsed, samples[printed], options.fahrenheit).c_str());
            elapsed += samples[printed].interval;
        }
        std::fflush(stdout);
    }

    // A buffer that filled up has paused the recording already.
    bool paused = !recorder.Sampling() && recorder.State() == CaptureState::Paused;
    if (recorder.Sampling()) paused = recorder.StopCapture() == CaptureRecorder::StopResult::Stopped;
    const bool written = WriteRecordOutputs(app, recorder, options.outputs);
    // Once the recording is in the files asked for, its journal has done its work; without
    // files it stays, so that rm42ctl recover can still write them.
    const bool anyOutput = !options.outputs.csvPath.empty() || !options.outputs.reportPath.empty();
    if (paused && written && anyOutput) recorder.RecordingSaved();
    return paused && written ? 0 : 1;
}

} // namespace

void AddRecordCommand(CLI::App& cli, CtlRun& run)
{
    static RecordOptions options;
    CLI::App* record = cli.add_subcommand(
        "record", "continuous recording: prints the start time, then one CSV line per sample as it is taken");
    AddDecimalOption(*record, "--interval", options.intervalSeconds, 0.1, 86399.9,
                     "sampling interval in seconds (0.1 .. 86399.9)")
        ->required();
    AddDecimalOption(*record, "--duration", options.durationSeconds, 0.1, 31'536'000.0,
                     "seconds to record before the recording is paused (Ctrl-C or TERM pauses earlier)")
        ->required();
    record->add_flag("--fahrenheit", options.fahrenheit, "temperatures in degF instead of degC");
    AddRecordOutputOptions(*record, options.outputs);
    record->callback([&run] {
        LetCommandHandleInterrupts();
        run = [](CtlContext& ctx) { return Record(ctx, options); };
    });
}
