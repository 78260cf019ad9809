#include "teaching/TeachingOperations.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "app/AppState.h"
#include "app/IniFile.h"
#include "app/IniNumber.h"
#include "app/LangString.h"
#include "app/NumberText.h"
#include "app/UserInterface.h"
#include "device/Clock.h"
#include "device/CommandLog.h"
#include "device/CommandSet.h"
#include "resources/StringIds.h"

namespace {

constexpr double kMaxBandUm = 1000.0;
constexpr std::size_t kFieldTextMax = 255;
constexpr uint32_t kReloadStepMs = 100;

bool IsUpperHex(std::string_view text)
{
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); });
}

// 2F and 14 answer four hex digits and two more characters; anything shorter or garbled would
// give a temperature that is not the thermometer's.
bool IsTemperatureReply(std::string_view reply)
{
    return reply.size() >= 6 && IsUpperHex(reply.substr(0, 4));
}

void ShowRangeBox(AppState& app, int id)
{
    app.ui->MessageBox(LoadLangString(app, id), LoadLangString(app, StringId::AppName), MsgIcon::Exclamation,
                       MsgButtons::Ok, MsgAnswer::Ok);
}

} // namespace

bool IsUsableBand(double lambda1Um, double lambda2Um)
{
    return lambda1Um > 0.0 && lambda2Um > lambda1Um && lambda2Um <= kMaxBandUm;
}

bool IsSettableEmissivity(double emissivity)
{
    return emissivity >= kEmissivityMin && emissivity <= kEmissivityMax;
}

double TaughtEmissivity(const CRadiationModel& model, double ambientK, double measuredK, double teachK,
                        double current, double lambda1Um, double lambda2Um)
{
    const double ra = model.BandExitance(ambientK, lambda1Um, lambda2Um);
    const double rb = model.BandExitance(measuredK, lambda1Um, lambda2Um);
    const double rc = model.BandExitance(teachK, lambda1Um, lambda2Um);
    return (rb - ra) * current / (rc - ra);
}

TeachingOperations::TeachingOperations(AppState& app, TeachingView& view)
    : app_(app), view_(view), commIO_(app)
{
    lambdaLower_ = LeadingDouble(IniFile::GetString(app_.iniPath, "System", "WavelengthLower", "8"));
    lambdaUpper_ = LeadingDouble(IniFile::GetString(app_.iniPath, "System", "WavelengthUpper", "14"));
    reloadWaitTime_ = static_cast<int>(ReadIniNumber(app_, "Teaching", "ReloadWaitTime"));
}

std::string TeachingOperations::StatusText() const
{
    return FixedText(measuredK_, 1) + "(K), " + FixedText(ambientK_, 1) + "(K), " +
           FixedText(currentEmissivity_, 2, 4);
}

bool TeachingOperations::CloseLink()
{
    if (commIO_.Close()) return true;
    ReportMessage(app_, StringId::ComPortError);
    return false;
}

// One temperature command of a read: its value in kelvin, or false after reporting the failure.
bool TeachingOperations::ReadTemperature(DeviceSession& session, std::string_view command, double& kelvin)
{
    std::string reply;
    if (!session.Command(command, reply)) return false;
    if (!IsTemperatureReply(reply)) {
        ReportCommandError(app_, command);
        return false;
    }
    kelvin = DecodeTemperatureValue(reply) / 10.0;
    return true;
}

bool TeachingOperations::ReadCurrentValues()
{
    WaitCursor cursor(*app_.ui);
    view_.FocusTeachTemperature(false);

    DeviceSession session(app_, commIO_);
    view_.EnableControls(false);
    if (!session.Begin()) {
        view_.EnableControls(true);
        return false;
    }

    bool ok = true;
    if (ReadTemperature(session, Cmd::kReadTarget, measuredK_))
        view_.ShowMeasured(FixedText(measuredK_ - 273.2, 1, 5));
    else
        ok = false;
    ok = ReadTemperature(session, Cmd::kReadAmbient, ambientK_) && ok;
    uint16_t thousandths = 0;
    if (session.ReadRegister(REG_EMISSIVITY, thousandths)) {
        currentEmissivity_ = ThousandthsToEmissivity(thousandths);
        view_.ShowCurrentEmissivity(FixedText(currentEmissivity_, 2, 4));
    } else {
        ok = false;
    }
    std::string reply;
    ok = session.Command(Cmd::kCheckModeExit, reply) && ok;

    SetStatusText(app_, StatusText());
    view_.EnableControls(true);
    return CloseLink() && ok;
}

bool TeachingOperations::WriteEmissivityFrame(double emissivity, bool& begun)
{
    DeviceSession session(app_, commIO_);
    begun = session.Begin();
    if (!begun) return false;
    bool ok = session.WriteRegister(REG_EMISSIVITY, EmissivityToThousandths(emissivity));
    std::string reply;
    ok = session.Command(Cmd::kCheckModeExit, reply) && ok;
    return CloseLink() && ok;
}

TeachOutcome TeachingOperations::RunTeaching(std::string_view teachText)
{
    return RunTeaching(LeadingDouble(teachText.substr(0, std::min(teachText.size(), kFieldTextMax))));
}

TeachOutcome TeachingOperations::RunTeaching(double teachC)
{
    WaitCursor cursor(*app_.ui);
    teachK_ = teachC + 273.2;
    if (!(teachC >= kTeachMinC && teachC <= kTeachMaxC)) {
        ShowRangeBox(app_, StringId::RangeError);
        view_.FocusTeachTemperature(true);
        return TeachOutcome::TemperatureRefused;
    }

    view_.FocusTeachTemperature(false);
    if (!IsUsableBand(lambdaLower_, lambdaUpper_)) {
        ShowRangeBox(app_, StringId::Band);
        view_.EnableControls(true);
        return TeachOutcome::BandRefused;
    }
    taughtEmissivity_ = TaughtEmissivity(model_, ambientK_, measuredK_, teachK_, currentEmissivity_,
                                         lambdaLower_, lambdaUpper_);
    if (!IsSettableEmissivity(taughtEmissivity_)) {
        ShowRangeBox(app_, StringId::EmissivityRange);
        view_.EnableControls(true);
        return TeachOutcome::EmissivityRefused;
    }

    view_.ShowTaughtEmissivity(FixedText(taughtEmissivity_, 2, 4));
    view_.Repaint();
    view_.EnableControls(false);

    bool ok = true;
    std::unique_ptr<ProgressBox> progress;
    {
        DeviceSession session(app_, commIO_);
        if (!session.Begin()) {
            // Nothing was written: no wait and no read.
            view_.EnableControls(true);
            return TeachOutcome::DeviceFailed;
        }
        ok = session.WriteRegister(REG_EMISSIVITY, EmissivityToThousandths(taughtEmissivity_));
        std::string reply;
        ok = session.Command(Cmd::kCheckModeExit, reply) && ok;

        // The thermometer needs a while before its reading follows the new emissivity.
        progress = app_.ui->OpenProgress();
        const int steps = std::clamp(reloadWaitTime_, 0, 65535);
        progress->SetRange(static_cast<uint16_t>(steps));
        const std::string stepText = LoadLangString(app_, StringId::Reloading);
        for (int i = 0; i < steps; ++i) {
            progress->Step(stepText);
            app_.clock->SleepMs(kReloadStepMs);
        }
        ok = CloseLink() && ok;
    }
    ok = ReadCurrentValues() && ok;
    progress.reset();
    ReportMessage(app_, StringId::Updated);
    view_.EnableControls(true);
    return ok ? TeachOutcome::Written : TeachOutcome::DeviceFailed;
}

bool TeachingOperations::WriteEmissivity(std::string_view emissivityText)
{
    return WriteEmissivity(
        LeadingDouble(emissivityText.substr(0, std::min(emissivityText.size(), kFieldTextMax))));
}

bool TeachingOperations::WriteEmissivity(double emissivity)
{
    WaitCursor cursor(*app_.ui);
    view_.EnableControls(false);
    bool begun = false;
    bool ok = WriteEmissivityFrame(emissivity, begun);
    if (!begun) {
        // Open or DA failed: nothing was sent, nothing to read again.
        view_.EnableControls(true);
        return false;
    }
    ok = ReadCurrentValues() && ok;
    view_.EnableControls(true);
    return ok;
}
