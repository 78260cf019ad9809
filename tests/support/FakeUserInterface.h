#pragma once

#include <algorithm>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <ranges>
#include <string>
#include <vector>

#include <gtest/gtest.h>

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
                         MsgButtons buttons, MsgAnswer defaultAnswer) override
    {
        const bool looping = boxes.size() >= maxBoxes;
        EXPECT_FALSE(looping) << "more than " << maxBoxes << " message boxes; last: " << text;
        const MessageBoxCall call{text, caption, icon, buttons,
                                  looping           ? MsgAnswer::Cancel
                                  : answers.empty() ? defaultAnswer
                                                    : answers.front()};
        if (!looping && !answers.empty()) answers.pop_front();
        boxes.push_back(call);
        events.push_back("box:" + text);
        if (onMessageBox) onMessageBox(call);
        return call.answer;
    }
    void SetStatusText(const std::string& text) override { events.push_back("status:" + text); }
    void RedrawMainWindow() override { events.emplace_back("redraw"); }
    void RunComPortDialog() override
    {
        events.emplace_back("comport");
        if (onComPortDialog) onComPortDialog();
    }
    std::unique_ptr<ProgressBox> OpenProgress() override
    {
        events.emplace_back("progress");
        progressRanges.push_back(0);
        return std::make_unique<NoProgress>(*this);
    }
    void EnableTabs(bool enabled) override { events.emplace_back(enabled ? "tabs:1" : "tabs:0"); }
    void SetWaitCursor(bool on) override { events.emplace_back(on ? "cursor:1" : "cursor:0"); }
    void SetMainTitle(const std::string& title) override { events.push_back("title:" + title); }
    void Note(const std::string& text) override { notes.push_back(text); }

    std::deque<MsgAnswer> answers;
    // A program that keeps asking past this many boxes is looping: the test fails and the box
    // is answered Cancel so the loop can end.
    std::size_t maxBoxes = 200;
    std::function<void()> onComPortDialog;                   // e.g. to choose another port
    std::function<void(const MessageBoxCall&)> onMessageBox; // e.g. to switch the thermometer on

    std::vector<MessageBoxCall> boxes;
    std::vector<std::string> notes; // what a console would show with -v only
    // Every call in order: "box:<text>", "status:<text>", "redraw", "comport", "progress",
    // "tabs:<0|1>", "cursor:<0|1>", "title:<text>".
    std::vector<std::string> events;
    // Every progress box's range, and the text of every Step of any box, in order.
    std::vector<int> progressRanges;
    std::vector<std::string> progressSteps;

    std::string StatusText() const // the last one set
    {
        auto it = std::ranges::find_if(events | std::views::reverse,
                                       [](auto& s) { return s.starts_with("status:"); });
        return it == events.rend() ? std::string() : it->substr(7);
    }
    std::vector<std::string> BoxTexts() const
    {
        auto texts = boxes | std::views::transform(&MessageBoxCall::text);
        return {texts.begin(), texts.end()};
    }

private:
    // Records what the program asked of its progress boxes.
    struct NoProgress final : ProgressBox {
        explicit NoProgress(FakeUserInterface& ui) : ui_(ui) {}
        void SetRange(uint16_t upper) override { ui_.progressRanges.back() = upper; }
        void Step(const std::string& text) override { ui_.progressSteps.push_back(text); }
        void Reset() override {}
        FakeUserInterface& ui_;
    };
};
