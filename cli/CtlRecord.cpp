#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <string>

#include "ConsoleUserInterface.h"
#include "CtlCommand.h"
#include "CtlRecordOutput.h"
#include "app/AppState.h"
#include "app/LangString.h"
#include "capture/CaptureRecorder.h"
#include "device/Clock.h"

namespace {

std::atomic<bool> interrupted{false};
constexpr int kJournalFailedId = 298;

extern "C" void OnInterrupt(int)
{
    interrupted.store(true);
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
    if (!recorder.HasBuffer()) return 1;
    recorder.ReadSettings();
    recorder.Graph().fahrenheit = options.fahrenheit;
    if (!recorder.ReadAlarmSettings()) return 1;

    const auto interval = static_cast<int32_t>(std::lround(options.intervalSeconds * 10));
    if (recorder.StartCapture(interval) != CaptureRecorder::StartResult::Started) return 1;

    interrupted.store(false);
    auto previousInt = std::signal(SIGINT, OnInterrupt);
    auto previousTerm = std::signal(SIGTERM, OnInterrupt);

    std::printf("%s\n", FormatRecordStart(recorder.Snapshot().recordStart).c_str());
    std::fflush(stdout);
    const auto ticks = static_cast<uint64_t>(std::llround(options.durationSeconds * 10));
    const uint64_t start = clock.TickMs();
    int64_t elapsed = 0;
    int32_t printed = 0;
    std::string told;
    bool journalWarned = false;
    for (uint64_t tick = 1; tick <= ticks && !interrupted.load() && recorder.Sampling(); ++tick) {
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
                std::fprintf(stderr, "%s\n", told.c_str());
        }
        // A recording without its journal would not survive a crash: said whatever the verbosity.
        if (recorder.Journal().Failed() && !journalWarned) {
            journalWarned = true;
            std::fprintf(stderr, "%s: %s\n", LoadLangString(app, kJournalFailedId).c_str(),
                         app.journalPath.c_str());
        }
        const CaptureSample* samples = recorder.Samples();
        for (; printed < recorder.SampleCount(); ++printed) {
            std::printf("%s\n", FormatSampleLine(elapsed, samples[printed], options.fahrenheit).c_str());
            elapsed += samples[printed].interval;
        }
        std::fflush(stdout);
    }
    std::signal(SIGINT, previousInt);
    std::signal(SIGTERM, previousTerm);

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
    record->add_option("--interval", options.intervalSeconds, "sampling interval in seconds (0.1 .. 86399.9)")
        ->required()
        ->check(CLI::Range(0.1, 86399.9));
    record
        ->add_option("--duration", options.durationSeconds,
                     "seconds to record before the recording is paused (Ctrl-C pauses earlier)")
        ->required()
        ->check(CLI::Range(0.1, 31'536'000.0));
    record->add_flag("--fahrenheit", options.fahrenheit, "temperatures in degF instead of degC");
    AddRecordOutputOptions(*record, options.outputs);
    record->callback([&run] { run = [](CtlContext& ctx) { return Record(ctx, options); }; });
}
