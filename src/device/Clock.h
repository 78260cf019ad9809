#pragma once

#include <cstdint>

// Millisecond tick count and sleep. Every pause in the program goes through a Clock so tests
// check each pause exactly without sleeping.
class Clock {
public:
    virtual ~Clock() = default;
    // Monotonic milliseconds since an arbitrary start.
    virtual uint64_t TickMs() = 0;
    virtual void SleepMs(uint32_t ms) = 0;
};

// The real clock: steady_clock and this_thread::sleep_for.
class SteadyClock final : public Clock {
public:
    uint64_t TickMs() override;
    void SleepMs(uint32_t ms) override;
};
