#pragma once

#include <cstdint>
#include <ctime>

// Millisecond tick count, sleep and the wall-clock time. Every pause and every reading of the
// date goes through a Clock, so tests check each pause exactly without sleeping and fix the date.
class Clock {
public:
    virtual ~Clock() = default;
    // Monotonic milliseconds since an arbitrary start.
    virtual uint64_t TickMs() = 0;
    virtual void SleepMs(uint32_t ms) = 0;
    // Seconds since the epoch, as time(); only for dates shown or stored, never for intervals.
    virtual std::time_t WallTime() = 0;
};

// The real clock: steady_clock and this_thread::sleep_for.
class SteadyClock final : public Clock {
public:
    uint64_t TickMs() override;
    void SleepMs(uint32_t ms) override;
    std::time_t WallTime() override;
};
