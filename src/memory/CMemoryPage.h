#pragma once

#include "ui/CPage.h"

struct AppState;

// The memory data page (tab 1). A child of the main dialog, placed over the tab control's page area;
// shown while its tab is selected.
class CMemoryPage : public CPage {
    Q_OBJECT
public:
    CMemoryPage(AppState& app, QWidget* parent);

private:
    AppState& app_;
};
