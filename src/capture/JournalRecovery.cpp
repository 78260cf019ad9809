#include "capture/JournalRecovery.h"

#include <algorithm>
#include <ctime>
#include <optional>

#include "app/AppState.h"
#include "app/Calendar.h"
#include "app/LangString.h"
#include "app/SafeFile.h"
#include "app/UserInterface.h"
#include "app/Utf8Path.h"
#include "capture/CaptureRecorder.h"
#include "resources/StringIds.h"

std::string JournalLoss(const AppState& app, const JournalContents& contents)
{
    std::string text;
    const auto add = [&](const std::string& part) {
        if (!text.empty()) text += app.language == 1 ? "; " : "、";
        text += part;
    };
    for (const JournalGap& gap : contents.gaps) {
        add(FormatLangString(app, StringId::JournalGap,
                             {std::to_string(gap.first + 1), std::to_string(gap.first + gap.count),
                              std::to_string(gap.count)}));
    }
    if (contents.tailBytes > 0)
        add(FormatLangString(app, StringId::JournalTail, {std::to_string(contents.tailBytes)}));
    if (contents.overflow > 0)
        add(FormatLangString(app, StringId::JournalOverflow, {std::to_string(contents.overflow)}));
    if (contents.headerRepaired) add(LoadLangString(app, StringId::JournalHeader));
    return text;
}

std::string JournalQuestion(const AppState& app, const JournalContents& contents, const std::string& keptAs)
{
    std::tm local{};
    const auto start = static_cast<std::time_t>(contents.header.startTime);
    LocalTimeOf(start, local);
    char when[32] = "";
    std::strftime(when, sizeof when, "%Y/%m/%d %H:%M:%S", &local);
    const std::string count = std::to_string(contents.samples.size());
    if (!contents.Damaged()) return FormatLangString(app, StringId::JournalQuestion, {count, when});
    return FormatLangString(app, StringId::JournalDamagedQuestion,
                            {count, when, JournalLoss(app, contents), keptAs});
}

namespace {

bool HasUsableSample(const JournalContents& contents)
{
    return std::any_of(contents.samples.begin(), contents.samples.end(),
                       [](const CaptureSample& s) { return s.temp != kNoData || s.roomTemp != kNoData; });
}

void Tell(AppState& app, const std::string& text)
{
    app.ui->MessageBox(text, LoadLangString(app, StringId::AppName), MsgIcon::Exclamation, MsgButtons::Ok,
                       MsgAnswer::Ok);
}

} // namespace

bool OfferRecoveredJournal(AppState& app, CaptureRecorder& recorder)
{
    if (app.journalPath.empty()) return false;
    JournalError error = JournalError::None;
    const std::optional<JournalContents> contents = LoadJournal(app.journalPath, kMaxSamples, &error);
    if (app.ui == nullptr) return false; // nobody to tell: the journal stays for the next start
    const std::string& path = app.journalPath;
    if (!contents) {
        if (error == JournalError::Missing) return false;
        // Out of the way of the next recording's journal, which would replace it.
        const std::string stem = path.ends_with(".rmj") ? path.substr(0, path.size() - 4) : path;
        Tell(app, FormatLangString(app, StringId::JournalUnreadable,
                                   {path, KeepJournalAs(path, stem + "-unreadable.rmj")}));
        return false;
    }
    // A journal that lost anything is never deleted: it goes aside before the question names it.
    const std::string keptAs =
        contents->Damaged() ? KeepJournalAs(path, DamagedJournalName(path)) : std::string();
    if (!HasUsableSample(*contents)) {
        if (contents->Damaged()) {
            Tell(app, FormatLangString(app, StringId::JournalUseless, {path, keptAs}));
        } else if (RemoveFileUtf8(path)) {
            Tell(app, FormatLangString(app, StringId::JournalEmpty, {path}));
        }
        return false;
    }
    const MsgAnswer answer = app.ui->MessageBox(
        JournalQuestion(app, *contents, keptAs), LoadLangString(app, StringId::AppName),
        contents->Damaged() ? MsgIcon::Exclamation : MsgIcon::Question, MsgButtons::YesNo, MsgAnswer::Yes);
    if (answer == MsgAnswer::Yes && recorder.LoadRecovered(*contents)) return true;
    if (answer == MsgAnswer::No && !contents->Damaged()) RemoveFileUtf8(path);
    return false;
}
