#pragma once

#include "ui/CPage.h"

struct AppState;

// The continuous recording page (tab 0). A child of the main dialog, placed over the tab control's page area;
// shown while its tab is selected.
class CCapturePage : public CPage {
    Q_OBJECT
public:
    CCapturePage(AppState& app, QWidget* parent);

private:
    AppState& app_;
};
