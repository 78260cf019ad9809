#include "CaptureSimRig.h"
#include "app/LangString.h"
#include "capture/JournalRecovery.h"

#include <filesystem>

namespace {

namespace fs = std::filesystem;

// The recorder against the simulated thermometer, its journal in the test's folder.
class CaptureJournalTest : public SimRecorderRig {
protected:
    void SetUp() override
    {
        app.deviceSerial = 4711;
        app.journalPath = dir.File("state/journal.rmj");
        Start(SimConfig{});
    }
    // Runs (or goes on running) until the recorder holds count samples, then pauses; the journal on disk
    // holds exactly the recorder's samples.
    void RecordUntil(int32_t count, int32_t interval = 1)
    {
        ASSERT_TRUE(recorder->State() == CaptureState::Recording ||
                    recorder->StartCapture(interval) == CaptureRecorder::StartResult::Started)
            << ui.StatusText();
        TickUntil(count);
        ASSERT_EQ(recorder->StopCapture(), CaptureRecorder::StopResult::Stopped);
        const std::optional<JournalContents> journal = LoadJournal(app.journalPath);
        ASSERT_TRUE(journal.has_value());
        EXPECT_EQ(std::pair(journal->header.deviceSerial,
                            SampleRows(journal->samples.data(), journal->samples.size())),
                  std::pair(4711u, SampleRows(recorder->Samples(),
                                              static_cast<std::size_t>(recorder->SampleCount()))));
    }
};

TEST_F(CaptureJournalTest, PauseContinueSaveDeleteAndQuitKeepTheJournalInStep)
{
    ASSERT_EQ(recorder->StartCapture(1), CaptureRecorder::StartResult::Started);
    TickUntil(3);
    recorder->RecordingSaved(); // saved while running: what follows is not saved yet
    RecordUntil(5);
    EXPECT_EQ(LoadJournal(app.journalPath)->header.startTime, recorder->Snapshot().recordStart);
    RecordUntil(8, 2); // continued: the same journal grows

    // Saved while paused: gone; continuing starts a new journal that holds the whole recording.
    recorder->RecordingSaved();
    EXPECT_FALSE(fs::exists(app.journalPath));
    RecordUntil(9);

    ui.answers = {MsgAnswer::Cancel, MsgAnswer::Ok};
    for (const bool deleted : {false, true}) // the user first keeps the recording
        EXPECT_EQ((std::pair{recorder->DeleteRecording(), fs::exists(app.journalPath)}),
                  std::pair(deleted, !deleted));

    // Quitting with the user's consent ends the recording and its journal.
    ASSERT_EQ(recorder->StartCapture(1), CaptureRecorder::StartResult::Started);
    TickUntil(2);
    recorder->Close(); // the thermometer told to stop streaming
    EXPECT_EQ(std::tuple(recorder->State(), sim->Register(0), fs::exists(app.journalPath)),
              std::tuple(CaptureState::Paused, 0xFC04, false));
}

TEST_F(CaptureJournalTest, AJournalThatCannotBeWrittenNeverStopsTheRecording)
{
    WriteFileBytes(dir.File("plain"), "not a folder");
    app.journalPath = dir.File("plain/journal.rmj");
    ASSERT_EQ(recorder->StartCapture(1), CaptureRecorder::StartResult::Started);
    EXPECT_EQ(std::pair(ui.StatusText(), recorder->Journal().Active()), std::pair(Text(298), false));
    TickUntil(5);
    EXPECT_EQ((std::tuple{recorder->SampleCount(), recorder->StopCapture(), ui.BoxTexts()}),
              std::tuple(5, CaptureRecorder::StopResult::Stopped, std::vector<std::string>{}));
}

// A recovered recording, made by hand: missing values, two intervals, values beyond the clamp.
JournalContents Recovered()
{
    JournalContents contents;
    contents.header = JournalHeader{1733562000, 5, true, 4711};
    const double temps[] = {20.0, 650.0, 25.0, -45.0, 30.0};
    for (int i = 0; i < 5; ++i)
        contents.samples.push_back(CaptureSample{K10(temps[i]), K10(22.0), i < 3 ? 5 : 10});
    contents.samples.push_back(CaptureSample{kNoData, K10(22.0), 10});
    return contents;
}

TEST_F(CaptureJournalTest, ARecoveredRecordingIsPausedWithItsFiguresAndGoesOnIntoANewJournal)
{
    EXPECT_FALSE(recorder->LoadRecovered(JournalContents{})); // nothing to load
    ASSERT_TRUE(recorder->LoadRecovered(Recovered()));
    EXPECT_EQ(std::pair(recorder->State(), ui.StatusText()), std::pair(CaptureState::Paused, Text(244)));
    const RecordingSnapshot snap = recorder->Snapshot();
    EXPECT_EQ(std::tuple(snap.sampleCount, snap.tickCount, snap.recordMax, snap.recordMin, snap.recordStart,
                         snap.fahrenheit, recorder->IntervalTicks()),
              std::tuple(6, 3 * 5 + 3 * 10, 600.0, -30.0, 1733562000, true, 10));
    RecordUntil(9);
    EXPECT_EQ(std::pair(recorder->Samples()[5].temp, recorder->Samples()[8].interval), std::pair(kNoData, 1));
}

TEST_F(CaptureJournalTest, TheStartUpOfferLoadsRemovesOrKeepsTheJournalAndSaysWhich)
{
    const JournalContents contents = Recovered();
    const std::string path = app.journalPath, damagedAs = DamagedJournalName(path);
    const std::string unreadableAs = dir.File("state/journal-unreadable.rmj");
    const std::string question = JournalQuestion(app, contents), gap = FormatLangString(app, 322, {"5"}),
                      empty = FormatLangString(app, 326, {path}),
                      emptyDamaged = FormatLangString(app, 327, {path, damagedAs});
    // The samples written to the journal (-1: no file, -2: a file that is no journal), whether bytes of a
    // block cut short follow them, the answer, what the one message holds (none: no message), where the
    // file is afterwards (empty: nowhere).
    const std::tuple<const char*, int, bool, MsgAnswer, std::vector<std::string>, std::string> rows[] = {
        {"yes", 6, false, MsgAnswer::Yes, {question}, path},
        {"no", 6, false, MsgAnswer::No, {question}, ""},
        {"damaged, yes", 6, true, MsgAnswer::Yes, {damagedAs, gap}, damagedAs},
        {"damaged, no: never deleted", 6, true, MsgAnswer::No, {damagedAs, gap}, damagedAs},
        {"empty journal", 0, false, MsgAnswer::Yes, {empty}, ""},
        {"damaged without a sample", 0, true, MsgAnswer::Yes, {emptyDamaged}, damagedAs},
        {"no journal", -1, false, MsgAnswer::Yes, {}, ""},
        {"not a journal", -2, false, MsgAnswer::Yes, {unreadableAs}, unreadableAs},
    };
    for (const auto& [name, samples, tornTail, answer, says, keptAs] : rows) {
        SCOPED_TRACE(name);
        for (const std::string& file : {path, damagedAs, unreadableAs})
            fs::remove(file);
        if (samples >= 0) {
            RecordingJournal journal;
            ASSERT_TRUE(journal.Start(path, contents.header, contents.samples.data(), samples));
            journal.Close();
            if (tornTail) WriteFileBytes(path, ReadFileBytes(path) + "RBLK\x06");
        } else if (samples == -2) {
            WriteFileBytes(path, "RM42JRN1 but nothing else");
        }
        recorder = std::make_unique<CaptureRecorder>(app);
        ui.boxes.clear();
        ui.answers = {answer};
        const bool loaded = samples > 0 && answer == MsgAnswer::Yes;
        EXPECT_EQ(OfferRecoveredJournal(app, *recorder), loaded);
        ASSERT_EQ(ui.boxes.size(), says.empty() ? 0u : 1u);
        for (const std::string& part : says)
            EXPECT_NE(ui.boxes[0].text.find(part), std::string::npos) << part << " in " << ui.boxes[0].text;
        EXPECT_EQ(std::pair(recorder->State(), recorder->SampleCount()),
                  loaded ? std::pair(CaptureState::Paused, 6) : std::pair(CaptureState::Ready, 0));
        for (const std::string& file : {path, damagedAs, unreadableAs})
            EXPECT_EQ(fs::exists(file), file == keptAs) << file;
    }
}

TEST(JournalQuestion, NamesTheSampleCountAndStartInBothLanguages)
{
    AppState app;
    JournalContents contents;
    contents.header.startTime = LocalTime(2024, 12, 7, 9, 5, 3);
    contents.samples.resize(1234);
    for (app.language = 0; app.language < 2; ++app.language) {
        const std::string text = JournalQuestion(app, contents);
        EXPECT_TRUE(text.find("1234") != text.npos && text.find("2024/12/07 09:05:03") != text.npos &&
                    text.find('%') == text.npos)
            << text;
    }
}

} // namespace
