#include <gtest/gtest.h>

#include <cmath>

#include "teaching/RadiationModel.h"

#if __has_include("SimOptics.h")
#include "SimOptics.h"
#define RM42_HAVE_SIM 1
#endif

namespace {

const CRadiationModel kModel;

double Band(double k)
{
    return kModel.BandExitance(k, 8.0, 14.0);
}

// The emissivity that makes the thermometer show teachK, as the teaching page computes it.
double Taught(double ambientK, double measuredK, double teachK, double currentEmissivity)
{
    return (Band(measuredK) - Band(ambientK)) * currentEmissivity / (Band(teachK) - Band(ambientK));
}

} // namespace

TEST(RadiationModel, ReferenceValues)
{
    const std::pair<double, double> cases[] = {
        {243.2, 60.33}, {298.2, 167.86}, {373.2, 429.87}, {383.2, 474.93}, {873.2, 4624.88}};
    for (const auto& [k, exitance] : cases)
        EXPECT_NEAR(Band(k), exitance, 0.005) << k << " K";
    // 10 µm at 300 K: 37414.5 / 1e5 / (exp(4.79597) - 1) * 1e4 = 31.1732 W/(m²·µm).
    EXPECT_NEAR(kModel.SpectralExitance(300.0, 10.0), 31.1732, 0.0001);

    // Teaching 110, 90 and 120 degC on a 100 degC reading at 0.95 in a 25 degC room.
    const std::pair<double, int> taught[] = {{110.0, 810}, {90.0, 1135}, {120.0, 702}};
    for (const auto& [teachC, thousandths] : taught)
        EXPECT_EQ(int(Taught(298.2, 373.2, teachC + 273.2, 0.95) * 1000), thousandths) << teachC;
    // Teaching the ambient temperature divides by (almost) nothing.
    const double atAmbient = Taught(298.2, 373.2, 298.2, 0.95);
    EXPECT_TRUE(!std::isfinite(atAmbient) || std::fabs(atAmbient) > 1.2);
}

TEST(RadiationModel, EmptyReversedAndRaggedBands)
{
    EXPECT_EQ(kModel.BandExitance(300.0, 14.0, 8.0), 0.0);
    EXPECT_EQ(kModel.BandExitance(300.0, 10.0, 10.0), 0.0);
    // A band that is not a whole number of steps stops at the last step inside it.
    EXPECT_EQ(kModel.BandExitance(300.0, 8.0, 13.995), kModel.BandExitance(300.0, 8.0, 13.99));
    EXPECT_LT(kModel.BandExitance(300.0, 8.0, 13.99), Band(300.0));
    // One step: a single trapezoid.
    const double one = (kModel.SpectralExitance(300.0, 8.0) + kModel.SpectralExitance(300.0, 8.01)) * 0.005;
    EXPECT_DOUBLE_EQ(kModel.BandExitance(300.0, 8.0, 8.01), one);
}

#ifdef RM42_HAVE_SIM
// The simulated thermometer reads through the same model, so teaching it the target's true
// temperature recovers the target's true emissivity, whatever the setting was.
TEST(RadiationModel, TeachingTheTrueTemperatureFindsTheTrueEmissivity)
{
    struct Case {
        double targetC, ambientC, trueEmissivity, setting;
    };
    const Case cases[] = {{100.0, 25.0, 0.80, 0.95},
                          {350.0, 20.0, 0.60, 1.00},
                          {-20.0, 23.0, 0.90, 0.95},
                          {40.0, 23.0, 0.95, 0.50},
                          {580.0, 30.0, 0.35, 0.70}};
    for (const Case& c : cases) {
        // What the thermometer puts on the wire, and what the page decodes from it.
        const double reportedK = ReportedTemperatureK(c.targetC + 273.2, c.ambientC + 273.2, c.trueEmissivity,
                                                      c.setting, 8.0, 14.0);
        const double measuredK = std::trunc(reportedK * 10.0 + 1e-6) / 10.0;
        const double ambientK = std::trunc((c.ambientC + 273.2) * 10.0 + 1e-6) / 10.0;
        EXPECT_NEAR(Taught(ambientK, measuredK, c.targetC + 273.2, c.setting), c.trueEmissivity, 0.01)
            << c.targetC << " degC";
    }
    for (double k : {250.0, 300.0, 573.2, 900.0})
        EXPECT_NEAR(TemperatureForExitanceK(Band(k), 8.0, 14.0), k, 1e-6);
    EXPECT_EQ(TemperatureForExitanceK(-1.0, 8.0, 14.0), 1.0);
    EXPECT_EQ(TemperatureForExitanceK(1e12, 8.0, 14.0), 6000.0);
}
#endif
