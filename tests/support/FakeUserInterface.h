#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/UserInterface.h"

// One message box as the program asked for it, and the answer it got.
struct MessageBoxCall {
    std::string text;
    std::string caption;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
    MsgAnswer answer = MsgAnswer::Ok;
};

// A scripted user: records every call in order and answers message boxes from a queue, then
// with each box's default.
class FakeUserInterface final : public UserInterface {
public:
    MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                         MsgButtons buttons, MsgAnswer defaultAnswer) override;
    void SetStatusText(const std::string& text) override { Record("status:" + text); }
    void RedrawMainWindow() override { Record("redraw"); }
    void RunComPortDialog() override;
    std::unique_ptr<ProgressBox> OpenProgress() override;
    void EnableTabs(bool enabled) override { Record(enabled ? "tabs:1" : "tabs:0"); }
    void SetWaitCursor(bool on) override { Record(on ? "cursor:1" : "cursor:0"); }
    void SetMainTitle(const std::string& title) override { Record("title:" + title); }

    std::deque<MsgAnswer> answers;
    // A program that keeps asking past this many boxes is looping: the test fails and the box
    // is answered Cancel so the loop can end.
    std::size_t maxBoxes = 200;
    std::function<void()> onComPortDialog;                   // e.g. to choose another port
    std::function<void(const MessageBoxCall&)> onMessageBox; // e.g. to switch the thermometer on

    std::vector<MessageBoxCall> boxes;
    // Every call in order: "box:<text>", "status:<text>", "redraw", "comport", "progress",
    // "tabs:<0|1>", "cursor:<0|1>", "title:<text>".
    std::vector<std::string> events;
    std::vector<std::string> statusTexts;
    int comPortDialogRuns = 0;

    std::string StatusText() const { return statusTexts.empty() ? std::string() : statusTexts.back(); }
    std::vector<std::string> BoxTexts() const;

private:
    void Record(const std::string& event);
};
