#include "capture/Recording.h"

#include <algorithm>
#include <new>

#include "capture/CaptureGraph.h"
#include "resources/StringIds.h"

namespace {

constexpr double kClampHigh = 600.0;
constexpr double kClampLow = -30.0;

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

Recording::Recording(int32_t capacity)
    : samples_(new (std::nothrow) CaptureSample[static_cast<std::size_t>(std::max<int32_t>(capacity, 1))]),
      capacity_(samples_ ? std::max<int32_t>(capacity, 1) : 0)
{
}

CaptureState Recording::State() const
{
    if (running_) return CaptureState::Recording;
    return held_ ? CaptureState::Paused : CaptureState::Ready;
}

bool Recording::PrepareRun(int32_t intervalTicks)
{
    if (!held_) {
        sampleCount_ = 0;
        tickCount_ = 0;
        figures_.recordMax = -9999.0;
        figures_.recordMin = 9999.0;
    }
    blink_ = 0;
    recIconShown_ = true;
    intervalTicks_ = std::max<int32_t>(intervalTicks, 1);
    countdown_ = intervalTicks_ - 1;
    return held_;
}

void Recording::MarkRunning(std::time_t start)
{
    running_ = true;
    figures_.recordStart = start;
}

void Recording::EndRun()
{
    figures_.average = AverageOf(samples_.get(), sampleCount_);
    held_ = true;
    running_ = false;
    blink_ = 0;
    recIconShown_ = true;
    hasCurrent_ = false;
}

void Recording::Halt()
{
    running_ = false;
}

void Recording::Clear()
{
    sampleCount_ = 0;
    blink_ = 0;
    hasCurrent_ = false;
    held_ = false;
}

bool Recording::Load(const std::vector<CaptureSample>& samples, int32_t headerInterval, std::time_t start)
{
    if (!samples_ || samples.empty() || running_) return false;
    const auto count = static_cast<int32_t>(std::min<std::size_t>(samples.size(), capacity_));
    std::copy_n(samples.begin(), count, samples_.get());
    sampleCount_ = count;
    tickCount_ = 0;
    figures_ = RecordingFigures{};
    for (int32_t n = 0; n < count; ++n) {
        const CaptureSample& sample = samples_[static_cast<std::size_t>(n)];
        tickCount_ += sample.interval;
        if (sample.temp == kNoData) continue;
        const double c = std::clamp(SampleCelsius(sample.temp), kClampLow, kClampHigh);
        figures_.recordMax = std::max(figures_.recordMax, c);
        figures_.recordMin = std::min(figures_.recordMin, c);
    }
    figures_.average = AverageOf(samples_.get(), count);
    figures_.recordStart = start;
    const int32_t last = samples_[static_cast<std::size_t>(count - 1)].interval;
    intervalTicks_ = std::max<int32_t>(last > 0 ? last : headerInterval, 1);
    held_ = true;
    hasCurrent_ = false;
    return true;
}

void Recording::Store(const CaptureSample& sample)
{
    samples_[static_cast<std::size_t>(sampleCount_)] = sample;
    ++sampleCount_;
}

Recording::Taken Recording::SampleTick(uint16_t temp, uint16_t room)
{
    ++tickCount_;
    Taken result;
    if (temp == kNoData || room == kNoData) {
        lastDataInvalid_ = true;
        countdown_ = 0;
        return result;
    }
    lastDataInvalid_ = false;
    lastTemp_ = temp;
    if (++countdown_ >= intervalTicks_) {
        currentTemp_ = SampleCelsius(temp);
        currentRoomTemp_ = SampleCelsius(room);
        hasCurrent_ = true;
        result.taken = true;
        result.index = sampleCount_;
        result.plotted = std::clamp(currentTemp_, kClampLow, kClampHigh);
        figures_.recordMax = std::max(figures_.recordMax, result.plotted);
        figures_.recordMin = std::min(figures_.recordMin, result.plotted);
        result.stored = !Full();
        if (result.stored) Store(CaptureSample{temp, room, intervalTicks_});
        countdown_ = 0;
    }
    ++blink_;
    if (blink_ == 1) recIconShown_ = true;
    if (blink_ == 5) recIconShown_ = false;
    if (blink_ >= 10) blink_ = 0;
    return result;
}

bool Recording::GapTick()
{
    ++tickCount_;
    if (++countdown_ < intervalTicks_) return false;
    countdown_ = 0;
    if (Full()) return false;
    Store(CaptureSample{kNoData, kNoData, intervalTicks_});
    return true;
}

double Recording::LastTemp() const
{
    return SampleCelsius(lastTemp_);
}

void Recording::LoseCurrent()
{
    hasCurrent_ = false;
    recIconShown_ = true;
}
