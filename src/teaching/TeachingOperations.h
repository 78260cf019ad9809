#pragma once

#include <string>
#include <string_view>

#include "device/CCommIO.h"
#include "teaching/RadiationModel.h"

struct AppState;
class DeviceSession;

// What the teaching operations show and where they put the focus. The teaching page implements
// it with its controls; rm42ctl and the tests with plain records. User-interface thread only.
class TeachingView {
public:
    virtual ~TeachingView() = default;
    // Read, Teaching, SET, the taught emissivity and both input fields together.
    virtual void EnableControls(bool on) = 0;
    // The current target temperature in degC ("%5.1f").
    virtual void ShowMeasured(const std::string& text) = 0;
    // The current emissivity ("%4.2f"), shown and put into the emissivity field for SET.
    virtual void ShowCurrentEmissivity(const std::string& text) = 0;
    // The emissivity the last teaching found ("%4.2f").
    virtual void ShowTaughtEmissivity(const std::string& text) = 0;
    // Focus to the teaching temperature field; selectFirst also selects its first character.
    virtual void FocusTeachTemperature(bool selectFirst) = 0;
    // Paints the page at once, before the device work that follows blocks it.
    virtual void Repaint() = 0;
};

// How a teaching ended.
enum class TeachOutcome {
    Written,            // written, waited and read again without a failure
    TemperatureRefused, // teaching temperature outside -30.0..600.0 degC (message 239)
    EmissivityRefused,  // computed emissivity outside 0.30..1.20 (message 238); nothing sent
    BandRefused,        // the INI's wavelength band is unusable (message 285); nothing sent
    DeviceFailed,       // some step on the link failed and was reported
};

// The teaching temperature range in degC and the emissivity range the thermometer accepts.
constexpr double kTeachMinC = -30.0;
constexpr double kTeachMaxC = 600.0;
constexpr double kEmissivityMin = 0.30;
constexpr double kEmissivityMax = 1.20;

// A band the model can integrate: 0 < lower < upper <= 1000 um (beyond that the fixed step would
// take for ever).
bool IsUsableBand(double lambda1Um, double lambda2Um);

// Inclusive range test of a computed emissivity; not a number is outside.
bool IsSettableEmissivity(double emissivity);

// The emissivity that makes a thermometer reading measuredK (at emissivity setting current and
// ambient temperature ambientK) show teachK instead, with the band model over
// [lambda1Um, lambda2Um]: (Rb - Ra) * current / (Rc - Ra). Infinite or not a number when teachK
// equals ambientK.
double TaughtEmissivity(const CRadiationModel& model, double ambientK, double measuredK, double teachK,
                        double current, double lambda1Um, double lambda2Um);

// Owns the teaching page's link and the values last read and taught.
// The teaching page's device work: reading the current values, teaching and writing an
// emissivity. Owns the page's link. Every failure is reported to the user (status line and
// message box) as it happens; the return values only tell the caller whether all went well.
class TeachingOperations {
public:
    // Reads [System] WavelengthLower/WavelengthUpper and [Teaching] ReloadWaitTime.
    TeachingOperations(AppState& app, TeachingView& view);

    // 2F, 14 and register 14 in one DA..81 frame. A failed step keeps its previous value.
    // True when every step succeeded.
    bool ReadCurrentValues();
    // Teaching with the temperature text (degC) of the teaching field: computes, writes the
    // emissivity, waits ReloadWaitTime x 100 ms under the progress box and reads again.
    TeachOutcome RunTeaching(std::string_view teachText);
    // The same with the temperature already converted (degC).
    TeachOutcome RunTeaching(double teachC);
    // SET: writes the emissivity text as it is (an empty text writes 0) and reads again.
    // True when the write and the read both succeeded.
    bool WriteEmissivity(std::string_view emissivityText);
    bool WriteEmissivity(double emissivity);

    double AmbientK() const { return ambientK_; }
    double CurrentEmissivity() const { return currentEmissivity_; }
    double LastTaughtEmissivity() const { return taughtEmissivity_; }
    double LambdaUpper() const { return lambdaUpper_; }
    int ReloadWaitTime() const { return reloadWaitTime_; }

    // "%.1f(K), %.1f(K), %4.2f" of the three current values: the status line after a read.
    std::string StatusText() const;

private:
    bool ReadTemperature(DeviceSession& session, std::string_view command, double& kelvin);
    // Open, DA, register 14, 81, Close; begun is false when Open or DA failed (nothing sent).
    bool WriteEmissivityFrame(double emissivity, bool& begun);
    // Close, reporting a failure with message 164.
    bool CloseLink();

    AppState& app_;
    TeachingView& view_;
    CCommIO commIO_;
    CRadiationModel model_;
    double measuredK_ = 0.0;
    double ambientK_ = 0.0;
    double currentEmissivity_ = 0.0;
    double teachK_ = 0.0;
    double taughtEmissivity_ = 0.0;
    double lambdaLower_ = 8.0;
    double lambdaUpper_ = 14.0;
    int reloadWaitTime_ = 30;
};
