#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QComboBox;
struct AppState;

// Chooses the serial port through which the thermometer is reached. Lists the ports the
// system reports (COM1..COM8 once the start-up check has been repeated twice), preselects
// [ComPort] Port, and on OK writes the chosen entry back there. Cancel writes nothing.
class CComPortDlg : public QDialog {
    Q_OBJECT
public:
    CComPortDlg(AppState& app, QWidget* parent);

    // Names of the serial ports the system reports, as the port layer opens them.
    static std::vector<std::string> SystemPortNames();

    void accept() override;

private:
    AppState& app_;
    QComboBox* portList_;
};
