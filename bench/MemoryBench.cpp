// The whole memory (30 records of six words, 180 words) read and written back through the
// memory operations against rm42-sim on a pseudo-terminal at 9600 baud, with the link's default
// pauses. floor_ms is what one run cannot go below: the pauses, the bytes on the wire and the
// simulator's latency, for every transaction.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

#include "app/AppState.h"
#include "app/UserInterface.h"
#include "device/Clock.h"
#include "device/SerialPort.h"
#include "memory/MemoryData.h"
#include "support/ChildProcess.h"

namespace {

constexpr int kLatencyMs = 5;
constexpr int kBaud = 9600;
constexpr int kWords = 180;
constexpr double kOpenMs = 200;   // the link settles after opening
constexpr double kSettleMs = 500; // the read rests before it ends
constexpr double kCommandWait1Ms = 40;
constexpr double kCommandWait2Ms = 500;

double WireMs(int bytes)
{
    return bytes * 10.0 * 1000.0 / kBaud;
}

// Bytes of one exchange: command + CR LF out; echo, payload, 2 check characters, CR LF back.
constexpr int kModeBytes = (2 + 2) + (4 + 2 + 2);         // DA or 81, "OK"
constexpr int kReadBytes = (4 + 2) + (2 + 2 + 4 + 2 + 2); // 91AA, 91AAVVVVcc
constexpr int kWriteBytes = (8 + 2) + (4 + 2 + 2);        // 92AAVVVV, 92OKcc

// Reports nothing and answers every question with Yes; counts boxes, which mean a failure here.
class QuietUserInterface final : public UserInterface {
public:
    MsgAnswer MessageBox(const std::string&, const std::string&, MsgIcon, MsgButtons buttons,
                         MsgAnswer) override
    {
        ++boxes;
        return buttons == MsgButtons::YesNo ? MsgAnswer::Yes : MsgAnswer::Ok;
    }
    void SetStatusText(const std::string&) override {}
    void RedrawMainWindow() override {}
    void RunComPortDialog() override {}
    std::unique_ptr<ProgressBox> OpenProgress() override
    {
        struct None final : ProgressBox {
            void SetRange(uint16_t) override {}
            void Step(const std::string&) override {}
            void Reset() override {}
        };
        return std::make_unique<None>();
    }
    void EnableTabs(bool) override {}
    void SetWaitCursor(bool) override {}
    void SetMainTitle(const std::string&) override {}
    int boxes = 0;
};

struct MemoryRig {
    explicit MemoryRig(benchmark::State& state)
    {
        const std::string base = "/tmp/rm42bench-memory-" + std::to_string(::getpid());
        sim = std::make_unique<SimProcess>(
            base + ".tty", std::vector<std::string>{"--latency", std::to_string(kLatencyMs), "--baud",
                                                    std::to_string(kBaud), "--memory-preset", "time,room"});
        if (!sim->Ready()) {
            state.SkipWithError(sim->Error().c_str());
            return;
        }
        app.iniPath = base + ".ini";
        std::ofstream(app.iniPath, std::ios::trunc) << "[ComPort]\nPort=" << sim->Link() << "\nStopBit=0\n";
        app.clock = &clock;
        app.ports = ports.get();
        app.ui = &ui;
        data = std::make_unique<MemoryData>(app);
    }
    ~MemoryRig() { std::remove(app.iniPath.c_str()); }

    std::unique_ptr<SimProcess> sim;
    SteadyClock clock;
    std::unique_ptr<SerialPortFactory> ports = MakeSystemSerialPortFactory();
    QuietUserInterface ui;
    AppState app;
    std::unique_ptr<MemoryData> data;
};

void BM_MemoryReadPty(benchmark::State& state)
{
    MemoryRig rig(state);
    if (!rig.data) return;
    for (auto _ : state) {
        rig.data->ReadMemory();
        if (rig.data->ioError || rig.ui.boxes != 0) {
            state.SkipWithError("the read failed");
            break;
        }
    }
    // DA, 30, 31, 35, 40, every word, 81.
    const int transactions = 4 + kWords + 2;
    state.counters["floor_ms"] = kOpenMs + kSettleMs + transactions * (kCommandWait1Ms + kLatencyMs) +
                                 WireMs(2 * kModeBytes + (4 + kWords) * kReadBytes);
}

void BM_MemoryWritePty(benchmark::State& state)
{
    MemoryRig rig(state);
    if (!rig.data) return;
    rig.data->ReadMemory();
    if (rig.data->ioError || rig.data->capacity * 6 != kWords) {
        state.SkipWithError("the memory is not the full preset");
        return;
    }
    const std::vector<bool> all(static_cast<std::size_t>(rig.data->capacity), true);
    for (auto _ : state) {
        rig.data->WriteMemory(all); // the same records again, so every run writes the same
        if (rig.data->ioError || rig.ui.boxes != 0) {
            state.SkipWithError("the write-back failed");
            break;
        }
    }
    // DA, 30, 31, 35 (the item word is unchanged), every word, 40, 41, 81.
    const int reads = 4 + 1, writes = kWords + 2;
    state.counters["floor_ms"] = kOpenMs + reads * (kCommandWait1Ms + kLatencyMs) +
                                 writes * (kCommandWait2Ms + kLatencyMs) +
                                 WireMs(2 * kModeBytes + 3 * kReadBytes + writes * kWriteBytes);
}

} // namespace

BENCHMARK(BM_MemoryReadPty)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_MemoryWritePty)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
