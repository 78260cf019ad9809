#include "SimTarget.h"

#include <cmath>
#include <iterator>
#include <numbers>

SimTarget::SimTarget(const SimConfig& config)
    : scenario_(config.scenario), startC_(config.targetC), rampCPerMin_(config.rampCPerMin),
      amplitudeC_(config.sineAmplitudeC), periodS_(config.sinePeriodS), noiseC_(config.noiseC),
      noise_(config.seed)
{
}

void SimTarget::SetConstant(double c)
{
    scenario_ = SimScenario::Constant;
    startC_ = c;
}

double SimTarget::AlarmProfileC(double seconds)
{
    struct Point {
        double s;
        double c;
    };
    static const Point points[] = {{0, 25}, {10, 25}, {25, 650}, {30, 650}, {45, -40}, {50, -40}, {60, 25}};
    const double t = std::fmod(seconds, 60.0);
    for (std::size_t i = 1; i < std::size(points); ++i) {
        if (t <= points[i].s) {
            const Point& a = points[i - 1];
            const Point& b = points[i];
            return a.c + (b.c - a.c) * (t - a.s) / (b.s - a.s);
        }
    }
    return points[0].c;
}

double SimTarget::TrueC(uint64_t elapsedMs)
{
    const double seconds = static_cast<double>(elapsedMs) / 1000.0;
    switch (scenario_) {
    case SimScenario::Constant:
        return startC_;
    case SimScenario::Ramp:
        return startC_ + rampCPerMin_ * seconds / 60.0;
    case SimScenario::Sine: {
        const double wave =
            periodS_ > 0 ? amplitudeC_ * std::sin(2.0 * std::numbers::pi * seconds / periodS_) : 0.0;
        // Drawn from the raw generator, not a distribution, so a seed gives the same noise
        // with every standard library.
        const double unit = static_cast<double>(noise_()) / 4294967295.0;
        return startC_ + wave + noiseC_ * (2.0 * unit - 1.0);
    }
    case SimScenario::AlarmProfile:
        return AlarmProfileC(seconds);
    }
    return startC_;
}
