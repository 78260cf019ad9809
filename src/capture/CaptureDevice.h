#pragma once

#include <cstdint>
#include <string>

#include "capture/TempReceiveThread.h"
#include "device/CCommIO.h"

struct AppState;
class Clock;

// The application's clock, or the real one when none is set.
Clock& RecordingClock(AppState& app);

// The alarm limits (degC) and emissivity a recording shows and saves.
struct AlarmSettings {
    double high = 600.0;
    double low = -30.0;
    double emissivity = 0.0;
};

// Owns the recording's serial link and receive thread; borrows the application's state.
// The check-mode sequences that switch the thermometer's temperature stream on and off, the
// alarm read and the wait for the first lines.
class CaptureDevice {
public:
    static constexpr uint32_t kStartWaitMs = 3000; // the longest wait for the first ten lines
    static constexpr uint32_t kStartLines = 10;

    explicit CaptureDevice(AppState& app);
    CaptureDevice(const CaptureDevice&) = delete;
    CaptureDevice& operator=(const CaptureDevice&) = delete;

    // Which of the two temperatures the thermometer is told to stream ([Capture] TempReceive and
    // RoomTempReceive).
    void SetOutputs(bool temp, bool room);
    bool TempReceive() const { return tempReceive_; }
    bool RoomTempReceive() const { return roomTempReceive_; }
    const AlarmSettings& Alarms() const { return alarms_; }

    // Opens the link; when it cannot, tells the user the thermometer is not connected.
    bool Open();
    // Alarm HI, alarm LO and emissivity in a session of their own; the defaults on a failed
    // register read. False when the link could not be opened or check mode was refused.
    bool ReadAlarms();
    // Reads the thermometer's serial number into the application state, quietly, in a check-mode
    // session of its own so that the start sequence stays the same every time.
    void LearnSerial();
    // Check mode, STATUS0 with the output bits set, check mode exit. report false: failures are
    // only returned. inCheckMode: the thermometer took the check-mode request.
    bool SwitchOn(bool report, bool& inCheckMode);
    // Check mode, STATUS0 with the output bits cleared and the template applied, check mode
    // exit. False (reported) when check mode was refused.
    bool SwitchOff();
    // Starts the receive thread on a purged link with no latest values.
    void StartStream();
    // Waits until the first lines have come, at most kStartWaitMs.
    bool WaitForLines();
    void StopStream() { thread_.Stop(); }
    // Purges and closes the link, logged; a failed close is reported.
    void CloseLogged();

    ReceiveWords& Words() { return words_; }
    CCommIO& Link() { return link_; }

private:
    bool ExchangeLogged(const std::string& command, std::string& reply, bool logFailedReply);
    void ShowStatus0(uint16_t value, const char* caption);
    // STATUS0 with the output bits cleared and the template applied, then check mode exit.
    void RestoreStatus0();

    AppState& app_;
    CCommIO link_;
    ReceiveWords words_;
    TempReceiveThread thread_;
    bool tempReceive_ = true;
    bool roomTempReceive_ = true;
    AlarmSettings alarms_;
};
