#pragma once

// Shared by the recording tests: a temperature as the thermometer sends it, local times, and the
// recorder against the in-process simulator in real time, with its receive thread.

#include "capture/CaptureRecorder.h"
#include "device/Clock.h"
#include "sim/SimThermometer.h"
#include "support/DataRows.h"
#include "support/ScriptedSerialPort.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

// Degrees Celsius in tenths of a kelvin.
inline constexpr auto K10 = [](double celsius) {
    return static_cast<uint16_t>((celsius + 273.2) * 10 + 0.5);
};

// Seconds of a local time of day on the given date.
inline std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second)
{
    std::tm tm{};
    std::tie(tm.tm_year, tm.tm_mon, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, tm.tm_isdst) =
        std::tuple(year - 1900, month - 1, day, hour, minute, second, -1);
    return std::mktime(&tm);
}

// Samples as rows that compare whole, so that one check covers a recording and names the first row
// that differs.
using SampleRow = std::tuple<uint16_t, uint16_t, int32_t>;
inline std::vector<SampleRow> SampleRows(const CaptureSample* samples, std::size_t count)
{
    std::vector<SampleRow> rows;
    for (std::size_t i = 0; i < count; ++i)
        rows.emplace_back(samples[i].temp, samples[i].roomTemp, samples[i].interval);
    return rows;
}

class SimRecorderRig : public ::testing::Test, public LineRig {
protected:
    // A fresh simulator streaming at 50 Hz (unless config names another rate) and a recorder that
    // has read the INI's [Capture] keys.
    void Start(SimConfig config, const std::string& capture = "")
    {
        config.useHostClock = true;
        if (config.streamRateHz == SimConfig{}.streamRateHz) config.streamRateHz = 50.0;
        recorder.reset(), ports.reset();
        sim = std::make_unique<SimThermometer>(config, realClock);
        ports = MakeSimPortFactory(*sim, realClock);
        app.ports = ports.get(), app.clock = &realClock;
        WriteFileBytes(app.iniPath, "[ComPort]\nPort=COM1\nStopBit=0\nCommandWait1=0\nCommandWait2=0\n"
                                    "[Capture]\n" +
                                        capture);
        recorder = std::make_unique<CaptureRecorder>(app, options);
        recorder->ReadSettings();
    }
    // Ticks as the page's timer would, quicker; until count samples are held or 5 s passed.
    void TickUntil(int32_t count)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (recorder->SampleCount() < count && std::chrono::steady_clock::now() < end) {
            recorder->Tick();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    std::vector<std::string> CommandsSince(std::size_t from) const
    {
        const auto all = sim->ReceivedCommands();
        return {all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end()};
    }

    SteadyClock realClock;
    std::unique_ptr<SimThermometer> sim;
    std::unique_ptr<SerialPortFactory> ports;
    RecorderOptions options;
    std::unique_ptr<CaptureRecorder> recorder;
};
