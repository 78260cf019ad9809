#include "capture/CaptureRecorder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>
#include <optional>

#include "app/AppState.h"
#include "app/Calendar.h"
#include "app/IniFile.h"
#include "app/LangString.h"
#include "app/NumberText.h"
#include "app/SafeFile.h"
#include "app/UserInterface.h"
#include "app/Utf8Path.h"
#include "capture/RecordingWriters.h"
#include "device/Clock.h"
#include "device/CommandLog.h"
#include "device/CommandSet.h"
#include "device/ConnectionCheck.h"
#include "device/SerialDevicePath.h"
#include "device/Status0.h"
#include "resources/StringIds.h"

namespace {

constexpr double kClampHigh = 600.0;
constexpr double kClampLow = -30.0;

MsgAnswer Ask(AppState& app, int id, MsgButtons buttons)
{
    if (app.ui == nullptr) return MsgAnswer::Ok;
    return app.ui->MessageBox(LoadLangString(app, id), LoadLangString(app, StringId::AppName),
                              MsgIcon::Exclamation, buttons, MsgAnswer::Ok);
}

Clock& ClockOf(AppState& app)
{
    static SteadyClock fallback;
    return app.clock != nullptr ? *app.clock : fallback;
}

// Shows the wait cursor for a scope when there is someone to show it to.
class BusyCursor {
public:
    explicit BusyCursor(AppState& app) : ui_(app.ui)
    {
        if (ui_ != nullptr) ui_->SetWaitCursor(true);
    }
    ~BusyCursor()
    {
        if (ui_ != nullptr) ui_->SetWaitCursor(false);
    }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    UserInterface* ui_;
};

// The mean of the measured temperatures (degC) of the samples that hold one; 0 without any.
double AverageOf(const CaptureSample* samples, int32_t count)
{
    double sum = 0.0;
    int32_t held = 0;
    for (int32_t n = 0; n < count; ++n) {
        if (samples[n].temp == kNoData) continue; // a gap in the recording
        sum += SampleCelsius(samples[n].temp);
        ++held;
    }
    return held > 0 ? sum / held : 0.0;
}

} // namespace

int32_t ComputeInterval(const IntervalSetting& setting)
{
    int64_t ticks = static_cast<int64_t>(setting.hours) * 36000 +
                    static_cast<int64_t>(setting.minutes) * 600 + static_cast<int64_t>(setting.seconds) * 10;
    if (setting.addMilliseconds) ticks += 1 + std::clamp(setting.millisecondIndex, 0, 8);
    return static_cast<int32_t>(std::clamp<int64_t>(ticks, 1, 863'999));
}

IntervalSetting IntervalSettingOf(int32_t ticks)
{
    const int32_t t = std::clamp<int32_t>(ticks, 1, 863'999);
    IntervalSetting setting;
    setting.hours = t / 36000;
    setting.minutes = t / 600 % 60;
    setting.seconds = t / 10 % 60;
    setting.addMilliseconds = t % 10 != 0;
    if (setting.addMilliseconds) setting.millisecondIndex = t % 10 - 1;
    return setting;
}

std::string FormatSampleLine(int64_t elapsedTicks, const CaptureSample& sample, bool fahrenheit)
{
    // A missing value (a gap while the thermometer was away) leaves its field empty.
    auto field = [fahrenheit](uint16_t k10) {
        if (k10 == kNoData) return std::string(",");
        const double c = SampleCelsius(k10);
        return "," + FixedText(fahrenheit ? c * 1.8 + 32 : c, 1);
    };
    return FormatElapsedTicks(static_cast<uint64_t>(std::max<int64_t>(elapsedTicks, 0))) +
           field(sample.temp) + field(sample.roomTemp);
}

std::string FormatRecordStart(std::time_t time)
{
    std::tm local{};
    LocalTimeOf(time, local);
    char text[32];
    if (std::strftime(text, sizeof text, "%Y%m%d_%H%M%S", &local) == 0) return {};
    return text;
}

CaptureControls ControlsFor(CaptureState state, bool hasBuffer, bool timerWaiting)
{
    switch (state) {
    case CaptureState::Recording:
        return {.rec = true, .pause = true, .statusId = StringId::Recording};
    case CaptureState::Paused:
        return {.rec = hasBuffer,
                .pause = true,
                .del = true,
                .save = true,
                .timerBox = true,
                .timerPickers = true,
                .tabs = true,
                .statusId = StringId::Paused};
    case CaptureState::Ready:
    default:
        return {.rec = hasBuffer,
                .pause = true,
                .del = true,
                .timerBox = true,
                .interval = true,
                .timerPickers = !timerWaiting,
                .tabs = !timerWaiting,
                .statusId = StringId::StandBy};
    }
}

CaptureRecorder::CaptureRecorder(AppState& app)
    : app_(app), link_(app), thread_(link_, words_), search_(link_), byIdDir_(kSerialByIdDir)
{
    samples_.reset(new (std::nothrow) CaptureSample[kMaxSamples]);
    if (!samples_) Ask(app_, StringId::NoMemory, MsgButtons::Ok);
}

CaptureRecorder::~CaptureRecorder()
{
    thread_.Stop();
    search_.Cancel();
}

void CaptureRecorder::ReadSettings()
{
    tempReceive_ = IniFile::GetString(app_.iniPath, "Capture", "TempReceive", "Yes") == "Yes";
    roomTempReceive_ = IniFile::GetString(app_.iniPath, "Capture", "RoomTempReceive", "Yes") == "Yes";
    graph_.SetStartSettings(ReadGraphStartSettings(app_));
    // The middle of the start scale, so that an auto-scale check before any reading changes nothing.
    const auto middle = static_cast<uint16_t>(((graph_.yMaxStart + graph_.yMinStart) / 2 + 273.2) * 10);
    lastTemp_ = middle;
    words_.latestTemp.store(middle);
}

void CaptureRecorder::Status(int id)
{
    SetStatusText(app_, LoadLangString(app_, id));
}

bool CaptureRecorder::ReadAlarmSettings()
{
    if (!link_.Open()) {
        Ask(app_, StringId::NotConnected, MsgButtons::Ok);
        return false;
    }
    std::string reply;
    int length = 0;
    CommStatus status = link_.Transact(Cmd::kCheckModeReq, reply, length);
    if (status != COMM_OK || IsRefusal(reply)) {
        ReportCommandError(app_, Cmd::kCheckModeReq);
        link_.Close();
        return false;
    }
    auto readRegister = [&](uint8_t address, int& value) {
        status = link_.Transact(RegisterReadCommand(address), reply, length);
        if (status != COMM_OK || IsRefusal(reply)) return false;
        value = ReplyHex(reply, 4, 2);
        return true;
    };
    int value = 0;
    alarmHigh_ = readRegister(REG_ALARM_HIGH, value) ? value / 10.0 - 273.2 : 600.0;
    alarmLow_ = readRegister(REG_ALARM_LOW, value) ? value / 10.0 - 273.2 : -30.0;
    emissivity_ = readRegister(REG_EMISSIVITY, value) ? value / 1000.0 : 0.0;
    graph_.SetAlarmLimits(alarmHigh_, alarmLow_);

    status = link_.Transact(Cmd::kCheckModeExit, reply, length);
    if (status != COMM_OK || IsRefusal(reply)) ReportCommandError(app_, Cmd::kCheckModeExit);
    if (!link_.Close()) ReportMessage(app_, StringId::ComPortError);
    return true;
}

bool CaptureRecorder::ExchangeLogged(const std::string& command, std::string& reply, bool logFailedReply)
{
    WriteCommandLog(app_, command);
    int length = 0;
    const CommStatus status = link_.Transact(command, reply, length);
    const bool ok = status == COMM_OK && !IsRefusal(reply);
    if (ok || logFailedReply) WriteCommandLog(app_, command.substr(0, 2) + reply);
    // A status other than 0 fails the exchange; a refusal is the caller's to judge.
    return status == COMM_OK;
}

void CaptureRecorder::ShowStatus0(uint16_t value, const char* caption)
{
    if (!app_.status0Monitor || app_.ui == nullptr) return;
    char text[16];
    std::snprintf(text, sizeof text, "%4X", value);
    app_.ui->MessageBox(text, caption, MsgIcon::None, MsgButtons::Ok, MsgAnswer::Ok);
}

void CaptureRecorder::RestoreStatus0()
{
    const std::string address = RegisterAddressText(REG_STATUS0);
    std::string reply;
    if (ExchangeLogged(RegisterReadCommand(REG_STATUS0), reply, false) && !IsRefusal(reply)) {
        auto value = static_cast<uint16_t>(ReplyHex(reply, 4, 2));
        ShowStatus0(value, "STATUS0 読み込み(温度室温送出ﾋﾞｯﾄON)");
        if (tempReceive_) value &= static_cast<uint16_t>(~kStatus0TempOut);
        if (roomTempReceive_) value &= static_cast<uint16_t>(~kStatus0RoomOut);
        const std::string templ =
            IniFile::GetString(app_.iniPath, "System", "Default_STATUS0", kDefaultStatus0Template);
        value = ApplyStatus0Template(value, templ).value;
        ShowStatus0(value, "STATUS0 再設定(温度室温送出ﾋﾞｯﾄOFF)");
        if (!ExchangeLogged(RegisterWriteCommand(REG_STATUS0, value), reply, true) || IsRefusal(reply)) {
            ReportRegisterError(app_, Cmd::kRegisterWrite, address);
        }
    } else {
        ReportRegisterError(app_, Cmd::kRegisterRead, address);
    }
    if (!ExchangeLogged(std::string(Cmd::kCheckModeExit), reply, true) || IsRefusal(reply)) {
        ReportCommandError(app_, Cmd::kCheckModeExit);
    }
}

bool CaptureRecorder::WaitForLines()
{
    Clock& clock = ClockOf(app_);
    const uint64_t start = clock.TickMs();
    while (words_.receivedLineCount.load() < kStartLines) {
        if (clock.TickMs() - start >= kStartWaitMs) return false;
        clock.SleepMs(10);
    }
    return true;
}

void CaptureRecorder::StopThread()
{
    thread_.Stop();
}

void CaptureRecorder::LearnSerial()
{
    // Without the start-up check the number is not known yet, and a lost link is found by it. It
    // is asked for in a session of its own, so that the start sequence stays the same every time.
    std::string reply;
    int length = 0;
    if (link_.Transact(Cmd::kCheckModeReq, reply, length) != COMM_OK || IsRefusal(reply)) return;
    uint32_t serial = 0;
    if (ReadSerialQuietly(link_, kCommandTimeoutMs, serial)) app_.deviceSerial = serial;
    link_.Transact(Cmd::kCheckModeExit, reply, length);
}

bool CaptureRecorder::RunStartSequence(bool report, bool& inCheckMode)
{
    std::string reply;
    inCheckMode = ExchangeLogged(std::string(Cmd::kCheckModeReq), reply, false) && !IsRefusal(reply);
    if (!inCheckMode) {
        if (report) ReportCommandError(app_, Cmd::kCheckModeReq);
        return false;
    }
    const std::string address = RegisterAddressText(REG_STATUS0);
    bool written = false;
    if (ExchangeLogged(RegisterReadCommand(REG_STATUS0), reply, false) && !IsRefusal(reply)) {
        auto value = static_cast<uint16_t>(ReplyHex(reply, 4, 2));
        if (report) ShowStatus0(value, "STATUS0 読み込み(温度室温送出ﾋﾞｯﾄOFF)");
        const std::string templ =
            IniFile::GetString(app_.iniPath, "System", "Default_STATUS0", kDefaultStatus0Template);
        value = ApplyStatus0Template(value, templ).value;
        if (tempReceive_) value |= kStatus0TempOut;
        if (roomTempReceive_) value |= kStatus0RoomOut;
        written = ExchangeLogged(RegisterWriteCommand(REG_STATUS0, value), reply, true) && !IsRefusal(reply);
        if (!written && report) ReportRegisterError(app_, Cmd::kRegisterWrite, address);
        if (report) ShowStatus0(value, "STATUS0 読み込み(温度室温送出ﾋﾞｯﾄON)");
    } else if (report) {
        ReportRegisterError(app_, Cmd::kRegisterRead, address);
    }
    const bool exited = ExchangeLogged(std::string(Cmd::kCheckModeExit), reply, true);
    if ((!exited || IsRefusal(reply)) && report) ReportCommandError(app_, Cmd::kCheckModeExit);
    return written && exited;
}

CaptureRecorder::StartResult CaptureRecorder::StartCapture(int32_t intervalTicks)
{
    if (sampling_) return StartResult::AlreadyRecording;
    if (!samples_) return StartResult::Failed;
    if (!tempReceive_) {
        // Every sample is a measured temperature, and without TempReceive it is never asked for
        // nor read: a run could only wait for lines that never count and then blame the
        // thermometer. Naming the setting tells the user what to change.
        Ask(app_, StringId::NoTempReceive, MsgButtons::Ok);
        return StartResult::Failed;
    }
    if (!link_.Open()) {
        Ask(app_, StringId::NotConnected, MsgButtons::Ok);
        return StartResult::Failed;
    }
    WriteCommandLog(app_, "--- 取り込み開始");
    WriteCommandLog(app_, "commIO.Open");
    BusyCursor busy(app_);
    if (app_.deviceSerial == 0) LearnSerial();

    bool inCheckMode = false;
    const bool started = RunStartSequence(true, inCheckMode);
    if (inCheckMode) tenths_ = 0;
    if (!started) {
        link_.Close();
        return StartResult::Failed;
    }

    PrepareRun(intervalTicks);

    Status(StringId::Recording);
    if (app_.ui != nullptr) app_.ui->EnableTabs(false);

    link_.Purge();
    words_.latestTemp.store(kNoData);
    words_.latestRoomTemp.store(kNoData);
    thread_.Start();
    if (!WaitForLines()) {
        // The thermometer does not stream: undo the start and leave the page as it was.
        std::string reply;
        StopThread();
        link_.Purge();
        if (ExchangeLogged(std::string(Cmd::kCheckModeReq), reply, false) && !IsRefusal(reply)) {
            RestoreStatus0();
        } else {
            ReportCommandError(app_, Cmd::kCheckModeReq);
        }
        link_.Close();
        if (app_.ui != nullptr) app_.ui->EnableTabs(true);
        ReportMessage(app_, StringId::ReplyError);
        return StartResult::Failed;
    }
    sampling_ = true;
    recordStart_ = std::time(nullptr) + 1;
    WatchLink();
    // Where the adapter would come back after a re-plug, learnt while it is there.
    stableDevice_ = StableSerialDeviceName(link_.Device(), byIdDir_);
    StartJournal();
    return StartResult::Started;
}

void CaptureRecorder::StartJournal()
{
    if (app_.journalPath.empty() || journal_.Active()) return;
    // A new recording, or one that goes on after a save or a recovery: the journal holds every
    // sample the recording has.
    JournalHeader header;
    header.startTime = recordStart_;
    header.intervalTicks = intervalTicks_;
    header.fahrenheit = graph_.fahrenheit;
    header.deviceSerial = app_.deviceSerial;
    journalWarned_ = false;
    if (!journal_.Start(app_.journalPath, header, samples_.get(), sampleCount_)) {
        journalWarned_ = true;
        Status(StringId::JournalFailed);
    }
}

void CaptureRecorder::PrepareRun(int32_t intervalTicks)
{
    const bool continued = hasRecording_;
    if (!continued) {
        sampleCount_ = 0;
        tickCount_ = 0;
        recordMax_ = -9999.0;
        recordMin_ = 9999.0;
        graph_.NewRecording();
    }
    blink_ = 0;
    recIconShown_ = true;
    intervalTicks_ = std::max<int32_t>(intervalTicks, 1);
    countdown_ = intervalTicks_ - 1; // the first valid tick samples at once
    if (!continued) graph_.StartScales(intervalTicks_);
    if (beforeRun) beforeRun();
    graph_.Redraw(samples_.get(), sampleCount_, intervalTicks_);
}

CaptureRecorder::StopResult CaptureRecorder::StopCapture()
{
    if (!sampling_) return StopResult::NotRecording;
    BusyCursor busy(app_);
    if (!reconnecting_ && words_.linkFailed.load() != 0) {
        // The line failed before a tick could see it: there is no thermometer to tell either.
        StopThread();
        link_.Close();
        reconnecting_ = true;
    }
    if (reconnecting_) {
        // The thermometer is away: there is nobody to tell, the search just ends.
        search_.Cancel();
        link_.Close();
        reconnecting_ = false;
        WriteCommandLog(app_, "--- 取り込み停止 (再接続を中止)");
        EndRun();
        Status(StringId::Paused);
        OfferFoundPort();
        return StopResult::Stopped;
    }
    WriteCommandLog(app_, "--- 取り込み停止");
    StopThread();
    recIconShown_ = true;
    WriteCommandLog(app_, "温度受信スレッド停止");

    link_.Purge();
    std::string reply;
    const bool inCheckMode =
        ExchangeLogged(std::string(Cmd::kCheckModeReq), reply, false) && !IsRefusal(reply);
    if (!inCheckMode) {
        ReportCommandError(app_, Cmd::kCheckModeReq);
    } else {
        RestoreStatus0();
    }

    link_.Purge();
    if (!link_.Close()) ReportMessage(app_, StringId::ComPortError);
    WriteCommandLog(app_, "commIO.Close");
    EndRun();
    if (inCheckMode) Status(StringId::Paused);
    OfferFoundPort();
    return inCheckMode ? StopResult::Stopped : StopResult::Failed;
}

void CaptureRecorder::EndRun()
{
    average_ = AverageOf(samples_.get(), sampleCount_);
    journal_.Flush();
    hasRecording_ = true;
    sampling_ = false;
    blink_ = 0;
    recIconShown_ = true;
    hasCurrent_ = false;
    if (app_.ui != nullptr) app_.ui->EnableTabs(true);
}

std::string CaptureRecorder::ConfiguredDevice() const
{
    return PortDevicePath(
        IniFile::GetString(app_.iniPath, "ComPort", "Port", "COM4", IniFile::kComPortBuffer), app_.iniPath);
}

void CaptureRecorder::OfferFoundPort()
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

void CaptureRecorder::WatchLink()
{
    linesSeen_ = words_.receivedLineCount.load();
    linesSeenMs_ = ClockOf(app_).TickMs();
}

bool CaptureRecorder::LinkLost()
{
    if (words_.linkFailed.load() != 0) return true;
    const uint64_t now = ClockOf(app_).TickMs();
    const uint32_t lines = words_.receivedLineCount.load();
    if (lines != linesSeen_) {
        linesSeen_ = lines;
        linesSeenMs_ = now;
        return false;
    }
    return now - linesSeenMs_ > kSilenceMs;
}

void CaptureRecorder::BeginReconnect()
{
    StopThread();
    link_.Close(); // the line is gone: nothing can be told to the thermometer, nothing to report
    WriteCommandLog(app_, "--- 通信断");
    reconnecting_ = true;
    gapTicks_ = 0;
    hasCurrent_ = false;
    recIconShown_ = true;
    graph_.firstPoint = true;
    nextSearchMs_ = ClockOf(app_).TickMs(); // a first look at once: the thermometer may just have paused
    SetStatusText(app_, FormatLangString(app_, StringId::Searching, {FormatSerialText(app_.deviceSerial)}));
}

std::vector<std::string> CaptureRecorder::SearchDevices() const
{
    std::vector<std::string> devices{ConfiguredDevice()};
    if (!stableDevice_.empty() && stableDevice_ != devices.front()) devices.push_back(stableDevice_);
    return devices;
}

bool CaptureRecorder::GapTick()
{
    ++gapTicks_;
    if (++countdown_ < intervalTicks_) return false;
    countdown_ = 0;
    if (sampleCount_ >= kMaxSamples) return false;
    const CaptureSample gap{kNoData, kNoData, intervalTicks_};
    samples_[static_cast<std::size_t>(sampleCount_)] = gap;
    journal_.Append(gap);
    ++sampleCount_;
    graph_.firstPoint = true; // the line breaks here, as a redraw breaks it
    return true;
}

void CaptureRecorder::SearchStep()
{
    const uint64_t now = ClockOf(app_).TickMs();
    if (search_.Running()) {
        if (!search_.Done()) return;
        const ThermometerSearch::Result result = search_.Finish();
        if (!result.otherDevice.empty()) {
            WriteCommandLog(app_, "--- 別の放射温度計 " + FormatSerialText(result.otherSerial) + " " +
                                      result.otherDevice);
            SetStatusText(app_, FormatLangString(app_, StringId::OtherThermometerFound,
                                                 {result.otherDevice, FormatSerialText(result.otherSerial),
                                                  FormatSerialText(app_.deviceSerial)}));
        }
        if (result.found && Resume(result.foundDevice)) return;
        link_.Close();
        nextSearchMs_ = std::max(now, roundStartMs_ + kSearchEveryMs);
        return;
    }
    if (now < nextSearchMs_) return;
    roundStartMs_ = now;
    search_.Begin(SearchDevices(), app_.deviceSerial);
}

bool CaptureRecorder::Resume(const std::string& device)
{
    WriteCommandLog(app_, "--- 再接続 " + device);
    bool inCheckMode = false;
    if (!RunStartSequence(false, inCheckMode)) return false;
    link_.Purge();
    words_.latestTemp.store(kNoData);
    words_.latestRoomTemp.store(kNoData);
    thread_.Start();
    WatchLink();
    reconnecting_ = false;
    if (device != ConfiguredDevice()) pendingPort_ = device;
    const std::string seconds = FixedText(static_cast<double>(gapTicks_) / 10.0, 1);
    WriteCommandLog(app_, std::string("--- 再接続 中断 ") + seconds + " 秒");
    SetStatusText(app_, FormatLangString(app_, StringId::Reconnected, {device, seconds}));
    return true;
}

bool CaptureRecorder::DeleteRecording()
{
    if (Ask(app_, StringId::DeleteQuestion, MsgButtons::OkCancel) != MsgAnswer::Ok) return false;
    sampleCount_ = 0;
    blink_ = 0;
    graph_.firstPoint = true;
    graph_.DrawAxes();
    graph_.Present();
    hasCurrent_ = false;
    hasRecording_ = false;
    RemoveJournal();
    Status(StringId::StandBy);
    return true;
}

bool CaptureRecorder::RemoveJournal()
{
    bool gone = journal_.Remove();
    if (!app_.journalPath.empty()) {
        RemoveFileUtf8(app_.journalPath);
        gone = gone && !IsRegularFileUtf8(app_.journalPath);
    }
    return gone;
}

void CaptureRecorder::RecordingSaved()
{
    // A recording still running keeps its journal: what comes after the save is not saved yet.
    if (!sampling_) RemoveJournal();
}

bool CaptureRecorder::LoadRecovered(const JournalContents& contents)
{
    if (!samples_ || contents.samples.empty() || sampling_) return false;
    const auto count = static_cast<int32_t>(std::min<std::size_t>(contents.samples.size(), kMaxSamples));
    std::copy_n(contents.samples.begin(), count, samples_.get());
    sampleCount_ = count;
    tickCount_ = 0;
    recordMax_ = -9999.0;
    recordMin_ = 9999.0;
    for (int32_t n = 0; n < count; ++n) {
        const CaptureSample& sample = samples_[static_cast<std::size_t>(n)];
        tickCount_ += sample.interval;
        const double c = SampleCelsius(sample.temp);
        if (sample.temp != kNoData) {
            recordMax_ = std::max(recordMax_, std::clamp(c, kClampLow, kClampHigh));
            recordMin_ = std::min(recordMin_, std::clamp(c, kClampLow, kClampHigh));
        }
    }
    average_ = AverageOf(samples_.get(), count);
    recordStart_ = static_cast<std::time_t>(contents.header.startTime);
    const int32_t last = samples_[static_cast<std::size_t>(count - 1)].interval;
    intervalTicks_ = std::max<int32_t>(last > 0 ? last : contents.header.intervalTicks, 1);
    graph_.fahrenheit = contents.header.fahrenheit;

    graph_.NewRecording();
    graph_.StartScales(intervalTicks_);
    if (recordMax_ >= recordMin_) {
        graph_.AutoScaleTemp(recordMax_);
        graph_.AutoScaleTemp(recordMin_);
    }
    graph_.GrowTimeRange(static_cast<int64_t>(sampleCount_) * intervalTicks_);
    graph_.Redraw(samples_.get(), sampleCount_, intervalTicks_);

    hasRecording_ = true;
    hasCurrent_ = false;
    Status(StringId::Paused);
    return true;
}

bool CaptureRecorder::Tick()
{
    tenths_ = (tenths_ + 1) % 10;
    if (!sampling_) return false;
    if (!reconnecting_ && LinkLost()) BeginReconnect();
    bool taken = false;
    if (reconnecting_) {
        ++tickCount_;
        taken = GapTick();
        SearchStep();
        if (graph_.GrowTimeRange(static_cast<int64_t>(sampleCount_) * intervalTicks_)) {
            graph_.Redraw(samples_.get(), sampleCount_, intervalTicks_);
        }
    } else {
        if (words_.captureRunning.load() != 1) return false;
        ++tickCount_;
        taken = SampleTick();
        if (!lastDataInvalid_) {
            if (graph_.AutoScaleTemp(SampleCelsius(lastTemp_))) {
                graph_.Redraw(samples_.get(), sampleCount_, intervalTicks_);
            }
            if (graph_.GrowTimeRange(static_cast<int64_t>(sampleCount_) * intervalTicks_)) {
                graph_.Redraw(samples_.get(), sampleCount_, intervalTicks_);
            }
        }
    }
    if (journal_.Failed() && !journalWarned_) {
        journalWarned_ = true;
        Status(StringId::JournalFailed);
    }
    if (sampleCount_ >= kMaxSamples) {
        // No slot is left: pause as PAUSE would, so the thermometer stops streaming.
        StopCapture();
        Status(StringId::BufferFull);
    }
    return taken;
}

bool CaptureRecorder::SampleTick()
{
    const uint16_t temp = words_.latestTemp.load();
    const uint16_t room = words_.latestRoomTemp.load();
    if (temp == kNoData || room == kNoData) {
        lastDataInvalid_ = true;
        countdown_ = 0;
        return false;
    }
    lastDataInvalid_ = false;
    lastTemp_ = temp;
    lastRoomTemp_ = room;
    ++countdown_;
    bool taken = false;
    if (countdown_ >= intervalTicks_) {
        TakeSample();
        taken = true;
    }
    ++blink_;
    if (blink_ == 1) recIconShown_ = true;
    if (blink_ == 5) recIconShown_ = false;
    if (blink_ >= 10) blink_ = 0;
    return taken;
}

void CaptureRecorder::TakeSample()
{
    if (sampleCount_ < kMaxSamples && samples_) {
        const CaptureSample sample{lastTemp_, lastRoomTemp_, intervalTicks_};
        samples_[static_cast<std::size_t>(sampleCount_)] = sample;
        journal_.Append(sample);
    }
    currentTemp_ = SampleCelsius(lastTemp_);
    currentRoomTemp_ = SampleCelsius(lastRoomTemp_);
    hasCurrent_ = true;
    const double t = std::clamp(currentTemp_, kClampLow, kClampHigh);
    recordMax_ = std::max(recordMax_, t);
    recordMin_ = std::min(recordMin_, t);
    if (!graph_.redrawing) {
        graph_.PlotLive(sampleCount_, intervalTicks_, t);
        graph_.RedrawTimeLabels();
        graph_.Present();
    }
    if (sampleCount_ < kMaxSamples) ++sampleCount_;
    countdown_ = 0;
}

void CaptureRecorder::Halt()
{
    if (!sampling_) return;
    StopThread();
    search_.Cancel();
    reconnecting_ = false;
    sampling_ = false;
}

void CaptureRecorder::Close()
{
    if (sampling_) StopCapture();
    RemoveJournal();
}

CaptureState CaptureRecorder::State() const
{
    if (sampling_) return CaptureState::Recording;
    return hasRecording_ ? CaptureState::Paused : CaptureState::Ready;
}

RecordingSnapshot CaptureRecorder::Snapshot() const
{
    RecordingSnapshot s;
    s.samples = samples_.get();
    s.sampleCount = sampleCount_;
    s.fahrenheit = graph_.fahrenheit;
    s.alarmHigh = alarmHigh_;
    s.alarmLow = alarmLow_;
    s.emissivity = emissivity_;
    s.recordMax = recordMax_;
    s.recordMin = recordMin_;
    s.average = average_;
    s.tickCount = tickCount_;
    s.recordStart = recordStart_;
    s.typeName = app_.typeName;
    return s;
}

std::string JournalLoss(const AppState& app, const JournalContents& contents)
{
    std::string text;
    const auto add = [&](const std::string& part) {
        if (!text.empty()) text += app.language == 1 ? "; " : "、";
        text += part;
    };
    for (const JournalGap& gap : contents.gaps) {
        add(FormatLangString(app, StringId::JournalGap,
                             {std::to_string(gap.first + 1), std::to_string(gap.first + gap.count),
                              std::to_string(gap.count)}));
    }
    if (contents.tailBytes > 0)
        add(FormatLangString(app, StringId::JournalTail, {std::to_string(contents.tailBytes)}));
    if (contents.overflow > 0)
        add(FormatLangString(app, StringId::JournalOverflow, {std::to_string(contents.overflow)}));
    if (contents.headerRepaired) add(LoadLangString(app, StringId::JournalHeader));
    return text;
}

std::string JournalQuestion(const AppState& app, const JournalContents& contents, const std::string& keptAs)
{
    std::tm local{};
    const auto start = static_cast<std::time_t>(contents.header.startTime);
    LocalTimeOf(start, local);
    char when[32] = "";
    std::strftime(when, sizeof when, "%Y/%m/%d %H:%M:%S", &local);
    const std::string count = std::to_string(contents.samples.size());
    if (!contents.Damaged()) return FormatLangString(app, StringId::JournalQuestion, {count, when});
    return FormatLangString(app, StringId::JournalDamagedQuestion,
                            {count, when, JournalLoss(app, contents), keptAs});
}

namespace {

bool HasUsableSample(const JournalContents& contents)
{
    return std::any_of(contents.samples.begin(), contents.samples.end(),
                       [](const CaptureSample& s) { return s.temp != kNoData || s.roomTemp != kNoData; });
}

void Tell(AppState& app, const std::string& text)
{
    app.ui->MessageBox(text, LoadLangString(app, StringId::AppName), MsgIcon::Exclamation, MsgButtons::Ok,
                       MsgAnswer::Ok);
}

} // namespace

bool OfferRecoveredJournal(AppState& app, CaptureRecorder& recorder)
{
    if (app.journalPath.empty()) return false;
    JournalError error = JournalError::None;
    const std::optional<JournalContents> contents = LoadJournal(app.journalPath, kMaxSamples, &error);
    if (app.ui == nullptr) return false; // nobody to tell: the journal stays for the next start
    const std::string& path = app.journalPath;
    if (!contents) {
        if (error == JournalError::Missing) return false;
        // Out of the way of the next recording's journal, which would replace it.
        const std::string stem = path.ends_with(".rmj") ? path.substr(0, path.size() - 4) : path;
        Tell(app, FormatLangString(app, StringId::JournalUnreadable,
                                   {path, KeepJournalAs(path, stem + "-unreadable.rmj")}));
        return false;
    }
    // A journal that lost anything is never deleted: it goes aside before the question names it.
    const std::string keptAs =
        contents->Damaged() ? KeepJournalAs(path, DamagedJournalName(path)) : std::string();
    if (!HasUsableSample(*contents)) {
        if (contents->Damaged()) {
            Tell(app, FormatLangString(app, StringId::JournalUseless, {path, keptAs}));
        } else if (RemoveFileUtf8(path)) {
            Tell(app, FormatLangString(app, StringId::JournalEmpty, {path}));
        }
        return false;
    }
    const MsgAnswer answer = app.ui->MessageBox(
        JournalQuestion(app, *contents, keptAs), LoadLangString(app, StringId::AppName),
        contents->Damaged() ? MsgIcon::Exclamation : MsgIcon::Question, MsgButtons::YesNo, MsgAnswer::Yes);
    if (answer == MsgAnswer::Yes && recorder.LoadRecovered(*contents)) return true;
    if (answer == MsgAnswer::No && !contents->Damaged()) RemoveFileUtf8(path);
    return false;
}
