#pragma once

#include <atomic>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

class Clock;
class SerialPortFactory;
class UserInterface;

// The process-wide record every part of the program reads. Filled in by start-up
// (FillStartUpState) and by the main window's initialisation; one instance per process,
// passed by reference so tests can build as many as they like.
struct AppState {
    std::string iniPath; // full path of the INI file
    std::string exeDir;  // folder of the executable, ending in its separator
    // Installed layout (see AppPaths.h): folders the data files are read from, in order, and
    // where the type names and the command log are written. Empty: exeDir for all.
    std::vector<std::string> dataDirs;
    std::string userDir;
    std::string logDir;
    std::string desktopDir;       // initial folder of the save dialogs; empty when unknown
    int language = 0;             // 0 Japanese, 1 English
    std::string windowTitle;      // [System] WindowTitle; empty: the string table's name
    bool visibleSerialNo = true;  // the main title shows the serial number
    bool status0Monitor = false;  // [System] STATUS0_Monitor
    bool commLogEnabled = false;  // [System] CommLog
    int portRetryCount = 0;       // repetitions of the start-up connection check
    int connectRetryLimit = -1;   // repetitions the check may make; -1: the user decides each one
    uint32_t deviceSerial = 0;    // serial number last read, 0 until read
    std::string deviceSerialText; // 11-character display form, empty until read
    std::string typeName;         // registered type name of the connected thermometer
    std::string deniedPortTold;   // the port whose missing permission the user has been told
    std::string journalPath;      // where a running recording keeps its journal; empty: none kept
    std::set<std::string> reportedIniProblems; // INI problems told already: each is told once

    // Set while a page's device operation runs; see DeviceGuard. Every user of it runs on the
    // user-interface thread, so a wait could only deadlock: a second operation is refused instead.
    std::atomic<bool> deviceSemaphore{false};

    // The outside world. Every device operation reaches the user, the clock and the
    // serial port only through these; tests plug in fakes.
    UserInterface* ui = nullptr;
    Clock* clock = nullptr;
    SerialPortFactory* ports = nullptr;
};

// Holds deviceSemaphore for one device operation. When another operation already holds it,
// Acquired() is false and the caller does nothing and returns (the user's click is ignored).
// Nothing ever waits on it.
class DeviceGuard {
public:
    explicit DeviceGuard(AppState& app) : app_(app)
    {
        bool expected = false;
        acquired_ = app_.deviceSemaphore.compare_exchange_strong(expected, true);
    }
    ~DeviceGuard()
    {
        if (acquired_) app_.deviceSemaphore.store(false);
    }
    DeviceGuard(const DeviceGuard&) = delete;
    DeviceGuard& operator=(const DeviceGuard&) = delete;

    bool Acquired() const { return acquired_; }

private:
    AppState& app_;
    bool acquired_ = false;
};
