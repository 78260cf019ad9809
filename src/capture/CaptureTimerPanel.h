#pragma once

#include "capture/CaptureTimer.h"

#include <ctime>
#include <functional>

class QAbstractButton;
class QDateEdit;
class QLabel;
class QTimeEdit;
class QWidget;
struct AppState;

// The recording page's timer controls around CaptureTimer: the check box arms and disarms it,
// the status box shows its state in its colours, and while it waits the tab control and the
// eight pickers are disabled. The page owns the widgets and forwards its two timers' ticks.
class CaptureTimerPanel {
public:
    // times: start hour, minute, second, end hour, minute, second.
    CaptureTimerPanel(AppState& app, QAbstractButton* box, QDateEdit* startDate, QDateEdit* endDate,
                      QTimeEdit* const (&times)[6], QLabel* status);

    // The check box changed: checked, arms the timer from the pickers, or refuses with string
    // 226 and unchecks the box; unchecked, the timer is not set.
    void OnTimerCheck();
    // The 500 ms clock: when the waiting timer's start has come, it runs and startCapture is
    // called (a failed start leaves it running; unchecking the box ends it).
    void CheckTimerStart();
    // The 100 ms sampling tick while the recording runs, with its tenths (1..9, 0): once the
    // end has passed on a whole second, the timer is not set and stopCapture is called.
    void CheckTimerEnd(int tenths);
    // REC while the timer waits: a manual start replaces the timed one.
    void CancelTimer();
    // PAUSE while the timer runs: not set, box unchecked; the stop enables the controls.
    void Paused();

    bool Waiting() const { return timer_.GetState() == CaptureTimer::State::Waiting; }
    CaptureTimer::State State() const { return timer_.GetState(); }
    // Enables or disables the eight pickers (never while the timer waits).
    void EnablePickers(bool enabled);

    std::function<void()> startCapture;
    std::function<void()> stopCapture;

private:
    std::time_t PickedTime(const QDateEdit* date, int first) const;
    std::time_t Now() const;
    void ShowState();
    void Unset();

    AppState& app_;
    QAbstractButton* box_;
    QDateEdit* startDate_;
    QDateEdit* endDate_;
    QTimeEdit* times_[6];
    QLabel* status_;
    CaptureTimer timer_;
};
