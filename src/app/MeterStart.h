#pragma once

struct AppState;

// What the main window does at start, apart from its widgets: reads [System] STATUS0_Monitor
// and CommLog (showing the command log notice when logging is on), sets the type name to
// "not registered" and forgets the serial number, runs the connection check when
// [System] StartUpConnectCheck is exactly "Yes" and then looks up the registered type name.
// False when the connection check failed: the program ends. The GUI and rm42ctl both start
// through here, so the console tool sees the thermometer exactly as the program does.
// ranCheck, when given, tells whether the connection check ran.
bool RunMeterStart(AppState& app, bool* ranCheck = nullptr);
