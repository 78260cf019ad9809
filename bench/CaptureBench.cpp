// The recording's graph and sampling tick: a full redraw of a 72-hour recording at 100 ms
// (2,592,000 samples) into the graph picture, the same recording drawn segment by segment as
// the baseline, and one sampling tick with a live point.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>
#include <vector>

#include "capture/CaptureGraph.h"
#include "capture/Recording.h"
#include "capture/RecordingJournal.h"

#ifdef RM42_BENCH_QT
#include "capture/QtGraphCanvas.h"
#endif

namespace {

std::atomic<long> allocations{0};

} // namespace

// Counts every allocation of the process, so a benchmark can report its own. The replaced new
// takes its memory from malloc, so free is the matching release; GCC cannot see that pairing
// through the replacement and warns where it inlines a delete.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(std::size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

constexpr int kWidth = 566; // the graph frame's client area on the Japanese page
constexpr int kHeight = 375;

// A recording through both alarm colours with a line break now and then.
const std::vector<CaptureSample>& Recording(int32_t count)
{
    static std::vector<CaptureSample> samples;
    if (static_cast<int32_t>(samples.size()) != count) {
        samples.assign(static_cast<std::size_t>(count), CaptureSample{});
        for (int32_t n = 0; n < count; ++n) {
            const double c = 25 + 30 * std::sin(n * 6.0 * 3.14159265 / count) + 4 * std::sin(n * 0.37);
            auto& s = samples[static_cast<std::size_t>(n)];
            s.temp = n % 100'000 == 50'000 ? kNoData : static_cast<uint16_t>((c + 273.2) * 10);
            s.roomTemp = 2950;
            s.interval = 1;
        }
    }
    return samples;
}

// The canvas the page draws on when the GUI is built; otherwise one that draws nothing.
std::unique_ptr<GraphCanvas> MakeCanvas()
{
#ifdef RM42_BENCH_QT
    // The application object is made by the benchmarks' main.
    return std::make_unique<QtGraphCanvas>(kWidth, kHeight);
#else
    return std::make_unique<NullCanvas>();
#endif
}

void GraphRedraw(benchmark::State& state, bool everySegment)
{
    const auto count = static_cast<int32_t>(state.range(0));
    const std::vector<CaptureSample>& samples = Recording(count);
    std::unique_ptr<GraphCanvas> canvas = MakeCanvas();
    CaptureGraph graph;
    graph.SetCanvas(canvas.get(), kWidth, kHeight);
    graph.SetAlarmLimits(40.0, 10.0);
    graph.StartScales(1);
    while (graph.GrowTimeRange(count)) {
    }
    graph.AutoScaleTemp(60.0);
    graph.AutoScaleTemp(-10.0);
    for (auto _ : state) {
        graph.DrawAxes();
        if (everySegment) {
            graph.ReplotEverySegment(samples.data(), count, 1);
        } else {
            graph.ReplotSamples(samples.data(), count, 1);
        }
        graph.Present();
    }
    state.counters["samples"] = count;
}

void BM_GraphFullRedraw(benchmark::State& state)
{
    GraphRedraw(state, false);
}
BENCHMARK(BM_GraphFullRedraw)->Arg(kMaxSamples)->Unit(benchmark::kMillisecond);

void BM_GraphNaiveRedraw(benchmark::State& state)
{
    GraphRedraw(state, true);
}
BENCHMARK(BM_GraphNaiveRedraw)->Arg(kMaxSamples)->Unit(benchmark::kMillisecond)->Iterations(3);

// Argument 1: drawn into the picture; 0: the tick's own work with a canvas that draws nothing;
// 2: as 0, with a running recording's journal taking every sample (its writer thread syncs the
// file; the tick only hands the sample over).
void BM_SampleTick(benchmark::State& state)
{
    std::unique_ptr<GraphCanvas> canvas =
        state.range(0) == 1 ? MakeCanvas() : std::unique_ptr<GraphCanvas>(std::make_unique<NullCanvas>());
    // The recorder's streaming tick: the recording's sampling step and the graph's live point.
    ::Recording recording;
    CaptureGraph graph;
    graph.SetCanvas(canvas.get(), kWidth, kHeight);
    graph.timeAuto = false;
    graph.SetManualRange(2000);
    graph.DrawAxes();
    recording.PrepareRun(1); // a sample every tick
    RecordingJournal journal;
    const std::string journalPath = std::filesystem::temp_directory_path() / "rm42bench-journal.bin";
    if (state.range(0) == 2 && !journal.Start(journalPath, JournalHeader{})) {
        state.SkipWithError("cannot write the journal");
        return;
    }
    long allocated = 0;
    for (auto _ : state) {
        if (recording.SampleCount() >= 1990) {
            state.PauseTiming();
            recording.Clear();
            recording.PrepareRun(1);
            graph.DrawAxes();
            state.ResumeTiming();
        }
        const long before = allocations.load(std::memory_order_relaxed);
        const ::Recording::Taken taken = recording.SampleTick(2982, 2962);
        if (taken.stored && journal.Active()) journal.Append(recording.Samples()[taken.index]);
        if (taken.taken) {
            graph.PlotLive(taken.index, 1, taken.plotted);
            graph.RedrawTimeLabels();
            graph.Present();
        }
        allocated += allocations.load(std::memory_order_relaxed) - before;
    }
    state.counters["allocs_per_tick"] =
        benchmark::Counter(static_cast<double>(allocated), benchmark::Counter::kAvgIterations);
    journal.Remove();
}
BENCHMARK(BM_SampleTick)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

} // namespace
