#include "device/CommandLog.h"

#include "app/AppPaths.h"
#include "app/AppState.h"
#include "app/Calendar.h"
#include "app/Cp932.h"
#include "app/LangString.h"
#include "app/UserInterface.h"
#include "device/CommandLogFile.h"
#include "resources/StringIds.h"

#include <cstdio>
#include <ctime>

namespace {

constexpr const char* kCommandErrorText = "* COMMAND ERROR";

std::string LocalTimeStamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!LocalTimeOf(now, local)) {
        return {};
    }
    char stamp[32];
    if (std::strftime(stamp, sizeof stamp, "%Y/%m/%d %H:%M:%S", &local) == 0) {
        return {};
    }
    return stamp;
}

// The boxes of the reports: over the main window, application name as caption, exclamation,
// OK only, and the main window repainted before the caller goes on.
void ShowReportBox(AppState& app, const std::string& text)
{
    app.ui->MessageBox(text, LoadLangString(app, StringId::AppName), MsgIcon::Exclamation, MsgButtons::Ok,
                       MsgAnswer::Ok);
    app.ui->RedrawMainWindow();
}

} // namespace

void WriteCommandLog(AppState& app, std::string_view text)
{
    if (!app.commLogEnabled) {
        return;
    }
    std::string line = LocalTimeStamp();
    line += " = ";
    line += text;
    line += '\n';
    const std::string bytes = Utf8ToCp932(line);

    // A read-only folder or a locked file skips this line; the next one tries again.
    const LogAppend result = AppendToLogFile(LogFilePath(app, "cmd_log.txt"), bytes);
    if (result == LogAppend::Failed && app.ui != nullptr) {
        app.ui->MessageBox("Log File Open Error", "ERROR", MsgIcon::Exclamation, MsgButtons::Ok,
                           MsgAnswer::Ok);
    }
}

void LogPortFailure(AppState& app, std::string_view text)
{
    WriteCommandLog(app, text);
    if (app.ui != nullptr) app.ui->Note(std::string(text));
}

void ShowCommandLogNotice(AppState& app)
{
    if (!app.commLogEnabled || app.ui == nullptr) {
        return;
    }
    app.ui->MessageBox("保存パス＝" + LogFilePath(app, "cmd_log.txt"), "ログファイル保存が有効です",
                       MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
}

void SetStatusText(AppState& app, const std::string& text)
{
    if (app.ui != nullptr) {
        app.ui->SetStatusText(text);
    }
}

void ReportMessage(AppState& app, int id)
{
    if (app.ui == nullptr) {
        return;
    }
    const std::string text = LoadLangString(app, id);
    switch (id) {
    case 113:
    case 114:
    case 115:
    case 119:
    case 152:
    case 164:
        ShowReportBox(app, text);
        break;
    default:
        break;
    }
    app.ui->SetStatusText(text);
}

void ReportCommandError(AppState& app, std::string_view code)
{
    if (app.ui == nullptr) {
        return;
    }
    app.ui->SetStatusText(kCommandErrorText);
    ShowReportBox(app, code == "DA" ? LoadLangString(app, StringId::SwitchOnPrompt)
                                    : std::string(kCommandErrorText));
}

void ReportRegisterError(AppState& app, std::string_view /*code*/, std::string_view /*address*/)
{
    // Every failed register access looks the same to the user.
    if (app.ui == nullptr) {
        return;
    }
    app.ui->SetStatusText(kCommandErrorText);
    ShowReportBox(app, kCommandErrorText);
}
