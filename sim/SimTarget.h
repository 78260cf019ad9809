#pragma once

#include <cstdint>
#include <random>

#include "SimThermometer.h"

// The true temperature of the simulated target over time.
class SimTarget {
public:
    explicit SimTarget(const SimConfig& config);

    // True temperature in degC, elapsedMs after the thermometer was switched on. Sine noise is
    // drawn anew on every call (reproducible for a given seed and sequence of calls).
    double TrueC(uint64_t elapsedMs);
    void SetConstant(double c);

    // The alarm profile, a 60 s cycle: 25 degC for 10 s, up to 650 degC (above the 600 degC top of
    // the range), down through the usual alarm limits to -40 degC (below -30 degC) and back.
    static double AlarmProfileC(double seconds);

private:
    SimScenario scenario_;
    double startC_;
    double rampCPerMin_;
    double amplitudeC_;
    double periodS_;
    double noiseC_;
    std::mt19937 noise_;
};
