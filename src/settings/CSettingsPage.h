#pragma once

#include <QPointer>

#include <string>

#include "device/CCommIO.h"
#include "settings/DeviceSettings.h"
#include "ui/CPage.h"

class CNumericEdit;
class QAbstractButton;
class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimeEdit;
class QTimer;
class QToolButton;
struct AppState;

// The up-down buttons beside a numeric field: each click moves the field's value by one
// within the range.
class CSpinButtons : public QWidget {
    Q_OBJECT
public:
    CSpinButtons(QLineEdit* buddy, int minimum, int maximum, QWidget* parent);
    QToolButton* Up() const { return up_; }
    QToolButton* Down() const { return down_; }

private:
    void Move(int delta);

    QLineEdit* buddy_;
    int minimum_;
    int maximum_;
    QToolButton* up_;
    QToolButton* down_;
};

// Owns the settings page's controls, its link and its two clocks.
// The device settings page (tab 3): reads every setting when shown, writes them group by group,
// resets some of them to the INI's defaults, registers the type name and exports the settings
// as CSV. While shown it runs the PC's clock and an estimate of the thermometer's.
class CSettingsPage : public CPage {
    Q_OBJECT
public:
    CSettingsPage(AppState& app, QWidget* parent);
    ~CSettingsPage() override;

    void PageShown() override;
    void PageHidden() override;
    void WindowClosing() override;

    const SettingsRecord& Record() const { return record_; }
    bool PcClockRunning() const;
    bool DeviceClockRunning() const;
    // The folder the next CSV export starts in.
    const std::string& CsvFolder() const { return csvFolder_; }

private:
    // The buttons' work.
    void OnAlarmSet();
    void OnPcTimeSet();
    void OnManualTimeSet();
    void OnClockAlarmSet();
    void OnResolutionSet();
    void OnHoldTimeSet();
    void OnReset();
    void OnTypeNameSave();
    void OnCsvExport();
    void CreateControls();
    void TakeControls();
    void SetUpControls();
    void ShowRead(const SettingsReadResult& read);
    void ShowAlarm(bool high, double celsius);
    void ApplyClockAlarmRule();
    void OnTypeNameChanged(const QString& text);
    void OnPcClockTick();
    void OnDeviceClockTick();
    void ShowDeviceClock();
    void StopClocks();
    void WriteClock();
    void AlarmInputProblem(int messageId, CNumericEdit* field, bool firstCharacterOnly);

    AppState& app_;
    CCommIO commIO_;
    SettingsRecord record_;
    std::string csvFolder_;
    bool suspendClock_ = false;

    QTimer* pcClockTimer_ = nullptr;
    QTimer* deviceClockTimer_ = nullptr;

    QLineEdit* emissivity_ = nullptr;
    QLineEdit* alarmHighNow_ = nullptr;
    QLineEdit* alarmLowNow_ = nullptr;
    QLineEdit* deviceClock_ = nullptr;
    QLineEdit* pcClock_ = nullptr;
    CNumericEdit* alarmHigh_ = nullptr;
    CNumericEdit* alarmLow_ = nullptr;
    QRadioButton* highOn_ = nullptr;
    QRadioButton* highOff_ = nullptr;
    QRadioButton* lowOn_ = nullptr;
    QRadioButton* lowOff_ = nullptr;
    QDateEdit* manualDate_ = nullptr;
    QTimeEdit* manualHour_ = nullptr;
    QTimeEdit* manualMinute_ = nullptr;
    QTimeEdit* manualSecond_ = nullptr;
    QCheckBox* clockAlarmOn_ = nullptr;
    QTimeEdit* clockAlarmHour_ = nullptr;
    QTimeEdit* clockAlarmMinute_ = nullptr;
    CNumericEdit* ringTime_ = nullptr;
    CSpinButtons* ringSpin_ = nullptr;
    QRadioButton* everyday_ = nullptr;
    QRadioButton* once_ = nullptr;
    QRadioButton* oneDegree_ = nullptr;
    QRadioButton* tenthDegree_ = nullptr;
    CNumericEdit* holdTime_ = nullptr;
    CSpinButtons* holdSpin_ = nullptr;
    QLineEdit* typeName_ = nullptr;
    QPushButton* saveTypeName_ = nullptr;
};
