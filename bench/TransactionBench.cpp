// One register read against rm42-sim on a pseudo-terminal, through the whole link, compared
// with the floor of the same exchange done by hand on the raw port.

#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

#include "app/AppState.h"
#include "device/CCommIO.h"
#include "device/Clock.h"
#include "device/SerialPort.h"
#include "support/ChildProcess.h"

namespace {

constexpr int kLatencyMs = 5;
constexpr int kTransactions = 100;
// "9130" CR LF out, "91" "30" + 4 digits + 2 characters + CR LF back.
constexpr int kWireBytes = 6 + 12;

std::string TempPath(const char* suffix)
{
    return "/tmp/rm42bench-" + std::to_string(::getpid()) + suffix;
}

std::string WriteIni(const std::string& link)
{
    const std::string path = TempPath(".ini");
    std::ofstream out(path, std::ios::trunc);
    out << "[ComPort]\nPort=" << link << "\nStopBit=0\nCommandWait1=0\nCommandWait2=0\n";
    return path;
}

void SetTargetCounters(benchmark::State& state, int baud)
{
    const double wireMs = baud > 0 ? kWireBytes * 10.0 * 1000.0 / baud : 0.0;
    state.counters["target_ms"] = kLatencyMs + wireMs;
}

// The simulator with the latency and the wire pacing (argument: baud, 0 = none) of the run.
std::unique_ptr<SimProcess> StartSim(benchmark::State& state)
{
    std::vector<std::string> args = {"--latency", std::to_string(kLatencyMs)};
    if (state.range(0) > 0) args.insert(args.end(), {"--baud", std::to_string(state.range(0))});
    auto sim = std::make_unique<SimProcess>(TempPath(".tty"), args);
    if (sim->Ready()) return sim;
    state.SkipWithError(sim->Error().c_str());
    return nullptr;
}

void BM_TransactionPty(benchmark::State& state)
{
    const auto sim = StartSim(state);
    if (!sim) return;
    SteadyClock clock;
    auto ports = MakeSystemSerialPortFactory();
    AppState app;
    app.clock = &clock;
    app.ports = ports.get();
    app.iniPath = WriteIni(sim->Link());
    CCommIO link(app);
    std::string reply;
    int length = 0;
    if (!link.Open() || link.Transact("DA", reply, length) != COMM_OK) {
        state.SkipWithError("the simulator did not answer DA");
        return;
    }
    for (auto _ : state) {
        if (link.Transact("9130", reply, length) != COMM_OK) {
            state.SkipWithError("register read failed");
            break;
        }
    }
    link.Transact("81", reply, length);
    link.Close();
    SetTargetCounters(state, static_cast<int>(state.range(0)));
}

// The floor: the same command and reply written and read directly on the port.
void BM_RawExchangePty(benchmark::State& state)
{
    const auto sim = StartSim(state);
    if (!sim) return;
    auto ports = MakeSystemSerialPortFactory();
    auto port = ports->Create();
    SerialSettings settings;
    settings.device = sim->Link();
    if (!port->Open(settings)) {
        state.SkipWithError(port->LastError().c_str());
        return;
    }
    auto exchange = [&](const std::string& command) {
        const std::string line = command + "\r\n";
        if (!port->Write(line.data(), line.size())) return false;
        std::string got;
        while (got.find('\r') == std::string::npos) {
            char buf[256];
            std::size_t n = 0;
            if (port->Read(buf, sizeof buf, n, 5000) != WaitResult::Ready) return false;
            got.append(buf, n);
        }
        // Let the line's LF arrive so the next exchange starts clean.
        if (got.find('\n') == std::string::npos) {
            char buf[8];
            std::size_t n = 0;
            port->Read(buf, sizeof buf, n, 50);
        }
        return true;
    };
    if (!exchange("DA")) {
        state.SkipWithError("the simulator did not answer DA");
        return;
    }
    for (auto _ : state) {
        if (!exchange("9130")) {
            state.SkipWithError("register read failed");
            break;
        }
    }
    exchange("81");
    port->Close();
    SetTargetCounters(state, static_cast<int>(state.range(0)));
}

} // namespace

// Argument: the simulator's wire pacing in baud (0 = none).
BENCHMARK(BM_RawExchangePty)
    ->Arg(0)
    ->Arg(9600)
    ->Iterations(kTransactions)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_TransactionPty)
    ->Arg(0)
    ->Arg(9600)
    ->Iterations(kTransactions)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
