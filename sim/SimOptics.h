#pragma once

// What an infrared thermometer with a given emissivity setting reads off a grey target: the
// detector sees trueEmissivity * M(targetK) + (1 - trueEmissivity) * M(ambientK) (the target's own
// radiation plus reflected surroundings), and the thermometer reports the T that solves
// emissivitySetting * M(T) + (1 - emissivitySetting) * M(ambientK) = that radiance, where M is the
// band exitance over [lambda1Um, lambda2Um]. Temperatures in kelvin.
//
// The result is limited to 1..6000 K; an emissivity setting of 0 or less counts as 0.001.
double ReportedTemperatureK(double targetK, double ambientK, double trueEmissivity, double emissivitySetting,
                            double lambda1Um, double lambda2Um);

// The temperature whose band exitance is exitance (W/m²), by bisection in 1..6000 K; the limit
// when exitance lies outside.
double TemperatureForExitanceK(double exitance, double lambda1Um, double lambda2Um);
