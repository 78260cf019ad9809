#pragma once

#include <QDateTime>

struct AppState;

// The program clock's wall time as a local date and time: dates the pages show or start from
// come from it, so a test clock fixes them.
QDateTime LocalNow(const AppState& app);
