#include "support/FakeUserInterface.h"

#include <gtest/gtest.h>

namespace {

class FakeProgressBox final : public ProgressBox {
public:
    explicit FakeProgressBox(std::shared_ptr<ProgressRecord> record) : record_(std::move(record)) {}
    ~FakeProgressBox() override { record_->open = false; }
    FakeProgressBox(const FakeProgressBox&) = delete;
    FakeProgressBox& operator=(const FakeProgressBox&) = delete;

    void SetRange(uint16_t upper) override { record_->ranges.push_back(upper); }
    void Step(const std::string& text) override
    {
        record_->steps.push_back(text);
        ++record_->position;
    }
    void Reset() override
    {
        record_->position = 0;
        ++record_->resets;
    }

private:
    std::shared_ptr<ProgressRecord> record_;
};

} // namespace

MsgAnswer FakeUserInterface::MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                                        MsgButtons buttons, MsgAnswer defaultAnswer)
{
    MessageBoxCall call{text, caption, icon, buttons, defaultAnswer, defaultAnswer};
    if (boxes.size() >= maxBoxes) {
        ADD_FAILURE() << "more than " << maxBoxes << " message boxes; last: " << text;
        call.answer = MsgAnswer::Cancel;
    } else if (!answers.empty()) {
        call.answer = answers.front();
        answers.pop_front();
    } else if (fallbackAnswer) {
        call.answer = *fallbackAnswer;
    }
    boxes.push_back(call);
    events.push_back("box:" + text);
    if (onMessageBox) {
        onMessageBox(call);
    }
    return call.answer;
}

void FakeUserInterface::SetStatusText(const std::string& text)
{
    statusTexts.push_back(text);
    events.push_back("status:" + text);
}

void FakeUserInterface::RedrawMainWindow()
{
    ++redraws;
    events.emplace_back("redraw");
}

void FakeUserInterface::RunComPortDialog()
{
    ++comPortDialogRuns;
    events.emplace_back("comport");
    if (onComPortDialog) {
        onComPortDialog();
    }
}

std::unique_ptr<ProgressBox> FakeUserInterface::OpenProgress()
{
    auto record = std::make_shared<ProgressRecord>();
    progress.push_back(record);
    events.emplace_back("progress");
    return std::make_unique<FakeProgressBox>(record);
}

void FakeUserInterface::EnableTabs(bool enabled)
{
    tabEnables.push_back(enabled);
    events.push_back(enabled ? "tabs:1" : "tabs:0");
}

void FakeUserInterface::SetWaitCursor(bool on)
{
    waitCursor.push_back(on);
    events.push_back(on ? "cursor:1" : "cursor:0");
}

void FakeUserInterface::SetMainTitle(const std::string& title)
{
    titles.push_back(title);
    events.push_back("title:" + title);
}

std::vector<std::string> FakeUserInterface::BoxTexts() const
{
    std::vector<std::string> texts;
    for (const auto& box : boxes) {
        texts.push_back(box.text);
    }
    return texts;
}
