#include "ConsoleUserInterface.h"

namespace {

class ConsoleProgress final : public ProgressBox {
public:
    ConsoleProgress(bool verbose, std::FILE* out) : verbose_(verbose), out_(out) {}
    void SetRange(uint16_t upper) override { upper_ = upper; }
    void Step(const std::string& text) override
    {
        ++position_;
        if (verbose_) std::fprintf(out_, "progress %d/%u: %s\n", position_, upper_, text.c_str());
    }
    void Reset() override { position_ = 0; }

private:
    bool verbose_;
    std::FILE* out_;
    unsigned upper_ = 0;
    int position_ = 0;
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
                                           std::FILE* out)
    : assumeYes_(assumeYes), positiveLeft_(maxPositiveAnswers), verbose_(verbose), out_(out)
{
}

MsgAnswer ConsoleUserInterface::MessageBox(const std::string& text, const std::string& caption, MsgIcon,
                                           MsgButtons buttons, MsgAnswer)
{
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
    return std::make_unique<ConsoleProgress>(verbose_, out_);
}

void ConsoleUserInterface::SetMainTitle(const std::string& title)
{
    title_ = title;
}

void ConsoleUserInterface::Note(const std::string& text)
{
    if (verbose_) std::fprintf(out_, "%s\n", text.c_str());
}
