#include "shell/QtUserInterface.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <cstdio>

#include "app/AppState.h"
#include "shell/CComPortDlg.h"
#include "ui/CProgressDlg.h"

namespace {

QMessageBox::Icon ToQtIcon(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Stop:
        return QMessageBox::Critical;
    case MsgIcon::Exclamation:
        return QMessageBox::Warning;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQtButtons(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::Ok:
        return QMessageBox::Ok;
    case MsgButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    case MsgButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButton ToQtButton(MsgAnswer answer)
{
    switch (answer) {
    case MsgAnswer::Ok:
        return QMessageBox::Ok;
    case MsgAnswer::Cancel:
        return QMessageBox::Cancel;
    case MsgAnswer::Retry:
        return QMessageBox::Retry;
    case MsgAnswer::Yes:
        return QMessageBox::Yes;
    case MsgAnswer::No:
        return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

// Closing a box with Esc or its close button answers Cancel where there is one, No in a
// Yes/No box and OK in a box that only has OK, as a Windows message box does.
MsgAnswer EscapeAnswer(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::OkCancel:
    case MsgButtons::RetryCancel:
    case MsgButtons::YesNoCancel:
        return MsgAnswer::Cancel;
    case MsgButtons::YesNo:
        return MsgAnswer::No;
    case MsgButtons::Ok:
        break;
    }
    return MsgAnswer::Ok;
}

MsgAnswer FromQtButton(int button, MsgButtons buttons)
{
    switch (button) {
    case QMessageBox::Ok:
        return MsgAnswer::Ok;
    case QMessageBox::Cancel:
        return MsgAnswer::Cancel;
    case QMessageBox::Retry:
        return MsgAnswer::Retry;
    case QMessageBox::Yes:
        return MsgAnswer::Yes;
    case QMessageBox::No:
        return MsgAnswer::No;
    default:
        return EscapeAnswer(buttons);
    }
}

// The answer of a box that exec ended with execResult.
MsgAnswer MessageBoxAnswer(QMessageBox& box, int execResult, MsgButtons buttons)
{
    QAbstractButton* clicked = box.clickedButton();
    return clicked ? FromQtButton(box.standardButton(clicked), buttons) : FromQtButton(execResult, buttons);
}

} // namespace

QtUserInterface::QtUserInterface(AppState& app) : app_(app) {}

QtUserInterface::~QtUserInterface()
{
    while (waitDepth_ > 0)
        SetWaitCursor(false);
}

void QtUserInterface::AttachMainWindow(QWidget* mainWindow, QLabel* statusLine, QWidget* tabControl)
{
    mainWindow_ = mainWindow;
    statusLine_ = statusLine;
    tabControl_ = tabControl;
}

void QtUserInterface::DetachMainWindow()
{
    mainWindow_ = nullptr;
    statusLine_ = nullptr;
    tabControl_ = nullptr;
}

std::unique_ptr<QMessageBox> MakeMessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                                            MsgButtons buttons, MsgAnswer defaultAnswer, QWidget* parent)
{
    auto box = std::make_unique<QMessageBox>(ToQtIcon(icon), QString::fromStdString(caption),
                                             QString::fromStdString(text), ToQtButtons(buttons), parent);
    box->setTextFormat(Qt::PlainText);
    box->setObjectName(QStringLiteral("messageBox"));
    if (auto* button = qobject_cast<QPushButton*>(box->button(ToQtButton(defaultAnswer))))
        box->setDefaultButton(button);
    box->setEscapeButton(box->button(ToQtButton(EscapeAnswer(buttons))));
    return box;
}

MsgAnswer QtUserInterface::MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                                      MsgButtons buttons, MsgAnswer defaultAnswer)
{
    if (unattended_) {
        std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
        return EscapeAnswer(buttons);
    }
    const auto box = MakeMessageBox(text, caption, icon, buttons, defaultAnswer, mainWindow_.data());
    // A box must not sit under a wait cursor.
    const bool waiting = waitDepth_ > 0;
    if (waiting) QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int pressed = box->exec();
    if (waiting) QApplication::restoreOverrideCursor();
    return MessageBoxAnswer(*box, pressed, buttons);
}

void QtUserInterface::SetStatusText(const std::string& text)
{
    if (statusLine_) statusLine_->setText(QString::fromStdString(text));
}

void QtUserInterface::RedrawMainWindow()
{
    if (!mainWindow_) return;
    if (mainWindow_->isVisible())
        mainWindow_->repaint();
    else
        mainWindow_->update();
}

void QtUserInterface::RunComPortDialog()
{
    if (unattended_) return;
    CComPortDlg dialog(app_, mainWindow_.data());
    dialog.exec();
}

std::unique_ptr<ProgressBox> QtUserInterface::OpenProgress()
{
    return std::make_unique<CProgressDlg>(app_.clock);
}

void QtUserInterface::EnableTabs(bool enabled)
{
    if (tabControl_) tabControl_->setEnabled(enabled);
}

void QtUserInterface::SetWaitCursor(bool on)
{
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++waitDepth_;
    } else if (waitDepth_ > 0) {
        QApplication::restoreOverrideCursor();
        --waitDepth_;
    }
}

void QtUserInterface::SetMainTitle(const std::string& title)
{
    if (mainWindow_) mainWindow_->setWindowTitle(QString::fromStdString(title));
}
