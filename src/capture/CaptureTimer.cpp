#include "capture/CaptureTimer.h"

namespace {
constexpr std::time_t kStartLeadSeconds = 3; // the thermometer needs a moment to start streaming
}

bool CaptureTimer::Arm(std::time_t start, std::time_t end, std::time_t now)
{
    if (now > start || now > end || end <= start) {
        state_ = State::NotSet;
        return false;
    }
    state_ = State::Waiting;
    startAt_ = start - kStartLeadSeconds;
    endAt_ = end;
    return true;
}

bool CaptureTimer::CheckStart(std::time_t now)
{
    if (state_ != State::Waiting || now < startAt_) return false;
    state_ = State::Running;
    return true;
}

bool CaptureTimer::CheckEnd(std::time_t now, int tenths)
{
    if (state_ != State::Running || now <= endAt_ || tenths != 0) return false;
    state_ = State::NotSet;
    return true;
}

TimerStatusLook LookOfTimerState(CaptureTimer::State state)
{
    switch (state) {
    case CaptureTimer::State::Waiting:
        return {223, 0xFFFFFF, 0xFF0000};
    case CaptureTimer::State::Running:
        return {225, 0x000000, 0xFFFF00};
    case CaptureTimer::State::NotSet:
        break;
    }
    return {224, 0x000000, 0xFFFFFF};
}
