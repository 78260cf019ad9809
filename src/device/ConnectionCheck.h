#pragma once

#include <cstdint>

class CCommIO;

struct AppState;

// The start-up connection check: makes sure a thermometer answers on the configured port
// (with retries, the switch-on prompt and the COM port dialog through app.ui), reads its serial
// number into app.deviceSerial / deviceSerialText and brings STATUS0 into the state of
// [System] Default_STATUS0. False ends the program.
bool CheckConnection(AppState& app);

// The serial number of the thermometer on an open link that is in check mode, read without a
// word to the user and with timeoutMs for each of the two reads. False when a read fails, is
// refused or is garbled.
bool ReadSerialQuietly(CCommIO& link, uint32_t timeoutMs, uint32_t& serial);
