#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "capture/CaptureGraph.h"
#include "capture/CaptureSample.h"
#include "capture/RecordingJournal.h"
#include "capture/TempReceiveThread.h"
#include "capture/ThermometerSearch.h"
#include "device/CCommIO.h"

struct AppState;

// The interval controls: hours, minutes and seconds of the pickers, the 100 ms box and the
// index of the milliseconds list (0 = "100" .. 8 = "900").
struct IntervalSetting {
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    bool addMilliseconds = true;
    int millisecondIndex = 4;
};

// The sampling interval in 100 ms ticks, at least 1.
int32_t ComputeInterval(const IntervalSetting& setting);
// The interval controls that give ticks (1 .. 863,999; clamped): a recording taken back from its
// journal shows, and goes on with, the interval it was taken at.
IntervalSetting IntervalSettingOf(int32_t ticks);

enum class CaptureState { Ready, Recording, Paused };

// Which of the page's controls are enabled in a state, and the status text's string id.
struct CaptureControls {
    bool rec = false;
    bool pause = false;
    bool del = false;
    bool save = false;
    bool timerBox = false;
    bool interval = false;
    bool timerPickers = false;
    bool tabs = false;
    int statusId = 0;
};
// hasBuffer false keeps REC disabled; timerWaiting disables the pickers and tabs in Ready.
CaptureControls ControlsFor(CaptureState state, bool hasBuffer, bool timerWaiting);

// What saving a recording reads: valid until the recording changes (the next tick, REC or DELETE).
struct RecordingSnapshot {
    const CaptureSample* samples = nullptr;
    int32_t sampleCount = 0;
    bool fahrenheit = false;  // display unit
    double alarmHigh = 600.0; // degC
    double alarmLow = -30.0;  // degC
    double emissivity = 0.0;
    double recordMax = -9999.0;  // degC, clamped to -30 .. 600
    double recordMin = 9999.0;   // degC, clamped to -30 .. 600
    double average = 0.0;        // degC, of the samples as taken; 0 without samples
    int64_t tickCount = 0;       // running time of all runs in 100 ms ticks
    std::time_t recordStart = 0; // local time of the last REC plus one second
    std::string typeName;        // registered type name; empty when none
};

// One sample as a line of the recording's CSV, without its line end: the elapsed time of the
// sample (100 ms ticks) "%02d:%02d:%02d.%d00", then measured and room temperature "%.1f" in the
// display unit, not clamped; a missing value (kNoData) leaves its field empty.
std::string FormatSampleLine(int64_t elapsedTicks, const CaptureSample& sample, bool fahrenheit);
// The first line of the recording's CSV: the time "%Y%m%d_%H%M%S" in local time.
std::string FormatRecordStart(std::time_t time);

// Owns the recording's link, sample buffer, receive thread, search and graph.
// The continuous recording without its window: the sample buffer, the start and stop
// sequences, the receive thread, the sampling tick and the graph. Runs on one thread; only the
// receive thread it starts runs beside it.
class CaptureRecorder {
public:
    enum class StartResult { Started, AlreadyRecording, Failed };
    enum class StopResult { Stopped, NotRecording, Failed };

    // Reserves the whole buffer; when that fails, HasBuffer() is false and REC stays refused.
    explicit CaptureRecorder(AppState& app);
    ~CaptureRecorder();
    CaptureRecorder(const CaptureRecorder&) = delete;
    CaptureRecorder& operator=(const CaptureRecorder&) = delete;

    // [Capture] TempReceive, RoomTempReceive and the graph's keys.
    void ReadSettings();
    // Alarm HI, alarm LO and emissivity from the thermometer; the defaults on a failed read.
    // False when the link could not be opened or check mode refused.
    bool ReadAlarmSettings();

    StartResult StartCapture(int32_t intervalTicks);
    StopResult StopCapture();
    // The sampling state of a run, new or continued (part of StartCapture once the thermometer
    // streams): counters, extremes, interval, scales and the redrawn graph.
    void PrepareRun(int32_t intervalTicks);
    // Asks; on OK forgets the samples. False when the user cancelled.
    bool DeleteRecording();
    // The 100 ms timer: counts the tick and samples while the run goes on. True when a sample
    // was taken. When the link fails (an error, a hang-up, no line for kSilenceMs), the run goes
    // on without its thermometer: every interval adds a missing sample (kNoData) to mark the
    // gap, and every kSearchEveryMs the configured port, and the name its USB adapter comes back
    // under, are searched for the thermometer of app.deviceSerial, on a thread of its own. Found,
    // it gets the start sequence and the run goes on; PAUSE ends the search.
    bool Tick();
    // The sampling step of one tick. True when a sample was taken.
    bool SampleTick();
    // Sampling stops without the stop sequence (the page was hidden).
    void Halt();
    // The window closes: a running recording is stopped with the stop sequence. The user chose
    // to quit, so the journal is removed.
    void Close();

    // Takes a recording read back from a journal as a paused one: samples, extremes, average,
    // running time and the graph. Continuing it starts a new journal that holds these samples.
    // False when there is no buffer or the journal holds no sample.
    bool LoadRecovered(const JournalContents& contents);
    // The recording was saved: its journal is no longer needed.
    void RecordingSaved();
    // Removes the journal file, whether this recorder wrote it or it was recovered. False when
    // it is still there.
    bool RemoveJournal();
    const RecordingJournal& Journal() const { return journal_; }

    // A running recording whose link failed is looking for its thermometer.
    bool Reconnecting() const { return reconnecting_; }
    // 100 ms ticks of the current gap, or of the last one once the thermometer is back.
    int64_t GapTicks() const { return gapTicks_; }

    CaptureState State() const;
    bool HasBuffer() const { return samples_ != nullptr; }
    bool Sampling() const { return sampling_; }
    RecordingSnapshot Snapshot() const;
    const CaptureSample* Samples() const { return samples_.get(); }
    int32_t SampleCount() const { return sampleCount_; }
    int32_t IntervalTicks() const { return intervalTicks_; }
    int64_t TickCount() const { return tickCount_; }
    // 1, 2, .. 9, 0 with every tick of the sampling timer; 0 at each REC.
    int Tenths() const { return tenths_; }
    bool LastDataInvalid() const { return lastDataInvalid_; }
    // The REC icon's blink phase: true while it shows its picture.
    bool RecIconShown() const { return recIconShown_; }
    double AlarmHigh() const { return alarmHigh_; }
    double AlarmLow() const { return alarmLow_; }
    double Emissivity() const { return emissivity_; }
    bool TempReceive() const { return tempReceive_; }
    bool RoomTempReceive() const { return roomTempReceive_; }
    // The last sample's values (degC, as taken), valid when HasCurrent().
    bool HasCurrent() const { return hasCurrent_; }
    double CurrentTemp() const { return currentTemp_; }
    double CurrentRoomTemp() const { return currentRoomTemp_; }

    CaptureGraph& Graph() { return graph_; }
    const CaptureGraph& Graph() const { return graph_; }
    ReceiveWords& Words() { return words_; }
    CCommIO& Link() { return link_; }

    // Run by StartCapture after the scales of a new recording are set and before the graph is
    // drawn: the page takes its manual scale controls here.
    std::function<void()> beforeRun;

    // Lets a test start with the buffer full.
    void SetSampleCountForTest(int32_t count) { sampleCount_ = count; }
    // Lets a test stand in a folder of its own for the system's stable adapter names.
    void SetSerialByIdDirForTest(std::string dir) { byIdDir_ = std::move(dir); }

    static constexpr uint32_t kStartWaitMs = 3000; // the longest wait for the first ten lines
    static constexpr uint32_t kStartLines = 10;
    static constexpr uint32_t kSilenceMs = kCommandTimeoutMs; // no line for longer: the link failed
    static constexpr uint32_t kSearchEveryMs = 2000;

private:
    bool ExchangeLogged(const std::string& command, std::string& reply, bool logFailedReply);
    void ShowStatus0(uint16_t value, const char* caption);
    void RestoreStatus0();
    bool WaitForLines();
    void StopThread();
    void Status(int id);
    void TakeSample();
    void StartJournal();
    // Check mode, STATUS0 with the output bits, check mode exit. report false: failures are
    // only returned. inCheckMode: the thermometer took the check-mode request.
    bool RunStartSequence(bool report, bool& inCheckMode);
    // Reads the thermometer's serial number in a check-mode session of its own (quietly).
    void LearnSerial();
    // What every end of a run shares: the average, the journal, the flags and the tabs.
    void EndRun();
    std::string ConfiguredDevice() const;
    // The recording came back on another device than the INI names: the user may keep it.
    void OfferFoundPort();
    void WatchLink();
    bool LinkLost();
    void BeginReconnect();
    std::vector<std::string> SearchDevices() const;
    bool GapTick();
    void SearchStep();
    bool Resume(const std::string& device);

    AppState& app_;
    CCommIO link_;
    ReceiveWords words_;
    TempReceiveThread thread_;
    ThermometerSearch search_;
    CaptureGraph graph_;
    std::unique_ptr<CaptureSample[]> samples_;

    bool tempReceive_ = true;
    bool roomTempReceive_ = true;
    bool sampling_ = false;
    bool hasRecording_ = false;
    int32_t intervalTicks_ = 5;
    int32_t countdown_ = 0;
    int32_t sampleCount_ = 0;
    int64_t tickCount_ = 0;
    int tenths_ = 0;
    bool lastDataInvalid_ = false;
    uint16_t lastTemp_ = 2982;
    uint16_t lastRoomTemp_ = 2982;
    double recordMax_ = -9999.0;
    double recordMin_ = 9999.0;
    double average_ = 0.0;
    double alarmHigh_ = 600.0;
    double alarmLow_ = -30.0;
    double emissivity_ = 0.0;
    std::time_t recordStart_ = 0;
    int blink_ = 0;
    bool recIconShown_ = true;
    bool hasCurrent_ = false;
    double currentTemp_ = 0.0;
    double currentRoomTemp_ = 0.0;
    RecordingJournal journal_;
    bool journalWarned_ = false;

    bool reconnecting_ = false;
    int64_t gapTicks_ = 0;
    uint32_t linesSeen_ = 0;
    uint64_t linesSeenMs_ = 0;
    uint64_t nextSearchMs_ = 0;
    uint64_t roundStartMs_ = 0;
    std::string byIdDir_;
    std::string stableDevice_; // the adapter's stable name, learnt at REC; empty when it has none
    std::string pendingPort_;  // the device the run came back on, when the INI names another
};

// What a damaged journal lost, one part per gap, cut end, overflow or repaired header.
std::string JournalLoss(const AppState& app, const JournalContents& contents);
// The question that offers a journal's recording back: its sample count and start time, and
// for a damaged journal what was lost and where the file is kept (keptAs).
std::string JournalQuestion(const AppState& app, const JournalContents& contents,
                            const std::string& keptAs = {});

// At start: a journal left at app.journalPath by a run that did not end cleanly is offered back.
// Yes loads it into recorder as a paused recording (true); No removes it. A journal that lost
// anything is first moved aside (never deleted) and the question says what was lost and where
// it is kept; a file that is no journal is moved aside and the user told; a journal without a
// usable sample is removed (kept aside when damaged) and the user told. Without a user
// interface nothing is touched.
bool OfferRecoveredJournal(AppState& app, CaptureRecorder& recorder);
