#include "capture/ReconnectSearch.h"

#include <algorithm>

#include "app/AppState.h"
#include "app/IniFile.h"
#include "app/LangString.h"
#include "app/NumberText.h"
#include "app/UserInterface.h"
#include "capture/CaptureDevice.h"
#include "device/Clock.h"
#include "device/CommandLog.h"
#include "device/SerialDevicePath.h"
#include "device/Status0.h"
#include "resources/StringIds.h"

ReconnectSearch::ReconnectSearch(AppState& app, CaptureDevice& device, std::string byIdDir)
    : app_(app), device_(device), search_(device.Link()), byIdDir_(std::move(byIdDir))
{
}

std::string ReconnectSearch::ConfiguredDevice() const
{
    return PortDevicePath(
        IniFile::GetString(app_.iniPath, "ComPort", "Port", "COM4", IniFile::kComPortBuffer), app_.iniPath);
}

std::vector<std::string> ReconnectSearch::Devices() const
{
    std::vector<std::string> devices{ConfiguredDevice()};
    if (!stableDevice_.empty() && stableDevice_ != devices.front()) devices.push_back(stableDevice_);
    return devices;
}

void ReconnectSearch::Watch()
{
    linesSeen_ = device_.Words().receivedLineCount.load();
    linesSeenMs_ = RecordingClock(app_).TickMs();
}

void ReconnectSearch::RunStarted()
{
    Watch();
    stableDevice_ = StableSerialDeviceName(device_.Link().Device(), byIdDir_);
}

bool ReconnectSearch::LinkLost()
{
    if (device_.Words().linkFailed.load() != 0) return true;
    const uint64_t now = RecordingClock(app_).TickMs();
    const uint32_t lines = device_.Words().receivedLineCount.load();
    if (lines != linesSeen_) {
        linesSeen_ = lines;
        linesSeenMs_ = now;
        return false;
    }
    return now - linesSeenMs_ > kSilenceMs;
}

void ReconnectSearch::Begin()
{
    device_.StopStream();
    device_.Link().Close(); // the line is gone: nothing can be told to the thermometer, nothing to report
    WriteCommandLog(app_, "--- 通信断");
    active_ = true;
    gapTicks_ = 0;
    nextSearchMs_ = RecordingClock(app_).TickMs();
    SetStatusText(app_, FormatLangString(app_, StringId::Searching, {FormatSerialText(app_.deviceSerial)}));
}

bool ReconnectSearch::Step()
{
    ++gapTicks_;
    const uint64_t now = RecordingClock(app_).TickMs();
    if (search_.Running()) {
        if (!search_.Done()) return false;
        const ThermometerSearch::Result result = search_.Finish();
        if (!result.otherDevice.empty()) {
            WriteCommandLog(app_, "--- 別の放射温度計 " + FormatSerialText(result.otherSerial) + " " +
                                      result.otherDevice);
            SetStatusText(app_, FormatLangString(app_, StringId::OtherThermometerFound,
                                                 {result.otherDevice, FormatSerialText(result.otherSerial),
                                                  FormatSerialText(app_.deviceSerial)}));
        }
        if (result.found && Resume(result.foundDevice)) return true;
        device_.Link().Close();
        nextSearchMs_ = std::max(now, roundStartMs_ + kSearchEveryMs);
        return false;
    }
    if (now < nextSearchMs_) return false;
    roundStartMs_ = now;
    search_.Begin(Devices(), app_.deviceSerial);
    return false;
}

bool ReconnectSearch::Resume(const std::string& device)
{
    WriteCommandLog(app_, "--- 再接続 " + device);
    bool inCheckMode = false;
    if (!device_.SwitchOn(false, inCheckMode)) return false;
    device_.StartStream();
    Watch();
    active_ = false;
    if (device != ConfiguredDevice()) pendingPort_ = device;
    const std::string seconds = FixedText(static_cast<double>(gapTicks_) / 10.0, 1);
    WriteCommandLog(app_, std::string("--- 再接続 中断 ") + seconds + " 秒");
    SetStatusText(app_, FormatLangString(app_, StringId::Reconnected, {device, seconds}));
    return true;
}

void ReconnectSearch::Cancel()
{
    search_.Cancel();
    active_ = false;
}

void ReconnectSearch::OfferFoundPort()
{
    if (pendingPort_.empty()) return;
    const std::string port = std::move(pendingPort_);
    pendingPort_.clear();
    if (app_.ui == nullptr || port == ConfiguredDevice()) return;
    const MsgAnswer answer = app_.ui->MessageBox(FormatLangString(app_, StringId::UseFoundPort, {port}),
                                                 LoadLangString(app_, StringId::AppName), MsgIcon::Question,
                                                 MsgButtons::YesNo, MsgAnswer::No);
    if (answer == MsgAnswer::Yes) IniFile::WriteString(app_.iniPath, "ComPort", "Port", port);
}
