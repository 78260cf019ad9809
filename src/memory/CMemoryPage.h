#pragma once

#include <QWidget>

struct AppState;

// The memory data page (tab 1). A child of the main dialog, placed over the tab control's page area;
// shown while its tab is selected.
class CMemoryPage : public QWidget {
    Q_OBJECT
public:
    CMemoryPage(AppState& app, QWidget* parent);

private:
    AppState& app_;
};
