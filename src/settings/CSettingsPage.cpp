#include "settings/CSettingsPage.h"

#include "app/AppState.h"

CSettingsPage::CSettingsPage(AppState& app, QWidget* parent) : CPage(parent), app_(app)
{
    setObjectName(QStringLiteral("settingsPage"));
}
