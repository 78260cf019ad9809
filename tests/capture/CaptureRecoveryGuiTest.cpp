// The recording page's start-up offer of a recording that a crashed run left in its journal.

#include <QRadioButton>

#include <filesystem>

#include "SimThermometer.h"
#include "capture/CCapturePage.h"
#include "device/Clock.h"
#include "ui/GuiTestSupport.h"

namespace {

class CaptureRecoveryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteFileBytes(
            dir.File("rm42meter.ini"),
            "[System]\nLangage=1\n[ComPort]\nPort=SIM\nStopBit=0\nCommandWait1=0\nCommandWait2=0\n");
        app.iniPath = dir.File("rm42meter.ini");
        app.exeDir = dir.Path();
        app.language = 1;
        app.clock = &clock;
        app.ports = ports.get();
        app.ui = &ui;
        app.journalPath = dir.File("state/journal.rmj");
        // A recording in degF that a killed run left behind: 40 samples, two intervals.
        for (int i = 0; i < 40; ++i)
            samples.push_back(CaptureSample{static_cast<uint16_t>(2982 + i), 2962, i < 20 ? 5 : 10});
        RecordingJournal journal;
        ASSERT_TRUE(journal.Start(app.journalPath, JournalHeader{1733562000, 5, true, 4711}, samples.data(),
                                  static_cast<int32_t>(samples.size())));
        journal.Close();
    }
    std::unique_ptr<CCapturePage> Page()
    {
        auto page = std::make_unique<CCapturePage>(app, nullptr);
        page->show();
        page->PageShown();
        return page;
    }

    TempDir dir;
    SteadyClock clock;
    SimThermometer sim{[] {
                           SimConfig c;
                           c.streamRateHz = 50.0;
                           return c;
                       }(),
                       clock};
    std::unique_ptr<SerialPortFactory> ports = MakeSimPortFactory(sim, clock);
    AppState app;
    ScriptedBoxes boxes{app};
    QtUserInterface& ui = boxes;
    std::vector<CaptureSample> samples;
};

TEST_F(CaptureRecoveryTest, YesLoadsAPausedRecordingReadyToSave)
{
    auto page = Page();
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

TEST_F(CaptureRecoveryTest, NoRemovesTheJournalAndLeavesThePageReady)
{
    auto page = Page();
    boxes.answers = {MsgAnswer::No};
    page->OfferRecoveredRecording();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(page->Recorder().State(), CaptureState::Ready);
    EXPECT_EQ(page->Recorder().SampleCount(), 0);
    EXPECT_FALSE(FindControl(page.get(), 1103)->isEnabled());
    EXPECT_FALSE(std::filesystem::exists(app.journalPath));
}

} // namespace
