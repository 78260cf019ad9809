#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/UserInterface.h"

// One message box as the program asked for it, and the answer it got.
struct MessageBoxCall {
    std::string text;
    std::string caption;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
    MsgAnswer defaultAnswer = MsgAnswer::Ok;
    MsgAnswer answer = MsgAnswer::Ok;
};

// Everything one progress box was told, kept after the box is gone.
struct ProgressRecord {
    std::vector<uint16_t> ranges;   // every SetRange
    std::vector<std::string> steps; // the text of every Step
    int position = 0;               // Step count since the last Reset
    int resets = 0;
    bool open = true; // false once the program destroyed the box
};

// A scripted user: records every call in order and answers message boxes from a queue.
class FakeUserInterface final : public UserInterface {
public:
    MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                         MsgButtons buttons, MsgAnswer defaultAnswer) override;
    void SetStatusText(const std::string& text) override;
    void RedrawMainWindow() override;
    void RunComPortDialog() override;
    std::unique_ptr<ProgressBox> OpenProgress() override;
    void EnableTabs(bool enabled) override;
    void SetWaitCursor(bool on) override;
    void SetMainTitle(const std::string& title) override;

    // Script. Boxes take the queued answers in order; once the queue is empty they get
    // fallbackAnswer, or the box's own default when that is not set.
    std::deque<MsgAnswer> answers;
    std::optional<MsgAnswer> fallbackAnswer;
    // A program that keeps asking past this many boxes is looping: the test fails and the
    // box is answered Cancel so the loop can end.
    std::size_t maxBoxes = 200;
    // Runs inside RunComPortDialog, e.g. to write another [ComPort] Port.
    std::function<void()> onComPortDialog;
    // Runs inside every MessageBox after it was recorded, e.g. to switch the thermometer on
    // while the prompt is shown.
    std::function<void(const MessageBoxCall&)> onMessageBox;

    // Records.
    std::vector<MessageBoxCall> boxes;
    std::vector<std::string> statusTexts;
    int redraws = 0;
    int comPortDialogRuns = 0;
    std::vector<std::shared_ptr<ProgressRecord>> progress;
    std::vector<bool> tabEnables;
    std::vector<bool> waitCursor;
    std::vector<std::string> titles;
    // Every call in order: "box:<text>", "status:<text>", "redraw", "comport", "progress",
    // "tabs:<0|1>", "cursor:<0|1>", "title:<text>".
    std::vector<std::string> events;

    // The status line as it stands; empty when never set.
    std::string StatusText() const { return statusTexts.empty() ? std::string() : statusTexts.back(); }
    // The texts of all boxes, in order.
    std::vector<std::string> BoxTexts() const;
};
