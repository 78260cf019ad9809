#include "capture/CCapturePage.h"

#include "app/AppState.h"

CCapturePage::CCapturePage(AppState& app, QWidget* parent) : QWidget(parent), app_(app)
{
    setObjectName(QStringLiteral("capturePage"));
}
