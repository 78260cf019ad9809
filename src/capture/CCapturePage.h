#pragma once

#include <QImage>

#include <memory>
#include <string>

#include "capture/CaptureRecorder.h"
#include "ui/CPage.h"

class CNumericEdit;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QRadioButton;
class QTimeEdit;
class QTimer;
class CaptureTimerPanel;
class QtGraphCanvas;
class GraphFrame;
struct AppState;

// Owns the recording page's controls and the CaptureRecorder behind them.
// The continuous recording page (tab 0): REC, PAUSE, DELETE and SAVE, the sampling interval,
// the latest values, the thermometer's alarm limits and emissivity, the clock, the timed
// start and end, and the live temperature graph with its scale controls. The recording itself
// lives in CaptureRecorder; the page maps its controls onto it.
class CCapturePage : public CPage {
    Q_OBJECT
public:
    CCapturePage(AppState& app, QWidget* parent);
    ~CCapturePage() override;

    void PageShown() override;
    void PageHidden() override;
    void WindowClosing() override;

    // REC, PAUSE and DELETE (also for the capture timer).
    void StartCapture();
    void StopCapture();
    void DeleteRecording();
    // SAVE: the paused recording as CSV or as a report with the graph picture.
    void SaveRecording();
    // At start, once the window is up: a recording a crashed run left behind is offered back and,
    // when the user takes it, shown paused.
    void OfferRecoveredRecording();

    CaptureRecorder& Recorder() { return *recorder_; }
    // The graph picture as last drawn: the size of the graph frame's client area.
    const QImage& GraphImage() const;
    // The sampling interval the interval controls give, in 100 ms ticks.
    int32_t ComputeInterval() const;

    // Scale controls.
    void ApplyScale();
    void UpdateUnitTexts();

private:
    void CreateControls();
    void TakeControls();
    void SetUpControls();
    void RefreshControls();
    void ShowCurrentValues();
    void ShowAlarmSettings();
    void ShowScales();
    void ReadScaleControls();
    void OnClockTimer();
    void OnSampleTimer();
    void OnAutoScaleToggled();
    void OnTimeAutoToggled();
    void OnScaleEdited();
    void OnTimeUnitChosen(int index);
    void OnUnitChosen(bool fahrenheit);
    void Beep();

    AppState& app_;
    std::unique_ptr<CaptureRecorder> recorder_;
    std::unique_ptr<QtGraphCanvas> canvas_;
    std::unique_ptr<CaptureTimerPanel> timerPanel_;
    std::string saveFolder_; // folder of the last save, the desktop at first
    QImage emptyImage_;

    QPushButton* recButton_ = nullptr;
    QPushButton* pauseButton_ = nullptr;
    QPushButton* deleteButton_ = nullptr;
    QPushButton* saveButton_ = nullptr;
    QTimeEdit* intervalHours_ = nullptr;
    QTimeEdit* intervalMinutes_ = nullptr;
    QTimeEdit* intervalSeconds_ = nullptr;
    QCheckBox* hundredMs_ = nullptr;
    QComboBox* milliseconds_ = nullptr;
    QLabel* currentTemp_ = nullptr;
    QLabel* currentRoomTemp_ = nullptr;
    QLabel* alarmHigh_ = nullptr;
    QLabel* alarmLow_ = nullptr;
    QLabel* emissivity_ = nullptr;
    QLabel* clock_ = nullptr;
    QPushButton* timerBox_ = nullptr;
    QDateEdit* startDate_ = nullptr;
    QDateEdit* endDate_ = nullptr;
    QTimeEdit* timerTimes_[6] = {}; // start H, M, S, end H, M, S
    QLabel* timerStatus_ = nullptr;
    GraphFrame* graphFrame_ = nullptr;
    QCheckBox* tempAuto_ = nullptr;
    CNumericEdit* scaleMax_ = nullptr;
    CNumericEdit* scaleMin_ = nullptr;
    QPushButton* apply_ = nullptr;
    QCheckBox* timeAuto_ = nullptr;
    CNumericEdit* timeRange_ = nullptr;
    QComboBox* timeUnit_ = nullptr;
    QRadioButton* celsius_ = nullptr;
    QRadioButton* fahrenheit_ = nullptr;
    QLabel* unitLabels_[6] = {};    // 1148, 1149, 1150, 1151, 1335, 1336
    QLabel* unitCaption_ = nullptr; // 1144

    QTimer* clockTimer_ = nullptr;  // 500 ms while the page is shown
    QTimer* sampleTimer_ = nullptr; // 100 ms while recording
    int pauseBlink_ = 0;
};
