#pragma once

#include <QDialog>

struct AppState;

// The about box: the program's icon, its name (or [System] WindowTitle) and the line of
// [System] AboutDlgMsg.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    CAboutDlg(const AppState& app, QWidget* parent);
};
