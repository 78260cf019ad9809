#include "capture/CCapturePage.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <cmath>

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
#include "ui/DialogUnits.h"
#include "ui/Icons.h"
#include "ui/LangWidgets.h"

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

// The white frame the graph picture is shown in.
class GraphFrame : public QFrame {
public:
    explicit GraphFrame(QWidget* parent) : QFrame(parent)
    {
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(1);
        QPalette p = palette();
        p.setColor(QPalette::WindowText, Qt::white);
        setPalette(p);
    }
    const QImage* image = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QFrame::paintEvent(event);
        if (image == nullptr) return;
        QPainter painter(this);
        painter.drawImage(contentsRect().topLeft(), *image);
    }
};

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
    const DialogUnits du(font());
    const bool english = app_.language == 1;
    auto label = [&](const QString& text, int x, int y, int w, int h, int id = 0,
                     const char* name = nullptr) {
        auto* l = new QLabel(text, this);
        l->setGeometry(du.Rect(x, y, w, h));
        l->setTextFormat(Qt::PlainText);
        if (id != 0) SetControlId(l, id, QString::fromLatin1(name));
        return l;
    };
    auto iconButton = [&](const QIcon& icon, int id, const char* name, const QString& accessible, int x,
                          int y) {
        auto* b = new QPushButton(this);
        SetControlId(b, id, QString::fromLatin1(name));
        b->setGeometry(du.Rect(x, y, 20, 18));
        b->setIcon(icon);
        b->setIconSize(QSize(du.Y(13), du.Y(13)));
        b->setAutoDefault(false);
        b->setAccessibleName(accessible);
        return b;
    };
    auto timeEdit = [&](const QString& format, int id, const char* name, const QString& accessible, int x,
                        int y) {
        auto* t = new QTimeEdit(this);
        SetControlId(t, id, QString::fromLatin1(name));
        t->setDisplayFormat(format);
        t->setGeometry(du.Rect(x, y, 24, 12));
        t->setAccessibleName(accessible);
        return t;
    };
    auto colon = [&](int x, int y) {
        auto* c = label(QStringLiteral(":"), x, y, 4, 12);
        c->setFixedSize(6, 12);
        c->move(du.X(x), du.Y(y) + (du.Y(12) - 12) / 2);
    };

    // The graph and its captions.
    const int graphHeight = GraphHeight(app_);
    label(LangText(app_, StringId::TempCaption), 4, 2, 60, 9, 1143, "tempCaption");
    unitCaption_ = label(QString(), 64, 2, 40, 9, 1144, "unitCaption");
    graphFrame_ = new GraphFrame(this);
    SetControlId(graphFrame_, 1091, QStringLiteral("graphFrame"));
    graphFrame_->setGeometry(du.Rect(4, 12, 340, graphHeight));
    graphFrame_->setAccessibleName(LangText(app_, StringId::GraphName));
    const int below = 12 + graphHeight + 3;
    label(LangText(app_, StringId::TimeCaption), 4, below + 2, 90, 9, 1126, "timeCaption");
    timeAuto_ = new QCheckBox(LangText(app_, StringId::AutoScale), this);
    SetControlId(timeAuto_, 1129, QStringLiteral("timeAutoScale"));
    timeAuto_->setGeometry(du.Rect(150, below, 40, 12));
    timeAuto_->setChecked(true);
    timeRange_ = new CNumericEdit(this);
    SetControlId(timeRange_, 1130, QStringLiteral("timeRange"));
    timeRange_->setGeometry(du.Rect(194, below, 30, 12));
    timeRange_->SetIntRange(1, 60);
    timeRange_->SetFormat(1, "%d");
    timeRange_->SuppressImeOnFocus(app_);
    timeRange_->setAccessibleName(LangText(app_, StringId::TimeRangeName));
    timeUnit_ = new QComboBox(this);
    SetControlId(timeUnit_, 1009, QStringLiteral("timeUnit"));
    timeUnit_->setGeometry(du.Rect(228, below, 44, 12));
    for (int id : {241, 242, 153})
        timeUnit_->addItem(LangText(app_, id));
    timeUnit_->setCurrentIndex(2);
    timeUnit_->setAccessibleName(LangText(app_, StringId::TimeUnitName));

    // Right column: the four recording buttons.
    const int cx = 349;
    recButton_ = iconButton(Icons::Record(), 1001, "recButton", QStringLiteral("REC"), cx, 2);
    pauseButton_ = iconButton(Icons::Pause(), 1004, "pauseButton", QStringLiteral("PAUSE"), cx + 21, 2);
    deleteButton_ = iconButton(Icons::Delete(), 1003, "deleteButton", QStringLiteral("DELETE"), cx + 42, 2);
    saveButton_ = iconButton(Icons::Save(), 1103, "saveButton", QStringLiteral("SAVE"), cx + 63, 2);
    AddLangTool(recButton_, app_, 107);
    AddLangTool(pauseButton_, app_, 109);
    AddLangTool(deleteButton_, app_, 108);
    AddLangTool(saveButton_, app_, 200);
    connect(recButton_, &QPushButton::clicked, this, &CCapturePage::StartCapture);
    connect(pauseButton_, &QPushButton::clicked, this, &CCapturePage::StopCapture);
    connect(deleteButton_, &QPushButton::clicked, this, &CCapturePage::DeleteRecording);

    // The sampling interval.
    label(LangText(app_, StringId::IntervalCaption), cx, 22, 80, 9);
    intervalHours_ = timeEdit(QStringLiteral("HH"), 1106, "intervalHours",
                              LangText(app_, StringId::IntervalHoursName), cx, 31);
    colon(cx + 25, 31);
    intervalMinutes_ = timeEdit(QStringLiteral("mm"), 1107, "intervalMinutes",
                                LangText(app_, StringId::IntervalMinutesName), cx + 29, 31);
    colon(cx + 54, 31);
    intervalSeconds_ = timeEdit(QStringLiteral("ss"), 1108, "intervalSeconds",
                                LangText(app_, StringId::IntervalSecondsName), cx + 58, 31);
    AddLangTool(intervalHours_, app_, 255);
    AddLangTool(intervalMinutes_, app_, 256);
    AddLangTool(intervalSeconds_, app_, 257);
    for (QTimeEdit* t : {intervalHours_, intervalMinutes_, intervalSeconds_})
        t->setTime(QTime(0, 0, 0));
    hundredMs_ = new QCheckBox(this);
    SetControlId(hundredMs_, 1119, QStringLiteral("hundredMs"));
    hundredMs_->setGeometry(du.Rect(cx, 45, 12, 12));
    hundredMs_->setChecked(true);
    hundredMs_->setAccessibleName(LangText(app_, StringId::HundredMsName));
    AddLangTool(hundredMs_, app_, 230);
    milliseconds_ = new QComboBox(this);
    SetControlId(milliseconds_, 1008, QStringLiteral("milliseconds"));
    milliseconds_->setGeometry(du.Rect(cx + 14, 45, 40, 12));
    for (int i = 1; i <= 9; ++i)
        milliseconds_->addItem(QString::number(100 * i));
    milliseconds_->setCurrentIndex(4);
    milliseconds_->setAccessibleName(LangText(app_, StringId::MillisecondsName));
    label(QStringLiteral("ms"), cx + 57, 46, 20, 10);
    connect(hundredMs_, &QCheckBox::toggled, this, [this] { RefreshControls(); });

    // The latest values and the thermometer's settings.
    auto valueRow = [&](const QString& caption, int y, int id, const char* name, int unitIndex, int unitId,
                        const char* unitName) {
        label(caption, cx, y, 40, 10);
        QLabel* value = label(QString(), cx + 40, y, 30, 10, id, name);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (unitIndex >= 0) unitLabels_[unitIndex] = label(QString(), cx + 72, y, 14, 10, unitId, unitName);
        return value;
    };
    currentTemp_ =
        valueRow(LangText(app_, StringId::MeasuredTempCaption), 60, 1105, "currentTemp", 0, 1148, "tempUnit");
    currentRoomTemp_ =
        valueRow(LangText(app_, StringId::RoomTempCaption), 72, 1104, "roomTemp", 1, 1149, "roomUnit");
    alarmHigh_ =
        valueRow(LangText(app_, StringId::AlarmHighCaption), 84, 1121, "alarmHigh", 2, 1150, "alarmHighUnit");
    alarmLow_ =
        valueRow(LangText(app_, StringId::AlarmLowCaption), 96, 1120, "alarmLow", 3, 1151, "alarmLowUnit");
    emissivity_ =
        valueRow(LangText(app_, StringId::EmissivityCaption), 108, 1128, "emissivity", -1, 0, nullptr);
    clock_ = label(QString(), cx - 2, 121, 88, 10, 1007, "clock");

    // The timed start and end (their behaviour belongs to the capture timer).
    timerBox_ = iconButton(Icons::Timer(), 1102, "timerBox", LangText(app_, StringId::TimerName), cx, 133);
    timerBox_->setCheckable(true);
    AddLangTool(timerBox_, app_, 202);
    timerStatus_ = label(LangText(app_, 224), cx + 22, 136, 62, 12, 1127, "timerStatus");
    timerStatus_->setAlignment(Qt::AlignCenter);
    timerStatus_->setAutoFillBackground(true);
    const int timerIds[6] = {1099, 1111, 1112, 1101, 1113, 1114};
    const char* timerNames[6] = {"startHour", "startMinute", "startSecond",
                                 "endHour",   "endMinute",   "endSecond"};
    const QString formats[3] = {QStringLiteral("HH"), QStringLiteral("mm"), QStringLiteral("ss")};
    const int timerTools[6] = {249, 250, 251, 252, 253, 254};
    for (int half = 0; half < 2; ++half) {
        const int y = 153 + half * 27;
        QDateEdit* date = new QDateEdit(QDate::currentDate(), this);
        SetControlId(date, half == 0 ? 1098 : 1100,
                     half == 0 ? QStringLiteral("startDate") : QStringLiteral("endDate"));
        date->setCalendarPopup(true);
        date->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
        date->setMinimumDate(QDate::currentDate());
        date->setGeometry(du.Rect(cx, y, 84, 12));
        date->setAccessibleName(half == 0 ? (LangText(app_, StringId::StartDateName))
                                          : (LangText(app_, StringId::EndDateName)));
        AddLangTool(date, app_, half == 0 ? 203 : 205);
        (half == 0 ? startDate_ : endDate_) = date;
        for (int k = 0; k < 3; ++k) {
            const int i = half * 3 + k;
            timerTimes_[i] = timeEdit(formats[k], timerIds[i], timerNames[i], LangText(app_, timerTools[i]),
                                      cx + k * 29, y + 13);
            AddLangTool(timerTimes_[i], app_, timerTools[i]);
            if (k < 2) colon(cx + k * 29 + 25, y + 13);
        }
    }

    // Temperature scale and unit.
    tempAuto_ = new QCheckBox(LangText(app_, StringId::AutoScale), this);
    SetControlId(tempAuto_, 1122, QStringLiteral("tempAutoScale"));
    tempAuto_->setGeometry(du.Rect(cx, 209, 36, 12));
    tempAuto_->setChecked(true);
    AddLangTool(tempAuto_, app_, 231);
    celsius_ = new QRadioButton(QStringLiteral("°C"), this);
    SetControlId(celsius_, 1333, QStringLiteral("celsius"));
    celsius_->setGeometry(du.Rect(cx + 38, 209, 22, 12));
    fahrenheit_ = new QRadioButton(QStringLiteral("°F"), this);
    SetControlId(fahrenheit_, 1334, QStringLiteral("fahrenheit"));
    fahrenheit_->setGeometry(du.Rect(cx + 61, 209, 22, 12));
    celsius_->setChecked(true);
    if (!english) {
        // The Japanese page always shows degC.
        celsius_->hide();
        celsius_->setEnabled(false);
        fahrenheit_->hide();
        fahrenheit_->setEnabled(false);
    }
    auto scaleEdit = [&](int id, const char* name, const char* caption, int y, int unitIndex, int unitId,
                         const char* unitName, int tool) {
        label(QString::fromLatin1(caption), cx, y, 20, 12);
        auto* e = new CNumericEdit(this);
        SetControlId(e, id, QString::fromLatin1(name));
        e->setGeometry(du.Rect(cx + 20, y, 40, 12));
        e->SetFormat(2, "%.1f");
        e->SuppressImeOnFocus(app_);
        AddLangTool(e, app_, tool);
        unitLabels_[unitIndex] = label(QString(), cx + 62, y + 1, 20, 10, unitId, unitName);
        return e;
    };
    scaleMax_ = scaleEdit(1123, "scaleMax", "Max", 223, 4, 1335, "scaleMaxUnit", 232);
    scaleMin_ = scaleEdit(1124, "scaleMin", "Min", 237, 5, 1336, "scaleMinUnit", 233);
    apply_ = new QPushButton(LangText(app_, StringId::Apply), this);
    SetControlId(apply_, 1125, QStringLiteral("applyButton"));
    apply_->setGeometry(du.Rect(cx + 40, 251, 44, 13));
    apply_->setAutoDefault(false);
    apply_->setEnabled(false);
    AddLangTool(apply_, app_, 234);

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
    const QTime now = QTime::currentTime();
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
    clock_->setText(QDateTime::currentDateTime().toString(QStringLiteral(" yyyy/MM/dd HH:mm:ss")));
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
