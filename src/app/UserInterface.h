#pragma once

#include <cstdint>
#include <memory>
#include <string>

enum class MsgIcon { None, Stop, Exclamation, Question, Information };
enum class MsgButtons { Ok, OkCancel, RetryCancel, YesNo, YesNoCancel };
enum class MsgAnswer { Ok, Cancel, Retry, Yes, No };

// A modeless progress box: a line of text and a bar from 0 to the range.
class ProgressBox {
public:
    virtual ~ProgressBox() = default;
    virtual void SetRange(uint16_t upper) = 0;
    // Position + 1, the text shown, then a pause of 1 ms for the window to paint.
    virtual void Step(const std::string& text) = 0;
    virtual void Reset() = 0;
};

// Everything the core asks of the person in front of the program. The Qt layer implements
// it with widgets, rm42ctl with the console, tests with a scripted fake that records calls.
// Called on the user-interface thread only.
class UserInterface {
public:
    virtual ~UserInterface() = default;

    // A modal message box over the main window; returns the button pressed.
    virtual MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                                 MsgButtons buttons, MsgAnswer defaultAnswer) = 0;
    virtual void SetStatusText(const std::string& text) = 0;
    // Invalidate, erase and update the main window at once.
    virtual void RedrawMainWindow() = 0;
    // Runs the COM port dialog modally; its OK writes [ComPort] Port.
    virtual void RunComPortDialog() = 0;
    // A progress box that lives as long as the returned object.
    virtual std::unique_ptr<ProgressBox> OpenProgress() = 0;
    virtual void EnableTabs(bool enabled) = 0;
    virtual void SetWaitCursor(bool on) = 0;
    virtual void SetMainTitle(const std::string& title) = 0;
    // The file the next message box is about: one that could not be opened, read or written.
    // The console names it beside the box's text; the windows show the box alone.
    virtual void NoteFile(const std::string& /*path*/) {}
    // A detail for whoever wants more than the boxes say (rm42ctl -v): the system's own words
    // for a failure. Shown nowhere by default.
    virtual void Note(const std::string& /*text*/) {}
};

// Shows the wait cursor for the lifetime of the object.
class WaitCursor {
public:
    explicit WaitCursor(UserInterface& ui) : ui_(ui) { ui_.SetWaitCursor(true); }
    ~WaitCursor() { ui_.SetWaitCursor(false); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    UserInterface& ui_;
};
