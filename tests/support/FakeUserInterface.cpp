#include "support/FakeUserInterface.h"

#include <gtest/gtest.h>

namespace {

// No test of these files looks into a progress box; it only has to exist.
class FakeProgressBox final : public ProgressBox {
public:
    void SetRange(uint16_t) override {}
    void Step(const std::string&) override {}
    void Reset() override {}
};

} // namespace

MsgAnswer FakeUserInterface::MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                                        MsgButtons buttons, MsgAnswer defaultAnswer)
{
    MessageBoxCall call{text, caption, icon, buttons, defaultAnswer};
    if (boxes.size() >= maxBoxes) {
        ADD_FAILURE() << "more than " << maxBoxes << " message boxes; last: " << text;
        call.answer = MsgAnswer::Cancel;
    } else if (!answers.empty()) {
        call.answer = answers.front();
        answers.pop_front();
    }
    boxes.push_back(call);
    Record("box:" + text);
    if (onMessageBox) {
        onMessageBox(call);
    }
    return call.answer;
}

void FakeUserInterface::RunComPortDialog()
{
    ++comPortDialogRuns;
    Record("comport");
    if (onComPortDialog) {
        onComPortDialog();
    }
}

std::unique_ptr<ProgressBox> FakeUserInterface::OpenProgress()
{
    Record("progress");
    return std::make_unique<FakeProgressBox>();
}

std::vector<std::string> FakeUserInterface::BoxTexts() const
{
    std::vector<std::string> texts;
    for (const MessageBoxCall& box : boxes) {
        texts.push_back(box.text);
    }
    return texts;
}

void FakeUserInterface::Record(const std::string& event)
{
    events.push_back(event);
    if (event.rfind("status:", 0) == 0) {
        statusTexts.push_back(event.substr(7));
    }
}
