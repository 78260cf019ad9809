#include "settings/CSettingsPage.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <ctime>
#include <memory>

#include "app/AppState.h"
#include "app/LangString.h"
#include "app/NumberText.h"
#include "app/UserInterface.h"
#include "resources/StringIds.h"
#include "settings/TypeNames.h"
#include "ui/CNumericEdit.h"
#include "ui/ControlId.h"
#include "ui/DialogUnits.h"
#include "ui/Icons.h"
#include "ui/LangWidgets.h"

namespace {

constexpr int kClockPeriodMs = 1000;

// The core's UTF-8 texts as QStrings: the labels that name export lines come from there, so
// the page and the export always agree.
QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

// "CSV(*csv)|*.csv||" as a Qt name filter: "CSV(*csv) (*.csv)".
QString QtNameFilter(const std::string& filter)
{
    const QStringList parts = Q(filter).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        filters << parts[i] + QStringLiteral(" (") + parts[i + 1] + QLatin1Char(')');
    return filters.join(QStringLiteral(";;"));
}

} // namespace

CSpinButtons::CSpinButtons(QLineEdit* buddy, int minimum, int maximum, QWidget* parent)
    : QWidget(parent), buddy_(buddy), minimum_(minimum), maximum_(maximum), up_(new QToolButton(this)),
      down_(new QToolButton(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QToolButton* button : {up_, down_}) {
        button->setArrowType(button == up_ ? Qt::UpArrow : Qt::DownArrow);
        button->setAutoRepeat(true);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        button->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(button);
    }
    connect(up_, &QToolButton::clicked, this, [this] { Move(1); });
    connect(down_, &QToolButton::clicked, this, [this] { Move(-1); });
}

void CSpinButtons::Move(int delta)
{
    const int value = std::clamp(buddy_->text().toInt() + delta, minimum_, maximum_);
    buddy_->setText(QString::number(value));
}

CSettingsPage::CSettingsPage(AppState& app, QWidget* parent)
    : CPage(parent), app_(app), commIO_(app), csvFolder_(app.desktopDir)
{
    setObjectName(QStringLiteral("settingsPage"));
    CreateControls();
    pcClockTimer_ = new QTimer(this);
    pcClockTimer_->setInterval(kClockPeriodMs);
    connect(pcClockTimer_, &QTimer::timeout, this, &CSettingsPage::OnPcClockTick);
    deviceClockTimer_ = new QTimer(this);
    deviceClockTimer_->setInterval(kClockPeriodMs);
    connect(deviceClockTimer_, &QTimer::timeout, this, &CSettingsPage::OnDeviceClockTick);
}

CSettingsPage::~CSettingsPage()
{
    StopClocks();
}

void CSettingsPage::CreateControls()
{
    const SettingsLabels labels = SettingsPageLabels(app_.language);
    const DialogUnits du(font());

    const auto group = [&](const QString& title, int id, const char* name, QRect rect) {
        auto* box = new QGroupBox(title, this);
        if (id != 0) SetControlId(box, id, QLatin1String(name));
        box->setGeometry(rect);
        return box;
    };
    const auto label = [&](const QString& text, int id, const char* name, QRect rect) {
        auto* l = new QLabel(text, this);
        if (id != 0) SetControlId(l, id, QLatin1String(name));
        l->setGeometry(rect);
        return l;
    };
    const auto display = [&](int id, const char* name, QRect rect, const QString& accessible) {
        auto* edit = new QLineEdit(this);
        SetControlId(edit, id, QLatin1String(name));
        edit->setReadOnly(true);
        edit->setFocusPolicy(Qt::NoFocus);
        edit->setGeometry(rect);
        edit->setAccessibleName(accessible);
        return edit;
    };
    const auto number = [&](int id, const char* name, QRect rect, const QString& accessible) {
        auto* edit = new CNumericEdit(this);
        SetControlId(edit, id, QLatin1String(name));
        edit->setGeometry(rect);
        edit->setAccessibleName(accessible);
        edit->SuppressImeOnFocus(app_);
        return edit;
    };
    const auto radio = [&](const QString& text, int id, const char* name, QRect rect) {
        auto* r = new QRadioButton(text, this);
        SetControlId(r, id, QLatin1String(name));
        r->setGeometry(rect);
        return r;
    };
    const auto pair = [this](QRadioButton* a, QRadioButton* b) {
        auto* buttons = new QButtonGroup(this);
        buttons->addButton(a);
        buttons->addButton(b);
        a->setChecked(true);
    };
    const auto button = [&](const QString& text, int id, const char* name, QRect rect,
                            void (CSettingsPage::*slot)()) {
        auto* b = new QPushButton(text, this);
        SetControlId(b, id, QLatin1String(name));
        b->setGeometry(rect);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    const auto picker = [&](int id, const char* name, const char* format, QRect rect,
                            const QString& accessible) {
        auto* edit = new QTimeEdit(this);
        SetControlId(edit, id, QLatin1String(name));
        edit->setDisplayFormat(QLatin1String(format));
        edit->setGeometry(rect);
        edit->setAccessibleName(accessible);
        return edit;
    };

    // Alarms.
    group(LangText(app_, StringId::AlarmGroup), 0, "alarmGroup", du.Rect(6, 2, 212, 78));
    label(Q(labels.alarmHigh), 1321, "alarmHighLabel", du.Rect(12, 18, 56, 10));
    alarmHighNow_ = display(1045, "alarmHighNow", du.Rect(68, 16, 46, 12), Q(labels.alarmHigh));
    alarmHigh_ = number(1050, "alarmHighInput", du.Rect(118, 16, 34, 12), Q(labels.alarmHigh));
    highOn_ = radio(QStringLiteral("ON"), 1052, "alarmHighOn", du.Rect(156, 17, 26, 10));
    highOff_ = radio(QStringLiteral("OFF"), 1053, "alarmHighOff", du.Rect(182, 17, 32, 10));
    pair(highOn_, highOff_);
    label(Q(labels.alarmLow), 1322, "alarmLowLabel", du.Rect(12, 34, 56, 10));
    alarmLowNow_ = display(1046, "alarmLowNow", du.Rect(68, 32, 46, 12), Q(labels.alarmLow));
    alarmLow_ = number(1051, "alarmLowInput", du.Rect(118, 32, 34, 12), Q(labels.alarmLow));
    lowOn_ = radio(QStringLiteral("ON"), 1054, "alarmLowOn", du.Rect(156, 33, 26, 10));
    lowOff_ = radio(QStringLiteral("OFF"), 1055, "alarmLowOff", du.Rect(182, 33, 32, 10));
    pair(lowOn_, lowOff_);
    for (CNumericEdit* edit : {alarmHigh_, alarmLow_}) {
        edit->SetDoubleRange(-30.0, 600.0);
        edit->SetFormat(2, "%.1f");
    }
    // The emissivity is read and exported; the teaching page is where it is shown and changed.
    label(Q(labels.emissivity), 1323, "emissivityLabel", du.Rect(12, 50, 56, 10))->hide();
    emissivity_ = display(1044, "emissivityNow", du.Rect(68, 48, 46, 12), Q(labels.emissivity));
    emissivity_->hide();
    button(QStringLiteral("SET"), 1058, "alarmSet", du.Rect(162, 60, 50, 14), &CSettingsPage::OnAlarmSet);

    // Clock alarm.
    group(Q(labels.clockAlarm), 1326, "clockAlarmGroup", du.Rect(6, 84, 212, 104));
    clockAlarmOn_ = new QCheckBox(LangText(app_, StringId::ClockAlarmOn), this);
    SetControlId(clockAlarmOn_, 1092, QStringLiteral("clockAlarmOn"));
    clockAlarmOn_->setGeometry(du.Rect(12, 98, 120, 10));
    connect(clockAlarmOn_, &QCheckBox::toggled, this, &CSettingsPage::ApplyClockAlarmRule);
    label(LangText(app_, StringId::AlarmTime), 0, "alarmTimeLabel", du.Rect(12, 114, 80, 10));
    clockAlarmHour_ = picker(1072, "clockAlarmHour", "HH", du.Rect(96, 112, 26, 12),
                             LangText(app_, StringId::ClockAlarmHourName));
    label(QStringLiteral(":"), 1109, "clockAlarmColon", du.Rect(123, 114, 4, 10));
    clockAlarmMinute_ = picker(1076, "clockAlarmMinute", "mm", du.Rect(128, 112, 26, 12),
                               LangText(app_, StringId::ClockAlarmMinuteName));
    label(Q(labels.ringTime), 1329, "ringTimeLabel", du.Rect(12, 132, 80, 10));
    ringTime_ = number(1073, "ringTime", du.Rect(96, 130, 24, 12), Q(labels.ringTime));
    ringTime_->SetIntRange(3, 10);
    ringTime_->SetFormat(1, "%d");
    ringSpin_ = new CSpinButtons(ringTime_, 3, 10, this);
    SetControlId(ringSpin_, 1088, QStringLiteral("ringTimeSpin"));
    ringSpin_->setGeometry(du.Rect(120, 130, 9, 12));
    label(Q(labels.seconds), 1330, "secondsLabel", du.Rect(132, 132, 24, 10));
    label(Q(labels.repeat), 1328, "repeatLabel", du.Rect(12, 150, 82, 10));
    everyday_ = radio(Q(labels.everyday), 1074, "everyday", du.Rect(96, 149, 50, 10));
    once_ = radio(Q(labels.once), 1075, "once", du.Rect(148, 149, 44, 10));
    pair(everyday_, once_);
    button(QStringLiteral("SET"), 1065, "clockAlarmSet", du.Rect(162, 168, 50, 14),
           &CSettingsPage::OnClockAlarmSet);

    // Type name.
    group(Q(labels.typeNumber), 1324, "typeNameGroup", du.Rect(6, 192, 212, 34));
    typeName_ = new QLineEdit(this);
    SetControlId(typeName_, 1009, QStringLiteral("typeName"));
    typeName_->setGeometry(du.Rect(12, 206, 140, 12));
    typeName_->setMaxLength(40);
    typeName_->setAccessibleName(Q(labels.typeNumber));
    saveTypeName_ = button(LangText(app_, StringId::TypeNameSave), 1020, "typeNameSave",
                           du.Rect(158, 205, 54, 14), &CSettingsPage::OnTypeNameSave);
    connect(typeName_, &QLineEdit::textChanged, this, &CSettingsPage::OnTypeNameChanged);
    OnTypeNameChanged(typeName_->text());

    // Clocks.
    group(LangText(app_, StringId::ClockGroup), 0, "clockGroup", du.Rect(224, 2, 210, 118));
    label(LangText(app_, StringId::PcTime), 0, "pcTimeLabel", du.Rect(230, 18, 52, 10));
    pcClock_ = display(1057, "pcClock", du.Rect(282, 16, 100, 12), LangText(app_, StringId::PcTime));
    button(QStringLiteral("SET"), 1059, "pcTimeSet", du.Rect(386, 15, 42, 14), &CSettingsPage::OnPcTimeSet);
    label(LangText(app_, StringId::DeviceTime), 0, "deviceTimeLabel", du.Rect(230, 36, 52, 10));
    deviceClock_ =
        display(1047, "deviceClock", du.Rect(282, 34, 100, 12), LangText(app_, StringId::DeviceTime));
    label(LangText(app_, StringId::ManualSetting), 0, "manualLabel", du.Rect(230, 56, 120, 10));
    manualDate_ = new QDateEdit(this);
    SetControlId(manualDate_, 1048, QStringLiteral("manualDate"));
    manualDate_->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    manualDate_->setCalendarPopup(true);
    manualDate_->setMinimumDate(QDate::currentDate());
    manualDate_->setGeometry(du.Rect(230, 70, 64, 12));
    manualDate_->setAccessibleName(LangText(app_, StringId::DateName));
    manualHour_ =
        picker(1049, "manualHour", "HH", du.Rect(300, 70, 26, 12), LangText(app_, StringId::HourName));
    label(QStringLiteral(":"), 1107, "manualColon1", du.Rect(327, 72, 4, 10));
    manualMinute_ =
        picker(1069, "manualMinute", "mm", du.Rect(332, 70, 26, 12), LangText(app_, StringId::MinuteName));
    label(QStringLiteral(":"), 1108, "manualColon2", du.Rect(359, 72, 4, 10));
    manualSecond_ =
        picker(1070, "manualSecond", "ss", du.Rect(364, 70, 26, 12), LangText(app_, StringId::SecondName));
    button(QStringLiteral("SET"), 1060, "manualTimeSet", du.Rect(386, 98, 42, 14),
           &CSettingsPage::OnManualTimeSet);

    // Resolution.
    group(QString(), 0, "resolutionGroup", du.Rect(224, 124, 210, 42));
    label(Q(labels.resolution), 1331, "resolutionLabel", du.Rect(230, 130, 140, 10));
    oneDegree_ = radio(Q(labels.oneDegree), 1063, "oneDegree", du.Rect(236, 148, 44, 10));
    tenthDegree_ = radio(Q(labels.tenthDegree), 1064, "tenthDegree", du.Rect(284, 148, 50, 10));
    pair(oneDegree_, tenthDegree_);
    button(QStringLiteral("SET"), 1066, "resolutionSet", du.Rect(386, 146, 42, 14),
           &CSettingsPage::OnResolutionSet);

    // Hold time.
    group(QString(), 0, "holdGroup", du.Rect(224, 168, 210, 28));
    label(Q(labels.holdTime), 1332, "holdTimeLabel", du.Rect(230, 178, 70, 10));
    holdTime_ = number(1078, "holdTime", du.Rect(302, 176, 24, 12), Q(labels.holdTime));
    holdTime_->SetIntRange(1, 20);
    holdTime_->SetFormat(1, "%d");
    holdSpin_ = new CSpinButtons(holdTime_, 1, 20, this);
    SetControlId(holdSpin_, 1086, QStringLiteral("holdTimeSpin"));
    holdSpin_->setGeometry(du.Rect(326, 176, 9, 12));
    label(Q(labels.seconds), 0, "holdSecondsLabel", du.Rect(338, 178, 24, 10));
    button(QStringLiteral("SET"), 1067, "holdTimeSet", du.Rect(386, 175, 42, 14),
           &CSettingsPage::OnHoldTimeSet);

    // Reset and export.
    auto* csv = new QPushButton(this);
    SetControlId(csv, 1103, QStringLiteral("csvExport"));
    csv->setIcon(Icons::Save());
    csv->setIconSize(du.Size(14, 12));
    csv->setGeometry(du.Rect(358, 206, 22, 18));
    csv->setAccessibleName(LangText(app_, StringId::SaveAsCsv));
    csv->setAutoDefault(false);
    connect(csv, &QPushButton::clicked, this, &CSettingsPage::OnCsvExport);
    button(LangText(app_, StringId::ResetButton), 1056, "reset", du.Rect(386, 208, 42, 14),
           &CSettingsPage::OnReset);

    // Tooltips.
    const std::pair<int, int> tools[] = {{1056, 117}, {1050, 120}, {1052, 121}, {1053, 122}, {1051, 123},
                                         {1054, 124}, {1055, 125}, {1058, 126}, {1057, 116}, {1059, 129},
                                         {1048, 130}, {1049, 131}, {1069, 131}, {1070, 131}, {1060, 132},
                                         {1072, 134}, {1076, 134}, {1065, 135}, {1073, 136}, {1074, 138},
                                         {1075, 139}, {1063, 141}, {1064, 142}, {1066, 143}, {1078, 144},
                                         {1067, 145}, {1009, 167}, {1020, 168}, {1103, 260}};
    for (const auto& [control, text] : tools)
        AddLangTool(FindControl(this, control), app_, text);

    ApplyClockAlarmRule();
}

void CSettingsPage::PageShown()
{
    DeviceGuard guard(app_);
    if (!guard.Acquired()) return;
    std::unique_ptr<ProgressBox> progress = app_.ui->OpenProgress();
    app_.ui->EnableTabs(false);
    const SettingsReadResult read = ReadSettingsFromDevice(app_, commIO_, record_, progress.get());
    progress.reset();
    app_.ui->EnableTabs(true);
    OnPcClockTick();
    if (!pcClockTimer_->isActive()) pcClockTimer_->start();
    ShowRead(read);
}

void CSettingsPage::PageHidden()
{
    StopClocks();
}

void CSettingsPage::WindowClosing()
{
    StopClocks();
}

bool CSettingsPage::PcClockRunning() const
{
    return pcClockTimer_->isActive();
}

bool CSettingsPage::DeviceClockRunning() const
{
    return deviceClockTimer_->isActive();
}

void CSettingsPage::StopClocks()
{
    if (pcClockTimer_ != nullptr) pcClockTimer_->stop();
    if (deviceClockTimer_ != nullptr) deviceClockTimer_->stop();
}

void CSettingsPage::ShowAlarm(bool high, double celsius)
{
    const QString text =
        QString::asprintf("%5.1f %s", celsius, LangText(app_, StringId::Celsius).toUtf8().constData());
    (high ? alarmHighNow_ : alarmLowNow_)->setText(text);
    (high ? alarmHigh_ : alarmLow_)->setText(QString::fromStdString(FixedText(celsius, 1)));
}

void CSettingsPage::ShowRead(const SettingsReadResult& read)
{
    const QString unit = LangText(app_, StringId::Celsius);
    if (read.alarmHigh) {
        const double t = AlarmHighDisplay(record_.alarmHighK);
        alarmHighNow_->setText(QString::asprintf("%5.1f ", t) + unit);
        alarmHigh_->setText(QString::fromStdString(FixedText(t, 1)));
    }
    if (read.alarmLow) {
        const double t = AlarmLowDisplay(record_.alarmLowK);
        alarmLowNow_->setText(QString::asprintf("%5.1f ", t) + unit);
        alarmLow_->setText(QString::fromStdString(FixedText(t, 1)));
    }
    if (read.emissivity) emissivity_->setText(QString::asprintf("%4.02f", record_.emissivity));
    if (read.flags) {
        clockAlarmOn_->setChecked(record_.clockAlarmOn);
        (record_.clockAlarmDaily ? everyday_ : once_)->setChecked(true);
        (record_.alarmHighOn ? highOn_ : highOff_)->setChecked(true);
        (record_.alarmLowOn ? lowOn_ : lowOff_)->setChecked(true);
    }
    if (read.clockAlarm) {
        const QTime time(record_.clockAlarmHour, record_.clockAlarmMinute);
        clockAlarmHour_->setTime(time);
        clockAlarmMinute_->setTime(time);
    }
    if (read.ringTime) ringTime_->setText(QString::number(record_.ringSeconds));
    if (read.holdTime) holdTime_->setText(QString::number(record_.holdSeconds));
    if (read.status0) (record_.resolutionTenth ? tenthDegree_ : oneDegree_)->setChecked(true);
    if (read.clock) {
        ShowDeviceClock();
        if (!deviceClockTimer_->isActive()) deviceClockTimer_->start();
    }
    const DeviceDateTime& c = record_.deviceClock;
    manualDate_->setDate(QDate(c.year, c.month, c.day));
    const QTime time(c.hour, c.minute, c.second);
    for (QTimeEdit* edit : {manualHour_, manualMinute_, manualSecond_})
        edit->setTime(time);
    typeName_->setText(Q(app_.typeName));
}

void CSettingsPage::ApplyClockAlarmRule()
{
    const bool on = clockAlarmOn_->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{clockAlarmHour_, clockAlarmMinute_, ringTime_,
                                                      ringSpin_, everyday_, once_})
        w->setEnabled(on);
}

void CSettingsPage::OnTypeNameChanged(const QString& text)
{
    std::string typed = text.toStdString();
    if (FilterTypeNameInput(typed)) {
        const QSignalBlocker block(typeName_);
        typeName_->setText(Q(typed));
        typeName_->setCursorPosition(static_cast<int>(typeName_->text().size()));
    }
    saveTypeName_->setEnabled(!typeName_->text().isEmpty());
}

void CSettingsPage::OnPcClockTick()
{
    pcClock_->setText(Q(FormatDateTime(MakeDateTimePattern(app_), FromLocalTime(std::time(nullptr)))));
}

void CSettingsPage::OnDeviceClockTick()
{
    if (suspendClock_) return;
    record_.deviceClock = AddSeconds(record_.deviceClock, 1);
    ShowDeviceClock();
}

void CSettingsPage::ShowDeviceClock()
{
    deviceClock_->setText(Q(FormatDateTime(MakeDateTimePattern(app_), record_.deviceClock)));
}

void CSettingsPage::AlarmInputProblem(int messageId, CNumericEdit* field, bool firstCharacterOnly)
{
    app_.ui->MessageBox(LoadLangString(app_, messageId), LoadLangString(app_, StringId::AppName),
                        MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    field->setFocus();
    if (firstCharacterOnly)
        field->setSelection(0, 1);
    else
        field->selectAll();
}

void CSettingsPage::OnAlarmSet()
{
    switch (CheckAlarmInput(alarmHigh_->text().toStdString(), alarmLow_->text().toStdString(), record_)) {
    case AlarmInputError::HighOutOfRange:
        return AlarmInputProblem(StringId::RangeError, alarmHigh_, true);
    case AlarmInputError::LowOutOfRange:
        return AlarmInputProblem(StringId::RangeError, alarmLow_, false);
    case AlarmInputError::Order:
        return AlarmInputProblem(StringId::OrderError, alarmHigh_, false);
    case AlarmInputError::None:
        break;
    }
    const AlarmWriteResult result =
        WriteAlarms(app_, commIO_, record_, highOn_->isChecked(), lowOn_->isChecked());
    if (result.highWritten) ShowAlarm(true, record_.alarmHighK - 273.2);
    if (result.lowWritten) ShowAlarm(false, record_.alarmLowK - 273.2);
}

void CSettingsPage::WriteClock()
{
    suspendClock_ = true;
    if (WriteDeviceClock(app_, commIO_, record_)) ShowDeviceClock();
    suspendClock_ = false;
}

void CSettingsPage::OnPcTimeSet()
{
    record_.deviceClock = FromLocalTime(std::time(nullptr));
    WriteClock();
}

void CSettingsPage::OnManualTimeSet()
{
    const QDate date = manualDate_->date();
    record_.deviceClock = {date.year(),
                           date.month(),
                           date.day(),
                           manualHour_->time().hour(),
                           manualMinute_->time().minute(),
                           manualSecond_->time().second()};
    WriteClock();
}

void CSettingsPage::OnClockAlarmSet()
{
    record_.clockAlarmHour = clockAlarmHour_->time().hour();
    record_.clockAlarmMinute = clockAlarmMinute_->time().minute();
    WriteClockAlarm(app_, commIO_, record_, ringTime_->text().toStdString(), clockAlarmOn_->isChecked(),
                    everyday_->isChecked());
}

void CSettingsPage::OnResolutionSet()
{
    WriteResolution(app_, commIO_, record_, !oneDegree_->isChecked());
}

void CSettingsPage::OnHoldTimeSet()
{
    if (WriteHoldTime(app_, commIO_, record_, holdTime_->text().toStdString()))
        holdTime_->setText(QString::number(record_.holdSeconds));
}

void CSettingsPage::OnReset()
{
    if (app_.ui->MessageBox(LoadLangString(app_, StringId::ConfirmReset),
                            LoadLangString(app_, StringId::AppName), MsgIcon::Question, MsgButtons::OkCancel,
                            MsgAnswer::Cancel) != MsgAnswer::Ok) {
        return;
    }
    std::unique_ptr<ProgressBox> progress = app_.ui->OpenProgress();
    app_.ui->EnableTabs(false);
    SettingsReadResult read;
    const bool entered = ResetToDefaults(app_, commIO_, record_, progress.get(), &read);
    progress.reset();
    app_.ui->EnableTabs(true);
    if (entered) ShowRead(read);
}

void CSettingsPage::OnTypeNameSave()
{
    WaitCursor cursor(*app_.ui);
    RegisterTypeName(app_, commIO_, typeName_->text().left(1024).toStdString());
}

void CSettingsPage::OnCsvExport()
{
    QFileDialog dialog(this, QString(), Q(csvFolder_),
                       QtNameFilter(LoadLangString(app_, StringId::CsvFilter)));
    dialog.setObjectName(QStringLiteral("csvSaveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.selectFile(Q(SettingsCsvDefaultName(app_, std::time(nullptr))));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString chosen = dialog.selectedFiles().constFirst();
    csvFolder_ = (QFileInfo(chosen).absolutePath() + QLatin1Char('/')).toStdString();
    // The line of the clock alarm shows what the pickers hold, sent or not.
    SettingsRecord shown = record_;
    shown.clockAlarmHour = clockAlarmHour_->time().hour();
    shown.clockAlarmMinute = clockAlarmMinute_->time().minute();
    shown.known.clockAlarm = true;
    ExportSettingsCsv(app_, SettingsCsvPath(chosen.toStdString()), shown);
}
