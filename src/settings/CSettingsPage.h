#pragma once

#include "ui/CPage.h"

struct AppState;

// The device settings page (tab 3). A child of the main dialog, placed over the tab control's page area;
// shown while its tab is selected.
class CSettingsPage : public CPage {
    Q_OBJECT
public:
    CSettingsPage(AppState& app, QWidget* parent);

private:
    AppState& app_;
};
