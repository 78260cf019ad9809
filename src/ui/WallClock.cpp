#include "ui/WallClock.h"

#include "app/AppState.h"
#include "device/Clock.h"

QDateTime LocalNow(const AppState& app)
{
    return QDateTime::fromSecsSinceEpoch(static_cast<qint64>(app.clock->WallTime()));
}
