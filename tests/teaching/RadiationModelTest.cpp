#include <gtest/gtest.h>

#include <cmath>

#include "teaching/RadiationModel.h"

#if __has_include("SimOptics.h")
#include "SimOptics.h"
#define RM42_HAVE_SIM 1
#endif

namespace {

// The emissivity that makes the thermometer show teachK, as the teaching page computes it.
double Taught(double ambientK, double measuredK, double teachK, double currentEmissivity)
{
    const CRadiationModel m;
    const double ra = m.BandExitance(ambientK, 8.0, 14.0);
    const double rb = m.BandExitance(measuredK, 8.0, 14.0);
    const double rc = m.BandExitance(teachK, 8.0, 14.0);
    return (rb - ra) * currentEmissivity / (rc - ra);
}

} // namespace

TEST(RadiationModel, BandExitanceReferenceValues)
{
    struct Case {
        double tempK;
        double exitance;
    };
    const Case cases[] = {
        {243.2, 60.33}, {298.2, 167.86}, {373.2, 429.87}, {383.2, 474.93}, {873.2, 4624.88}};
    const CRadiationModel m;
    for (const Case& c : cases) {
        EXPECT_NEAR(m.BandExitance(c.tempK, 8.0, 14.0), c.exitance, 0.005) << c.tempK << " K";
    }
}

TEST(RadiationModel, SpectralExitanceFollowsPlanck)
{
    const CRadiationModel m;
    // 10 µm at 300 K: 37414.5 / 1e5 / (exp(4.79597) - 1) * 1e4 = 31.1732 W/(m²·µm).
    EXPECT_NEAR(m.SpectralExitance(300.0, 10.0), 31.1732, 0.0001);
    EXPECT_GT(m.SpectralExitance(400.0, 10.0), m.SpectralExitance(300.0, 10.0));
}

TEST(RadiationModel, EmptyReversedAndRaggedBands)
{
    const CRadiationModel m;
    EXPECT_EQ(m.BandExitance(300.0, 14.0, 8.0), 0.0);
    EXPECT_EQ(m.BandExitance(300.0, 10.0, 10.0), 0.0);
    // A band that is not a whole number of steps stops at the last step inside it.
    EXPECT_EQ(m.BandExitance(300.0, 8.0, 13.995), m.BandExitance(300.0, 8.0, 13.99));
    EXPECT_LT(m.BandExitance(300.0, 8.0, 13.99), m.BandExitance(300.0, 8.0, 14.0));
    // One step: a single trapezoid.
    const double one = (m.SpectralExitance(300.0, 8.0) + m.SpectralExitance(300.0, 8.01)) * 0.005;
    EXPECT_DOUBLE_EQ(m.BandExitance(300.0, 8.0, 8.01), one);
}

TEST(RadiationModel, TeachingExamples)
{
    EXPECT_NEAR(Taught(298.2, 373.2, 110.0 + 273.2, 0.95), 0.8106, 0.0001);
    EXPECT_NEAR(Taught(298.2, 373.2, 90.0 + 273.2, 0.95), 1.1351, 0.0001);
    EXPECT_NEAR(Taught(298.2, 373.2, 120.0 + 273.2, 0.95), 0.7023, 0.0001);
    EXPECT_EQ(static_cast<int>(Taught(298.2, 373.2, 110.0 + 273.2, 0.95) * 1000), 810);
    EXPECT_EQ(static_cast<int>(Taught(298.2, 373.2, 90.0 + 273.2, 0.95) * 1000), 1135);
    EXPECT_EQ(static_cast<int>(Taught(298.2, 373.2, 120.0 + 273.2, 0.95) * 1000), 702);
    // Teaching the ambient temperature divides by (almost) nothing.
    const double atAmbient = Taught(298.2, 373.2, 298.2, 0.95);
    EXPECT_TRUE(!std::isfinite(atAmbient) || std::fabs(atAmbient) > 1.2);
}

#ifdef RM42_HAVE_SIM
// The simulated thermometer reads through the same model, so teaching it the target's true
// temperature recovers the target's true emissivity, whatever the setting was.
TEST(RadiationModel, TeachingTheTrueTemperatureFindsTheTrueEmissivity)
{
    struct Case {
        double targetC;
        double ambientC;
        double trueEmissivity;
        double setting;
    };
    const Case cases[] = {
        {100.0, 25.0, 0.80, 0.95}, {350.0, 20.0, 0.60, 1.00}, {-20.0, 23.0, 0.90, 0.95},
        {40.0, 23.0, 0.95, 0.50},  {580.0, 30.0, 0.35, 0.70},
    };
    for (const Case& c : cases) {
        // What the thermometer puts on the wire, and what the page decodes from it.
        const double reportedK = ReportedTemperatureK(c.targetC + 273.2, c.ambientC + 273.2, c.trueEmissivity,
                                                      c.setting, 8.0, 14.0);
        const double measuredK = std::trunc(reportedK * 10.0 + 1e-6) / 10.0;
        const double ambientK = std::trunc((c.ambientC + 273.2) * 10.0 + 1e-6) / 10.0;
        const double taught = Taught(ambientK, measuredK, c.targetC + 273.2, c.setting);
        EXPECT_NEAR(taught, c.trueEmissivity, 0.01) << c.targetC << " degC";
    }
}

TEST(RadiationModel, InverseFindsTheTemperatureOfAnExitance)
{
    const CRadiationModel m;
    for (double k : {250.0, 300.0, 573.2, 900.0}) {
        EXPECT_NEAR(TemperatureForExitanceK(m.BandExitance(k, 8.0, 14.0), 8.0, 14.0), k, 1e-6);
    }
    EXPECT_EQ(TemperatureForExitanceK(-1.0, 8.0, 14.0), 1.0);
    EXPECT_EQ(TemperatureForExitanceK(1e12, 8.0, 14.0), 6000.0);
}
#endif
