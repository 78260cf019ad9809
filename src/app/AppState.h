#pragma once

#include <cstdint>
#include <semaphore>
#include <string>

class Clock;
class SerialPortFactory;
class UserInterface;

// The process-wide record every part of the program reads. Filled in by start-up
// (FillStartUpState) and by the main window's initialisation; one instance per process,
// passed by reference so tests can build as many as they like.
struct AppState {
    std::string iniPath;          // full path of the INI file
    std::string exeDir;           // folder of the executable, ending in '/'
    std::string desktopDir;       // initial folder of the save dialogs; empty when unknown
    int language = 0;             // 0 Japanese, 1 English
    std::string windowTitle;      // [System] WindowTitle; empty: the string table's name
    bool visibleSerialNo = true;  // the main title shows the serial number
    bool status0Monitor = false;  // [System] STATUS0_Monitor
    bool commLogEnabled = false;  // [System] CommLog
    int portRetryCount = 0;       // repetitions of the start-up connection check
    uint32_t deviceSerial = 0;    // serial number last read, 0 until read
    std::string deviceSerialText; // 11-character display form, empty until read
    std::string typeName;         // registered type name of the connected thermometer

    // Orders the pages' device work; taken without time limit.
    std::counting_semaphore<1> deviceSemaphore{1};

    // The outside world. Every device operation reaches the user, the clock and the
    // serial port only through these; tests plug in fakes.
    UserInterface* ui = nullptr;
    Clock* clock = nullptr;
    SerialPortFactory* ports = nullptr;
};
