#pragma once

#include <cstdint>

// One recorded sample. Temperatures are tenths of a kelvin as the thermometer sent them
// (degC = (int16_t(temp) - 2732) / 10); kNoData marks a missing value. interval is the
// sampling interval in 100 ms ticks that was in force when the sample was taken; the elapsed
// time of sample n is the sum of the intervals of samples 0 .. n-1.
struct CaptureSample {
    uint16_t temp = 9999;
    uint16_t roomTemp = 9999;
    int32_t interval = 0;
};
static_assert(sizeof(CaptureSample) == 8);

constexpr uint16_t kNoData = 9999;
constexpr int32_t kMaxSamples = 2'592'000; // 72 hours at 100 ms
