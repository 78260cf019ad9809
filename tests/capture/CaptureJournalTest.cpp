#include "CaptureSimRig.h"
#include "app/LangString.h"
#include "capture/JournalRecovery.h"

#include <filesystem>

namespace {

// The recorder against the simulated thermometer, its journal in the test's folder.
class CaptureJournalTest : public SimRecorderRig {
protected:
    void SetUp() override
    {
        app.deviceSerial = 4711;
        app.journalPath = dir.File("state/journal.rmj");
        SimConfig config;
        config.targetC = 31.5;
        config.ambientC = 22.0;
        Start(config);
    }
    // The journal on disk holds exactly the recorder's samples.
    void ExpectJournalHoldsTheRecording()
    {
        const std::optional<JournalContents> journal = LoadJournal(app.journalPath);
        ASSERT_TRUE(journal.has_value());
        EXPECT_EQ(journal->header.deviceSerial, 4711u);
        EXPECT_EQ(SampleRows(journal->samples.data(), journal->samples.size()),
                  SampleRows(recorder->Samples(), static_cast<std::size_t>(recorder->SampleCount())));
    }
};

TEST_F(CaptureJournalTest, PauseContinueSaveDeleteAndQuitKeepTheJournalInStep)
{
    ASSERT_EQ(recorder->StartCapture(1), CaptureRecorder::StartResult::Started) << ui.StatusText();
    EXPECT_TRUE(recorder->Journal().Active());
    TickUntil(3);
    recorder->RecordingSaved(); // saved while running: what follows is not saved yet
    TickUntil(5);
    ASSERT_EQ(recorder->StopCapture(), CaptureRecorder::StopResult::Stopped);
    ExpectJournalHoldsTheRecording();
    EXPECT_EQ(LoadJournal(app.journalPath)->header.startTime, recorder->Snapshot().recordStart);

    // Continued: the same journal grows.
    ASSERT_EQ(recorder->StartCapture(2), CaptureRecorder::StartResult::Started);
    TickUntil(8);
    ASSERT_EQ(recorder->StopCapture(), CaptureRecorder::StopResult::Stopped);
    ExpectJournalHoldsTheRecording();
    EXPECT_EQ(recorder->Samples()[7].interval, 2);

    // Saved while paused: gone; continuing starts a new journal that holds the whole recording.
    recorder->RecordingSaved();
    EXPECT_FALSE(std::filesystem::exists(app.journalPath));
    ASSERT_EQ(recorder->StartCapture(1), CaptureRecorder::StartResult::Started);
    TickUntil(9);
    ASSERT_EQ(recorder->StopCapture(), CaptureRecorder::StopResult::Stopped);
    ExpectJournalHoldsTheRecording();

    ui.answers.push_back(MsgAnswer::Cancel);
    EXPECT_FALSE(recorder->DeleteRecording());
    EXPECT_TRUE(std::filesystem::exists(app.journalPath)); // the user kept the recording
    ui.answers.push_back(MsgAnswer::Ok);
    EXPECT_TRUE(recorder->DeleteRecording());
    EXPECT_FALSE(std::filesystem::exists(app.journalPath));

    // Quitting with the user's consent ends the recording and its journal.
    ASSERT_EQ(recorder->StartCapture(1), CaptureRecorder::StartResult::Started);
    TickUntil(2);
    recorder->Close();
    EXPECT_EQ(recorder->State(), CaptureState::Paused);
    EXPECT_EQ(sim->Register(0), 0xFC04); // told to stop streaming
    EXPECT_FALSE(std::filesystem::exists(app.journalPath));
}

TEST_F(CaptureJournalTest, AJournalThatCannotBeWrittenNeverStopsTheRecording)
{
    WriteFileBytes(dir.File("plain"), "not a folder");
    app.journalPath = dir.File("plain/journal.rmj");
    ASSERT_EQ(recorder->StartCapture(1), CaptureRecorder::StartResult::Started);
    EXPECT_EQ(ui.StatusText(), Text(298));
    EXPECT_FALSE(recorder->Journal().Active());
    TickUntil(5);
    EXPECT_EQ(recorder->SampleCount(), 5);
    EXPECT_EQ(recorder->StopCapture(), CaptureRecorder::StopResult::Stopped);
    EXPECT_TRUE(ui.boxes.empty()) << ui.boxes.front().text;
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
    const JournalContents contents = Recovered();
    ASSERT_TRUE(recorder->LoadRecovered(contents));
    EXPECT_EQ(recorder->State(), CaptureState::Paused);
    EXPECT_EQ(ui.StatusText(), Text(244));
    const RecordingSnapshot snap = recorder->Snapshot();
    EXPECT_EQ(snap.sampleCount, 6);
    EXPECT_EQ(snap.tickCount, 3 * 5 + 3 * 10);
    EXPECT_DOUBLE_EQ(snap.recordMax, 600.0);
    EXPECT_DOUBLE_EQ(snap.recordMin, -30.0);
    EXPECT_EQ(snap.recordStart, 1733562000);
    EXPECT_TRUE(snap.fahrenheit);
    EXPECT_EQ(recorder->IntervalTicks(), 10);
    EXPECT_FALSE(recorder->LoadRecovered(JournalContents{})); // nothing to load

    ASSERT_EQ(recorder->StartCapture(1), CaptureRecorder::StartResult::Started);
    TickUntil(9);
    ASSERT_EQ(recorder->StopCapture(), CaptureRecorder::StopResult::Stopped);
    EXPECT_EQ(recorder->Samples()[5].temp, kNoData);
    ExpectJournalHoldsTheRecording();
}

TEST_F(CaptureJournalTest, TheStartUpOfferLoadsRemovesOrKeepsTheJournalAndSaysWhich)
{
    const JournalContents contents = Recovered();
    const std::string damagedAs = DamagedJournalName(app.journalPath);
    const std::string unreadableAs = dir.File("state/journal-unreadable.rmj");
    const std::string question = JournalQuestion(app, contents), gap = FormatLangString(app, 322, {"5"});
    struct Row {
        const char* name;
        int samples;   // written to the journal; -1: no file, -2: a file that is no journal
        bool tornTail; // bytes of a block cut short after them
        MsgAnswer answer;
        std::vector<std::string> says; // the one message holds these; empty: no message
        bool loaded;
        std::string keptAs; // where the file is afterwards; empty: nowhere
    };
    const Row rows[] = {
        {"yes", 6, false, MsgAnswer::Yes, {question}, true, app.journalPath},
        {"no", 6, false, MsgAnswer::No, {question}, false, ""},
        {"damaged, yes", 6, true, MsgAnswer::Yes, {damagedAs, gap}, true, damagedAs},
        {"damaged, no: never deleted", 6, true, MsgAnswer::No, {damagedAs, gap}, false, damagedAs},
        {"empty journal",
         0,
         false,
         MsgAnswer::Yes,
         {FormatLangString(app, 326, {app.journalPath})},
         false,
         ""},
        {"damaged without a sample",
         0,
         true,
         MsgAnswer::Yes,
         {FormatLangString(app, 327, {app.journalPath, damagedAs})},
         false,
         damagedAs},
        {"no journal", -1, false, MsgAnswer::Yes, {}, false, ""},
        {"not a journal", -2, false, MsgAnswer::Yes, {unreadableAs}, false, unreadableAs},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (const std::string& file : {app.journalPath, damagedAs, unreadableAs})
            std::remove(file.c_str());
        if (row.samples >= 0) {
            RecordingJournal journal;
            ASSERT_TRUE(
                journal.Start(app.journalPath, contents.header, contents.samples.data(), row.samples));
            journal.Close();
            if (row.tornTail) WriteFileBytes(app.journalPath, ReadFileBytes(app.journalPath) + "RBLK\x06");
        } else if (row.samples == -2) {
            WriteFileBytes(app.journalPath, "RM42JRN1 but nothing else");
        }
        recorder = std::make_unique<CaptureRecorder>(app);
        ui.boxes.clear();
        ui.answers = {row.answer};
        EXPECT_EQ(OfferRecoveredJournal(app, *recorder), row.loaded);
        ASSERT_EQ(ui.boxes.size(), row.says.empty() ? 0u : 1u);
        for (const std::string& part : row.says)
            EXPECT_NE(ui.boxes[0].text.find(part), std::string::npos) << part << " in " << ui.boxes[0].text;
        EXPECT_EQ(recorder->State(), row.loaded ? CaptureState::Paused : CaptureState::Ready);
        EXPECT_EQ(recorder->SampleCount(), row.loaded ? 6 : 0);
        for (const std::string& file : {app.journalPath, damagedAs, unreadableAs})
            EXPECT_EQ(std::filesystem::exists(file), file == row.keptAs) << file;
    }
}

TEST(JournalQuestion, NamesTheSampleCountAndStartInBothLanguages)
{
    AppState app;
    JournalContents contents;
    contents.header.startTime = 1733562000;
    contents.samples.resize(1234);
    std::tm local{};
    const std::time_t start = 1733562000;
    localtime_r(&start, &local);
    char when[32];
    std::strftime(when, sizeof when, "%Y/%m/%d %H:%M:%S", &local);
    for (int language : {0, 1}) {
        app.language = language;
        const std::string text = JournalQuestion(app, contents);
        EXPECT_NE(text.find("1234"), std::string::npos) << text;
        EXPECT_NE(text.find(when), std::string::npos) << text;
        EXPECT_EQ(text.find('%'), std::string::npos) << text;
    }
}

} // namespace
