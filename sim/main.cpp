// rm42-sim: a simulated RM42 thermometer on a pseudo-terminal, for trying the program without the
// instrument and for end-to-end tests.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "SimOptions.h"
#include "SimPtyServer.h"
#include "SimThermometer.h"
#include "app/Calendar.h"
#include "app/Version.h"
#include "device/Clock.h"

namespace {

std::atomic<bool> stopRequested{false};
// The cable follows the last of SIGUSR1 (pulled) and SIGUSR2 (plugged in).
std::atomic<bool> cableWanted{true};
// Ends the server's current run so that main looks at the requests above.
std::atomic<bool> wake{false};

extern "C" void OnStopSignal(int)
{
    stopRequested.store(true);
    wake.store(true);
}

extern "C" void OnCableSignal(int signal)
{
    cableWanted.store(signal == SIGUSR2);
    wake.store(true);
}

std::string TimeStamp()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    std::tm local{};
    LocalTimeOf(t, local);
    char buf[40];
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    const std::size_t n = std::strftime(buf, sizeof buf, "%Y/%m/%d %H:%M:%S", &local);
    std::snprintf(buf + n, sizeof buf - n, ".%03d", static_cast<int>(ms));
    return buf;
}

} // namespace

int main(int argc, char** argv)
{
    SimOptions options;
    std::string error;
    if (!ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::cerr << "rm42-sim: " << error << "\n(try rm42-sim --help)\n";
        return 2;
    }
    if (options.help) {
        std::cout << SimUsage();
        return 0;
    }
    if (options.version) {
        std::cout << "rm42-sim " RM42_VERSION "\n";
        return 0;
    }

    std::ofstream log;
    if (!options.logPath.empty()) {
        log.open(options.logPath, std::ios::app);
        if (!log) {
            std::cerr << "rm42-sim: cannot write the log " << options.logPath << "\n";
            return 2;
        }
    }

    SteadyClock clock;
    SimThermometer device(options.config, clock);
    if (log.is_open()) {
        device.SetTrafficLog([&log](char direction, const std::string& line) {
            log << TimeStamp() << ' ' << direction << ' ' << line << '\n';
            log.flush();
        });
    }

    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    struct sigaction cable {};
    cable.sa_handler = OnCableSignal;
    sigemptyset(&cable.sa_mask);
    sigaction(SIGUSR1, &cable, nullptr);
    sigaction(SIGUSR2, &cable, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    SimPtyServer server(device, clock);
    if (!server.Start(options.linkPath, error)) {
        std::cerr << "rm42-sim: " << error << "\n";
        return 1;
    }
    std::cout << "rm42-sim: serving " << server.SlavePath() << " at " << options.linkPath << std::endl;

    bool ok = true;
    while (ok) {
        wake.store(false); // before looking at the requests, so none is missed
        if (stopRequested.load()) break;
        const bool wanted = cableWanted.load();
        if (!wanted && server.Unplug()) {
            std::cout << "rm42-sim: cable pulled" << std::endl;
        }
        if (wanted && !server.Plugged()) {
            if (!server.Replug(error)) {
                ok = false;
                break;
            }
            std::cout << "rm42-sim: serving " << server.SlavePath() << " at " << options.linkPath
                      << std::endl;
        }
        ok = server.Run(wake, error);
    }
    server.Stop();
    if (!ok) {
        std::cerr << "rm42-sim: " << error << "\n";
        return 1;
    }
    return 0;
}
