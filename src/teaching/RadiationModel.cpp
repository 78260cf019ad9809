#include "teaching/RadiationModel.h"

#include <cmath>

double CRadiationModel::SpectralExitance(double tempK, double lambdaUm) const
{
    // The order of the operations is part of the result: teaching results are compared to the
    // last digit with values computed this way.
    const double a = C1 / std::pow(lambdaUm, 5.0);
    const double b = a / (std::exp(C2 / (lambdaUm * tempK)) - 1.0);
    return b * SCALE;
}

double CRadiationModel::BandExitance(double tempK, double lambda1Um, double lambda2Um) const
{
    const double h = STEP_UM;
    double sum = 0.0;
    double prev = SpectralExitance(tempK, lambda1Um);
    // The tolerance of a tenth of a step absorbs the rounding that repeated addition accumulates.
    for (double lambda = lambda1Um + h; lambda <= lambda2Um + h / 10; lambda += h) {
        const double cur = SpectralExitance(tempK, lambda);
        sum += (prev + cur) * (h / 2);
        prev = cur;
    }
    return sum;
}
