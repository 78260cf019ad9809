#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "app/UserInterface.h"

// The user interface of rm42ctl: every message box is printed on standard error as
// "[caption] text". Questions get the negative button, or with assumeYes the positive one;
// positive answers are limited so that an endless retry loop cannot hang a script.
class ConsoleUserInterface final : public UserInterface {
public:
    // progressLine: out is a terminal, where long work shows a progress line (see OpenProgress).
    ConsoleUserInterface(bool assumeYes, int maxPositiveAnswers, bool verbose, std::FILE* out = stderr,
                         bool progressLine = false);

    MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                         MsgButtons buttons, MsgAnswer defaultAnswer) override;
    void SetStatusText(const std::string& text) override;
    void RedrawMainWindow() override {}
    // The console has no port list to choose from: the configured port stays.
    void RunComPortDialog() override;
    std::unique_ptr<ProgressBox> OpenProgress() override;
    void EnableTabs(bool) override {}
    void SetWaitCursor(bool) override {}
    void SetMainTitle(const std::string& title) override;
    // Printed after the next box's text, on a line of its own.
    void NoteFile(const std::string& path) override { file_ = path; }
    // Printed only with --verbose.
    void Note(const std::string& text) override;

    const std::string& StatusText() const { return status_; }

private:
    bool assumeYes_;
    int positiveLeft_;
    bool verbose_;
    bool progressLine_;
    bool lineShown_ = false; // a progress line stands on out_ without its newline
    std::FILE* out_;
    std::string status_;
    std::string title_;
    std::string file_;
};
