#pragma once

// Black-body radiation within the thermometer's wavelength band: Planck's law in exitance form,
// integrated with the trapezoidal rule. Pure computation, no state; any thread may call it.
class CRadiationModel {
public:
    // First radiation constant, W·µm⁴/cm².
    static constexpr double C1 = 37414.5;
    // Second radiation constant, µm·K.
    static constexpr double C2 = 14387.9;
    // cm² to m².
    static constexpr double SCALE = 10000.0;
    // Integration step, µm.
    static constexpr double STEP_UM = 0.01;

    virtual ~CRadiationModel() = default;

    // Spectral exitance in W/(m²·µm) at temperature tempK (kelvin) and wavelength lambdaUm (µm).
    // Not guarded: tempK <= 0 or lambdaUm <= 0 give whatever the formula gives (inf, nan, 0).
    double SpectralExitance(double tempK, double lambdaUm) const;

    // Band exitance in W/m² over [lambda1Um, lambda2Um] in steps of 0.01 µm, the wavelength advanced
    // by repeated addition and the last sample taken at the last step not beyond lambda2Um + 0.001.
    // 0.0 when lambda1Um + 0.01 already lies beyond that limit (an empty or reversed band).
    double BandExitance(double tempK, double lambda1Um, double lambda2Um) const;
};
