#include "capture/CCapturePage.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <QTimer>

#include <algorithm>
#include <climits>

#include "app/AppState.h"
#include "app/LangString.h"
#include "app/UserInterface.h"
#include "capture/CaptureTimerPanel.h"
#include "capture/JournalRecovery.h"
#include "capture/QtGraphCanvas.h"
#include "capture/RecordingSaveDialog.h"
#include "device/CommandLog.h"
#include "resources/StringIds.h"
#include "ui/CNumericEdit.h"
#include "ui/ControlId.h"
#include "ui/ControlTable.h"
#include "ui/DialogUnits.h"
#include "ui/Icons.h"
#include "ui/LangWidgets.h"
#include "ui/WallClock.h"

namespace {

// The graph is drawn shorter on the English page than on the Japanese one.
int GraphHeight(const AppState& app)
{
    return app.language == 1 ? 209 : 225;
}

double ToDisplay(double celsius, bool fahrenheit)
{
    return fahrenheit ? celsius * 1.8 + 32 : celsius;
}

double FromDisplay(double value, bool fahrenheit)
{
    return fahrenheit ? (value - 32) * 0.5555555555555556 : value;
}

} // namespace

CCapturePage::CCapturePage(AppState& app, QWidget* parent)
    : CPage(parent), app_(app), recorder_(std::make_unique<CaptureRecorder>(app))
{
    setObjectName(QStringLiteral("capturePage"));
    setFont(DialogFont());
    recorder_->ReadSettings();
    CreateControls();

    const QSize client = graphFrame_->contentsRect().size();
    canvas_ = std::make_unique<QtGraphCanvas>(client.width(), client.height());
    canvas_->onPresent = [this] { graphFrame_->update(); };
    graphFrame_->image = &canvas_->Image();
    CaptureGraph& graph = recorder_->Graph();
    graph.SetCanvas(canvas_.get(), client.width(), client.height());
    graph.DrawAxes();
    graph.Present();

    recorder_->beforeRun = [this] { ReadScaleControls(); };

    saveFolder_ = app_.desktopDir;
    connect(saveButton_, &QPushButton::clicked, this, &CCapturePage::SaveRecording);
    timerPanel_ =
        std::make_unique<CaptureTimerPanel>(app_, timerBox_, startDate_, endDate_, timerTimes_, timerStatus_);
    timerPanel_->startCapture = [this] { StartCapture(); };
    timerPanel_->stopCapture = [this] { StopCapture(); };

    clockTimer_ = new QTimer(this);
    clockTimer_->setInterval(500);
    connect(clockTimer_, &QTimer::timeout, this, &CCapturePage::OnClockTimer);
    sampleTimer_ = new QTimer(this);
    sampleTimer_->setInterval(100);
    connect(sampleTimer_, &QTimer::timeout, this, &CCapturePage::OnSampleTimer);

    OnClockTimer();
    UpdateUnitTexts();
    ShowCurrentValues();
    RefreshControls();
}

CCapturePage::~CCapturePage()
{
    recorder_->Halt();
}

void CCapturePage::CreateControls()
{
    const auto text = [this](int id) { return LangText(app_, id); };
    const QString hh = QStringLiteral("HH"), mm = QStringLiteral("mm"), ss = QStringLiteral("ss");
    const int graphHeight = GraphHeight(app_);
    const int below = 12 + graphHeight + 3; // the time axis's row under the graph
    constexpr int cx = 349;                 // the right-hand column
    using K = ControlKind;
    // clang-format off
    BuildControls(this, app_, {
        // The graph and its captions.
        {1143, "tempCaption",     K::Label,       {4, 2, 60, 9},            text(StringId::TempCaption)},
        {1144, "unitCaption",     K::Label,       {64, 2, 40, 9}},
        {1091, "graphFrame",      K::Custom,      {4, 12, 340, graphHeight}, {}, text(StringId::GraphName)},
        {1126, "timeCaption",     K::Label,       {4, below + 2, 90, 9},    text(StringId::TimeCaption)},
        {1129, "timeAutoScale",   K::Check,       {150, below, 40, 12},     text(StringId::AutoScale)},
        {1130, "timeRange",       K::NumericEdit, {194, below, 30, 12},     {}, text(StringId::TimeRangeName)},
        {1009, "timeUnit",        K::Combo,       {228, below, 44, 12},     {}, text(StringId::TimeUnitName)},
        // REC, PAUSE, DELETE and SAVE.
        {1001, "recButton",       K::Button,      {cx, 2, 20, 18},          {}, QStringLiteral("REC"), 107},
        {1004, "pauseButton",     K::Button,      {cx + 21, 2, 20, 18},     {}, QStringLiteral("PAUSE"), 109},
        {1003, "deleteButton",    K::Button,      {cx + 42, 2, 20, 18},     {}, QStringLiteral("DELETE"), 108},
        {1103, "saveButton",      K::Button,      {cx + 63, 2, 20, 18},     {}, QStringLiteral("SAVE"), 200},
        // The sampling interval.
        {0,    nullptr,           K::Label,       {cx, 22, 80, 9},          text(StringId::IntervalCaption)},
        {1106, "intervalHours",   K::TimeEdit,    {cx, 31, 24, 12},         hh, text(StringId::IntervalHoursName), 255},
        {0,    nullptr,           K::Colon,       {cx + 25, 31, 4, 12}},
        {1107, "intervalMinutes", K::TimeEdit,    {cx + 29, 31, 24, 12},    mm, text(StringId::IntervalMinutesName), 256},
        {0,    nullptr,           K::Colon,       {cx + 54, 31, 4, 12}},
        {1108, "intervalSeconds", K::TimeEdit,    {cx + 58, 31, 24, 12},    ss, text(StringId::IntervalSecondsName), 257},
        {1119, "hundredMs",       K::Check,       {cx, 45, 12, 12},         {}, text(StringId::HundredMsName), 230},
        {1008, "milliseconds",    K::Combo,       {cx + 14, 45, 40, 12},    {}, text(StringId::MillisecondsName)},
        {0,    nullptr,           K::Label,       {cx + 57, 46, 20, 10},    QStringLiteral("ms")},
        // The latest values and the thermometer's settings: caption, value, unit.
        {0,    nullptr,           K::Label,       {cx, 60, 40, 10},         text(StringId::MeasuredTempCaption)},
        {1105, "currentTemp",     K::Label,       {cx + 40, 60, 30, 10}},
        {1148, "tempUnit",        K::Label,       {cx + 72, 60, 14, 10}},
        {0,    nullptr,           K::Label,       {cx, 72, 40, 10},         text(StringId::RoomTempCaption)},
        {1104, "roomTemp",        K::Label,       {cx + 40, 72, 30, 10}},
        {1149, "roomUnit",        K::Label,       {cx + 72, 72, 14, 10}},
        {0,    nullptr,           K::Label,       {cx, 84, 40, 10},         text(StringId::AlarmHighCaption)},
        {1121, "alarmHigh",       K::Label,       {cx + 40, 84, 30, 10}},
        {1150, "alarmHighUnit",   K::Label,       {cx + 72, 84, 14, 10}},
        {0,    nullptr,           K::Label,       {cx, 96, 40, 10},         text(StringId::AlarmLowCaption)},
        {1120, "alarmLow",        K::Label,       {cx + 40, 96, 30, 10}},
        {1151, "alarmLowUnit",    K::Label,       {cx + 72, 96, 14, 10}},
        {0,    nullptr,           K::Label,       {cx, 108, 40, 10},        text(StringId::EmissivityCaption)},
        {1128, "emissivity",      K::Label,       {cx + 40, 108, 30, 10}},
        {1007, "clock",           K::Label,       {cx - 2, 121, 88, 10}},
        // The timed start and end (their behaviour belongs to the capture timer).
        {1102, "timerBox",        K::Button,      {cx, 133, 20, 18},        {}, text(StringId::TimerName), 202},
        {1127, "timerStatus",     K::Label,       {cx + 22, 136, 62, 12},   text(224)},
        {1098, "startDate",       K::DateEdit,    {cx, 153, 84, 12},        {}, text(StringId::StartDateName), 203},
        {1099, "startHour",       K::TimeEdit,    {cx, 166, 24, 12},        hh, text(249), 249},
        {0,    nullptr,           K::Colon,       {cx + 25, 166, 4, 12}},
        {1111, "startMinute",     K::TimeEdit,    {cx + 29, 166, 24, 12},   mm, text(250), 250},
        {0,    nullptr,           K::Colon,       {cx + 54, 166, 4, 12}},
        {1112, "startSecond",     K::TimeEdit,    {cx + 58, 166, 24, 12},   ss, text(251), 251},
        {1100, "endDate",         K::DateEdit,    {cx, 180, 84, 12},        {}, text(StringId::EndDateName), 205},
        {1101, "endHour",         K::TimeEdit,    {cx, 193, 24, 12},        hh, text(252), 252},
        {0,    nullptr,           K::Colon,       {cx + 25, 193, 4, 12}},
        {1113, "endMinute",       K::TimeEdit,    {cx + 29, 193, 24, 12},   mm, text(253), 253},
        {0,    nullptr,           K::Colon,       {cx + 54, 193, 4, 12}},
        {1114, "endSecond",       K::TimeEdit,    {cx + 58, 193, 24, 12},   ss, text(254), 254},
        // Temperature scale and unit.
        {1122, "tempAutoScale",   K::Check,       {cx, 209, 36, 12},        text(StringId::AutoScale), {}, 231},
        {1333, "celsius",         K::Radio,       {cx + 38, 209, 22, 12},   QStringLiteral("°C")},
        {1334, "fahrenheit",      K::Radio,       {cx + 61, 209, 22, 12},   QStringLiteral("°F")},
        {0,    nullptr,           K::Label,       {cx, 223, 20, 12},        QStringLiteral("Max")},
        {1123, "scaleMax",        K::NumericEdit, {cx + 20, 223, 40, 12},   {}, {}, 232},
        {1335, "scaleMaxUnit",    K::Label,       {cx + 62, 224, 20, 10}},
        {0,    nullptr,           K::Label,       {cx, 237, 20, 12},        QStringLiteral("Min")},
        {1124, "scaleMin",        K::NumericEdit, {cx + 20, 237, 40, 12},   {}, {}, 233},
        {1336, "scaleMinUnit",    K::Label,       {cx + 62, 238, 20, 10}},
        {1125, "applyButton",     K::Button,      {cx + 40, 251, 44, 13},   text(StringId::Apply), {}, 234},
    }, [this](const ControlRow&) -> QWidget* { return new GraphFrame(this); });
    // clang-format on
    TakeControls();
    SetUpControls();
}

void CCapturePage::TakeControls()
{
    const auto take = [this]<typename T>(T*& member, int id) {
        member = static_cast<T*>(FindControl(this, id));
    };
    // clang-format off
    take(graphFrame_, 1091);     take(timeAuto_, 1129);        take(timeRange_, 1130);       take(timeUnit_, 1009);
    take(recButton_, 1001);      take(pauseButton_, 1004);     take(deleteButton_, 1003);    take(saveButton_, 1103);
    take(intervalHours_, 1106);  take(intervalMinutes_, 1107); take(intervalSeconds_, 1108);
    take(hundredMs_, 1119);      take(milliseconds_, 1008);
    take(currentTemp_, 1105);    take(currentRoomTemp_, 1104); take(alarmHigh_, 1121);       take(alarmLow_, 1120);
    take(emissivity_, 1128);     take(clock_, 1007);           take(timerBox_, 1102);        take(timerStatus_, 1127);
    take(startDate_, 1098);      take(timerTimes_[0], 1099);   take(timerTimes_[1], 1111);   take(timerTimes_[2], 1112);
    take(endDate_, 1100);        take(timerTimes_[3], 1101);   take(timerTimes_[4], 1113);   take(timerTimes_[5], 1114);
    take(tempAuto_, 1122);       take(celsius_, 1333);         take(fahrenheit_, 1334);
    take(scaleMax_, 1123);       take(scaleMin_, 1124);        take(apply_, 1125);           take(unitCaption_, 1144);
    take(unitLabels_[0], 1148);  take(unitLabels_[1], 1149);   take(unitLabels_[2], 1150);   take(unitLabels_[3], 1151);
    take(unitLabels_[4], 1335);  take(unitLabels_[5], 1336);
    // clang-format on
}

void CCapturePage::SetUpControls()
{
    const DialogUnits du(font());
    const std::pair<QPushButton*, QIcon> icons[] = {{recButton_, Icons::Record()},
                                                    {pauseButton_, Icons::Pause()},
                                                    {deleteButton_, Icons::Delete()},
                                                    {saveButton_, Icons::Save()},
                                                    {timerBox_, Icons::Timer()}};
    for (const auto& [button, icon] : icons) {
        button->setIcon(icon);
        button->setIconSize(QSize(du.Y(13), du.Y(13)));
    }
    timerBox_->setCheckable(true);
    for (QTimeEdit* t : {intervalHours_, intervalMinutes_, intervalSeconds_})
        t->setTime(QTime(0, 0, 0));
    for (int i = 1; i <= 9; ++i)
        milliseconds_->addItem(QString::number(100 * i));
    milliseconds_->setCurrentIndex(4);
    hundredMs_->setChecked(true);
    for (QLabel* value : {currentTemp_, currentRoomTemp_, alarmHigh_, alarmLow_, emissivity_})
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    timerStatus_->setAlignment(Qt::AlignCenter);
    timerStatus_->setAutoFillBackground(true);
    timeAuto_->setChecked(true);
    timeRange_->SetIntRange(1, 60);
    timeRange_->SetFormat(1, "%d");
    for (int id : {241, 242, 153})
        timeUnit_->addItem(LangText(app_, id));
    timeUnit_->setCurrentIndex(2);
    tempAuto_->setChecked(true);
    celsius_->setChecked(true);
    if (app_.language != 1) {
        // The Japanese page always shows degC.
        for (QRadioButton* unit : {celsius_, fahrenheit_}) {
            unit->hide();
            unit->setEnabled(false);
        }
    }
    for (CNumericEdit* edit : {scaleMax_, scaleMin_})
        edit->SetFormat(2, "%.1f");
    apply_->setEnabled(false);

    connect(recButton_, &QPushButton::clicked, this, &CCapturePage::StartCapture);
    connect(pauseButton_, &QPushButton::clicked, this, &CCapturePage::StopCapture);
    connect(deleteButton_, &QPushButton::clicked, this, &CCapturePage::DeleteRecording);
    connect(hundredMs_, &QCheckBox::toggled, this, [this] { RefreshControls(); });
    connect(tempAuto_, &QCheckBox::toggled, this, &CCapturePage::OnAutoScaleToggled);
    connect(timeAuto_, &QCheckBox::toggled, this, &CCapturePage::OnTimeAutoToggled);
    connect(scaleMax_, &QLineEdit::textChanged, this, &CCapturePage::OnScaleEdited);
    connect(scaleMin_, &QLineEdit::textChanged, this, &CCapturePage::OnScaleEdited);
    connect(apply_, &QPushButton::clicked, this, &CCapturePage::ApplyScale);
    connect(timeUnit_, &QComboBox::currentIndexChanged, this, &CCapturePage::OnTimeUnitChosen);
    // Only the newly checked unit button acts; the one it replaces is unchecked in the same change.
    connect(celsius_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) OnUnitChosen(false);
    });
    connect(fahrenheit_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) OnUnitChosen(true);
    });
    ShowScales();
}

const QImage& CCapturePage::GraphImage() const
{
    return canvas_ ? canvas_->Image() : emptyImage_;
}

int32_t CCapturePage::ComputeInterval() const
{
    IntervalSetting setting;
    setting.hours = intervalHours_->time().hour();
    setting.minutes = intervalMinutes_->time().minute();
    setting.seconds = intervalSeconds_->time().second();
    setting.addMilliseconds = hundredMs_->isChecked();
    setting.millisecondIndex = milliseconds_->currentIndex();
    return ::ComputeInterval(setting);
}

void CCapturePage::RefreshControls()
{
    const CaptureState state = recorder_->State();
    const CaptureControls c = ControlsFor(state, recorder_->Data().HasBuffer(), timerPanel_->Waiting());
    recButton_->setEnabled(c.rec);
    pauseButton_->setEnabled(c.pause);
    deleteButton_->setEnabled(c.del);
    saveButton_->setEnabled(c.save);
    timerBox_->setEnabled(c.timerBox);
    for (QWidget* w : {static_cast<QWidget*>(intervalHours_), static_cast<QWidget*>(intervalMinutes_),
                       static_cast<QWidget*>(intervalSeconds_), static_cast<QWidget*>(hundredMs_)})
        w->setEnabled(c.interval);
    milliseconds_->setEnabled(c.interval && hundredMs_->isChecked());
    timerPanel_->EnablePickers(c.timerPickers);
    recButton_->setIcon(state == CaptureState::Recording && !recorder_->Data().RecIconShown()
                            ? Icons::Empty()
                            : Icons::Record());
    if (state != CaptureState::Paused) pauseButton_->setIcon(Icons::Pause());
}

void CCapturePage::ShowCurrentValues()
{
    const bool f = recorder_->Graph().fahrenheit;
    if (recorder_->Data().HasCurrent()) {
        currentTemp_->setText(QString::asprintf("%.1f", ToDisplay(recorder_->Data().CurrentTemp(), f)));
        currentRoomTemp_->setText(
            QString::asprintf("%.1f", ToDisplay(recorder_->Data().CurrentRoomTemp(), f)));
    } else {
        currentTemp_->setText(QStringLiteral("---"));
        currentRoomTemp_->setText(QStringLiteral("---"));
    }
    const bool alarm = recorder_->Graph().alarmState != 0;
    QPalette p = currentTemp_->palette();
    p.setColor(QPalette::WindowText, alarm ? QColor(255, 0, 0) : QColor(0, 0, 0));
    currentTemp_->setPalette(p);
}

void CCapturePage::ShowAlarmSettings()
{
    const bool f = recorder_->Graph().fahrenheit;
    alarmHigh_->setText(QString::asprintf("%5.1f", ToDisplay(recorder_->Device().Alarms().high, f)));
    alarmLow_->setText(QString::asprintf("%5.1f", ToDisplay(recorder_->Device().Alarms().low, f)));
    emissivity_->setText(QString::asprintf("%4.2f", recorder_->Device().Alarms().emissivity));
}

void CCapturePage::ShowScales()
{
    const CaptureGraph& graph = recorder_->Graph();
    const bool f = graph.fahrenheit;
    scaleMax_->SetDoubleRange(f ? -22.0 : -30.0, f ? 1112.0 : 600.0);
    scaleMin_->SetDoubleRange(f ? -22.0 : -30.0, f ? 1112.0 : 600.0);
    scaleMax_->setText(QString::asprintf("%.1f", ToDisplay(graph.yMax, f)));
    scaleMin_->setText(QString::asprintf("%.1f", ToDisplay(graph.yMin, f)));
    // The range as the axis shows it: in the largest unit that holds it whole, and from 100 hours
    // on in whole hours (within half a percent). The automatic range doubles past the edit's
    // usual 60, so the edit's limit stretches to hold it rather than clip it.
    const int64_t seconds = graph.xRange / 10;
    int unit = 2;
    int64_t value = seconds;
    if (seconds > 60 && (seconds % 3600 == 0 || seconds >= 100 * 3600)) {
        unit = 0;
        value = (seconds + 1800) / 3600;
    } else if (seconds > 60 && seconds % 60 == 0) {
        unit = 1;
        value = seconds / 60;
    }
    timeUnit_->setCurrentIndex(unit);
    timeRange_->SetIntRange(1, static_cast<int>(std::clamp<int64_t>(value, 60, INT_MAX)));
    timeRange_->setText(QString::number(value));
}

void CCapturePage::ReadScaleControls()
{
    CaptureGraph& graph = recorder_->Graph();
    if (!graph.tempAuto) {
        bool okMax = false;
        bool okMin = false;
        const double maximum = scaleMax_->text().toDouble(&okMax);
        const double minimum = scaleMin_->text().toDouble(&okMin);
        if (okMax && okMin)
            graph.SetManualTemp(FromDisplay(maximum, graph.fahrenheit),
                                FromDisplay(minimum, graph.fahrenheit));
    }
    if (!graph.timeAuto) {
        int64_t n = timeRange_->text().toLongLong();
        if (timeUnit_->currentIndex() == 0) n *= 3600;
        if (timeUnit_->currentIndex() == 1) n *= 60;
        graph.SetManualRange(n * 10);
    }
}

void CCapturePage::ApplyScale()
{
    ReadScaleControls();
    recorder_->Graph().Redraw(recorder_->Samples(), recorder_->SampleCount(), recorder_->IntervalTicks());
    ShowScales();
}

void CCapturePage::UpdateUnitTexts()
{
    const bool f = recorder_->Graph().fahrenheit;
    const QString unit = LangText(app_, f ? StringId::Fahrenheit : StringId::Celsius);
    for (QLabel* l : unitLabels_)
        l->setText(unit);
    unitCaption_->setText(QStringLiteral("(%1)").arg(unit));
    ShowAlarmSettings();
    ShowScales();
}

void CCapturePage::PageShown()
{
    DeviceGuard guard(app_);
    if (!guard.Acquired()) return;
    WaitCursor wait(*app_.ui);
    if (!clockTimer_->isActive()) clockTimer_->start();
    recorder_->ReadAlarmSettings();
    ShowAlarmSettings();
    recorder_->Graph().DrawAxes();
    recorder_->Graph().ReplotSamples(recorder_->Samples(), recorder_->SampleCount(),
                                     recorder_->IntervalTicks());
    recorder_->Graph().Present();
    const QTime now = LocalNow(app_).time();
    for (QTimeEdit* t : timerTimes_)
        t->setTime(QTime(now.hour(), now.minute(), 0));
    SetStatusText(app_, LoadLangString(app_, StringId::StandBy));
}

void CCapturePage::PageHidden()
{
    clockTimer_->stop();
    if (recorder_->Sampling()) {
        sampleTimer_->stop();
        recorder_->Halt();
    }
}

void CCapturePage::WindowClosing()
{
    clockTimer_->stop();
    sampleTimer_->stop();
    recorder_->Close();
}

void CCapturePage::Beep()
{
    QApplication::beep();
}

void CCapturePage::StartCapture()
{
    if (recorder_->Sampling()) {
        Beep();
        return;
    }
    // A manual start replaces a pending timed one.
    if (timerPanel_->Waiting()) timerPanel_->CancelTimer();
    const CaptureRecorder::StartResult result = recorder_->StartCapture(ComputeInterval());
    if (result == CaptureRecorder::StartResult::Started) {
        ShowScales();
        sampleTimer_->start();
    }
    ShowCurrentValues();
    RefreshControls();
}

void CCapturePage::StopCapture()
{
    if (!recorder_->Sampling()) {
        Beep();
        return;
    }
    sampleTimer_->stop();
    timerPanel_->Paused();
    recorder_->StopCapture();
    pauseBlink_ = 0;
    ShowCurrentValues();
    RefreshControls();
}

void CCapturePage::DeleteRecording()
{
    if (!recorder_->DeleteRecording()) return;
    ShowCurrentValues();
    RefreshControls();
}

void CCapturePage::OfferRecoveredRecording()
{
    if (recorder_->State() != CaptureState::Ready) return;
    if (!OfferRecoveredJournal(app_, *recorder_)) return;
    // REC continues at the interval the recording was taken at; the controls stay disabled while
    // it is held, so they show it and give it back.
    const IntervalSetting interval = IntervalSettingOf(recorder_->IntervalTicks());
    intervalHours_->setTime(QTime(interval.hours, 0, 0));
    intervalMinutes_->setTime(QTime(0, interval.minutes, 0));
    intervalSeconds_->setTime(QTime(0, 0, interval.seconds));
    hundredMs_->setChecked(interval.addMilliseconds);
    milliseconds_->setCurrentIndex(interval.millisecondIndex);
    // The recording keeps the unit it was taken in.
    const bool fahrenheit = recorder_->Graph().fahrenheit;
    QSignalBlocker blockF(fahrenheit_);
    QSignalBlocker blockC(celsius_);
    fahrenheit_->setChecked(fahrenheit);
    celsius_->setChecked(!fahrenheit);
    UpdateUnitTexts();
    ShowScales();
    ShowCurrentValues();
    recorder_->Graph().Redraw(recorder_->Samples(), recorder_->SampleCount(), recorder_->IntervalTicks());
    RefreshControls();
}

void CCapturePage::SaveRecording()
{
    if (recorder_->State() != CaptureState::Paused) return;
    if (::SaveRecording(app_, window(), saveFolder_, recorder_->Snapshot(), GraphImage())) {
        recorder_->RecordingSaved();
    }
}

void CCapturePage::OnClockTimer()
{
    clock_->setText(LocalNow(app_).toString(QStringLiteral(" yyyy/MM/dd HH:mm:ss")));
    timerPanel_->CheckTimerStart();
    if (recorder_->State() == CaptureState::Paused) {
        // PAUSE blinks once a second while a recording is held.
        pauseBlink_ = pauseBlink_ + 1;
        if (pauseBlink_ == 1) pauseButton_->setIcon(Icons::Pause());
        if (pauseBlink_ >= 2) {
            pauseButton_->setIcon(Icons::Empty());
            pauseBlink_ = 0;
        }
    }
}

void CCapturePage::OnSampleTimer()
{
    const int32_t before = recorder_->SampleCount();
    const CaptureGraph& graph = recorder_->Graph();
    const double yMax = graph.yMax;
    const double yMin = graph.yMin;
    const int64_t xRange = graph.xRange;
    recorder_->Tick();
    if (!recorder_->Sampling()) {
        // The buffer filled up and the recording paused itself.
        sampleTimer_->stop();
        timerPanel_->Paused();
    } else {
        timerPanel_->CheckTimerEnd(recorder_->Tenths());
        if (!recorder_->Sampling()) return; // the timer's end stopped the recording
    }
    if (recorder_->SampleCount() != before || !recorder_->Sampling()) ShowCurrentValues();
    if (graph.yMax != yMax || graph.yMin != yMin || graph.xRange != xRange) ShowScales();
    RefreshControls();
}

void CCapturePage::OnAutoScaleToggled()
{
    CaptureGraph& graph = recorder_->Graph();
    graph.tempAuto = tempAuto_->isChecked();
    graph.timeAuto = timeAuto_->isChecked();
    apply_->setEnabled(!graph.tempAuto || !graph.timeAuto);
    if (graph.tempAuto && recorder_->Data().HasCurrent() &&
        graph.AutoScaleTemp(recorder_->Data().CurrentTemp())) {
        graph.Redraw(recorder_->Samples(), recorder_->SampleCount(), recorder_->IntervalTicks());
        ShowScales();
    }
}

void CCapturePage::OnTimeAutoToggled()
{
    CaptureGraph& graph = recorder_->Graph();
    graph.tempAuto = tempAuto_->isChecked();
    graph.timeAuto = timeAuto_->isChecked();
    apply_->setEnabled(!graph.tempAuto || !graph.timeAuto);
    if (!graph.timeAuto) return;
    const int64_t elapsed = static_cast<int64_t>(recorder_->SampleCount()) * recorder_->IntervalTicks();
    while (graph.xRange <= elapsed) {
        graph.xRange *= 2;
        graph.gridStep *= 2;
    }
    graph.Redraw(recorder_->Samples(), recorder_->SampleCount(), recorder_->IntervalTicks());
    ShowScales();
}

void CCapturePage::OnScaleEdited()
{
    bool okMax = false;
    bool okMin = false;
    const double maximum = scaleMax_->text().toDouble(&okMax);
    const double minimum = scaleMin_->text().toDouble(&okMin);
    if (!okMax || !okMin || maximum <= minimum) {
        apply_->setEnabled(false);
    } else if (!recorder_->Graph().tempAuto) {
        apply_->setEnabled(true);
    }
}

void CCapturePage::OnTimeUnitChosen(int index)
{
    if (index == 0 && timeRange_->text().toInt() > 24) timeRange_->setText(QStringLiteral("24"));
}

void CCapturePage::OnUnitChosen(bool fahrenheit)
{
    recorder_->Graph().fahrenheit = fahrenheit;
    UpdateUnitTexts();
    ShowCurrentValues();
    recorder_->Graph().Redraw(recorder_->Samples(), recorder_->SampleCount(), recorder_->IntervalTicks());
}
