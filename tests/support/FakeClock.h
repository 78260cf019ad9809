#pragma once

#include <cstdint>
#include <vector>

#include "device/Clock.h"

// Virtual time: SleepMs advances the tick count at once and is recorded.
class FakeClock final : public Clock {
public:
    uint64_t TickMs() override { return now_; }
    void SleepMs(uint32_t ms) override
    {
        sleeps.push_back(ms);
        now_ += ms;
    }
    void Advance(uint64_t ms) { now_ += ms; }

    std::vector<uint32_t> sleeps;

private:
    uint64_t now_ = 1000;
};
