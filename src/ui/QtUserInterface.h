#pragma once

#include <QPointer>

#include <functional>
#include <string>

#include "app/UserInterface.h"

class QLabel;
class QMessageBox;
class QWidget;
struct AppState;

// One message box as the program asked for it.
struct QtMessageBoxCall {
    std::string text;
    std::string caption;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
    MsgAnswer defaultAnswer = MsgAnswer::Ok;
};

// The user interface of the Qt program: message boxes, the main dialog's status line, tab
// control and title, the COM port dialog and the progress box. The main dialog attaches its
// widgets; until then (and after it is gone) the status, tab and title calls do nothing and
// boxes have no parent.
class QtUserInterface : public UserInterface {
public:
    explicit QtUserInterface(AppState& app);
    ~QtUserInterface() override;

    void AttachMainWindow(QWidget* mainWindow, QLabel* statusLine, QWidget* tabControl);
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

    // Tests answer boxes through this instead of a person: when set, every box is built as
    // it would be shown and handed over with the call instead of being run; the answer given
    // back is the button pressed. Empty: boxes run modally.
    using BoxAnswerer = std::function<MsgAnswer(const QtMessageBoxCall& call, QMessageBox& box)>;
    static void SetBoxAnswerer(BoxAnswerer answerer);

    // Nesting depth of SetWaitCursor(true) not yet undone.
    int WaitCursorDepth() const { return waitDepth_; }

private:
    AppState& app_;
    QPointer<QWidget> mainWindow_;
    QPointer<QLabel> statusLine_;
    QPointer<QWidget> tabControl_;
    int waitDepth_ = 0;
};
