#include "capture/CaptureTimerPanel.h"

#include "app/AppState.h"
#include "app/LangString.h"
#include "app/UserInterface.h"
#include "device/Clock.h"
#include "resources/StringIds.h"

#include <QAbstractButton>
#include <QColor>
#include <QDateEdit>
#include <QDateTime>
#include <QLabel>
#include <QPalette>
#include <QSignalBlocker>
#include <QTimeEdit>

namespace {

QColor ColourOf(uint32_t rgb)
{
    return QColor(static_cast<int>(rgb >> 16 & 0xFF), static_cast<int>(rgb >> 8 & 0xFF),
                  static_cast<int>(rgb & 0xFF));
}

} // namespace

CaptureTimerPanel::CaptureTimerPanel(AppState& app, QAbstractButton* box, QDateEdit* startDate,
                                     QDateEdit* endDate, QTimeEdit* const (&times)[6], QLabel* status)
    : app_(app), box_(box), startDate_(startDate), endDate_(endDate), status_(status)
{
    for (int i = 0; i < 6; ++i) {
        times_[i] = times[i];
    }
    // Whoever changes the box (mouse, keys, an assistive tool's toggle), the timer follows it;
    // the panel's own changes of the box are made with its signals blocked.
    QObject::connect(box_, &QAbstractButton::toggled, box_, [this] { OnTimerCheck(); });
    ShowState();
}

std::time_t CaptureTimerPanel::PickedTime(const QDateEdit* date, int first) const
{
    const QTime time(times_[first]->time().hour(), times_[first + 1]->time().minute(),
                     times_[first + 2]->time().second());
    return static_cast<std::time_t>(QDateTime(date->date(), time).toSecsSinceEpoch());
}

std::time_t CaptureTimerPanel::Now() const
{
    return app_.clock->WallTime();
}

void CaptureTimerPanel::OnTimerCheck()
{
    if (!box_->isChecked()) {
        Unset();
        return;
    }
    if (!timer_.Arm(PickedTime(startDate_, 0), PickedTime(endDate_, 3), Now())) {
        const QSignalBlocker blocker(box_);
        box_->setChecked(false);
        app_.ui->MessageBox(LoadLangString(app_, StringId::InvalidTimer),
                            LoadLangString(app_, StringId::AppName), MsgIcon::Exclamation, MsgButtons::Ok,
                            MsgAnswer::Ok);
        ShowState();
        return;
    }
    ShowState();
    app_.ui->EnableTabs(false);
    EnablePickers(false);
}

void CaptureTimerPanel::CheckTimerStart()
{
    if (!timer_.CheckStart(Now())) return;
    ShowState();
    EnablePickers(false);
    if (startCapture) startCapture();
}

void CaptureTimerPanel::CheckTimerEnd(int tenths)
{
    if (!timer_.CheckEnd(Now(), tenths)) return;
    ShowState();
    const QSignalBlocker blocker(box_);
    box_->setChecked(false);
    if (stopCapture) stopCapture();
}

void CaptureTimerPanel::CancelTimer()
{
    const QSignalBlocker blocker(box_);
    box_->setChecked(false);
    Unset();
}

void CaptureTimerPanel::Paused()
{
    if (timer_.GetState() != CaptureTimer::State::Running) return;
    timer_.Cancel();
    ShowState();
    const QSignalBlocker blocker(box_);
    box_->setChecked(false);
}

void CaptureTimerPanel::Unset()
{
    timer_.Cancel();
    ShowState();
    app_.ui->EnableTabs(true);
    EnablePickers(true);
}

void CaptureTimerPanel::EnablePickers(bool enabled)
{
    enabled = enabled && !Waiting();
    startDate_->setEnabled(enabled);
    endDate_->setEnabled(enabled);
    for (QTimeEdit* time : times_) {
        time->setEnabled(enabled);
    }
}

void CaptureTimerPanel::ShowState()
{
    const TimerStatusLook look = LookOfTimerState(timer_.GetState());
    status_->setText(QString::fromStdString(LoadLangString(app_, look.stringId)));
    status_->setAutoFillBackground(true);
    QPalette palette = status_->palette();
    palette.setColor(QPalette::WindowText, ColourOf(look.textRgb));
    palette.setColor(QPalette::Window, ColourOf(look.backgroundRgb));
    status_->setPalette(palette);
}
