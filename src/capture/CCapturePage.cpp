#include "capture/CCapturePage.h"

#include "app/AppState.h"

CCapturePage::CCapturePage(AppState& app, QWidget* parent) : CPage(parent), app_(app)
{
    setObjectName(QStringLiteral("capturePage"));
}
