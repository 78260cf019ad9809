#include "CaptureSimRig.h"
#include "capture/CaptureTimer.h"

namespace {

TEST(ComputeInterval, CountsTicksOfTheIntervalControls)
{
    for (const auto& r : DataRows("capture/intervals.txt")) {
        const int32_t ticks = std::stoi(r[5]);
        EXPECT_EQ(ComputeInterval(
                      {std::stoi(r[0]), std::stoi(r[1]), std::stoi(r[2]), r[3] == "1", std::stoi(r[4])}),
                  ticks);
        // A recovered recording's interval put back into the controls gives the same ticks.
        EXPECT_EQ(ComputeInterval(IntervalSettingOf(ticks)), ticks) << ticks;
    }
}

// The page test drives the three states; what it cannot reach: no buffer and a waiting timer.
TEST(CaptureControls, NoBufferDisablesRecAndAWaitingTimerLocksItsPickersAndTheTabs)
{
    const auto some = [](const CaptureControls& c) {
        return std::vector<bool>{c.rec, c.interval, c.timerBox, c.timerPickers, c.tabs};
    };
    EXPECT_EQ(some(ControlsFor(CaptureState::Ready, false, false)), (std::vector<bool>{0, 1, 1, 1, 1}));
    EXPECT_EQ(some(ControlsFor(CaptureState::Ready, true, true)), (std::vector<bool>{1, 1, 1, 0, 0}));
    EXPECT_EQ(std::pair(ControlsFor(CaptureState::Recording, true, false).tabs,
                        ControlsFor(CaptureState::Ready, true, false).statusId),
              std::pair(false, 245));
}

// Runs n ticks with the same received values; for each tick whether it took a sample and whether the
// REC icon then shows: S taken and shown, s taken and hidden, | shown, . hidden.
std::string Ticks(Recording& recording, int n, uint16_t temp, uint16_t room = K10(23.0))
{
    std::string ticks;
    for (int i = 0; i < n; ++i)
        ticks += "|.Ss"[2 * recording.SampleTick(temp, room).taken + !recording.RecIconShown()];
    return ticks;
}

// The icon blinks once a second while the data are valid.
TEST(Recording, TakesTheFirstValidTickAtOnceThenEveryIntervalAndAHeldRecordingGoesOn)
{
    Recording recording;
    EXPECT_FALSE(recording.PrepareRun(5));
    EXPECT_EQ(Ticks(recording, 11, K10(25.0)), "S|||.s....S");
    EXPECT_EQ(SampleRows(recording.Samples(), 3), std::vector<SampleRow>(3, {K10(25.0), K10(23.0), 5}));

    EXPECT_FALSE(recording.PrepareRun(1)); // nothing held yet: a new recording
    EXPECT_EQ(Ticks(recording, 3, K10(25.0)), "SSS");
    recording.EndRun();
    EXPECT_EQ(recording.State(), CaptureState::Paused);
    EXPECT_TRUE(recording.PrepareRun(2)); // continued: the samples and the running time go on
    EXPECT_EQ((std::tuple{Ticks(recording, 3, K10(25.0)), recording.SampleCount(), recording.TickCount()}),
              std::tuple("S|S", 5, int64_t{6}));
}

// Missing data restart the interval count and freeze the icon where it was.
TEST(Recording, MissingDataRestartsTheIntervalCount)
{
    Recording recording;
    recording.PrepareRun(5);
    EXPECT_EQ(Ticks(recording, 3, K10(25.0)), "S||");
    for (auto [temp, room] : {std::pair{kNoData, K10(23.0)}, std::pair{K10(25.0), kNoData}}) {
        EXPECT_EQ(Ticks(recording, 4, temp, room), "||||");
        EXPECT_TRUE(recording.LastDataInvalid());
    }
    // A full interval after the data are valid again, not the remainder of the old count.
    EXPECT_EQ(
        (std::tuple{Ticks(recording, 10, K10(30.0)), recording.LastDataInvalid(), recording.SampleCount()}),
        std::tuple("|...s..||S", false, 3));
}

// A full buffer is never written beyond; the extremes are clamped, the stored samples and average not.
TEST(Recording, ExtremesAreClampedButTheStoredSampleAndTheAverageAreNotAndAFullBufferTakesNoMore)
{
    Recording recording(3);
    recording.PrepareRun(1);
    for (double c : {650.0, 20.0, -40.0}) {
        Ticks(recording, 1, K10(c));
        EXPECT_NEAR(recording.CurrentTemp(), c, 0.051);
    }
    EXPECT_EQ((std::tuple{Ticks(recording, 1, K10(25.0)), recording.Full(), recording.GapTick(),
                          recording.SampleCount()}),
              std::tuple("S", true, false, 3));
    EXPECT_EQ(std::pair(recording.Samples()[0].temp, recording.Samples()[2].temp),
              std::pair(K10(650), K10(-40)));
    recording.EndRun();
    const RecordingFigures figures = recording.Figures();
    EXPECT_EQ(std::tuple(figures.recordMax, figures.recordMin, std::lround(figures.average * 1000)),
              std::tuple(600.0, -30.0, 210'000L));
}

TEST(CaptureTimer, StartsThreeSecondsEarlyFiresOnceAndStopsOnAWholeSecondTickAfterTheEnd)
{
    const std::time_t t0 = LocalTime(2026, 3, 2, 10, 0, 0);
    const char* const kStates[] = {"NotSet", "Waiting", "Running"};
    CaptureTimer timer;
    for (const auto& row : DataRows("capture/timer_steps.txt")) {
        const std::time_t now = t0 + std::stoll(row[1]);
        const int value = std::stoi(row[2]);
        const bool r = row[0] == "a"   ? timer.Arm(t0, t0 + value, now)
                       : row[0] == "s" ? timer.CheckStart(now)
                       : row[0] == "e" ? timer.CheckEnd(now, value)
                                       : (timer.Cancel(), true);
        EXPECT_EQ((std::pair<std::string, std::string>(std::to_string(r),
                                                       kStates[static_cast<int>(timer.GetState())])),
                  std::pair(row[3], row[4]))
            << row[0] << row[1] << " " << value;
    }
    EXPECT_EQ(std::pair(timer.StartAt(), timer.EndAt()), std::pair(t0 - 3, t0 + 300));
}

} // namespace
