#include "ConsoleUserInterface.h"

#include <chrono>

namespace {

// Verbose: one line per step. On a terminal otherwise: one line rewritten in place with the
// steps done of all and the time left at the pace so far, erased when the work ends, so that
// a memory write of a minute and more does not look hung. Elsewhere: nothing.
class ConsoleProgress final : public ProgressBox {
public:
    ConsoleProgress(bool verbose, bool liveLine, bool& lineShown, std::FILE* out)
        : verbose_(verbose), liveLine_(liveLine && !verbose), lineShown_(lineShown), out_(out)
    {
    }
    ~ConsoleProgress() override { Erase(); }
    ConsoleProgress(const ConsoleProgress&) = delete;
    ConsoleProgress& operator=(const ConsoleProgress&) = delete;

    void SetRange(uint16_t upper) override { upper_ = upper; }
    void Step(const std::string& text) override
    {
        ++position_;
        if (verbose_) std::fprintf(out_, "progress %d/%u: %s\n", position_, upper_, text.c_str());
        if (!liveLine_) return;
        const auto now = std::chrono::steady_clock::now();
        if (position_ == 1) start_ = now;
        std::string left;
        if (position_ > 1 && upper_ > static_cast<unsigned>(position_)) {
            // The first step starts the clock, so position_ - 1 steps took the time so far.
            const double perStep = std::chrono::duration<double>(now - start_).count() / (position_ - 1);
            left = ", about " + std::to_string(static_cast<long>(perStep * (upper_ - position_) + 0.5)) +
                   " s left";
        }
        std::fprintf(out_, "\r%d/%u %s%s\x1b[K", position_, upper_, text.c_str(), left.c_str());
        std::fflush(out_);
        lineShown_ = true;
    }
    void Reset() override
    {
        position_ = 0;
        Erase();
    }

private:
    void Erase()
    {
        if (!lineShown_) return;
        std::fputs("\r\x1b[K", out_);
        std::fflush(out_);
        lineShown_ = false;
    }

    bool verbose_;
    bool liveLine_;
    bool& lineShown_;
    std::FILE* out_;
    unsigned upper_ = 0;
    int position_ = 0;
    std::chrono::steady_clock::time_point start_;
};

MsgAnswer Positive(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::RetryCancel:
        return MsgAnswer::Retry;
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel:
        return MsgAnswer::Yes;
    default:
        return MsgAnswer::Ok;
    }
}

MsgAnswer Negative(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::Ok:
        return MsgAnswer::Ok;
    case MsgButtons::YesNo:
        return MsgAnswer::No;
    default:
        return MsgAnswer::Cancel;
    }
}

} // namespace

ConsoleUserInterface::ConsoleUserInterface(bool assumeYes, int maxPositiveAnswers, bool verbose,
                                           std::FILE* out, bool progressLine)
    : assumeYes_(assumeYes), positiveLeft_(maxPositiveAnswers), verbose_(verbose),
      progressLine_(progressLine), out_(out)
{
}

MsgAnswer ConsoleUserInterface::MessageBox(const std::string& text, const std::string& caption, MsgIcon,
                                           MsgButtons buttons, MsgAnswer)
{
    if (lineShown_) {
        // A message in the middle of the work starts on a clean line; the next step redraws.
        std::fputs("\r\x1b[K", out_);
        lineShown_ = false;
    }
    std::fprintf(out_, "[%s] %s\n", caption.c_str(), text.c_str());
    if (!file_.empty()) std::fprintf(out_, "    file: %s\n", file_.c_str());
    file_.clear();
    if (buttons == MsgButtons::Ok) return MsgAnswer::Ok;
    if (assumeYes_ && positiveLeft_ > 0) {
        --positiveLeft_;
        return Positive(buttons);
    }
    return Negative(buttons);
}

void ConsoleUserInterface::SetStatusText(const std::string& text)
{
    status_ = text;
    if (verbose_ && !text.empty()) std::fprintf(out_, "status: %s\n", text.c_str());
}

void ConsoleUserInterface::RunComPortDialog()
{
    if (verbose_) std::fprintf(out_, "COM port dialog: keeping the configured port\n");
}

std::unique_ptr<ProgressBox> ConsoleUserInterface::OpenProgress()
{
    return std::make_unique<ConsoleProgress>(verbose_, progressLine_, lineShown_, out_);
}

void ConsoleUserInterface::SetMainTitle(const std::string& title)
{
    title_ = title;
}

void ConsoleUserInterface::Note(const std::string& text)
{
    if (verbose_) std::fprintf(out_, "%s\n", text.c_str());
}
