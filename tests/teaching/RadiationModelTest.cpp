#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "SimOptics.h"
#include "teaching/RadiationModel.h"
#include "teaching/TeachingOperations.h"

namespace {

const CRadiationModel kModel;

const auto Band = [](double k) { return kModel.BandExitance(k, 8.0, 14.0); };

} // namespace

TEST(RadiationModel, ReferenceValuesAndBandEdges)
{
    const std::pair<double, double> cases[] = {{243.2, 60.33},  {298.2, 167.86}, {300.0, 172.56},
                                               {373.2, 429.87}, {383.2, 474.93}, {873.2, 4624.88}};
    for (const auto& [k, exitance] : cases)
        EXPECT_NEAR(Band(k), exitance, 0.005) << k << " K";
    // 10 µm at 300 K: 37414.5 / 1e5 / (exp(4.79597) - 1) * 1e4 = 31.1732 W/(m²·µm).
    EXPECT_NEAR(kModel.SpectralExitance(300.0, 10.0), 31.1732, 0.0001);

    // Empty, reversed and ragged bands.
    EXPECT_EQ(kModel.BandExitance(300.0, 14.0, 8.0), 0.0);
    EXPECT_EQ(kModel.BandExitance(300.0, 10.0, 10.0), 0.0);
    // A band that is not a whole number of 0.01 um steps stops at the last step inside it.
    EXPECT_NEAR(kModel.BandExitance(300.0, 8.0, 13.995), 172.3225, 0.00005);
}

// The simulated thermometer reads through the same model, so teaching it the target's true
// temperature recovers the target's true emissivity, whatever the setting was.
TEST(RadiationModel, TeachingTheTrueTemperatureFindsTheTrueEmissivity)
{
    // Target and room in degC, the target's true emissivity, the setting.
    // clang-format off
    const std::array<double, 4> cases[] = {{100.0, 25.0, 0.80, 0.95}, {350.0, 20.0, 0.60, 1.00},
        {-20.0, 23.0, 0.90, 0.95}, {40.0, 23.0, 0.95, 0.50}, {580.0, 30.0, 0.35, 0.70}};
    // clang-format on
    // The wire carries tenths of a kelvin, cut off; the page decodes those.
    const auto onWire = [](double k) { return std::trunc(k * 10.0 + 1e-6) / 10.0; };
    for (const auto& [targetC, ambientC, trueEmissivity, setting] : cases) {
        const double targetK = targetC + 273.2, ambientK = ambientC + 273.2;
        const double measuredK =
            onWire(ReportedTemperatureK(targetK, ambientK, trueEmissivity, setting, 8, 14));
        EXPECT_NEAR(TaughtEmissivity(kModel, onWire(ambientK), measuredK, targetK, setting, 8, 14),
                    trueEmissivity, 0.01)
            << targetC;
    }
    for (double k : {250.0, 300.0, 573.2, 900.0})
        EXPECT_NEAR(TemperatureForExitanceK(Band(k), 8.0, 14.0), k, 1e-6);
    EXPECT_EQ(TemperatureForExitanceK(-1.0, 8.0, 14.0), 1.0);
    EXPECT_EQ(TemperatureForExitanceK(1e12, 8.0, 14.0), 6000.0);
}
