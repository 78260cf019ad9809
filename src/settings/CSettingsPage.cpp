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
#include "device/Clock.h"
#include "resources/StringIds.h"
#include "settings/TypeNames.h"
#include "ui/CNumericEdit.h"
#include "ui/ControlId.h"
#include "ui/ControlTable.h"
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
    // layout table: one row a control, as the page shows them from top left.
    const SettingsLabels labels = SettingsPageLabels(app_.language);
    const QString set = QStringLiteral("SET");
    const QString on = QStringLiteral("ON");
    const QString off = QStringLiteral("OFF");
    const auto text = [this](int id) { return LangText(app_, id); };
    using K = ControlKind;
    // clang-format off
    BuildControls(this, app_, {
        // Alarms.
        {0,    "alarmGroup",       K::Group,       {6, 2, 212, 78},     text(StringId::AlarmGroup)},
        {1321, "alarmHighLabel",   K::Label,       {12, 18, 56, 10},    Q(labels.alarmHigh)},
        {1045, "alarmHighNow",     K::Readout,     {68, 16, 46, 12},    {}, Q(labels.alarmHigh)},
        {1050, "alarmHighInput",   K::NumericEdit, {118, 16, 34, 12},   {}, Q(labels.alarmHigh), 120},
        {1052, "alarmHighOn",      K::Radio,       {156, 17, 26, 10},   on, {}, 121},
        {1053, "alarmHighOff",     K::Radio,       {182, 17, 32, 10},   off, {}, 122},
        {1322, "alarmLowLabel",    K::Label,       {12, 34, 56, 10},    Q(labels.alarmLow)},
        {1046, "alarmLowNow",      K::Readout,     {68, 32, 46, 12},    {}, Q(labels.alarmLow)},
        {1051, "alarmLowInput",    K::NumericEdit, {118, 32, 34, 12},   {}, Q(labels.alarmLow), 123},
        {1054, "alarmLowOn",       K::Radio,       {156, 33, 26, 10},   on, {}, 124},
        {1055, "alarmLowOff",      K::Radio,       {182, 33, 32, 10},   off, {}, 125},
        {1323, "emissivityLabel",  K::Label,       {12, 50, 56, 10},    Q(labels.emissivity)},
        {1044, "emissivityNow",    K::Readout,     {68, 48, 46, 12},    {}, Q(labels.emissivity)},
        {1058, "alarmSet",         K::Button,      {162, 60, 50, 14},   set, {}, 126},
        // Clock alarm.
        {1326, "clockAlarmGroup",  K::Group,       {6, 84, 212, 104},   Q(labels.clockAlarm)},
        {1092, "clockAlarmOn",     K::Check,       {12, 98, 120, 10},   text(StringId::ClockAlarmOn)},
        {0,    "alarmTimeLabel",   K::Label,       {12, 114, 80, 10},   text(StringId::AlarmTime)},
        {1072, "clockAlarmHour",   K::TimeEdit,    {96, 112, 26, 12},   QStringLiteral("HH"),
         text(StringId::ClockAlarmHourName), 134},
        {1109, "clockAlarmColon",  K::Label,       {123, 114, 4, 10},   QStringLiteral(":")},
        {1076, "clockAlarmMinute", K::TimeEdit,    {128, 112, 26, 12},  QStringLiteral("mm"),
         text(StringId::ClockAlarmMinuteName), 134},
        {1329, "ringTimeLabel",    K::Label,       {12, 132, 80, 10},   Q(labels.ringTime)},
        {1073, "ringTime",         K::NumericEdit, {96, 130, 24, 12},   {}, Q(labels.ringTime), 136},
        {1088, "ringTimeSpin",     K::Custom,      {120, 130, 9, 12}},
        {1330, "secondsLabel",     K::Label,       {132, 132, 24, 10},  Q(labels.seconds)},
        {1328, "repeatLabel",      K::Label,       {12, 150, 82, 10},   Q(labels.repeat)},
        {1074, "everyday",         K::Radio,       {96, 149, 50, 10},   Q(labels.everyday), {}, 138},
        {1075, "once",             K::Radio,       {148, 149, 44, 10},  Q(labels.once), {}, 139},
        {1065, "clockAlarmSet",    K::Button,      {162, 168, 50, 14},  set, {}, 135},
        // Type name.
        {1324, "typeNameGroup",    K::Group,       {6, 192, 212, 34},   Q(labels.typeNumber)},
        {1009, "typeName",         K::Custom,      {12, 206, 140, 12},  {}, Q(labels.typeNumber), 167},
        {1020, "typeNameSave",     K::Button,      {158, 205, 54, 14},  text(StringId::TypeNameSave), {}, 168},
        // Clocks.
        {0,    "clockGroup",       K::Group,       {224, 2, 210, 118},  text(StringId::ClockGroup)},
        {0,    "pcTimeLabel",      K::Label,       {230, 18, 52, 10},   text(StringId::PcTime)},
        {1057, "pcClock",          K::Readout,     {282, 16, 100, 12},  {}, text(StringId::PcTime), 116},
        {1059, "pcTimeSet",        K::Button,      {386, 15, 42, 14},   set, {}, 129},
        {0,    "deviceTimeLabel",  K::Label,       {230, 36, 52, 10},   text(StringId::DeviceTime)},
        {1047, "deviceClock",      K::Readout,     {282, 34, 100, 12},  {}, text(StringId::DeviceTime)},
        {0,    "manualLabel",      K::Label,       {230, 56, 120, 10},  text(StringId::ManualSetting)},
        {1048, "manualDate",       K::DateEdit,    {230, 70, 64, 12},   {}, text(StringId::DateName), 130},
        {1049, "manualHour",       K::TimeEdit,    {300, 70, 26, 12},   QStringLiteral("HH"),
         text(StringId::HourName), 131},
        {1107, "manualColon1",     K::Label,       {327, 72, 4, 10},    QStringLiteral(":")},
        {1069, "manualMinute",     K::TimeEdit,    {332, 70, 26, 12},   QStringLiteral("mm"),
         text(StringId::MinuteName), 131},
        {1108, "manualColon2",     K::Label,       {359, 72, 4, 10},    QStringLiteral(":")},
        {1070, "manualSecond",     K::TimeEdit,    {364, 70, 26, 12},   QStringLiteral("ss"),
         text(StringId::SecondName), 131},
        {1060, "manualTimeSet",    K::Button,      {386, 98, 42, 14},   set, {}, 132},
        // Resolution.
        {0,    "resolutionGroup",  K::Group,       {224, 124, 210, 42}},
        {1331, "resolutionLabel",  K::Label,       {230, 130, 140, 10}, Q(labels.resolution)},
        {1063, "oneDegree",        K::Radio,       {236, 148, 44, 10},  Q(labels.oneDegree), {}, 141},
        {1064, "tenthDegree",      K::Radio,       {284, 148, 50, 10},  Q(labels.tenthDegree), {}, 142},
        {1066, "resolutionSet",    K::Button,      {386, 146, 42, 14},  set, {}, 143},
        // Hold time.
        {0,    "holdGroup",        K::Group,       {224, 168, 210, 28}},
        {1332, "holdTimeLabel",    K::Label,       {230, 178, 70, 10},  Q(labels.holdTime)},
        {1078, "holdTime",         K::NumericEdit, {302, 176, 24, 12},  {}, Q(labels.holdTime), 144},
        {1086, "holdTimeSpin",     K::Custom,      {326, 176, 9, 12}},
        {0,    "holdSecondsLabel", K::Label,       {338, 178, 24, 10},  Q(labels.seconds)},
        {1067, "holdTimeSet",      K::Button,      {386, 175, 42, 14},  set, {}, 145},
        // Reset and export.
        {1103, "csvExport",        K::Button,      {358, 206, 22, 18},  {}, text(StringId::SaveAsCsv), 260},
        {1056, "reset",            K::Button,      {386, 208, 42, 14},  text(StringId::ResetButton), {}, 117},
    }, [this](const ControlRow& row) -> QWidget* {
        switch (row.id) {
        // The spin buttons step the edit made just before them.
        case 1088: return new CSpinButtons(static_cast<QLineEdit*>(FindControl(this, 1073)), 3, 10, this);
        case 1086: return new CSpinButtons(static_cast<QLineEdit*>(FindControl(this, 1078)), 1, 20, this);
        default: return new QLineEdit(this);
        }
    });
    // clang-format on
    TakeControls();
    SetUpControls();
}

// The members that the page's work reaches, found by their ids.
void CSettingsPage::TakeControls()
{
    const auto take = [this]<typename T>(T*& member, int id) {
        member = static_cast<T*>(FindControl(this, id));
    };
    take(alarmHighNow_, 1045);
    take(alarmHigh_, 1050);
    take(highOn_, 1052);
    take(highOff_, 1053);
    take(alarmLowNow_, 1046);
    take(alarmLow_, 1051);
    take(lowOn_, 1054);
    take(lowOff_, 1055);
    take(emissivity_, 1044);
    take(clockAlarmOn_, 1092);
    take(clockAlarmHour_, 1072);
    take(clockAlarmMinute_, 1076);
    take(ringTime_, 1073);
    take(ringSpin_, 1088);
    take(everyday_, 1074);
    take(once_, 1075);
    take(typeName_, 1009);
    take(saveTypeName_, 1020);
    take(pcClock_, 1057);
    take(deviceClock_, 1047);
    take(manualDate_, 1048);
    take(manualHour_, 1049);
    take(manualMinute_, 1069);
    take(manualSecond_, 1070);
    take(oneDegree_, 1063);
    take(tenthDegree_, 1064);
    take(holdTime_, 1078);
    take(holdSpin_, 1086);
}

// Button groups, ranges and formats of the edits, icons, and the work of each control.
void CSettingsPage::SetUpControls()
{
    for (const auto& [first, second] : {std::pair{highOn_, highOff_}, std::pair{lowOn_, lowOff_},
                                        std::pair{everyday_, once_}, std::pair{oneDegree_, tenthDegree_}}) {
        auto* buttons = new QButtonGroup(this);
        buttons->addButton(first);
        buttons->addButton(second);
        first->setChecked(true);
    }
    for (CNumericEdit* edit : {alarmHigh_, alarmLow_}) {
        edit->SetDoubleRange(-30.0, 600.0);
        edit->SetFormat(2, "%.1f");
    }
    ringTime_->SetIntRange(3, 10);
    ringTime_->SetFormat(1, "%d");
    holdTime_->SetIntRange(1, 20);
    holdTime_->SetFormat(1, "%d");
    // The emissivity is read and exported; the teaching page is where it is shown and changed.
    FindControl(this, 1323)->hide();
    emissivity_->hide();
    typeName_->setMaxLength(40);
    auto* csv = static_cast<QPushButton*>(FindControl(this, 1103));
    csv->setIcon(Icons::Save());
    csv->setIconSize(DialogUnits(font()).Size(14, 12));

    connect(clockAlarmOn_, &QCheckBox::toggled, this, &CSettingsPage::ApplyClockAlarmRule);
    connect(typeName_, &QLineEdit::textChanged, this, &CSettingsPage::OnTypeNameChanged);
    const std::pair<int, void (CSettingsPage::*)()> clicks[] = {
        {1058, &CSettingsPage::OnAlarmSet},      {1065, &CSettingsPage::OnClockAlarmSet},
        {1020, &CSettingsPage::OnTypeNameSave},  {1059, &CSettingsPage::OnPcTimeSet},
        {1060, &CSettingsPage::OnManualTimeSet}, {1066, &CSettingsPage::OnResolutionSet},
        {1067, &CSettingsPage::OnHoldTimeSet},   {1103, &CSettingsPage::OnCsvExport},
        {1056, &CSettingsPage::OnReset}};
    for (const auto& [id, slot] : clicks)
        connect(static_cast<QPushButton*>(FindControl(this, id)), &QPushButton::clicked, this, slot);

    OnTypeNameChanged(typeName_->text());
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
    pcClock_->setText(Q(FormatDateTime(MakeDateTimePattern(app_), FromLocalTime(app_.clock->WallTime()))));
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
    record_.deviceClock = FromLocalTime(app_.clock->WallTime());
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
    dialog.selectFile(Q(SettingsCsvDefaultName(app_, app_.clock->WallTime())));
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
