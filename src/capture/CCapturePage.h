#pragma once

#include <QWidget>

struct AppState;

// The continuous recording page (tab 0). A child of the main dialog, placed over the tab control's page area;
// shown while its tab is selected.
class CCapturePage : public QWidget {
    Q_OBJECT
public:
    CCapturePage(AppState& app, QWidget* parent);

private:
    AppState& app_;
};
