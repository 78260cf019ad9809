#pragma once

#include "ui/CPage.h"

struct AppState;

// The teaching page (tab 2). A child of the main dialog, placed over the tab control's page area;
// shown while its tab is selected.
class CTeachingPage : public CPage {
    Q_OBJECT
public:
    CTeachingPage(AppState& app, QWidget* parent);

private:
    AppState& app_;
};
