#include "ui/CProgressDlg.h"

#include <QApplication>
#include <QEventLoop>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

#include "device/Clock.h"
#include "ui/ControlId.h"
#include "ui/DialogUnits.h"

namespace {

// Swallows every input event while installed on the application.
class InputBlocker : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override { return event->isInputEvent(); }
};

// Lets the box paint while its owner keeps the event loop busy with device work, without
// handing the user's input to any window: input from the window system stays queued until the
// work is over, and input already posted to a widget is dropped. A click must not start a
// second operation, or close the window, in the middle of a read or write.
void PaintWithoutInput()
{
    InputBlocker blocker;
    QCoreApplication::instance()->installEventFilter(&blocker);
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QCoreApplication::instance()->removeEventFilter(&blocker);
}

} // namespace

CProgressDlg::CProgressDlg(Clock* clock)
    : QDialog(nullptr, Qt::Dialog | Qt::FramelessWindowHint), clock_(clock)
{
    setFont(DialogFont());
    const DialogUnits du(font());
    setFixedSize(du.Size(203, 72));
    setObjectName(QStringLiteral("progressDialog"));

    // Without a title bar the box needs a border of its own to stand out from the page.
    auto* border = new QFrame(this);
    border->setFrameStyle(QFrame::Panel | QFrame::Raised);
    border->setLineWidth(2);
    border->setGeometry(rect());

    message_ = new QLabel(this);
    SetControlId(message_, 1094, QStringLiteral("progressMessage"));
    message_->setGeometry(du.Rect(14, 14, 175, 12));
    message_->setTextFormat(Qt::PlainText);

    bar_ = new QProgressBar(this);
    SetControlId(bar_, 1095, QStringLiteral("progressBar"));
    bar_->setGeometry(du.Rect(14, 36, 175, 14));
    bar_->setTextVisible(false);
    bar_->setRange(0, 100);
    bar_->setValue(0);
    bar_->setAccessibleName(QStringLiteral("progress"));

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    show();
    activateWindow();
    repaint();
    PaintWithoutInput();
}

void CProgressDlg::SetRange(uint16_t upper)
{
    bar_->setRange(0, upper);
}

void CProgressDlg::Step(const std::string& text)
{
    ++position_;
    bar_->setValue(position_);
    message_->setText(QString::fromStdString(text));
    PaintWithoutInput();
    if (clock_ != nullptr) clock_->SleepMs(1);
}

void CProgressDlg::Reset()
{
    position_ = 0;
    bar_->setValue(0);
}
