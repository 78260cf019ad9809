#pragma once

#include <QPointer>

#include <memory>
#include <string>

#include "app/UserInterface.h"

class QLabel;
class QMessageBox;
class QWidget;
struct AppState;

// The box MessageBox shows: plain text, the icon and buttons asked for, the default button, and
// Esc or the close button answering as in a Windows message box.
std::unique_ptr<QMessageBox> MakeMessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                                            MsgButtons buttons, MsgAnswer defaultAnswer, QWidget* parent);

// The user interface of the Qt program: message boxes, the main dialog's status line, tab
// control and title, the COM port dialog and the progress box. The main dialog attaches its
// widgets; until then (and after it is gone) the status, tab and title calls do nothing and
// boxes have no parent.
class QtUserInterface : public UserInterface {
public:
    explicit QtUserInterface(AppState& app);
    ~QtUserInterface() override;

    void AttachMainWindow(QWidget* mainWindow, QLabel* statusLine, QWidget* tabControl);
    // With nobody in front of the program (--screenshot), boxes are printed on standard error as
    // "[caption] text" and answered with their negative button, and the COM port dialog is not
    // shown, so that nothing waits for a click.
    void SetUnattended(bool unattended) { unattended_ = unattended; }
    void DetachMainWindow();

    MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                         MsgButtons buttons, MsgAnswer defaultAnswer) override;
    void SetStatusText(const std::string& text) override;
    void RedrawMainWindow() override;
    void RunComPortDialog() override;
    std::unique_ptr<ProgressBox> OpenProgress() override;
    void EnableTabs(bool enabled) override;
    void SetWaitCursor(bool on) override;
    void SetMainTitle(const std::string& title) override;

    // The window boxes are shown over; null before the main window is attached.
    QWidget* MainWindow() const { return mainWindow_.data(); }

    // Nesting depth of SetWaitCursor(true) not yet undone.
    int WaitCursorDepth() const { return waitDepth_; }

private:
    AppState& app_;
    QPointer<QWidget> mainWindow_;
    QPointer<QLabel> statusLine_;
    QPointer<QWidget> tabControl_;
    int waitDepth_ = 0;
    bool unattended_ = false;
};
