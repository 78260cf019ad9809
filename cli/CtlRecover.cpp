#include <cstdio>
#include <ctime>
#include <optional>
#include <string>

#include "CtlCommand.h"
#include "CtlRecordOutput.h"
#include "app/AppState.h"
#include "app/NumberText.h"
#include "capture/CaptureRecorder.h"
#include "capture/JournalRecovery.h"
#include "capture/RecordingJournal.h"
#include "capture/RecordingWriters.h"

namespace {

int Recover(CtlContext& ctx, const RecordOutputs& outputs)
{
    AppState& app = ctx.app;
    // With the CSV on standard output the summary goes to standard error.
    std::FILE* out = outputs.csvPath == "-" ? stderr : stdout;
    if (app.journalPath.empty()) {
        std::fprintf(stderr, "No folder for the recording journal: neither XDG_STATE_HOME nor HOME is set\n");
        return 1;
    }
    JournalError error = JournalError::None;
    const std::optional<JournalContents> contents = LoadJournal(app.journalPath, kMaxSamples, &error);
    if (!contents) {
        if (error == JournalError::Missing) {
            std::fprintf(stderr, "No recording to recover: there is no journal at %s\n",
                         app.journalPath.c_str());
        } else {
            std::fprintf(stderr,
                         "No recording to recover: %s is not a recording journal%s; it was left as it is\n",
                         app.journalPath.c_str(),
                         error == JournalError::NewerVersion ? " this version can read (a newer one wrote it)"
                                                             : " (its header is not intact)");
        }
        return 1;
    }
    const JournalHeader& h = contents->header;
    std::fprintf(out, "journal: %s\n", app.journalPath.c_str());
    std::fprintf(out, "started: %s\n", FormatRecordStart(static_cast<std::time_t>(h.startTime)).c_str());
    std::fprintf(out, "samples: %zu\n", contents->samples.size());
    std::fprintf(out, "interval: %s s\n", FixedText(h.intervalTicks / 10.0, 1).c_str());
    std::fprintf(out, "unit: %s\n", h.fahrenheit ? "degF" : "degC");
    if (h.deviceSerial != 0) std::fprintf(out, "serial number: %u\n", h.deviceSerial);
    std::fflush(out);
    const bool damaged = contents->Damaged();
    if (damaged) {
        std::fprintf(stderr, "The journal is damaged; lost: %s\n", JournalLoss(app, *contents).c_str());
    }
    if (contents->samples.empty()) {
        std::fprintf(stderr, "The journal holds no sample; it was left as it is\n");
        return 1;
    }

    CaptureRecorder recorder(app);
    if (!recorder.LoadRecovered(*contents)) return 1;
    if (outputs.csvPath.empty() && outputs.reportPath.empty()) {
        std::fprintf(out, "kept: write the recording with --csv or --report to remove the journal\n");
        return 0;
    }
    // The journal goes only once everything asked for is written.
    if (!WriteRecordOutputs(app, recorder, outputs)) {
        std::fprintf(stderr, "Not everything was written; the journal %s was kept\n",
                     app.journalPath.c_str());
        return 1;
    }
    if (damaged) {
        // What the journal lost is not in the files either: it stays, beside them, for a closer look.
        const std::string beside =
            outputs.csvPath.empty() || outputs.csvPath == "-" ? outputs.reportPath : outputs.csvPath;
        const std::string kept = KeepJournalAs(app.journalPath, DamagedJournalName(beside));
        std::fprintf(out, "written; the damaged journal was kept as %s\n", kept.c_str());
        return 0;
    }
    if (!recorder.RemoveJournal()) {
        std::fprintf(stderr, "written, but the journal %s could not be removed\n", app.journalPath.c_str());
        return 0;
    }
    std::fprintf(out, "written; the journal was removed\n");
    return 0;
}

} // namespace

void AddRecoverCommand(CLI::App& cli, CtlRun& run)
{
    static RecordOutputs outputs;
    CLI::App* recover = cli.add_subcommand(
        "recover", "the recording a crashed or killed run left behind: prints what its journal holds and, "
                   "with --csv or --report, writes it and removes the journal");
    AddRecordOutputOptions(*recover, outputs);
    recover->callback([&run] {
        CtlNeedsNoThermometer() = true;
        run = [](CtlContext& ctx) { return Recover(ctx, outputs); };
    });
}
