#include "SimOptics.h"

#include <algorithm>

#include "teaching/RadiationModel.h"

namespace {

constexpr double LOWEST_K = 1.0;
constexpr double HIGHEST_K = 6000.0;

} // namespace

double TemperatureForExitanceK(double exitance, double lambda1Um, double lambda2Um)
{
    const CRadiationModel model;
    double lo = LOWEST_K;
    double hi = HIGHEST_K;
    if (exitance <= model.BandExitance(lo, lambda1Um, lambda2Um)) return lo;
    if (exitance >= model.BandExitance(hi, lambda1Um, lambda2Um)) return hi;
    // The band exitance rises strictly with temperature; 45 halvings leave well under 1e-9 K.
    for (int i = 0; i < 45; ++i) {
        const double mid = (lo + hi) / 2;
        if (model.BandExitance(mid, lambda1Um, lambda2Um) < exitance) {
            lo = mid;
        } else {
            hi = mid;
        }
    }
    return (lo + hi) / 2;
}

double ReportedTemperatureK(double targetK, double ambientK, double trueEmissivity, double emissivitySetting,
                            double lambda1Um, double lambda2Um)
{
    if (emissivitySetting == trueEmissivity) return std::clamp(targetK, LOWEST_K, HIGHEST_K);
    const CRadiationModel model;
    const double setting = std::max(emissivitySetting, 0.001);
    const double ambient = model.BandExitance(ambientK, lambda1Um, lambda2Um);
    const double target = model.BandExitance(targetK, lambda1Um, lambda2Um);
    const double seen = trueEmissivity * target + (1.0 - trueEmissivity) * ambient;
    return TemperatureForExitanceK(ambient + (seen - ambient) / setting, lambda1Um, lambda2Um);
}
