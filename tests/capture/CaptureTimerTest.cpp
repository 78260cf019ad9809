#include "capture/CaptureTimer.h"
#include "CaptureSimRig.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>

namespace {

std::time_t At(int hour, int minute, int second)
{
    return LocalTime(2026, 3, 2, hour, minute, second);
}

// The page's two timers on a millisecond time line: the 500 ms clock tick while waiting and the
// 100 ms sampling tick once the recording runs, the clock read in whole seconds. tenths counts
// 1..9, 0 from the first sampling tick, which comes phaseMs after the start, so that the whole
// seconds and the tenths do not line up.
struct TimedRun {
    int64_t startMs = -1;
    int64_t stopMs = -1;
};
TimedRun RunTimer(CaptureTimer& timer, int64_t fromMs, int64_t untilMs, int64_t phaseMs)
{
    TimedRun run;
    int64_t ms = fromMs;
    for (; ms <= untilMs && run.startMs < 0; ms += 500) {
        if (timer.CheckStart(static_cast<std::time_t>(ms / 1000))) run.startMs = ms;
    }
    if (run.startMs < 0) return run;
    int tenths = 0;
    for (ms = run.startMs + phaseMs; ms <= untilMs; ms += 100) {
        tenths = (tenths + 1) % 10;
        if (timer.CheckEnd(static_cast<std::time_t>(ms / 1000), tenths)) {
            run.stopMs = ms;
            break;
        }
    }
    return run;
}

TEST(CaptureTimerTest, StartsThreeSecondsEarlyAndStopsOnAWholeSecondTickAfterTheEnd)
{
    CaptureTimer timer;
    const std::time_t armedAt = At(9, 59, 0);
    ASSERT_TRUE(timer.Arm(At(10, 0, 0), At(10, 5, 0), armedAt));
    EXPECT_EQ(timer.GetState(), CaptureTimer::State::Waiting);
    EXPECT_EQ(timer.StartAt(), At(9, 59, 57));
    EXPECT_EQ(timer.EndAt(), At(10, 5, 0));
    EXPECT_FALSE(timer.CheckEnd(At(10, 6, 0), 0)) << "a waiting timer never ends a recording";

    // Clock ticks at .250 and .750 of each second; sampling ticks 30 ms after the start.
    const int64_t from = int64_t(armedAt) * 1000 + 250;
    const TimedRun run = RunTimer(timer, from, from + 10 * 60 * 1000, 30);
    EXPECT_EQ(run.startMs, int64_t(At(9, 59, 57)) * 1000 + 250);
    // The first sampling tick (tenths 1) is at .280, so tenths is 0 on the ticks at .180 of each
    // second: the first of them once the clock shows 10:05:01.
    EXPECT_EQ(run.stopMs, int64_t(At(10, 5, 1)) * 1000 + 180);
    EXPECT_EQ(timer.GetState(), CaptureTimer::State::NotSet);
    EXPECT_FALSE(timer.CheckStart(At(10, 6, 0))) << "a finished timer does not start again";
}

TEST(CaptureTimerTest, ArmingRefusesPastStartsAndEndsNotAfterTheStart)
{
    const std::time_t now = At(12, 0, 0);
    struct Case {
        const char* what;
        std::time_t start;
        std::time_t end;
        bool armed;
    };
    const Case cases[] = {
        {"start equal to the current second", now, now + 1, true},
        {"start one second in the past", now - 1, now + 60, false},
        {"end equal to the start", now + 60, now + 60, false},
        {"end before the start", now + 60, now + 59, false},
        {"end in the past", now + 60, now - 1, false},
        {"start and end in a later year", now + 400 * 86400, now + 401 * 86400, true},
    };
    for (const Case& c : cases) {
        CaptureTimer timer;
        EXPECT_EQ(timer.Arm(c.start, c.end, now), c.armed) << c.what;
        EXPECT_EQ(timer.GetState(), c.armed ? CaptureTimer::State::Waiting : CaptureTimer::State::NotSet)
            << c.what;
    }
}

// REC while waiting cancels the timed start; PAUSE while running leaves nothing to stop.
TEST(CaptureTimerTest, CancelWhileWaitingOrRunningKeepsTheTimerFromFiring)
{
    const std::time_t now = At(8, 0, 0);
    CaptureTimer waiting;
    ASSERT_TRUE(waiting.Arm(now + 10, now + 20, now));
    waiting.Cancel();
    EXPECT_EQ(waiting.GetState(), CaptureTimer::State::NotSet);
    EXPECT_FALSE(waiting.CheckStart(now + 15));
    EXPECT_FALSE(waiting.CheckEnd(now + 30, 0));

    CaptureTimer running;
    ASSERT_TRUE(running.Arm(now + 10, now + 20, now));
    ASSERT_TRUE(running.CheckStart(now + 7));
    EXPECT_EQ(running.GetState(), CaptureTimer::State::Running);
    EXPECT_FALSE(running.CheckStart(now + 8)) << "the start fires once";
    EXPECT_FALSE(running.CheckEnd(now + 20, 0)) << "the end itself is not yet later than the end";
    EXPECT_FALSE(running.CheckEnd(now + 21, 3)) << "only a tick whose tenths is 0 stops";
    running.Cancel();
    EXPECT_FALSE(running.CheckEnd(now + 25, 0));
}

} // namespace
