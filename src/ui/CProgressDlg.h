#pragma once

#include <QDialog>

#include "app/UserInterface.h"

class Clock;
class QLabel;
class QProgressBar;

// The captionless box with a line of text and a progress bar that pages show during long
// exchanges with the thermometer. Shown, activated and painted on construction; lives as long
// as its owner keeps it.
class CProgressDlg : public QDialog, public ProgressBox {
    Q_OBJECT
public:
    // clock paces Step's pause; null sleeps nothing.
    explicit CProgressDlg(Clock* clock);

    void SetRange(uint16_t upper) override;
    void Step(const std::string& text) override;
    void Reset() override;

    int Position() const { return position_; }

private:
    Clock* clock_;
    QLabel* message_;
    QProgressBar* bar_;
    int position_ = 0;
};
