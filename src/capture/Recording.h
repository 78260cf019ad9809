#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <vector>

#include "capture/CaptureSample.h"

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

// What a recording's figures are at a moment. Temperatures are degC.
struct RecordingFigures {
    double recordMax = -9999.0;  // clamped to -30 .. 600
    double recordMin = 9999.0;   // clamped to -30 .. 600
    double average = 0.0;        // of the samples as taken, gaps left out; 0 without samples
    std::time_t recordStart = 0; // local time of the last REC plus one second
};

// Owns one recording's sample buffer, its state and the figures of sampling it.
// The arithmetic of taking samples: the interval count, the running time, the extremes and
// average, the current values and the REC icon's blink. Knows nothing of link, graph or journal.
class Recording {
public:
    // One sampling tick's outcome: where a sample was plotted and whether it found a slot.
    struct Taken {
        bool taken = false;
        bool stored = false;  // false when the buffer was full
        int32_t index = 0;    // the sample's place on the time axis
        double plotted = 0.0; // degC, clamped to -30 .. 600
    };

    // Reserves a buffer of capacity samples at once; HasBuffer() is false when that failed.
    explicit Recording(int32_t capacity = kMaxSamples);

    bool HasBuffer() const { return samples_ != nullptr; }
    bool Full() const { return sampleCount_ >= capacity_; }
    const CaptureSample* Samples() const { return samples_.get(); }
    int32_t SampleCount() const { return sampleCount_; }
    int32_t IntervalTicks() const { return intervalTicks_; }
    // Running time of all runs in 100 ms ticks.
    int64_t TickCount() const { return tickCount_; }
    CaptureState State() const;
    RecordingFigures Figures() const { return figures_; }

    // A run is about to begin: a new recording unless one is held, in which case it goes on.
    // The first valid tick samples at once. True when the run continues a held recording.
    bool PrepareRun(int32_t intervalTicks);
    // The thermometer streams: the run is on since start (local time).
    void MarkRunning(std::time_t start);
    // The run ends and the recording is held (paused): the average is taken.
    void EndRun();
    // Sampling stops, nothing else changes.
    void Halt();
    // Forgets the samples (the slots are not cleared; only the count goes).
    void Clear();
    // Takes samples read back from a journal as a paused recording; their last interval, or
    // headerInterval when that is not positive, goes on. False without a buffer or samples.
    bool Load(const std::vector<CaptureSample>& samples, int32_t headerInterval, std::time_t start);

    // One 100 ms tick of a streaming run with the latest received values: an invalid one
    // (kNoData) restarts the interval count and freezes the blink.
    Taken SampleTick(uint16_t temp, uint16_t room);
    // One tick while the thermometer is away: every interval a missing sample marks the gap.
    // True when one was added.
    bool GapTick();
    // The thermometer went away: no current value, the REC icon shown steadily.
    void LoseCurrent();

    bool LastDataInvalid() const { return lastDataInvalid_; }
    // The last valid measured temperature received, degC.
    double LastTemp() const;
    // The REC icon's blink phase: true while it shows its picture.
    bool RecIconShown() const { return recIconShown_; }
    // The last sample's values (degC, as taken), valid when HasCurrent().
    bool HasCurrent() const { return hasCurrent_; }
    double CurrentTemp() const { return currentTemp_; }
    double CurrentRoomTemp() const { return currentRoomTemp_; }

private:
    void Store(const CaptureSample& sample);

    std::unique_ptr<CaptureSample[]> samples_;
    int32_t capacity_;
    bool running_ = false;
    bool held_ = false;
    int32_t intervalTicks_ = 5;
    int32_t countdown_ = 0;
    int32_t sampleCount_ = 0;
    int64_t tickCount_ = 0;
    bool lastDataInvalid_ = false;
    uint16_t lastTemp_ = 2982;
    RecordingFigures figures_;
    int blink_ = 0;
    bool recIconShown_ = true;
    bool hasCurrent_ = false;
    double currentTemp_ = 0.0;
    double currentRoomTemp_ = 0.0;
};
