#include "settings/CSettingsPage.h"

#include "app/AppState.h"

CSettingsPage::CSettingsPage(AppState& app, QWidget* parent) : QWidget(parent), app_(app)
{
    setObjectName(QStringLiteral("settingsPage"));
}
