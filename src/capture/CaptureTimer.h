#pragma once

#include <cstdint>
#include <ctime>

// The recording page's start/end timer. The page reads the current time and hands it in (whole
// seconds of the system clock, so a time 10:05:00.7 is 10:05:00), builds start and end from its
// date and time pickers as local time, and does what the results say: start or stop the
// recording, show the status text, enable or disable the tab control and the timer pickers.
class CaptureTimer {
public:
    enum class State { NotSet = 0, Waiting = 1, Running = 2 };

    // Arms the timer from the check box. Refused (false, the timer stays not set) when now is
    // later than start or than end, or end is not later than start; a start equal to now is
    // accepted. Armed, the recording starts 3 seconds before start.
    bool Arm(std::time_t start, std::time_t end, std::time_t now);
    // The check box unchecked, REC pressed while waiting (a manual start replaces the timed one),
    // or PAUSE while running: the timer is not set. Harmless in any state.
    void Cancel() { state_ = State::NotSet; }
    // The 500 ms clock tick: true exactly once, when the waiting timer reaches start less 3 s;
    // the timer is then running and the caller starts the recording.
    bool CheckStart(std::time_t now);
    // The 100 ms sampling tick (tenths cycles 1..9, 0): true when the running timer sees a time
    // later than end on a tick whose tenths is 0; the timer is then not set and the caller stops
    // the recording.
    bool CheckEnd(std::time_t now, int tenths);

    State GetState() const { return state_; }
    std::time_t StartAt() const { return startAt_; } // set start less 3 seconds
    std::time_t EndAt() const { return endAt_; }

private:
    State state_ = State::NotSet;
    std::time_t startAt_ = 0;
    std::time_t endAt_ = 0;
};

// How the timer status box shows a state: its string id (224 not set, 223 waiting, 225 running)
// and its text and background colours as 0xRRGGBB.
struct TimerStatusLook {
    int stringId;
    uint32_t textRgb;
    uint32_t backgroundRgb;
};
TimerStatusLook LookOfTimerState(CaptureTimer::State state);
