#include "CaptureSimRig.h"

namespace {

TEST(ComputeInterval, CountsTicksOfTheIntervalControls)
{
    struct Row {
        IntervalSetting setting;
        int32_t ticks;
    };
    const Row rows[] = {
        {{0, 0, 0, true, 4}, 5},          // the initial controls: 0.5 s
        {{0, 0, 0, false, 4}, 1},         // nothing at all: the shortest interval
        {{0, 0, 0, true, 0}, 1},          // "100"
        {{0, 0, 10, false, 4}, 100},      // the milliseconds only count when checked
        {{0, 1, 30, true, 8}, 909},       //
        {{23, 59, 59, true, 8}, 863'999}, // the longest
        {{1, 0, 0, false, 0}, 36'000},    //
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ComputeInterval(row.setting), row.ticks)
            << row.setting.hours << ":" << row.setting.minutes << ":" << row.setting.seconds;
        // A recovered recording's interval put back into the controls gives the same ticks.
        EXPECT_EQ(ComputeInterval(IntervalSettingOf(row.ticks)), row.ticks) << row.ticks;
    }
}

// The page test drives the three states; what it cannot reach: no buffer and a waiting timer.
TEST(CaptureControls, NoBufferDisablesRecAndAWaitingTimerLocksItsPickersAndTheTabs)
{
    const CaptureControls noBuffer = ControlsFor(CaptureState::Ready, false, false);
    EXPECT_FALSE(noBuffer.rec);
    EXPECT_TRUE(noBuffer.tabs);
    const CaptureControls waiting = ControlsFor(CaptureState::Ready, true, true);
    EXPECT_TRUE(waiting.rec && waiting.interval && waiting.timerBox);
    EXPECT_FALSE(waiting.timerPickers || waiting.tabs);
    EXPECT_FALSE(ControlsFor(CaptureState::Recording, true, false).tabs);
    EXPECT_EQ(ControlsFor(CaptureState::Ready, true, false).statusId, 245);
}

// Runs n ticks with the same received values; the indexes (counted from 1) of the ticks that took
// a sample.
std::vector<int> Ticks(Recording& recording, int n, uint16_t temp, uint16_t room)
{
    std::vector<int> taken;
    for (int i = 1; i <= n; ++i) {
        if (recording.SampleTick(temp, room).taken) taken.push_back(i);
    }
    return taken;
}

TEST(Recording, TakesTheFirstValidTickAtOnceThenEveryIntervalAndAHeldRecordingGoesOn)
{
    Recording recording;
    EXPECT_FALSE(recording.PrepareRun(5));
    EXPECT_EQ(Ticks(recording, 11, K10(25.0), K10(23.0)), (std::vector<int>{1, 6, 11}));
    EXPECT_EQ(SampleRows(recording.Samples(), 3), std::vector<SampleRow>(3, {K10(25.0), K10(23.0), 5}));

    EXPECT_FALSE(recording.PrepareRun(1)); // nothing held yet: a new recording
    EXPECT_EQ(Ticks(recording, 3, K10(25.0), K10(23.0)), (std::vector<int>{1, 2, 3}));
    recording.EndRun();
    EXPECT_EQ(recording.State(), CaptureState::Paused);
    EXPECT_TRUE(recording.PrepareRun(2)); // continued: the samples and the running time go on
    EXPECT_EQ(Ticks(recording, 3, K10(25.0), K10(23.0)), (std::vector<int>{1, 3}));
    EXPECT_EQ(recording.SampleCount(), 5);
    EXPECT_EQ(recording.TickCount(), 6);
}

TEST(Recording, MissingDataRestartsTheIntervalCount)
{
    Recording recording;
    recording.PrepareRun(5);
    EXPECT_EQ(Ticks(recording, 3, K10(25.0), K10(23.0)), (std::vector<int>{1}));
    for (auto [temp, room] : {std::pair{kNoData, K10(23.0)}, std::pair{K10(25.0), kNoData}}) {
        EXPECT_TRUE(Ticks(recording, 4, temp, room).empty());
        EXPECT_TRUE(recording.LastDataInvalid());
    }
    // A full interval after the data are valid again, not the remainder of the old count.
    EXPECT_EQ(Ticks(recording, 10, K10(30.0), K10(23.0)), (std::vector<int>{5, 10}));
    EXPECT_FALSE(recording.LastDataInvalid());
    EXPECT_EQ(recording.SampleCount(), 3);
}

TEST(Recording, ExtremesAreClampedButTheStoredSampleIsNot)
{
    Recording recording;
    recording.PrepareRun(1);
    for (double c : {650.0, 20.0, -40.0}) {
        Ticks(recording, 1, K10(c), K10(22.0));
        EXPECT_NEAR(recording.CurrentTemp(), c, 0.051);
    }
    EXPECT_EQ(recording.Samples()[0].temp, K10(650.0));
    EXPECT_EQ(recording.Samples()[2].temp, K10(-40.0));
    EXPECT_DOUBLE_EQ(recording.Figures().recordMax, 600.0);
    EXPECT_DOUBLE_EQ(recording.Figures().recordMin, -30.0);
}

TEST(Recording, RecIconBlinksOnlyWhileDataAreValid)
{
    Recording recording;
    recording.PrepareRun(5);
    std::vector<bool> shown;
    for (int i = 0; i < 11; ++i) {
        recording.SampleTick(K10(25.0), K10(23.0));
        shown.push_back(recording.RecIconShown());
    }
    // Shown for ticks 1-4, hidden for 5-10, shown again from the 11th: once a second.
    EXPECT_EQ(shown,
              (std::vector<bool>{true, true, true, true, false, false, false, false, false, false, true}));
    Ticks(recording, 2, kNoData, kNoData);
    EXPECT_TRUE(recording.RecIconShown()); // frozen where it was
}

TEST(Recording, AFullBufferIsNeverWrittenBeyond)
{
    Recording recording(2);
    recording.PrepareRun(1);
    EXPECT_EQ(Ticks(recording, 3, K10(25.0), K10(23.0)), (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(recording.Full());
    EXPECT_EQ(recording.SampleCount(), 2);
    EXPECT_FALSE(recording.GapTick());
    EXPECT_EQ(recording.SampleCount(), 2);
}

} // namespace
