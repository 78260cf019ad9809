#include "capture/CaptureRecorder.h"

#include <optional>

#include "app/AppState.h"
#include "app/IniFile.h"
#include "app/LangString.h"
#include "app/SafeFile.h"
#include "app/UserInterface.h"
#include "app/Utf8Path.h"
#include "device/Clock.h"
#include "device/CommandLog.h"
#include "resources/StringIds.h"

namespace {

MsgAnswer Ask(AppState& app, int id, MsgButtons buttons)
{
    if (app.ui == nullptr) return MsgAnswer::Ok;
    return app.ui->MessageBox(LoadLangString(app, id), LoadLangString(app, StringId::AppName),
                              MsgIcon::Exclamation, buttons, MsgAnswer::Ok);
}

} // namespace

CaptureRecorder::CaptureRecorder(AppState& app, RecorderOptions options)
    : app_(app), recording_(options.capacity), device_(app), search_(app, device_, options.serialByIdDir)
{
    if (!recording_.HasBuffer()) Ask(app_, StringId::NoMemory, MsgButtons::Ok);
}

void CaptureRecorder::ReadSettings()
{
    device_.SetOutputs(IniFile::GetString(app_.iniPath, "Capture", "TempReceive", "Yes") == "Yes",
                       IniFile::GetString(app_.iniPath, "Capture", "RoomTempReceive", "Yes") == "Yes");
    graph_.SetStartSettings(ReadGraphStartSettings(app_));
}

void CaptureRecorder::Status(int id)
{
    SetStatusText(app_, LoadLangString(app_, id));
}

bool CaptureRecorder::ReadAlarmSettings()
{
    if (!device_.ReadAlarms()) return false;
    graph_.SetAlarmLimits(device_.Alarms().high, device_.Alarms().low);
    return true;
}

CaptureRecorder::StartResult CaptureRecorder::StartCapture(int32_t intervalTicks)
{
    if (Sampling()) return StartResult::AlreadyRecording;
    if (!recording_.HasBuffer()) return StartResult::Failed;
    if (!device_.TempReceive()) {
        // Every sample is a measured temperature, and without TempReceive it is never asked for
        // nor read: a run could only wait for lines that never count and then blame the
        // thermometer. Naming the setting tells the user what to change.
        Ask(app_, StringId::NoTempReceive, MsgButtons::Ok);
        return StartResult::Failed;
    }
    if (!device_.Open()) return StartResult::Failed;
    WriteCommandLog(app_, "--- 取り込み開始");
    WriteCommandLog(app_, "commIO.Open");
    std::optional<WaitCursor> busy;
    if (app_.ui != nullptr) busy.emplace(*app_.ui);
    // Without the start-up check the number is not known yet, and a lost link is found by it.
    if (app_.deviceSerial == 0) device_.LearnSerial();

    bool inCheckMode = false;
    const bool started = device_.SwitchOn(true, inCheckMode);
    if (inCheckMode) tenths_ = 0;
    if (!started) {
        device_.Link().Close();
        return StartResult::Failed;
    }

    PrepareRun(intervalTicks);
    Status(StringId::Recording);
    if (app_.ui != nullptr) app_.ui->EnableTabs(false);

    device_.StartStream();
    if (!device_.WaitForLines()) {
        UndoStart();
        return StartResult::Failed;
    }
    recording_.MarkRunning(RecordingClock(app_).WallTime() + 1);
    search_.RunStarted();
    StartJournal();
    return StartResult::Started;
}

void CaptureRecorder::UndoStart()
{
    // The thermometer does not stream: undo the start and leave the page as it was.
    device_.StopStream();
    device_.SwitchOff();
    device_.Link().Close();
    if (app_.ui != nullptr) app_.ui->EnableTabs(true);
    ReportMessage(app_, StringId::ReplyError);
}

void CaptureRecorder::StartJournal()
{
    if (app_.journalPath.empty() || journal_.Active()) return;
    // A new recording, or one that goes on after a save or a recovery: the journal holds every
    // sample the recording has.
    JournalHeader header;
    header.startTime = recording_.Figures().recordStart;
    header.intervalTicks = recording_.IntervalTicks();
    header.fahrenheit = graph_.fahrenheit;
    header.deviceSerial = app_.deviceSerial;
    journalWarned_ = false;
    if (!journal_.Start(app_.journalPath, header, recording_.Samples(), recording_.SampleCount())) {
        journalWarned_ = true;
        Status(StringId::JournalFailed);
    }
}

void CaptureRecorder::PrepareRun(int32_t intervalTicks)
{
    if (!recording_.PrepareRun(intervalTicks)) {
        graph_.NewRecording();
        graph_.StartScales(recording_.IntervalTicks());
    }
    if (beforeRun) beforeRun();
    graph_.Redraw(Samples(), SampleCount(), IntervalTicks());
}

CaptureRecorder::StopResult CaptureRecorder::StopCapture()
{
    if (!Sampling()) return StopResult::NotRecording;
    std::optional<WaitCursor> busy;
    if (app_.ui != nullptr) busy.emplace(*app_.ui);
    if (search_.Active() || device_.Words().linkFailed.load() != 0) {
        // The thermometer is away (perhaps before a tick could see it): there is nobody to tell,
        // the search just ends.
        search_.Cancel();
        device_.StopStream();
        device_.Link().Close();
        WriteCommandLog(app_, "--- 取り込み停止 (再接続を中止)");
        EndRun();
        Status(StringId::Paused);
        search_.OfferFoundPort();
        return StopResult::Stopped;
    }
    WriteCommandLog(app_, "--- 取り込み停止");
    device_.StopStream();
    WriteCommandLog(app_, "温度受信スレッド停止");
    const bool inCheckMode = device_.SwitchOff();
    device_.CloseLogged();
    EndRun();
    if (inCheckMode) Status(StringId::Paused);
    search_.OfferFoundPort();
    return inCheckMode ? StopResult::Stopped : StopResult::Failed;
}

void CaptureRecorder::EndRun()
{
    recording_.EndRun();
    journal_.Flush();
    if (app_.ui != nullptr) app_.ui->EnableTabs(true);
}

bool CaptureRecorder::DeleteRecording()
{
    if (Ask(app_, StringId::DeleteQuestion, MsgButtons::OkCancel) != MsgAnswer::Ok) return false;
    recording_.Clear();
    graph_.firstPoint = true;
    graph_.DrawAxes();
    graph_.Present();
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
    if (!Sampling()) RemoveJournal();
}

bool CaptureRecorder::LoadRecovered(const JournalContents& contents)
{
    if (!recording_.Load(contents.samples, contents.header.intervalTicks,
                         static_cast<std::time_t>(contents.header.startTime))) {
        return false;
    }
    graph_.fahrenheit = contents.header.fahrenheit;
    graph_.NewRecording();
    graph_.StartScales(IntervalTicks());
    const RecordingFigures figures = recording_.Figures();
    if (figures.recordMax >= figures.recordMin) {
        graph_.AutoScaleTemp(figures.recordMax);
        graph_.AutoScaleTemp(figures.recordMin);
    }
    graph_.GrowTimeRange(static_cast<int64_t>(SampleCount()) * IntervalTicks());
    graph_.Redraw(Samples(), SampleCount(), IntervalTicks());
    Status(StringId::Paused);
    return true;
}

bool CaptureRecorder::Tick()
{
    tenths_ = (tenths_ + 1) % 10;
    if (!Sampling()) return false;
    if (!search_.Active() && search_.LinkLost()) {
        search_.Begin();
        recording_.LoseCurrent();
        graph_.firstPoint = true;
    }
    bool taken = false;
    if (search_.Active()) {
        taken = GapTick();
    } else {
        if (device_.Words().captureRunning.load() != 1) return false;
        taken = StreamTick();
    }
    if (journal_.Failed() && !journalWarned_) {
        journalWarned_ = true;
        Status(StringId::JournalFailed);
    }
    if (recording_.Full()) {
        // No slot is left: pause as PAUSE would, so the thermometer stops streaming.
        StopCapture();
        Status(StringId::BufferFull);
    }
    return taken;
}

bool CaptureRecorder::GapTick()
{
    const bool taken = recording_.GapTick();
    if (taken) {
        journal_.Append(Samples()[SampleCount() - 1]);
        graph_.firstPoint = true; // the line breaks here, as a redraw breaks it
    }
    search_.Step();
    if (graph_.GrowTimeRange(static_cast<int64_t>(SampleCount()) * IntervalTicks())) {
        graph_.Redraw(Samples(), SampleCount(), IntervalTicks());
    }
    return taken;
}

bool CaptureRecorder::StreamTick()
{
    ReceiveWords& words = device_.Words();
    const uint16_t temp = words.latestTemp.load();
    const Recording::Taken sample = recording_.SampleTick(temp, words.latestRoomTemp.load());
    if (sample.stored) journal_.Append(Samples()[sample.index]);
    if (sample.taken && !graph_.redrawing) {
        graph_.PlotLive(sample.index, IntervalTicks(), sample.plotted);
        graph_.RedrawTimeLabels();
        graph_.Present();
    }
    if (!recording_.LastDataInvalid()) {
        if (graph_.AutoScaleTemp(recording_.LastTemp()))
            graph_.Redraw(Samples(), SampleCount(), IntervalTicks());
        if (graph_.GrowTimeRange(static_cast<int64_t>(SampleCount()) * IntervalTicks())) {
            graph_.Redraw(Samples(), SampleCount(), IntervalTicks());
        }
    }
    return sample.taken;
}

void CaptureRecorder::Halt()
{
    if (!Sampling()) return;
    device_.StopStream();
    search_.Cancel();
    recording_.Halt();
}

void CaptureRecorder::Close()
{
    if (Sampling()) StopCapture();
    RemoveJournal();
}

RecordingSnapshot CaptureRecorder::Snapshot() const
{
    const RecordingFigures figures = recording_.Figures();
    const AlarmSettings& alarms = device_.Alarms();
    RecordingSnapshot s;
    s.samples = Samples();
    s.sampleCount = SampleCount();
    s.fahrenheit = graph_.fahrenheit;
    s.alarmHigh = alarms.high;
    s.alarmLow = alarms.low;
    s.emissivity = alarms.emissivity;
    s.recordMax = figures.recordMax;
    s.recordMin = figures.recordMin;
    s.average = figures.average;
    s.tickCount = recording_.TickCount();
    s.recordStart = figures.recordStart;
    s.typeName = app_.typeName;
    return s;
}
