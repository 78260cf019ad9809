// Start-up steps that are the same on every platform. The platform's own pieces (executable
// path, desktop folder, single-instance guard) live in StartUpPosix.cpp and StartUpWin32.cpp.
#include "app/StartUp.h"

#include "app/AppPaths.h"
#include "app/AppState.h"
#include "app/IniFile.h"
#include "app/LangString.h"
#include "app/UserInterface.h"
#include "app/Utf8Path.h"
#include "resources/StringIds.h"

#include <filesystem>

bool IniSwitchOn(std::string_view value)
{
    return value.find("Yes") != std::string_view::npos;
}

bool IniSwitchExact(std::string_view value)
{
    return value == "Yes";
}

void SetPathsFromExecutable(AppState& app, const std::string& exePath)
{
    const std::size_t slash = exePath.find_last_of(kPathSeparators);
    app.exeDir = slash == std::string::npos ? std::string() : exePath.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? exePath : exePath.substr(slash + 1);
    // The extension starts at the last dot of the file name, as the Windows path split has it.
    const std::size_t dot = base.rfind('.');
    if (dot != std::string::npos) base.erase(dot);
    app.iniPath = app.exeDir + base + ".ini";
}

void SetPathsFromIniFile(AppState& app, const std::string& iniFile)
{
    std::string path = iniFile;
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(PathFromUtf8(iniFile), ec);
    if (!ec) {
        const std::u8string text = absolute.u8string();
        path.assign(text.begin(), text.end());
    }
    app.iniPath = path;
    const std::size_t slash = path.find_last_of(kPathSeparators);
    app.exeDir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void ReadLanguageAndTitle(AppState& app)
{
    const int language = IniFile::ToInt(IniFile::GetString(app.iniPath, "System", "Langage", "0"));
    app.language = language == 1 ? 1 : 0;
    app.windowTitle = IniFile::GetString(app.iniPath, "System", "WindowTitle", "");
    app.visibleSerialNo = IniSwitchOn(IniFile::GetString(app.iniPath, "System", "VisibleSerialNo", "Yes"));
}

bool IsSupportedWindows()
{
    return true;
}

bool FillStartUpState(AppState& app, const std::string& exePath, const std::string& iniFile,
                      const std::string& iniBase, int language)
{
    if (iniFile.empty())
        SetPathsForExecutable(app, exePath, iniBase);
    else
        SetPathsFromIniFile(app, iniFile);
    if (!IsRegularFileUtf8(app.iniPath)) {
        // The language lives in the missing file, so the message is the Japanese text unless
        // the command line chose one.
        if (app.ui != nullptr) {
            app.language = language == 1 ? 1 : 0;
            app.ui->MessageBox(LoadLangString(app, StringId::IniMissing),
                               LoadLangString(app, StringId::AppName), MsgIcon::Stop, MsgButtons::Ok,
                               MsgAnswer::Ok);
        }
        return false;
    }
    app.desktopDir = DesktopDirectory();
    app.portRetryCount = 0;
    ReadLanguageAndTitle(app);
    if (language == 0 || language == 1) app.language = language;
    return true;
}
