#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

#include "capture/CaptureDevice.h"
#include "capture/CaptureGraph.h"
#include "capture/CaptureSample.h"
#include "capture/ReconnectSearch.h"
#include "capture/Recording.h"
#include "capture/RecordingJournal.h"
#include "device/SerialDevicePath.h"

struct AppState;

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

// How a recorder is set up beyond the application's state.
struct RecorderOptions {
    int32_t capacity = kMaxSamples;             // samples the buffer holds
    std::string serialByIdDir = kSerialByIdDir; // the system's stable names of USB serial adapters
};

// Owns the recording, the device, the reconnect search, the journal and the graph.
// The continuous recording without its window, composed of those parts. Runs on one thread;
// only the threads its parts start run beside it.
class CaptureRecorder {
public:
    enum class StartResult { Started, AlreadyRecording, Failed };
    enum class StopResult { Stopped, NotRecording, Failed };

    // Reserves the whole buffer; when that fails, the user is told and REC stays refused.
    explicit CaptureRecorder(AppState& app, RecorderOptions options = {});
    CaptureRecorder(const CaptureRecorder&) = delete;
    CaptureRecorder& operator=(const CaptureRecorder&) = delete;

    // [Capture] TempReceive, RoomTempReceive and the graph's keys.
    void ReadSettings();
    // Alarm HI, alarm LO and emissivity from the thermometer; the defaults on a failed read.
    // False when the link could not be opened or check mode refused.
    bool ReadAlarmSettings();

    StartResult StartCapture(int32_t intervalTicks);
    StopResult StopCapture();
    // Asks; on OK forgets the samples. False when the user cancelled.
    bool DeleteRecording();
    // The 100 ms timer: counts the tick and samples while the run goes on. True when a sample
    // was taken. When the link fails (an error, a hang-up, no line for kSilenceMs), the run goes
    // on without its thermometer: every interval adds a missing sample (kNoData) to mark the
    // gap while the reconnect search looks for the thermometer; found, the run goes on; PAUSE
    // ends the search. A full buffer pauses the run.
    bool Tick();
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
    bool Reconnecting() const { return search_.Active(); }
    // 100 ms ticks of the current gap, or of the last one once the thermometer is back.
    int64_t GapTicks() const { return search_.GapTicks(); }

    CaptureState State() const { return recording_.State(); }
    bool Sampling() const { return recording_.State() == CaptureState::Recording; }
    RecordingSnapshot Snapshot() const;
    const Recording& Data() const { return recording_; }
    const CaptureSample* Samples() const { return recording_.Samples(); }
    int32_t SampleCount() const { return recording_.SampleCount(); }
    int32_t IntervalTicks() const { return recording_.IntervalTicks(); }
    // 1, 2, .. 9, 0 with every tick of the sampling timer; 0 at each REC.
    int Tenths() const { return tenths_; }

    CaptureGraph& Graph() { return graph_; }
    const CaptureGraph& Graph() const { return graph_; }
    CaptureDevice& Device() { return device_; }

    // Run by StartCapture after the scales of a new recording are set and before the graph is
    // drawn: the page takes its manual scale controls here.
    std::function<void()> beforeRun;

private:
    void Status(int id);
    void PrepareRun(int32_t intervalTicks);
    void StartJournal();
    // The thermometer did not stream after the start sequence: switch it off again.
    void UndoStart();
    // What every end of a run shares: the average, the journal, the flags and the tabs.
    void EndRun();
    bool StreamTick();
    bool GapTick();

    AppState& app_;
    Recording recording_;
    CaptureDevice device_;
    ReconnectSearch search_;
    CaptureGraph graph_;
    RecordingJournal journal_;
    bool journalWarned_ = false;
    int tenths_ = 0;
};
