#pragma once

#include <QWidget>

struct AppState;

// The teaching page (tab 2). A child of the main dialog, placed over the tab control's page area;
// shown while its tab is selected.
class CTeachingPage : public QWidget {
    Q_OBJECT
public:
    CTeachingPage(AppState& app, QWidget* parent);

private:
    AppState& app_;
};
