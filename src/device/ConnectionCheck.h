#pragma once

struct AppState;

// The start-up connection check: makes sure a thermometer answers on the configured port
// (with retries, the switch-on prompt and the COM port dialog through app.ui), reads its serial
// number into app.deviceSerial / deviceSerialText and brings STATUS0 into the state of
// [System] Default_STATUS0. False ends the program.
bool CheckConnection(AppState& app);
