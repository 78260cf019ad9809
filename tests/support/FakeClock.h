#pragma once

#include <cstdint>
#include <vector>

#include "device/Clock.h"

// Virtual time: SleepMs advances the tick count at once and is recorded; the wall time moves
// with it, from a fixed date that tests may set.
class FakeClock final : public Clock {
public:
    uint64_t TickMs() override { return now_; }
    void SleepMs(uint32_t ms) override
    {
        sleeps.push_back(ms);
        now_ += ms;
    }
    std::time_t WallTime() override { return wallStart + static_cast<std::time_t>((now_ - 1000) / 1000); }
    void Advance(uint64_t ms) { now_ += ms; }

    std::vector<uint32_t> sleeps;
    // 2026-03-14 09:26:53 UTC unless a test sets another.
    std::time_t wallStart = 1773480413;

private:
    uint64_t now_ = 1000;
};
