// The recording page's start-up offer of a recording that a crashed run left in its journal. The
// answer No (the journal removed, nothing loaded) is CaptureJournalTest's.

#include <QRadioButton>

#include <filesystem>

#include "CapturePageRig.h"

namespace {

class CaptureRecoveryTest : public CapturePageRig {
protected:
    void SetUp() override
    {
        app.journalPath = dir.File("state/journal.rmj");
        // A recording in degF that a killed run left behind: 40 samples, two intervals.
        for (int i = 0; i < 40; ++i)
            samples.push_back(CaptureSample{static_cast<uint16_t>(2982 + i), 2962, i < 20 ? 5 : 10});
        RecordingJournal journal;
        ASSERT_TRUE(journal.Start(app.journalPath, JournalHeader{1733562000, 5, true, 4711}, samples.data(),
                                  static_cast<int32_t>(samples.size())));
        journal.Close();
    }
    std::vector<CaptureSample> samples;
};

TEST_F(CaptureRecoveryTest, YesLoadsAPausedRecordingReadyToSave)
{
    auto page = Page(1);
    boxes.answers = {MsgAnswer::Yes};
    page->OfferRecoveredRecording();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].qtButtons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_NE(boxes.shown[0].call.text.find("40 samples"), std::string::npos) << boxes.shown[0].call.text;

    CaptureRecorder& recorder = page->Recorder();
    ASSERT_EQ(recorder.State(), CaptureState::Paused);
    ASSERT_EQ(recorder.SampleCount(), 40);
    EXPECT_EQ(recorder.Samples()[39].temp, samples[39].temp);
    EXPECT_EQ(recorder.TickCount(), 20 * 5 + 20 * 10);
    EXPECT_TRUE(Control<QRadioButton>(page.get(), 1334)->isChecked()); // degF, as it was recorded
    EXPECT_TRUE(FindControl(page.get(), 1103)->isEnabled());           // SAVE
    EXPECT_TRUE(std::filesystem::exists(app.journalPath));             // kept until it is saved or deleted

    // A second offer (nothing new) asks nothing.
    page->OfferRecoveredRecording();
    EXPECT_EQ(boxes.shown.size(), 1u);
}

} // namespace
